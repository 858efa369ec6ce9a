#include "program_resources.h"

#include "bench_table.h"
#include "jack_server.h"
#include "pipewire_server.h"
#include "x_display.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QThread>

#include <algorithm>
#include <array>
#include <functional>
#include <utility>
#include <vector>


namespace {

constexpr int idleMs = 10000;
constexpr int playingMs = 5000;
// A JACK client's idle share varies by some tenths of a percent from one
// reading to the next on a shared machine: each CPU figure is the median of
// this many rounds, the programs taken in turns.
constexpr int cpuRounds = 5;
constexpr int windowTimeoutMs = 20000;
constexpr int starts = 9; // a start-up time is the median of so many

struct ProcessFigures {
    double idleCpu = -1;
    double idleUiThreadCpu = -1;    // of which the user-interface thread
    double idleSoundServerCpu = -1; // the sound server's over the same time
    double playingCpu = -1;
    double playingUiThreadCpu = -1;
    double peakMiB = -1;
    double sharedMiB = -1; // JACK's shared memory, mapped by every client of the server
};

// Each figure the median of the rounds' (a figure missing in a round is
// missing here too).
ProcessFigures medianOf(const std::vector<ProcessFigures>& rounds)
{
    auto median = [&](double ProcessFigures::*field) {
        std::vector<double> values;
        for (const ProcessFigures& round : rounds) {
            if (round.*field < 0)
                return -1.0;
            values.push_back(round.*field);
        }
        return values.empty() ? -1.0 : spreadOf(values).median;
    };
    ProcessFigures figures;
    for (double ProcessFigures::*field :
         {&ProcessFigures::idleCpu, &ProcessFigures::idleUiThreadCpu, &ProcessFigures::idleSoundServerCpu,
          &ProcessFigures::playingCpu, &ProcessFigures::playingUiThreadCpu, &ProcessFigures::peakMiB,
          &ProcessFigures::sharedMiB})
        figures.*field = median(field);
    return figures;
}

// Time on a processor so far, in seconds, of one thread: the first field of
// /proc/<pid>/task/<tid>/schedstat, in nanoseconds and counted at every
// switch. /proc's stat samples at the clock tick instead (10 ms), too coarse
// for a JACK client that wakes for some microseconds 750 times a second.
double threadSeconds(qint64 pid, qint64 tid)
{
    QFile stat(QStringLiteral("/proc/%1/task/%2/schedstat").arg(pid).arg(tid));
    if (!stat.open(QIODevice::ReadOnly))
        return 0;
    return stat.readAll().split(' ').value(0).toDouble() / 1e9;
}

// The same for all threads of a process (those living at the time).
double processSeconds(qint64 pid)
{
    double seconds = 0;
    const QStringList threads = QDir(QStringLiteral("/proc/%1/task").arg(pid)).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& tid : threads)
        seconds += threadSeconds(pid, tid.toLongLong());
    return seconds;
}

struct CpuShare {
    double process = -1;
    double uiThread = -1;    // the main thread, whose thread id is the process id
    double soundServer = -1; // the sound server's processes over the same time, when one is measured
};

// The private sound server's processes, while the bench measures beside one.
QList<qint64> soundServer;

double soundServerSeconds()
{
    double seconds = 0;
    for (qint64 pid : soundServer)
        seconds += processSeconds(pid);
    return seconds;
}

CpuShare cpuPercentOver(qint64 pid, int ms)
{
    const double processBefore = processSeconds(pid);
    const double uiThreadBefore = threadSeconds(pid, pid);
    const double serverBefore = soundServerSeconds();
    QElapsedTimer clock;
    clock.start();
    QThread::msleep(static_cast<unsigned long>(ms));
    const double seconds = clock.nsecsElapsed() / 1e9;
    return {100.0 * (processSeconds(pid) - processBefore) / seconds,
            100.0 * (threadSeconds(pid, pid) - uiThreadBefore) / seconds,
            soundServer.isEmpty() ? -1 : 100.0 * (soundServerSeconds() - serverBefore) / seconds};
}

// A memory figure of /proc/<pid>/status ("VmHWM:" the peak resident set,
// "RssShmem:" the part of it that is shared memory).
double statusMiB(qint64 pid, const QByteArray& field)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(field.size()).trimmed().split(' ').first().toDouble() / 1024;
    }
    return -1;
}

// A program under measurement, ended by closing its last window found, as
// its user would: the program then closes its MIDI devices, which a process
// killed outright leaves for the JACK server to clear up.
class Child {
public:
    Child(XDisplay& x, const QString& program) : x_(x)
    {
        clock_.start();
        process_.start(program, {});
        process_.waitForStarted(5000);
    }
    ~Child()
    {
        if (window_)
            x_.close(window_);
        if (!process_.waitForFinished(5000)) {
            process_.kill();
            process_.waitForFinished(3000);
        }
    }
    qint64 pid() const { return process_.processId(); }
    double elapsedMs() const { return clock_.nsecsElapsed() / 1e6; }

    xcb_window_t waitForWindow(const QByteArray& title)
    {
        while (clock_.elapsed() < windowTimeoutMs && process_.state() == QProcess::Running) {
            if ((window_ = x_.mappedWindow(pid(), title)))
                return window_;
            QThread::usleep(1000);
        }
        return 0;
    }

private:
    XDisplay& x_;
    xcb_window_t window_ = 0;
    QProcess process_;
    QElapsedTimer clock_;
};

// From the start of the program to its first window on screen: the bare
// dialog's, or the program's device dialog, which is then answered so that
// the program ends by its main window. -1 when no window came.
double startMs(XDisplay& x, const QString& program, const QByteArray& title)
{
    Child child(x, program);
    const xcb_window_t window = child.waitForWindow(title);
    if (!window)
        return -1;
    const double elapsed = child.elapsedMs();
    if (title == "MIDI Setup") {
        x.pressReturn(window);
        child.waitForWindow("Quorvane");
    }
    return elapsed;
}

// The bare dialog: idle CPU and memory only.
ProcessFigures measureBareDialog(XDisplay& x, const QString& program)
{
    ProcessFigures figures;
    Child child(x, program);
    if (!child.waitForWindow("Bare dialog"))
        return figures;
    figures.idleCpu = cpuPercentOver(child.pid(), idleMs).process;
    figures.peakMiB = statusMiB(child.pid(), "VmHWM:");
    return figures;
}

// The bare JACK client, connected as the program's client is: idle CPU only.
double measureBareJackClient(JackServer& server, const QString& program)
{
    QProcess client;
    client.start(program, {QStringLiteral("listener:input"), QStringLiteral("jack_midi_latency_test:out")});
    double idle = -1;
    if (client.waitForStarted(5000) && server.waitForPort(QStringLiteral("bare-client:in"))) {
        QThread::msleep(500); // its connections made
        idle = cpuPercentOver(client.processId(), idleMs).process;
    }
    client.terminate();
    if (!client.waitForFinished(5000)) {
        client.kill();
        client.waitForFinished(3000);
    }
    return idle;
}

// The program: its device dialog answered with Return (its "Ok" is the
// default button), idle with the main window open, then Wondrousness
// started with a click on "Do it" (delay 60, pitch mode: the defaults).
ProcessFigures measureProgram(XDisplay& x, const QString& program, QPoint doItAt)
{
    ProcessFigures figures;
    Child child(x, program);
    const xcb_window_t dialog = child.waitForWindow("MIDI Setup");
    if (!dialog)
        return figures;
    x.pressReturn(dialog);
    const xcb_window_t window = child.waitForWindow("Quorvane");
    if (!window)
        return figures;
    QThread::msleep(500); // the start-up's last repaints
    const CpuShare idle = cpuPercentOver(child.pid(), idleMs);
    figures.idleCpu = idle.process;
    figures.idleUiThreadCpu = idle.uiThread;
    figures.idleSoundServerCpu = idle.soundServer;
    x.click(window, doItAt);
    QThread::msleep(300);
    const CpuShare playing = cpuPercentOver(child.pid(), playingMs);
    figures.playingCpu = playing.process;
    figures.playingUiThreadCpu = playing.uiThread;
    figures.peakMiB = statusMiB(child.pid(), "VmHWM:");
    figures.sharedMiB = statusMiB(child.pid(), "RssShmem:");
    return figures;
}

QString percent(double value)
{
    return value < 0 ? QStringLiteral("n/a") : fixed(value, 2) + QStringLiteral(" %");
}

QString percent(double process, double uiThread)
{
    return percent(process) + QStringLiteral(" (UI thread %1)").arg(percent(uiThread));
}

QString mib(double value)
{
    return value < 0 ? QStringLiteral("n/a") : fixed(value, 1) + QStringLiteral(" MiB");
}

QString ms(double value)
{
    return value < 0 ? QStringLiteral("n/a") : fixed(value, 0) + QStringLiteral(" ms");
}

// The MIDI ports the programs find on the JACK server as their devices 0: a
// listener that prints what it hears, registered first, and as the keyboard
// the latency tool's output, silent until both its ports are connected, which
// never happens here.
QProcess* startDevices(JackServer& server)
{
    QProcess* listener =
        server.startClient(QStringLiteral("stdbuf"),
                           {QStringLiteral("-oL"), QStringLiteral("jack_midi_dump"), QStringLiteral("listener")});
    server.waitForPort(QStringLiteral("listener:input"));
    server.startClient(QStringLiteral("stdbuf"), {QStringLiteral("-oL"), QStringLiteral("jack_midi_latency_test")});
    server.waitForPort(QStringLiteral("jack_midi_latency_test:out"));
    return listener;
}

struct InTurns {
    double bareJack = -1;
    ProcessFigures program;
    ProcessFigures withoutSynth;
    // Each round's, in the order taken.
    std::vector<double> bareJackRounds;
    std::vector<ProcessFigures> programRounds, withoutSynthRounds;
};

// The bare JACK client, the program and the program without the synthesizer,
// one after the other, cpuRounds times; around the one without the
// synthesizer, what the caller does with its listener.
InTurns measureInTurns(XDisplay& x, JackServer& server, const std::array<QString, 3>& programs, QPoint doItAt,
                       const std::function<void()>& beforeWithoutSynth,
                       const std::function<void()>& afterWithoutSynth)
{
    std::vector<double> bareJack;
    std::vector<ProcessFigures> program, withoutSynth;
    for (int round = 0; round < cpuRounds; ++round) {
        bareJack.push_back(measureBareJackClient(server, programs[0]));
        program.push_back(measureProgram(x, programs[1], doItAt));
        beforeWithoutSynth();
        withoutSynth.push_back(measureProgram(x, programs[2], doItAt));
        afterWithoutSynth();
    }
    const bool bareFailed = std::find(bareJack.begin(), bareJack.end(), -1.0) != bareJack.end();
    return {bareFailed ? -1.0 : spreadOf(bareJack).median,
            medianOf(program),
            medianOf(withoutSynth),
            bareJack,
            program,
            withoutSynth};
}

// The program's device dialog on screen, beside the bare dialog's: with the
// sound font the package recommends, with the small one alone, and without
// the synthesizer at all. The programs start in turns, so that other work on
// the machine weighs on each alike; each figure is the median of its starts.
void printStart(XDisplay& x, const QString& dir)
{
    const QString bigFont = QStringLiteral("/usr/share/sounds/sf2/FluidR3_GM.sf2");
    const std::vector<std::pair<QString, QByteArray>> programs = {
        {dir + QStringLiteral("/bare_dialog"), "Bare dialog"},
        {dir + QStringLiteral("/../src/app/quorvane"), "MIDI Setup"},
        {dir + QStringLiteral("/quorvane_small_font"), "MIDI Setup"},
        {dir + QStringLiteral("/quorvane_without_synth"), "MIDI Setup"},
    };
    std::vector<std::vector<double>> times(programs.size());
    for (int round = 0; round < starts; ++round)
        for (size_t i = 0; i < programs.size(); ++i)
            times[i].push_back(startMs(x, programs[i].first, programs[i].second));
    auto median = [&](size_t i) {
        const bool failed = std::find(times[i].begin(), times[i].end(), -1.0) != times[i].end();
        return failed ? -1.0 : spreadOf(times[i]).median;
    };
    const double bare = median(0);
    const QString anchor = ms(bare) + QStringLiteral(" bare dialog");
    const QString goal = bare < 0 ? QStringLiteral("-") : QStringLiteral("<= %1").arg(ms(2 * bare));
    printNote(QStringLiteral("start to the first window on screen, median of %1 starts each, taken in turns").arg(starts));
    printFigure({QFileInfo::exists(bigFont) ? QStringLiteral("device dialog, FluidR3_GM installed")
                                            : QStringLiteral("device dialog (FluidR3_GM not installed)"),
                 ms(median(1)), anchor, goal});
    printFigure({QStringLiteral("  with TimGM6mb alone"), ms(median(2)), anchor, goal});
    printFigure({QStringLiteral("  without the synthesizer"), ms(median(3)), anchor, QStringLiteral("-")});
}

// Idle, against the bare JACK client (the least any client of the server
// costs) and the bare Qt program (the least a window costs).
void printCpu(const InTurns& turns, const ProcessFigures& bare)
{
    const ProcessFigures& program = turns.program;
    const ProcessFigures& withoutSynth = turns.withoutSynth;
    const double bareJack = turns.bareJack;
    const QString jackAnchor = percent(bareJack) + QStringLiteral(" bare JACK client");
    const QString jackGoal =
        bareJack < 0 ? QStringLiteral("-") : QStringLiteral("<= %1 %").arg(fixed(bareJack + 0.1, 2));
    printFigure({QStringLiteral("CPU, window open, no run (%1 s, median of %2)").arg(idleMs / 1000).arg(cpuRounds),
                 percent(program.idleCpu, program.idleUiThreadCpu), jackAnchor, jackGoal});
    printFigure({QStringLiteral("  the same without the synthesizer"),
                 percent(withoutSynth.idleCpu, withoutSynth.idleUiThreadCpu), jackAnchor, jackGoal});
    // The rounds themselves, since a median of three hides how they scatter.
    QStringList rounds;
    for (size_t i = 0; i < turns.bareJackRounds.size(); ++i)
        rounds << QStringLiteral("%1 / %2 / %3")
                      .arg(fixed(turns.bareJackRounds[i], 2), fixed(turns.programRounds[i].idleCpu, 2),
                           fixed(turns.withoutSynthRounds[i].idleCpu, 2));
    printNote(QStringLiteral("idle rounds in %, bare JACK client / program / without the synthesizer: ") +
              rounds.join(QStringLiteral(", ")));
    printFigure({QStringLiteral("  a bare Qt program, idle"), percent(bare.idleCpu), QStringLiteral("-"),
                 QStringLiteral("-")});
    printFigure({QStringLiteral("CPU, Wondrousness playing, delay 60 (%1 s)").arg(playingMs / 1000),
                 percent(program.playingCpu, program.playingUiThreadCpu),
                 percent(bare.idleCpu) + QStringLiteral(" idle"), QStringLiteral("< 5 %")});
    printFigure({QStringLiteral("  the same without the synthesizer"),
                 percent(withoutSynth.playingCpu, withoutSynth.playingUiThreadCpu),
                 percent(bare.idleCpu) + QStringLiteral(" idle"), QStringLiteral("< 5 %")});
}

} // namespace

void benchProgramStart(JackServer& server)
{
    printSection(QStringLiteral("The program's start (anchor: a bare Qt dialog program), JACK period 64 frames"));
    XDisplay x;
    if (!x.isOpen()) {
        printNote(QStringLiteral("left out: no X display; run under xvfb-run -a"));
        return;
    }
    startDevices(server);
    printStart(x, QCoreApplication::applicationDirPath());
}

void benchProgramResources(QPoint doItAt, JackServer& server)
{
    printSection(QStringLiteral("The program as a process (anchors: a bare Qt dialog program, a bare JACK client with the "
                                "same three MIDI ports), JACK period 64 frames"));
    XDisplay x;
    if (!x.isOpen()) {
        printNote(QStringLiteral("left out: no X display; run under xvfb-run -a"));
        return;
    }
    const QString dir = QCoreApplication::applicationDirPath();
    const QString quorvane = dir + QStringLiteral("/../src/app/quorvane");
    const QString quorvaneWithoutSynth = dir + QStringLiteral("/quorvane_without_synth");
    QProcess* listener = startDevices(server);
    const ProcessFigures bare = measureBareDialog(x, dir + QStringLiteral("/bare_dialog"));
    const QString bareJackClient = dir + QStringLiteral("/bare_jack_client");
    qsizetype heard = 0; // by the listener, in the first round without the synthesizer
    const InTurns fast = measureInTurns(x, server, {bareJackClient, quorvane, quorvaneWithoutSynth}, doItAt, [&] {
        listener->readAllStandardOutput();
    }, [&] {
        listener->waitForReadyRead(1000);
        if (heard == 0)
            heard = listener->readAllStandardOutput().count('\n');
    });
    const ProcessFigures& program = fast.program;
    const ProcessFigures& withoutSynth = fast.withoutSynth;

    printStart(x, dir);
    printCpu(fast, bare);
    printNote(
        QStringLiteral("without the synthesizer the program played %1 messages to a JACK port in its run").arg(heard));
    printFigure({QStringLiteral("peak resident memory without synthesizer"), mib(withoutSynth.peakMiB),
                 mib(bare.peakMiB), QStringLiteral("< 60 MiB")});
    printFigure({QStringLiteral("  less JACK's shared memory (%1 MiB)").arg(fixed(withoutSynth.sharedMiB, 1)),
                 mib(withoutSynth.peakMiB < 0 ? -1 : withoutSynth.peakMiB - withoutSynth.sharedMiB), mib(bare.peakMiB),
                 QStringLiteral("< 60 MiB")});
    printFigure({QStringLiteral("  the synthesizer's share (with - without)"),
                 mib(program.peakMiB < 0 || withoutSynth.peakMiB < 0 ? -1 : program.peakMiB - withoutSynth.peakMiB),
                 QStringLiteral("-"), QStringLiteral("-")});

    // Every JACK client is woken once a period: at 64 frames that is 750
    // times a second. The same figures at jackd's own default period, 1024
    // frames (21.3 ms).
    server.stop();
    if (!server.start(1024)) {
        printNote(QStringLiteral("left out: jackd did not start with a 1024-frame period"));
        return;
    }
    startDevices(server);
    const InTurns slow =
        measureInTurns(x, server, {bareJackClient, quorvane, quorvaneWithoutSynth}, doItAt, [] {}, [] {});
    printNote(QStringLiteral("below: the same at jackd's default period, 1024 frames = 21.3 ms"));
    printCpu(slow, bare);
}

void benchProgramOnPipewire(QPoint doItAt)
{
    printSection(QStringLiteral("The program on a private PipeWire (its synthesizer plays there; MIDI on JACK)"));
    XDisplay x;
    if (!x.isOpen()) {
        printNote(QStringLiteral("left out: no X display; run under xvfb-run -a"));
        return;
    }
    PipewireServer pipewire;
    if (!pipewire.start()) {
        printNote(QStringLiteral("left out: the private PipeWire did not start"));
        return;
    }
    const QString dir = QCoreApplication::applicationDirPath();
    soundServer = pipewire.processIds();
    // The server on its own first, with no client at all.
    const double serverBefore = soundServerSeconds();
    QElapsedTimer clock;
    clock.start();
    QThread::msleep(idleMs);
    const double serverAlone = 100.0 * (soundServerSeconds() - serverBefore) / (clock.nsecsElapsed() / 1e9);
    const ProcessFigures program = measureProgram(x, dir + QStringLiteral("/../src/app/quorvane"), doItAt);
    const ProcessFigures withoutSynth = measureProgram(x, dir + QStringLiteral("/quorvane_without_synth"), doItAt);
    soundServer.clear();
    printFigure({QStringLiteral("CPU, window open, no run (%1 s)").arg(idleMs / 1000),
                 percent(program.idleCpu, program.idleUiThreadCpu),
                 percent(withoutSynth.idleCpu) + QStringLiteral(" without synth"), QStringLiteral("<= 0.3 % above")});
    printFigure({QStringLiteral("  the sound server's CPU meanwhile"), percent(program.idleSoundServerCpu),
                 percent(serverAlone) + QStringLiteral(" with no client"), QStringLiteral("not raised")});
    printFigure({QStringLiteral("    the same without the synthesizer"), percent(withoutSynth.idleSoundServerCpu),
                 percent(serverAlone) + QStringLiteral(" with no client"), QStringLiteral("-")});
    printFigure({QStringLiteral("CPU, Wondrousness playing, delay 60 (%1 s)").arg(playingMs / 1000),
                 percent(program.playingCpu, program.playingUiThreadCpu),
                 percent(withoutSynth.playingCpu) + QStringLiteral(" without synth"), QStringLiteral("< 5 %")});
}
