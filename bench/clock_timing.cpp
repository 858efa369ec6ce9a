#include "clock_timing.h"

#include "bench_table.h"
#include "devices/system_backend.h"
#include "devices/system_clock_out.h"
#include "jack_peer.h"
#include "jack_server.h"
#include "open_by_name.h"
#include "midi/guarded_output.h"
#include "midi/midi_output.h"
#include "midi/steady_time.h"
#include "sync/own_tempo.h"

#include <QElapsedTimer>
#include <QThread>

using namespace quorvane;

namespace {

constexpr int ticksWanted = 1001;
constexpr double framesPerTick = 48000.0 * 60 / 120 / 24; // 1000

std::vector<jack_nframes_t> tickFrames(JackPeer& peer)
{
    std::vector<jack_nframes_t> frames;
    for (const JackPeer::Heard& h : peer.heard())
        if (h.bytes == JackPeer::Bytes{0xF8})
            frames.push_back(h.frame);
    return frames;
}

// The error of each spacing against the tempo's, in frames.
std::vector<double> spacingErrors(const std::vector<jack_nframes_t>& frames)
{
    std::vector<double> errors;
    for (std::size_t i = 1; i < frames.size() && i < std::size_t(ticksWanted); ++i)
        errors.push_back(std::abs(static_cast<std::int32_t>(frames[i] - frames[i - 1]) - framesPerTick));
    return errors;
}

QString framesText(const std::vector<double>& errors)
{
    if (errors.size() + 1 < std::size_t(ticksWanted))
        return QStringLiteral("%1 ticks heard").arg(errors.empty() ? 0 : errors.size() + 1);
    const Spread s = spreadOf(errors);
    return QStringLiteral("%1 / %2 / %3 frames").arg(fixed(s.median, 0), fixed(s.p99, 0), fixed(s.max, 0));
}

void clockAt(JackServer& server, int period)
{
    if (!server.start(period)) {
        printNote(QStringLiteral("left out: jackd did not start with a %1-frame period").arg(period));
        return;
    }
    JackPeer ours("ours");
    JackPeer theirs("theirs");
    ours.open();
    theirs.open();
    MidiSystem system;
    OwnTempo tempo(steadyNowNs());
    system.setOwnBeat(&tempo.timeline());
    auto backend = std::make_unique<GuardedOutput>(std::make_unique<SystemOutputBackend>(system));
    GuardedOutput& guarded = *backend;
    MidiOutput output(std::move(backend));
    SystemClockOut clock(system, tempo, guarded, system.inputThru());
    openByName(output, ours.inPort());
    server.startClient(QStringLiteral("jack_midi_clock"), {QStringLiteral("-B"), QStringLiteral("-b"),
                                                           QStringLiteral("120")});
    server.waitForPort(QStringLiteral("jack_midi_clock:mclk_out"));
    server.connect(QStringLiteral("jack_midi_clock:mclk_out"), theirs.inPort());
    QThread::msleep(200);
    ours.forget();
    theirs.forget();
    theirs.rollTransport();
    clock.setSending(true);
    QElapsedTimer elapsed;
    elapsed.start();
    while ((tickFrames(ours).size() < std::size_t(ticksWanted) ||
            tickFrames(theirs).size() < std::size_t(ticksWanted)) &&
           elapsed.elapsed() < 40000)
        QThread::msleep(100);
    clock.setSending(false);
    printFigure({QStringLiteral("%1 frames, 1,000 ticks at 120 bpm").arg(period),
                 framesText(spacingErrors(tickFrames(ours))), framesText(spacingErrors(tickFrames(theirs))),
                 QStringLiteral("max <= 1 frame")});
    if (ours.xruns() > 0)
        printNote(QStringLiteral("the server had %1 xruns meanwhile").arg(ours.xruns()));
    output.setAction(MidiOutput::Close);
    ours.close();
    theirs.close();
    server.stop();
}

} // namespace

void benchClockOut(JackServer& server)
{
    printSection(QStringLiteral("MIDI clock out: error of the spacing of 1,000 ticks against the tempo's 1,000 frames, "
                                "median / p99 / max (anchor: jack_midi_clock -B -b 120), the server in real time"));
    server.stop();
    server.setRealtime(true);
    for (const int period : {64, 1024})
        clockAt(server, period);
    server.setRealtime(false);
}
