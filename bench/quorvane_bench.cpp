// Prints how many formula passes QtHost's yield allows per second when no
// mode plays (nothing sent, no pause), and how closely QtHost::pause keeps to
// the time asked for.

#include "composer.h"
#include "midi_output.h"
#include "panel.h"
#include "qt_host.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMap>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace quorvane;

namespace {

// A device that takes every message and keeps none of them.
class NullOutputBackend : public OutputBackend {
public:
    int count() override { return 1; }
    QString name(int) override { return QStringLiteral("null"); }
    void open(int) override { open_ = true; }
    void close() override { open_ = false; }
    bool isOpen() const override { return open_; }
    void send(const MidiBytes&) override { ++sent; }
    long long sent = 0;

private:
    bool open_ = false;
};

// The window's settings as plain values: all four modes off.
class BenchPanel : public Panel {
public:
    QMap<QString, QString> texts{{"StartNoteText", "60"}, {"TextModulo", "127"}, {"DelayText", "60"},
                                 {"TextVal(0)", "0"},     {"TextVal(1)", "60"},  {"TextVal(2)", "0"},
                                 {"TextVal(3)", "0"},     {"TextDoMode", "0"}};
    QMap<QString, int> checks{{"CheckUseNoteOff", 0}, {"CheckUseModulo", 1}, {"CheckRandomDelay", 1},
                              {"CheckDisplayResults", 1}};

    QString text(const QString& box) const override { return texts.value(box, QStringLiteral("0")); }
    void setText(const QString& box, const QString& text) override { texts[box] = text; }
    int checkValue(const QString& box) const override { return checks.value(box); }
    void setInvalidMark(const QString&, bool) override {}
    void setRedMark(const QString&) override {}
    void setFormulaBold(int, bool) override {}
    void selectPatch(int) override {}
    void showMessage(const QString&) override {}
};

class CountingHost : public QtHost {
public:
    void yield() override
    {
        ++yields;
        QtHost::yield();
    }
    long long yields = 0;
};

void passesPerSecond(Composer& composer, CountingHost& host, BenchPanel& panel, bool noteOff, bool mixmaster)
{
    panel.checks["CheckUseNoteOff"] = noteOff ? 1 : 0;
    host.yields = 0;
    QElapsedTimer clock;
    // "Stop it", clicked from the event queue after two seconds.
    QTimer::singleShot(2000, [&] { mixmaster ? composer.stopMixmaster() : composer.stopWondrousness(); });
    clock.start();
    mixmaster ? composer.runMixmaster() : composer.runWondrousness();
    const double seconds = clock.nsecsElapsed() / 1e9;
    std::printf("  %-13s note-off %-3s  %10.0f passes/s   %6.2f us per pass\n", mixmaster ? "Mixmaster" : "Wondrousness",
                noteOff ? "on" : "off", host.yields / seconds, seconds * 1e6 / host.yields);
}

double percentile(const std::vector<double>& sorted, double p)
{
    const std::size_t i = std::min(sorted.size() - 1, static_cast<std::size_t>(p * (sorted.size() - 1) + 0.5));
    return sorted[i];
}

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    // A shown window with a few dozen boxes, so that the yield has a real
    // window system and widget tree to look after.
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    for (int i = 0; i < 30; ++i)
        layout->addWidget(new QLineEdit(QString::number(i)));
    window.show();
    QApplication::processEvents();

    BenchPanel panel;
    CountingHost host;
    auto backend = std::make_unique<NullOutputBackend>();
    MidiOutput output(std::move(backend));
    output.setDeviceNumber(0);
    output.setAction(MidiOutput::Open);
    Composer composer(panel, host, output);
    composer.doMode = {0, 0, 0, 0};

    std::printf("Quorvane benchmark (Qt %s, platform %s)\n\n", qVersion(), qPrintable(QGuiApplication::platformName()));
    std::printf("Formula passes with all modes off (one yield, no send, no pause per pass):\n");
    passesPerSecond(composer, host, panel, false, true);
    passesPerSecond(composer, host, panel, true, true);
    passesPerSecond(composer, host, panel, false, false);
    passesPerSecond(composer, host, panel, true, false);

    std::printf("\nQtHost::pause, 200 pauses each (actual wait in ms):\n");
    std::printf("  %9s %9s %9s %9s %9s %9s\n", "requested", "min", "median", "mean", "p99", "max");
    for (int ms : {1, 10, 60}) {
        std::vector<double> actual;
        actual.reserve(200);
        for (int k = 0; k < 200; ++k) {
            QElapsedTimer clock;
            clock.start();
            host.pause(ms);
            actual.push_back(clock.nsecsElapsed() / 1e6);
        }
        double sum = 0;
        for (double a : actual)
            sum += a;
        std::sort(actual.begin(), actual.end());
        std::printf("  %9d %9.3f %9.3f %9.3f %9.3f %9.3f\n", ms, actual.front(), percentile(actual, 0.5),
                    sum / actual.size(), percentile(actual, 0.99), actual.back());
    }
    return 0;
}
