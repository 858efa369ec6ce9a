#include "devices/clock_in_tracker.h"
#include "devices/jack_transport_follower.h"
#include "devices/outside_beat.h"

#include <QtTest>

#include <random>

using namespace quorvane;

namespace {

constexpr std::int64_t ms = 1'000'000;
constexpr double nsPerTickAt120 = 60e9 / (120 * 24); // 20.83 ms

// A tracker with its reader, fed as the input's thread would.
struct Follower {
    SnapshotCell<BeatReading> cell;
    ClockInTracker tracker{cell};
    OutsideBeat source{cell};

    void send(std::uint8_t status, std::int64_t atNs) { tracker.take(&status, 1, atNs); }
    // count ticks from atNs on, nsPerTick apart; returns the moment after the last.
    std::int64_t ticks(int count, std::int64_t atNs, double nsPerTick)
    {
        for (int i = 0; i < count; ++i)
            send(0xF8, atNs + std::llround(i * nsPerTick));
        return atNs + std::llround(count * nsPerTick);
    }
    BeatTimeline beat() const { return cell.load().beat; }
};

} // namespace

class OutsideBeatsTest : public QObject {
    Q_OBJECT

private slots:
    // Start puts the next tick at position 0; a 1/16 line falls on every 6th
    // tick after it, and is known ahead of the tick at the clock's tempo.
    void theLinesFallOnEverySixthTickFromStart()
    {
        Follower f;
        const std::int64_t t0 = 1000 * ms;
        f.send(0xF8, t0 - 100 * ms); // a tick before the Start counts nothing
        f.send(0xFA, t0 - 10 * ms);
        QCOMPARE(f.source.status(t0).state, SourceState::NoSignal);
        f.ticks(13, t0, nsPerTickAt120); // positions 0..12
        const std::int64_t now = t0 + std::llround(12 * nsPerTickAt120);
        const SyncStatus status = f.source.status(now);
        QCOMPARE(status.state, SourceState::Running);
        QCOMPARE(QString::number(status.bpm, 'f', 1), QStringLiteral("120.0"));
        QCOMPARE(status.bar, 1);
        QCOMPARE(status.beat, 1);
        // The next 1/16 line after tick 12 is tick 18, predicted to the
        // nanosecond from a steady clock.
        const std::optional<std::int64_t> line = f.source.lineAtOrAfter(now + ms, GridDivision::Sixteenth);
        QVERIFY(line);
        QVERIFY(std::abs(*line - (t0 + std::llround(18 * nsPerTickAt120))) <= 1);
        QVERIFY(std::abs(*f.source.lineAtOrAfter(now + ms, GridDivision::Quarter) -
                         (t0 + std::llround(24 * nsPerTickAt120))) <= 1);
    }

    // A device's clock whose every spacing wavers by up to a tenth (as
    // jack_midi_clock -J 10 makes it), one late tick, a jump of tempo: the
    // tempo read stays within 1 % of the clock's once it heard 16 beats,
    // moves little on the late tick and takes the new tempo within a beat.
    void theTempoFollowsASteadyClockNotItsJitter()
    {
        Follower f;
        std::mt19937 random(7);
        std::uniform_real_distribution<double> jitter(-0.1, 0.1);
        std::int64_t t = 0;
        for (int i = 0; i < 2000; ++i) {
            t += std::llround(nsPerTickAt120 * (1 + jitter(random)));
            f.send(0xF8, t);
            QCOMPARE(f.beat().state, i == 0 ? SourceState::NoSignal : SourceState::Running);
            if (i >= 16 * 24)
                QVERIFY2(std::abs(f.beat().bpm() - 120) < 1.2, qPrintable(QString::number(f.beat().bpm())));
        }
        t = f.ticks(400, t + std::llround(nsPerTickAt120), nsPerTickAt120);
        f.send(0xF8, t + 5 * ms); // one tick 5 ms late
        QVERIFY(std::abs(f.beat().bpm() - 120) < 0.1);
        t = f.ticks(24, t + std::llround(2 * nsPerTickAt120), nsPerTickAt120);

        const double nsPerTickAt90 = 60e9 / (90 * 24);
        f.ticks(24, t, nsPerTickAt90);
        QCOMPARE(QString::number(f.beat().bpm(), 'f', 1), QStringLiteral("90.0"));
    }

    // Ticks closer than 0.3 ms or further apart than 3 s are no clock: the
    // runs hold until two good ticks came again. The tempo is held to 20..300.
    void badTicksCountAsNoClock()
    {
        Follower f;
        std::int64_t t = f.ticks(30, 0, nsPerTickAt120);
        QCOMPARE(f.beat().state, SourceState::Running);
        f.send(0xF8, t - std::llround(nsPerTickAt120) + 100'000); // 0.1 ms after the last
        QCOMPARE(f.beat().state, SourceState::NoSignal);
        QVERIFY(!f.source.lineAtOrAfter(t, GridDivision::Sixteenth));
        f.send(0xF8, t);
        QCOMPARE(f.beat().state, SourceState::NoSignal);
        t = f.ticks(1, t + std::llround(nsPerTickAt120), nsPerTickAt120);
        QCOMPARE(f.beat().state, SourceState::Running);
        QCOMPARE(QString::number(f.beat().bpm(), 'f', 1), QStringLiteral("120.0"));

        f.send(0xF8, t + 3100 * ms);
        QCOMPARE(f.beat().state, SourceState::NoSignal);
        f.send(0xF8, t + 3100 * ms + std::llround(nsPerTickAt120));
        QCOMPARE(f.beat().state, SourceState::Running);

        Follower fast;
        fast.ticks(30, 0, 60e9 / (400 * 24));
        QCOMPARE(fast.beat().bpm(), 300.0);
        Follower slow;
        slow.ticks(5, 0, 60e9 / (10 * 24));
        QCOMPARE(slow.beat().bpm(), 20.0);
    }

    // A tick lost on the way (a spacing of two) still counts: the lines stay
    // on the ticks they belong to.
    void aLostTickIsCounted()
    {
        Follower f;
        f.send(0xFA, 0);
        const std::int64_t t = f.ticks(30, 1 * ms, nsPerTickAt120); // positions 0..29
        f.send(0xF8, t + std::llround(nsPerTickAt120));             // 30 is lost: this is 31
        QCOMPARE(f.beat().originTick, 31.0);
        QCOMPARE(QString::number(f.beat().bpm(), 'f', 1), QStringLiteral("120.0"));
        QVERIFY(std::abs(*f.source.lineAtOrAfter(t + 2 * std::llround(nsPerTickAt120), GridDivision::Sixteenth) -
                         (1 * ms + std::llround(36 * nsPerTickAt120))) <= 1);
    }

    // Stop holds the runs with the tempo and place kept; half a second
    // without a tick is no clock; Continue goes on counting where it
    // stopped, Song Position moves the count.
    void stopSilenceAndContinue()
    {
        Follower f;
        f.send(0xFA, 0);
        std::int64_t t = f.ticks(30, 1 * ms, nsPerTickAt120); // positions 0..29: bar 1 beat 2
        f.send(0xFC, t);
        SyncStatus s = f.source.status(t + 2000 * ms);
        QCOMPARE(s.state, SourceState::Stopped);
        QCOMPARE(QString::number(s.bpm, 'f', 1), QStringLiteral("120.0"));
        QCOMPARE(s.beat, 2);
        QVERIFY(!f.source.lineAtOrAfter(t, GridDivision::Sixteenth));

        t += 2000 * ms;
        f.send(0xFB, t);
        QCOMPARE(f.source.status(t).state, SourceState::Stopped); // until its first tick
        f.send(0xF8, t + 5 * ms);
        QCOMPARE(f.beat().originTick, 30.0);
        QCOMPARE(f.source.status(t + 5 * ms).state, SourceState::Running);
        // The tempo known before carries the first tick's line.
        QVERIFY(std::abs(*f.source.lineAtOrAfter(t + 6 * ms, GridDivision::Sixteenth) -
                         (t + 5 * ms + std::llround(6 * nsPerTickAt120))) <= 1);
        QCOMPARE(f.source.status(t + 5 * ms + 499 * ms).state, SourceState::Running);
        QCOMPARE(f.source.status(t + 5 * ms + 501 * ms).state, SourceState::NoSignal);

        const std::uint8_t songPosition[] = {0xF2, 8, 0}; // the 9th sixteenth: bar 1 beat 3
        f.tracker.take(songPosition, 3, t + 600 * ms);
        f.send(0xFB, t + 601 * ms);
        f.send(0xF8, t + 602 * ms);
        QCOMPARE(f.beat().originTick, 48.0);
        QCOMPARE(f.source.status(t + 602 * ms).beat, 3);
    }

    // The JACK transport's bar, beat and tick as clock ticks from bar 1
    // beat 1: rolling runs, stopped stands, no timebase master is no beat.
    void theTransportsBarAndBeatMakeItsBeat()
    {
        jack_position_t position{};
        position.valid = JackPositionBBT;
        position.bar = 5;
        position.beat = 2;
        position.tick = 960;
        position.ticks_per_beat = 1920;
        position.beats_per_bar = 3;
        position.beats_per_minute = 128;
        const std::int64_t at = 5000 * ms;
        const BeatTimeline rolling = transportBeat(JackTransportRolling, position, at);
        QCOMPARE(rolling.state, SourceState::Running);
        QCOMPARE(rolling.originTick, (4 * 3 + 1 + 0.5) * 24);
        QCOMPARE(rolling.bpm(), 128.0);
        int bar = 0, beat = 0;
        rolling.barAndBeatAt(at, bar, beat);
        QCOMPARE(bar, 5);
        QCOMPARE(beat, 2);
        // The next 1/16 line is the tick after the half beat's: a quarter of
        // a beat on, at 128 bpm 117.2 ms.
        QCOMPARE(rolling.lineAtOrAfter(at + 1 * ms, GridDivision::Sixteenth), at + std::llround(60e9 / 128 / 4));
        QCOMPARE(transportBeat(JackTransportStopped, position, at).state, SourceState::Stopped);
        QCOMPARE(transportBeat(JackTransportStarting, position, at).state, SourceState::Stopped);
        position.valid = jack_position_bits_t(0);
        QCOMPARE(transportBeat(JackTransportRolling, position, at).state, SourceState::NoSignal);
    }
};

QTEST_GUILESS_MAIN(OutsideBeatsTest)
#include "test_outside_beats.moc"
