#include "sync/own_tempo.h"
#include "sync/snapshot_cell.h"

#include <QtTest>

#include <atomic>
#include <thread>

using namespace quorvane;

namespace {

constexpr std::int64_t ms = 1'000'000;

} // namespace

class SyncCoreTest : public QObject {
    Q_OBJECT

private slots:
    void linesFallOnEveryNthTickFromTheStart()
    {
        BeatTimeline beat;
        beat.state = SourceState::Running;
        beat.originNs = 1000 * ms;
        beat.originTick = 2; // the source started two ticks before origin
        beat.nsPerTick = 125.0 * ms / 6; // 120 bpm
        QCOMPARE(beat.bpm(), 120.0);
        // 1/16: ticks 0, 6, 12...: tick 6 is 4 ticks after origin.
        const std::int64_t tick6 = 1000 * ms + 4 * 125 * ms / 6;
        QCOMPARE(beat.lineAtOrAfter(1000 * ms, GridDivision::Sixteenth), tick6);
        QCOMPARE(beat.lineAtOrAfter(tick6, GridDivision::Sixteenth), tick6); // on the line
        QCOMPARE(beat.lineAtOrAfter(tick6 - 1, GridDivision::Sixteenth), tick6);
        // A moment a hair past the line (rounding to whole ns) is still on it.
        QCOMPARE(beat.lineAtOrAfter(tick6 + 1, GridDivision::Sixteenth), tick6);
        QCOMPARE(beat.lineAtOrAfter(tick6 + 1000, GridDivision::Sixteenth), tick6 + 125 * ms);
        // 1/4 at tick 24, 1/32 at tick 3.
        QCOMPARE(beat.lineAtOrAfter(1000 * ms, GridDivision::Quarter), 1000 * ms + 22 * 125 * ms / 6);
        QCOMPARE(beat.lineAtOrAfter(1000 * ms, GridDivision::ThirtySecond), 1000 * ms + 125 * ms / 6);
        // Lines before the origin are where the same straight line puts them.
        QCOMPARE(beat.lineAtOrAfter(900 * ms, GridDivision::Eighth), 1000 * ms - std::llround(2 * 125e6 / 6));
    }

    void barAndBeatCountFromOne()
    {
        BeatTimeline beat;
        beat.nsPerTick = 500.0 * ms / 24; // a beat every 500 ms
        int bar = 0, b = 0;
        beat.barAndBeatAt(0, bar, b);
        QCOMPARE((std::pair{bar, b}), (std::pair{1, 1}));
        beat.barAndBeatAt(1999 * ms, bar, b);
        QCOMPARE((std::pair{bar, b}), (std::pair{1, 4}));
        beat.barAndBeatAt(2000 * ms, bar, b);
        QCOMPARE((std::pair{bar, b}), (std::pair{2, 1}));
        beat.beatsPerBar = 3;
        beat.barAndBeatAt(2000 * ms, bar, b);
        QCOMPARE((std::pair{bar, b}), (std::pair{2, 2}));
    }

    // A new tempo starts at a tick of the old one shortly ahead: the ticks
    // already on their way keep their moments, the count goes on, and the
    // lines stay on the same ticks of the bar.
    void aTempoChangeKeepsTheTicksAlreadyOnTheirWay()
    {
        const std::int64_t start = 10'000 * ms;
        OwnTempo tempo(start);
        QCOMPARE(tempo.bpm(), 120.0);
        const BeatTimeline before = tempo.timeline().load();
        const std::int64_t changeAt = start + 1000 * ms; // tick 48 exactly
        tempo.setBpm(90, changeAt);
        const BeatTimeline after = tempo.timeline().load();
        QCOMPARE(after.bpm(), 90.0);
        // In effect from the first tick 50 ms on (tick 51: 50 ms is 2.4 ticks).
        QCOMPARE(after.originTick, 51.0);
        QCOMPARE(after.originNs, before.timeOfTick(51));
        for (double tick : {40.0, 48.0, 51.0})
            QCOMPARE(after.timeOfTick(tick) == before.timeOfTick(tick), tick == 51.0);
        QCOMPARE(after.timeOfTick(52) - after.timeOfTick(51), std::int64_t(60e9 / 90 / 24 + 0.5));
        // The next 1/16 line is tick 54, at the new tempo.
        QCOMPARE(tempo.lineAtOrAfter(after.originNs, GridDivision::Sixteenth), after.timeOfTick(54));
    }

    void theTempoIsHeldTo20To300()
    {
        OwnTempo tempo(0);
        tempo.setBpm(1000, 0);
        QCOMPARE(tempo.bpm(), 300.0);
        tempo.setBpm(0.5, 0);
        QCOMPARE(tempo.bpm(), 20.0);
        tempo.setBpm(std::numeric_limits<double>::quiet_NaN(), 0);
        QCOMPARE(tempo.bpm(), 20.0);
        tempo.setBpm(97.3, 0);
        QCOMPARE(tempo.status(0).state, SourceState::Running);
        QCOMPARE(tempo.status(0).bpm, 97.3);
    }

    // Readers on other threads never see half of one store and half of the
    // next, however often the writer stores.
    void aSnapshotIsNeverReadTorn()
    {
        struct Pair {
            std::int64_t a;
            std::int64_t b; // always -a
            double c;       // always a / 2
        };
        SnapshotCell<Pair> cell(Pair{0, 0, 0});
        std::atomic<bool> done{false};
        std::atomic<bool> reading{false};
        std::thread writer([&] {
            while (!reading) { }
            for (std::int64_t i = 1; i < 300'000; ++i)
                cell.store(Pair{i, -i, i / 2.0});
            done = true;
        });
        long torn = 0;
        reading = true;
        while (!done) {
            Pair p{};
            if (cell.tryLoad(p))
                torn += p.b != -p.a || p.c != p.a / 2.0;
            const Pair q = cell.load();
            torn += q.b != -q.a || q.c != q.a / 2.0;
        }
        writer.join();
        QCOMPARE(torn, 0L);
        QCOMPARE(cell.load().a, 299'999);
    }
};

QTEST_GUILESS_MAIN(SyncCoreTest)
#include "test_sync_core.moc"
