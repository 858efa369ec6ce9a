#pragma once

#include <QString>
#include <vector>

// The benchmark's table: each figure of the program beside its anchor, a
// simpler thing measured the same way in the same run, and the goal it is
// read against. Rows are printed as soon as they are measured.
struct Figure {
    QString what;
    QString value;
    QString anchor;
    QString goal;
};

void printTableHeader();
void printSection(const QString& title);
void printFigure(const Figure& figure);
void printNote(const QString& text);

// The order statistics the table reports of a set of samples.
struct Spread {
    double median = 0;
    double p90 = 0;
    double p99 = 0;
    double max = 0;
};
Spread spreadOf(std::vector<double> samples);

QString fixed(double value, int decimals);
