// `make bench`: the program's figures, each beside an anchor measured the same
// way in the same run. Run under an X server (xvfb-run -a) for the figures of
// the program as a separate process; without one those are left out.

#include "bench_table.h"
#include "app/program.h"
#include "jack_server.h"
#include "memory_backend.h"
#include "jack_timing.h"
#include "message_rates.h"
#include "pause_precision.h"
#include "program_resources.h"
#include "scale_costs.h"
#include "take_costs.h"
#include "thru_latency.h"
#include "window_free_delay.h"
#include "clock_timing.h"
#include "sync_following.h"
#include "ui/main/window_names.h"

#include <QApplication>
#include <QPushButton>
#include <QThread>
#include <cstdio>

using namespace quorvane;

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // libjack must never start a server of its own; the bench starts one.
    qputenv("JACK_NO_START_SERVER", "1");
    QApplication app(argc, argv);
    std::printf("Quorvane benchmark (Qt %s, platform %s, %d CPUs)\n", qVersion(),
                qPrintable(QGuiApplication::platformName()), QThread::idealThreadCount());
    printTableHeader();

    // The window over in-memory devices, on screen, so that the pause and the
    // rates have a real widget tree to repaint and look after.
    CountingHost host;
    auto output = std::make_unique<MemoryOutputBackend>();
    auto input = std::make_unique<MemoryInputBackend>();
    MemoryOutputBackend& wire = *output;
    MemoryInputBackend& keyboard = *input;
    Program program(std::move(output), std::move(input), host);
    FrmMain& window = program.window();
    // No device dialog, and closing the window ends no program: the bench
    // opens the devices itself and goes on.
    window.showSetupDialog = nullptr;
    window.endProgram = nullptr;
    window.MIDIOutput1().setDeviceNumber(0);
    window.MIDIOutput1().setAction(MidiOutput::Open);
    window.MIDIInput1().setDeviceNumber(0);
    window.MIDIInput1().setAction(MidiInput::Open);
    window.MIDIInput1().setAction(MidiInput::Start);
    window.load();
    window.show();
    QApplication::processEvents();

    const QPushButton* doIt = window.findChild<QPushButton*>(controls::DoIt);
    const QPoint doItAt = doIt->mapTo(&window, doIt->rect().center());
    // `quorvane_bench pipewire`: the sound server's figures alone.
    if (QCoreApplication::arguments().contains(QStringLiteral("pipewire"))) {
        benchProgramOnPipewire(doItAt);
        return 0;
    }

    // `quorvane_bench scale`: what the scale step costs, alone.
    if (QCoreApplication::arguments().contains(QStringLiteral("scale"))) {
        benchScaleCosts(program, host, wire);
        return 0;
    }

    // `quorvane_bench takes`: what recording costs, alone.
    if (QCoreApplication::arguments().contains(QStringLiteral("takes"))) {
        benchTakeCosts(program);
        return 0;
    }

    // `quorvane_bench following`: the runs on outside beats alone.
    if (QCoreApplication::arguments().contains(QStringLiteral("following"))) {
        JackServer server;
        benchSyncFollowing(server);
        return 0;
    }

    // `quorvane_bench sync`: the timing of the window's own playing and of
    // the beats it keeps to, alone.
    if (QCoreApplication::arguments().contains(QStringLiteral("sync"))) {
        JackServer server;
        benchWindowFreeDelay(server);
        benchClockOut(server);
        benchSyncFollowing(server);
        return 0;
    }

    // `quorvane_bench start`: the program's start-up time alone.
    if (QCoreApplication::arguments().contains(QStringLiteral("start"))) {
        JackServer server;
        server.start();
        benchProgramStart(server);
        return 0;
    }

    // `quorvane_bench process`: the program as a process alone.
    if (QCoreApplication::arguments().contains(QStringLiteral("process"))) {
        JackServer server;
        server.start();
        benchProgramResources(doItAt, server);
        return 0;
    }

    // `quorvane_bench jack`: the JACK timing and the thru latency alone.
    if (QCoreApplication::arguments().contains(QStringLiteral("jack"))) {
        JackServer server;
        benchJackTiming(server);
        server.start();
        benchThruLatency(host, server);
        benchThruChain(host, server);
        benchThruIntoSynth(host, server);
        return 0;
    }

    benchPausePrecision(host);
    benchRates(program, host, wire, keyboard);
    benchScaleCosts(program, host, wire);
    benchTakeCosts(program);

    // The rest needs MIDI: a private JACK server, stopped whatever happens.
    JackServer server;
    benchJackTiming(server);
    benchWindowFreeDelay(server);
    benchClockOut(server);
    benchSyncFollowing(server);
    server.start();
    benchThruLatency(host, server);
    benchThruChain(host, server);
    benchThruIntoSynth(host, server);
    benchProgramResources(doItAt, server);
    benchProgramOnPipewire(doItAt);
    return 0;
}
