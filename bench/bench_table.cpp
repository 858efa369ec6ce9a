#include "bench_table.h"

#include <algorithm>
#include <cstdio>

namespace {

void printRow(const QString& what, const QString& value, const QString& anchor, const QString& goal)
{
    std::printf("%-44s %-30s %-30s %s\n", qPrintable(what), qPrintable(value), qPrintable(anchor), qPrintable(goal));
    std::fflush(stdout);
}

double percentile(const std::vector<double>& sorted, double p)
{
    const auto i = static_cast<std::size_t>(p * static_cast<double>(sorted.size() - 1) + 0.5);
    return sorted[std::min(sorted.size() - 1, i)];
}

} // namespace

void printTableHeader()
{
    printRow(QStringLiteral("figure"), QStringLiteral("Quorvane"), QStringLiteral("anchor"), QStringLiteral("goal"));
}

void printSection(const QString& title)
{
    std::printf("\n%s\n", qPrintable(title));
    std::fflush(stdout);
}

void printFigure(const Figure& figure)
{
    printRow(QStringLiteral("  ") + figure.what, figure.value, figure.anchor, figure.goal);
}

void printNote(const QString& text)
{
    std::printf("  (%s)\n", qPrintable(text));
    std::fflush(stdout);
}

Spread spreadOf(std::vector<double> samples)
{
    if (samples.empty())
        return {};
    std::sort(samples.begin(), samples.end());
    return {percentile(samples, 0.5), percentile(samples, 0.9), percentile(samples, 0.99), samples.back()};
}

QString fixed(double value, int decimals)
{
    return QString::number(value, 'f', decimals);
}
