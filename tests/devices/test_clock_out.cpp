#include "devices/clock_out_plan.h"
#include "devices/jack_clock_out.h"
#include "devices/sequencer_clock.h"
#include "memory_backend.h"
#include "midi/guarded_output.h"
#include "midi/steady_time.h"

#include <QtTest>

using namespace quorvane;

namespace {

constexpr std::int64_t ms = 1'000'000;

ClockOutPlan plan(bool on, bool running, std::uint32_t run, std::int64_t startAt = 0)
{
    ClockOutPlan p;
    p.on = on;
    p.running = running;
    p.runSerial = run;
    p.startAtNs = startAt;
    return p;
}

} // namespace

class ClockOutTest : public QObject {
    Q_OBJECT

private slots:
    // Start right before the first tick at or after the run's first pass,
    // Stop as soon as the run ends, the clock goes off or a new run begins.
    void startAndStopFollowTheRuns()
    {
        ClockStartStop marks;
        QVERIFY(!marks.stopDue(plan(true, false, 0)));
        QVERIFY(!marks.startBefore(0)); // no run: no Start
        QVERIFY(!marks.stopDue(plan(true, true, 1, 100 * ms)));
        QVERIFY(!marks.startBefore(90 * ms));        // a tick before the first pass
        QVERIFY(marks.startBefore(100 * ms));        // the tick of the first line
        QVERIFY(!marks.startBefore(110 * ms));       // once
        QVERIFY(!marks.stopDue(plan(true, true, 1, 100 * ms))); // the same run
        QVERIFY(marks.stopDue(plan(true, true, 2, 500 * ms)));  // a new run: Stop, then its own Start
        QVERIFY(marks.startBefore(600 * ms));
        QVERIFY(marks.stopDue(plan(true, false, 2)));  // the run ended
        QVERIFY(!marks.stopDue(plan(true, false, 2))); // once
        QVERIFY(!marks.stopDue(plan(true, true, 3)));  // nothing started yet: no Stop
        QVERIFY(!marks.stopDue(plan(false, true, 3))); // switched off before its Start
        QVERIFY(!marks.startBefore(10 * ms));
        // Switched on again during that run: it starts afresh.
        QVERIFY(!marks.stopDue(plan(true, true, 3)));
        QVERIFY(marks.startBefore(20 * ms));
        QVERIFY(marks.stopDue(plan(false, true, 3))); // switched off: Stop
    }

    // The JACK callback lets cycles pass unmade while its clock rests, but
    // never while the clock is on, while the Stop of a clock just switched
    // off is owed, or while the runs follow the transport.
    void theJackClockRestsOnlyWithNothingOwed()
    {
        const std::int64_t now = steadyNowNs();
        BeatTimeline beat;
        beat.state = SourceState::Running;
        beat.originNs = now;
        beat.nsPerTick = 60e9 / (120 * 24);
        const SnapshotCell<BeatTimeline> ownBeat(beat);
        SnapshotCell<ClockOutPlan> planCell;
        JackClockOut clock(planCell, &ownBeat, nullptr);
        const auto eventsOfCycle = [&](std::int64_t startNs) {
            clock.makeCycle(JackFrameClock(0, 4800, startNs, 1e9 / 48000), BeatTimeline{});
            JackClockOut::Stream events(clock);
            jack_nframes_t offset = 0;
            return events.nextOffset(offset);
        };
        QVERIFY(clock.resting());
        planCell.store(plan(true, true, 1, now));
        QVERIFY(!clock.resting());
        QVERIFY(eventsOfCycle(now)); // Start and ticks
        planCell.store(plan(false, true, 1));
        QVERIFY(!clock.resting());
        QVERIFY(eventsOfCycle(now + 100 * ms)); // the Stop
        QVERIFY(clock.resting());
        ClockOutPlan followingTransport = plan(false, false, 1);
        followingTransport.follows = ClockFollows::Transport;
        planCell.store(followingTransport);
        QVERIFY(!clock.resting());
    }

    // Under the ALSA sequencer a thread sends the ticks through the guarded
    // output: Start right before the first tick of a run, Stop at its end,
    // and nothing once the clock is off.
    void theSequencersClockThreadSendsTicksStartAndStop()
    {
        auto memory = std::make_unique<MemoryOutputBackend>();
        MemoryOutputBackend& wire = *memory;
        GuardedOutput output(std::move(memory));
        output.open(QStringLiteral("Memory Out A"));
        SnapshotCell<BeatTimeline> beatCell;
        BeatTimeline beat;
        beat.state = SourceState::Running;
        beat.originNs = steadyNowNs();
        beat.nsPerTick = 60e9 / (300 * 24); // 300 bpm: a tick every 8.3 ms
        beatCell.store(beat);
        SnapshotCell<ClockOutPlan> planCell(plan(true, false, 0));
        {
            SnapshotCell<BeatReading> noClockIn;
            SequencerClock clock(planCell, beatCell, noClockIn, nullptr, output);
            QTRY_VERIFY(wire.wire.size() >= 3);
            const std::int64_t start = steadyNowNs() + 30 * ms;
            planCell.store(plan(true, true, 1, start));
            clock.wake();
            QTRY_VERIFY(wire.wireLog().contains(QStringLiteral("fa")));
            planCell.store(plan(true, false, 1));
            clock.wake();
            QTRY_VERIFY(wire.wireLog().contains(QStringLiteral("fc")));
            planCell.store(plan(false, false, 1));
            clock.wake();
            QTRY_VERIFY(!clock.running());
        }
        const QStringList sent = wire.wireLog();
        const int started = int(sent.indexOf(QStringLiteral("fa")));
        QCOMPARE(sent.value(started + 1), QStringLiteral("f8"));
        QCOMPARE(sent.count(QStringLiteral("fa")), 1);
        QCOMPARE(sent.count(QStringLiteral("fc")), 1);
        // Nothing but ticks besides; none after the clock went off.
        QCOMPARE(sent.count(QStringLiteral("f8")), sent.size() - 2);
        const std::size_t count = wire.wire.size();
        QTest::qWait(50);
        QCOMPARE(wire.wire.size(), count);
    }
};

QTEST_GUILESS_MAIN(ClockOutTest)
#include "test_clock_out.moc"
