#include "message_rates.h"

#include "bench_table.h"
#include "app/program.h"
#include "memory_backend.h"
#include "midi/message_writer.h"
#include "midi/midi_bytes.h"
#include "ui/main/window_names.h"

#include <QAction>
#include <QCheckBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <thread>

using namespace quorvane;

namespace {

constexpr int runMs = 1000;
constexpr int burstSize = 10000;

void setModes(Program& program, bool on, bool noteOff)
{
    FrmMain& window = program.window();
    for (Mode mode : allModes)
        window.findChild<QCheckBox*>(controls::doMode(mode))->setChecked(on);
    window.findChild<QCheckBox*>(controls::UseNoteOff)->setChecked(noteOff);
    program.composer().refreshModeFlags();
}

// Runs a formula for runMs, stopped by "Stop it" from the event queue, and
// returns the seconds it ran.
double runFormula(Program& program, bool mixmaster)
{
    Composer& composer = program.composer();
    QTimer::singleShot(runMs, [&] { mixmaster ? composer.stopMixmaster() : composer.stopWondrousness(); });
    QElapsedTimer clock;
    clock.start();
    mixmaster ? composer.runMixmaster() : composer.runWondrousness();
    return clock.nsecsElapsed() / 1e9;
}

// How many times per second the bare yield runs: the ceiling of the passes.
double yieldsPerSecond()
{
    QElapsedTimer clock;
    clock.start();
    long long calls = 0;
    while (clock.elapsed() < runMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        ++calls;
    }
    return calls / (clock.nsecsElapsed() / 1e9);
}

// Writes messages field by field straight to the output component, as the
// senders do but without formula, yield or window: its own ceiling.
double directSendsPerSecond(MidiOutput& output, long long count)
{
    QElapsedTimer clock;
    clock.start();
    for (long long i = 0; i < count; ++i)
        sendMessage(output, FieldOrder::Data1First, midi::NoteOn, static_cast<int>(i % 128), 60);
    return count / (clock.nsecsElapsed() / 1e9);
}

QString perSecond(double rate)
{
    return QStringLiteral("%1 /s").arg(rate, 0, 'f', 0);
}

void passes(Program& program, CountingHost& host)
{
    setModes(program, false, false);
    const double anchor = yieldsPerSecond();
    for (const bool mixmaster : {true, false}) {
        host.yields = 0;
        const double seconds = runFormula(program, mixmaster);
        printFigure({QStringLiteral("%1 passes, all modes off").arg(mixmaster ? "Mixmaster" : "Wondrousness"),
                     perSecond(host.yields / seconds), perSecond(anchor) + QStringLiteral(" bare yields"),
                     QStringLiteral("-")});
    }
}

void messagesAtDelayZero(Program& program, MemoryOutputBackend& wire)
{
    FrmMain& window = program.window();
    setModes(program, true, true);
    window.setText(controls::Delay, QStringLiteral("0"));
    wire.wire.clear();
    const double seconds = runFormula(program, false);
    const auto sent = static_cast<long long>(wire.wire.size());
    const double anchor = directSendsPerSecond(window.MIDIOutput1(), sent);
    printFigure({QStringLiteral("messages, delay 0, all modes and note-off"), perSecond(sent / seconds),
                 perSecond(anchor) + QStringLiteral(" direct sends"), QStringLiteral("-")});
    window.setText(controls::Delay, QStringLiteral("60"));
    wire.wire.clear();
    wire.clearLog();
}

// Lets the event loop run for a while: windows shown, laid out and painted.
void settle(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// Passes at delay 0 with every mode on, with the monitor closed and with it
// open and repainting: what watching a run costs the run. Closed and open
// take turns, three runs each, so that a load on the machine that comes and
// goes weighs on both; each figure is the median of its three.
void passesWithMonitor(Program& program, CountingHost& host, MemoryOutputBackend& wire)
{
    FrmMain& window = program.window();
    setModes(program, true, true);
    window.setText(controls::Delay, QStringLiteral("0"));
    auto passesPerSecond = [&] { return wondrousnessPassesPerSecond(program, host, wire); };
    std::vector<double> closed, open;
    for (int turn = 0; turn < 3; ++turn) {
        closed.push_back(passesPerSecond());
        window.findChild<QAction*>(menus::Monitor)->trigger();
        settle(200);
        open.push_back(passesPerSecond());
        window.findChild<QWidget*>(QStringLiteral("MonitorWindow"))->close();
        settle(50);
    }
    const double closedMedian = spreadOf(closed).median;
    printFigure({QStringLiteral("passes, delay 0, all modes, monitor closed"), perSecond(closedMedian),
                 QStringLiteral("-"), QStringLiteral("-")});
    printFigure({QStringLiteral("passes, delay 0, all modes, monitor open"), perSecond(spreadOf(open).median),
                 perSecond(closedMedian) + QStringLiteral(" closed"), QStringLiteral(">= half of closed")});
    window.setText(controls::Delay, QStringLiteral("60"));
}

// Note-ons and note-offs on channel 1 and volume changes on channel 2: all of
// them pass straight through (a programme change on channel 1 would move the
// patch list instead).
MidiBytes burstMessage(int i)
{
    const auto n = static_cast<unsigned char>(i % 128);
    switch (i % 3) {
    case 0: return {midi::NoteOn, n, 100};
    case 1: return {midi::NoteOff, n, 0};
    default: return {midi::ControlChange + 1, 7, n}; // channel 2, volume
    }
}

void burst(Program& program, MemoryOutputBackend& wire, MemoryInputBackend& keyboard)
{
    FrmMain& window = program.window();
    wire.wire.clear();
    QEventLoop loop;
    QObject::connect(
        &window.MIDIInput1(), &MidiInput::messageArrived, &loop,
        [&] {
            if (wire.wire.size() >= burstSize)
                loop.quit();
        },
        Qt::QueuedConnection);
    QTimer::singleShot(10000, &loop, &QEventLoop::quit);
    QElapsedTimer clock;
    clock.start();
    std::thread device([&] {
        for (int i = 0; i < burstSize; ++i)
            keyboard.inject(burstMessage(i));
    });
    loop.exec();
    const double seconds = clock.nsecsElapsed() / 1e9;
    device.join();

    const auto delivered = static_cast<int>(wire.wire.size());
    int inOrder = 0;
    while (inOrder < delivered && wire.wire[static_cast<std::size_t>(inOrder)].bytes == burstMessage(inOrder))
        ++inOrder;
    wire.wire.clear();
    wire.clearLog();
    const double anchor = directSendsPerSecond(window.MIDIOutput1(), burstSize);
    printFigure(
        {QStringLiteral("burst of %1 forwarded").arg(burstSize),
         QStringLiteral("%1 in order of %2, %3").arg(inOrder).arg(delivered).arg(perSecond(burstSize / seconds)),
         perSecond(anchor) + QStringLiteral(" direct sends"), QStringLiteral("all, in order")});
    wire.wire.clear();
    wire.clearLog();
}

} // namespace

double wondrousnessPassesPerSecond(Program& program, CountingHost& host, MemoryOutputBackend& wire)
{
    host.yields = 0;
    const double seconds = runFormula(program, false);
    wire.wire.clear();
    wire.clearLog();
    return host.yields / seconds;
}

void benchRates(Program& program, CountingHost& host, MemoryOutputBackend& wire, MemoryInputBackend& keyboard)
{
    printSection(QStringLiteral("Rates over the in-memory devices, with the window on screen"));
    passes(program, host);
    messagesAtDelayZero(program, wire);
    passesWithMonitor(program, host, wire);
    burst(program, wire, keyboard);
}
