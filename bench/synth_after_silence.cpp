#include "synth_after_silence.h"

#include "bench_table.h"
#include "synth/synth_output.h"
#include "pipewire_server.h"

#include <QFile>
#include <QThread>
#include <chrono>
#include <cstdio>
#include <unistd.h>

using namespace quorvane;
using Clock = std::chrono::steady_clock;

namespace {

double milliseconds(Clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

struct NoteTimes {
    double call = -1;  // the send() that plays the note
    double heard = -1; // from the note to its first audible block at the sink's monitor
};

NoteTimes playAndListen(SynthOutput& synth, SinkRecorder& recorder, int key)
{
    // The monitor reaches the recorder late: what played before must have
    // passed through before the note is timed.
    const Clock::time_point waitStart = Clock::now();
    for (;;) {
        recorder.peakSinceLastCall();
        QThread::msleep(200);
        if (recorder.peakSinceLastCall() < 1e-4f || Clock::now() - waitStart > std::chrono::seconds(5))
            break;
    }
    const Clock::time_point start = Clock::now();
    synth.send({0x90, std::uint8_t(key), 100});
    NoteTimes times{milliseconds(Clock::now() - start), -1};
    while (Clock::now() - start < std::chrono::seconds(2)) {
        if (recorder.peakSinceLastCall() > 1e-3f) {
            times.heard = milliseconds(Clock::now() - start);
            break;
        }
    }
    synth.send({0x80, std::uint8_t(key), 64});
    return times;
}

double cpuSeconds(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray line = stat.readAll();
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    return fields.size() < 13 ? 0 : (fields[11].toDouble() + fields[12].toDouble()) / double(sysconf(_SC_CLK_TCK));
}

// CPU of this process and of the sound server's processes over ten seconds.
void printCpuOver10s(const PipewireServer& server, const char* what)
{
    const auto serverSeconds = [&] {
        double sum = 0;
        for (qint64 pid : server.processIds())
            sum += cpuSeconds(pid);
        return sum;
    };
    const double self = cpuSeconds(getpid()), serverBefore = serverSeconds();
    const Clock::time_point start = Clock::now();
    QThread::sleep(10);
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    std::printf("  %-46s this process %4.1f %%   the sound server %4.1f %%\n", what,
                100 * (cpuSeconds(getpid()) - self) / seconds, 100 * (serverSeconds() - serverBefore) / seconds);
}

} // namespace

void benchSynthAfterSilence()
{
    std::printf("\nFirst note after silence, private PipeWire (null sink, heard at its monitor through parec)\n");
    PipewireServer server;
    if (!server.start()) {
        std::printf("  left out: the private PipeWire did not start\n");
        return;
    }
    SinkRecorder recorder;
    SynthOptions options;
    options.audioDrivers = {QStringLiteral("pulseaudio")};
    SynthOutput synth(options);
    synth.open(SynthOutput::deviceName());
    if (!synth.audioRunning() || !recorder.start()) {
        std::printf("  left out: no stream to the private PipeWire\n");
        return;
    }
    std::vector<double> runningCall, runningHeard, resumedCall, resumedHeard;
    for (int round = 0; round < 5; ++round) {
        // A note while the stream runs, kept running by an organ note on
        // another channel turned down to nothing: a voice, but no sound.
        synth.send({0xB1, 7, 0});
        synth.send({0xC1, 19});
        synth.send({0x91, 48, 60});
        QThread::msleep(300);
        const NoteTimes running = playAndListen(synth, recorder, 72);
        synth.send({0xFF}); // everything off, the controllers back to their defaults
        // Then silence until the stream has stopped, and the next note.
        const Clock::time_point silent = Clock::now();
        while (synth.audioRunning() && Clock::now() - silent < std::chrono::seconds(10))
            QThread::msleep(10);
        QThread::msleep(200);
        const NoteTimes resumed = playAndListen(synth, recorder, 72);
        runningCall.push_back(running.call);
        runningHeard.push_back(running.heard);
        resumedCall.push_back(resumed.call);
        resumedHeard.push_back(resumed.heard);
        synth.send({0xFF});
    }
    const auto line = [](const char* what, const std::vector<double>& samples) {
        const Spread s = spreadOf(samples);
        std::printf("  %-46s median %6.1f ms   max %6.1f ms\n", what, s.median, s.max);
    };
    line("stream running: the call playing the note", runningCall);
    line("stream running: note to sound at the sink", runningHeard);
    line("after silence: the call (reopens the stream)", resumedCall);
    line("after silence: note to sound at the sink", resumedHeard);
    std::printf("  (the sink figures include the recorder's own delay, the same in both)\n");

    // CPU with a voice held (the stream runs) and idle once the stream has
    // stopped and the session manager has suspended the sink (5 s later).
    recorder.stop();
    synth.send({0xC0, 19});
    synth.send({0x90, 60, 1});
    QThread::msleep(200);
    printCpuOver10s(server, "CPU over 10 s, a note held");
    synth.send({0xFF});
    while (synth.audioRunning())
        QThread::msleep(10);
    QThread::sleep(6);
    printCpuOver10s(server, "CPU over 10 s, idle after it");
    synth.close();
    printCpuOver10s(server, "CPU over 10 s, the synthesizer closed");
}
