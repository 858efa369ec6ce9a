#include "jack_timing.h"

#include "bench_table.h"
#include "jack_peer.h"
#include "jack_server.h"
#include "midi/midi_output.h"
#include "devices/system_backend.h"

#include <QElapsedTimer>
#include <QThread>
#include <RtMidi.h>

#include <chrono>
#include <memory>
#include <thread>

using namespace quorvane;

namespace {

using Clock = std::chrono::steady_clock;

constexpr int intervals = 126;
constexpr auto spacing = std::chrono::milliseconds(25);
constexpr int cycles = 1000;
constexpr int burstSize = 10000;

// Plays count + 1 note-ons spaced evenly, each sent at its time by a thread
// that sleeps until then, as the formulas' pauses do; returns the errors in
// ms of the intervals heard against the intervals sent.
template <class Send>
std::vector<double> intervalErrors(JackPeer& peer, double frameMs, Send send,
                                   Clock::duration spacing = ::spacing, int count = intervals)
{
    peer.forget();
    std::vector<Clock::time_point> sent;
    const Clock::time_point start = Clock::now() + spacing;
    for (int i = 0; i <= count; ++i) {
        std::this_thread::sleep_until(start + i * spacing);
        sent.push_back(Clock::now());
        send(i);
    }
    QThread::msleep(200); // the last one's period and more
    const std::vector<JackPeer::Heard> heard = peer.heard();
    std::vector<double> errors;
    for (std::size_t i = 1; i < heard.size() && i < sent.size(); ++i) {
        const double heardMs = (heard[i].frame - heard[i - 1].frame) * frameMs;
        const double sentMs = std::chrono::duration<double, std::milli>(sent[i] - sent[i - 1]).count();
        errors.push_back(std::abs(heardMs - sentMs));
    }
    if (heard.size() != sent.size())
        printNote(QStringLiteral("  %1 of %2 notes heard").arg(heard.size()).arg(sent.size()));
    return errors;
}

QString spreadText(const Spread& s)
{
    return QStringLiteral("%1 / %2 / %3").arg(fixed(s.median, 3), fixed(s.p99, 3), fixed(s.max, 3));
}

void sendNote(MidiOutput& output, int status, int data1, int data2)
{
    output.setStatus(status);
    output.setData1(data1);
    output.setData2(data2);
    output.setAction(MidiOutput::Send);
}

// Opens the output on the peer's input by name.
bool openOnPeer(MidiOutput& output)
{
    const int count = output.deviceCount();
    for (int d = 0; d < count; ++d) {
        output.setDeviceNumber(d);
        if (output.deviceName() == QStringLiteral("peer:in")) {
            output.setAction(MidiOutput::Open);
            return output.openState() == 1;
        }
    }
    return false;
}

void timingAt(JackServer& server, int period)
{
    if (!server.start(period)) {
        printNote(QStringLiteral("left out: jackd did not start with a %1-frame period").arg(period));
        return;
    }
    JackPeer peer;
    peer.open();
    const double frameMs = 1000.0 / 48000;
    std::vector<double> ours;
    {
        MidiSystem system;
        MidiOutput output(std::make_unique<SystemOutputBackend>(system));
        if (openOnPeer(output))
            ours = intervalErrors(peer, frameMs, [&](int i) { sendNote(output, 0x90, 60 + i % 12, 100); });
    }
    const std::vector<double> anchor = bareSenderIntervalErrors(server, peer, spacing.count(), intervals);
    printFigure({QStringLiteral("%1 frames (%2 ms)").arg(period).arg(fixed(period * frameMs, 2)),
                 ours.empty() ? QStringLiteral("no output") : spreadText(spreadOf(ours)),
                 anchor.empty() ? QStringLiteral("-") : spreadText(spreadOf(anchor)), QStringLiteral("p99 <= 0.1")});
    peer.close();
    server.stop();
}

void opensAndBurst(JackServer& server)
{
    if (!server.start(64)) {
        printNote(QStringLiteral("left out: jackd did not start"));
        return;
    }
    JackPeer peer;
    peer.open();
    MidiSystem system;
    MidiOutput output(std::make_unique<SystemOutputBackend>(system));

    QElapsedTimer clock;
    clock.start();
    int opened = 0;
    for (int i = 0; i < cycles; ++i) {
        if (!openOnPeer(output))
            continue;
        ++opened;
        sendNote(output, 0xC0, i % 128, 0);
        output.setAction(MidiOutput::Close);
    }
    const double seconds = clock.elapsed() / 1000.0;
    QThread::msleep(100);
    std::size_t inOrder = 0;
    const std::vector<JackPeer::Heard> heard = peer.heard();
    for (std::size_t i = 0; i < heard.size(); ++i)
        inOrder += heard[i].bytes == JackPeer::Bytes{0xC0, static_cast<std::uint8_t>(i % 128)};
    printFigure({QStringLiteral("%1 open, send, close cycles (%2 s)").arg(cycles).arg(fixed(seconds, 1)),
                 QStringLiteral("%1 opened, %2 heard, %3 in order").arg(opened).arg(heard.size()).arg(inOrder),
                 QStringLiteral("-"), QStringLiteral("all heard, no hang")});

    peer.forget();
    openOnPeer(output);
    clock.restart();
    for (int i = 0; i < burstSize; ++i)
        sendNote(output, 0x90 | (i / 128 % 16), i % 128, 1 + i % 127);
    const double sendMs = clock.nsecsElapsed() / 1e6;
    while (peer.heardCount() < std::size_t(burstSize) && clock.elapsed() < 10000)
        QThread::msleep(5);
    const double deliveredMs = clock.nsecsElapsed() / 1e6;
    std::size_t matching = 0;
    const std::vector<JackPeer::Heard> burst = peer.heard();
    for (std::size_t i = 0; i < burst.size(); ++i) {
        const JackPeer::Bytes expected{static_cast<std::uint8_t>(0x90 | (i / 128 % 16)),
                                       static_cast<std::uint8_t>(i % 128), static_cast<std::uint8_t>(1 + i % 127)};
        matching += burst[i].bytes == expected;
    }
    printFigure({QStringLiteral("burst of %1 messages into an outside client").arg(burstSize),
                 QStringLiteral("%1 delivered, %2 in order; sent in %3 ms, all heard after %4 ms")
                     .arg(burst.size())
                     .arg(matching)
                     .arg(fixed(sendMs, 1), fixed(deliveredMs, 1)),
                 QStringLiteral("-"), QStringLiteral("all, in order")});
    output.setAction(MidiOutput::Close);
    peer.close();
    server.stop();
}

} // namespace

std::vector<double> bareSenderIntervalErrors(JackServer& server, JackPeer& peer, int spacingMs, int count)
{
    // Dropped once the server has stopped: see keepUntilStopped.
    const auto bare = std::make_shared<RtMidiOut>(RtMidi::UNIX_JACK, "bare sender");
    server.keepUntilStopped(bare);
    bare->openVirtualPort("out");
    server.connect(QStringLiteral("bare sender:out"), peer.inPort());
    QThread::msleep(100);
    const std::vector<double> errors = intervalErrors(
        peer, 1000.0 / 48000,
        [&](int i) {
            const unsigned char note[] = {0x90, static_cast<unsigned char>(60 + i % 12), 100};
            bare->sendMessage(note, 3);
        },
        std::chrono::milliseconds(spacingMs), count);
    bare->closePort();
    return errors;
}

void benchJackTiming(JackServer& server)
{
    server.stop();
    printSection(QStringLiteral("JACK output: error of the intervals between %1 note-ons sent %2 ms apart, heard "
                                "against sent, ms median / p99 / max (anchor: a bare RtMidi sender)")
                     .arg(intervals + 1)
                     .arg(spacing.count()));
    for (const int period : {64, 256, 1024})
        timingAt(server, period);
    printSection(QStringLiteral("JACK output: opens and a burst, 64-frame period"));
    opensAndBurst(server);
}
