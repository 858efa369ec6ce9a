#include "engine_fakes.h"

#include <QtTest>
#include <limits>

using namespace quorvane;
using namespace quorvane::testing;

namespace {

constexpr std::int64_t ms = 1'000'000;

// A beat of the test's own: 120 bpm (a line of 1/16 every 125 ms) from a
// moment the test chooses, running while the test says so.
class ScriptedSource : public SyncSource {
public:
    explicit ScriptedSource(std::int64_t originNs)
    {
        timeline.state = SourceState::Running;
        timeline.originNs = originNs;
        timeline.nsPerTick = 125.0 * ms / 6;
    }
    SyncStatus status(std::int64_t nowNs) const override
    {
        return {runs(nowNs) ? SourceState::Running : SourceState::Stopped, 120, 1, 1};
    }
    std::optional<std::int64_t> lineAtOrAfter(std::int64_t timeNs, GridDivision division) const override
    {
        if (!runs(timeNs))
            return std::nullopt;
        return timeline.lineAtOrAfter(timeNs, division);
    }
    bool runs(std::int64_t nowNs) const { return !stoppedFrom || nowNs < *stoppedFrom || nowNs >= runsAgainAt; }

    BeatTimeline timeline;
    std::optional<std::int64_t> stoppedFrom;
    std::int64_t runsAgainAt = 0;
};

class RecordedMarks : public RunMarks {
public:
    void runStarted(std::int64_t firstPassNs) override { marks.push_back(firstPassNs); }
    void runEnded() override { marks.push_back(-1); }
    std::vector<std::int64_t> marks;
};

} // namespace

// When the messages of a run are meant to be heard: each pass at the deadline
// of the pause before it, counted from the deadline before that, whatever the
// user-interface thread's own lateness; the pause ends ahead by the output's
// lead; a stalled run starts afresh instead of catching up.
class PassTimeTest : public QObject {
    Q_OBJECT

    std::unique_ptr<Rig> rig;

    // The times the note-ons on the wire were sent for, in ms from start
    // (-1 for one sent untimed).
    std::vector<double> noteOnTimes(std::int64_t startNs) const
    {
        std::vector<double> times;
        for (const auto& m : rig->out->wire)
            if (m.bytes[2] != 0)
                times.push_back(m.atNs ? double(*m.atNs - startNs) / ms : -1);
        return times;
    }

private slots:
    void init()
    {
        rig = std::make_unique<Rig>();
        rig->panel.check(controls::RandomDelay, 0);
        rig->panel.texts[controls::Delay] = "50";
    }

    void passesChainFromDeadlineToDeadlineWhateverTheThreadsLateness()
    {
        // A JACK-like output: heard one period (5 ms) after an untimed send,
        // handed over one period and a margin (9 ms) ahead.
        rig->out->latency = 5 * ms;
        rig->out->leadNs = 9 * ms;
        const std::int64_t start = rig->host.clockNs;
        std::vector<std::int64_t> pauseEnds;
        rig->host.onPause = [&](long long) { pauseEnds.push_back(rig->host.clockNs - start); };
        // Every pass's yield comes late: 3 ms, then 7 ms.
        rig->stopAtYield(13, false);
        auto stopAt13 = rig->host.onYield;
        rig->host.onYield = [&](int y) {
            rig->host.clockNs += y % 2 ? 3 * ms : 7 * ms;
            stopAt13(y);
        };
        rig->composer->runWondrousness();

        // The first pass plays when the run starts (its yield was 3 ms
        // late: the run starts afresh there), each after it 50 ms later,
        // heard one period on.
        QCOMPARE(noteOnTimes(start), (std::vector<double>{8, 58, 108, 158}));
        // Each pause ends the lead ahead of its deadline.
        QCOMPARE(pauseEnds, (std::vector<std::int64_t>{44 * ms, 94 * ms, 144 * ms, 194 * ms}));
        // The note-off that ends the run, sent after the last pass, goes as
        // soon as possible.
        QVERIFY(!rig->out->wire.back().atNs);
        QCOMPARE(rig->out->wire.back().bytes[2], std::uint8_t(0));
    }

    void aStalledRunStartsAfreshInsteadOfCatchingUp()
    {
        const std::int64_t start = rig->host.clockNs;
        rig->stopAtYield(13, false);
        auto stopAt13 = rig->host.onYield;
        rig->host.onYield = [&](int y) {
            if (y == 5) // a modal dialog held the run for 400 ms: 8 notes' worth
                rig->host.clockNs += 400 * ms;
            stopAt13(y);
        };
        rig->composer->runWondrousness();
        // Pass 5 plays when the thread goes on, the next 50 ms after it: no
        // burst of the notes the stall held back.
        QCOMPARE(noteOnTimes(start), (std::vector<double>{0, 450, 500, 550}));
    }

    void lateBelowTheWaitKeepsTheSpacing()
    {
        // A pass 20 ms late (under the 50 ms wait) is sent late, but the next
        // one keeps to the grid of the deadlines.
        const std::int64_t start = rig->host.clockNs;
        rig->stopAtYield(9, false);
        auto stopAt9 = rig->host.onYield;
        rig->host.onYield = [&](int y) {
            if (y == 5)
                rig->host.clockNs += 20 * ms;
            stopAt9(y);
        };
        rig->composer->runWondrousness();
        QCOMPARE(noteOnTimes(start), (std::vector<double>{0, 50, 100}));
        QCOMPARE(rig->host.pauses, (std::vector<long long>{50, 30, 50}));
    }

    void noDelayPlaysEveryPassWhenItComes()
    {
        rig->panel.texts[controls::Delay] = "0";
        const std::int64_t start = rig->host.clockNs;
        rig->stopAtYield(9, false);
        auto stopAt9 = rig->host.onYield;
        rig->host.onYield = [&](int y) {
            rig->host.clockNs += 2 * ms; // each pass takes its time
            stopAt9(y);
        };
        rig->composer->runWondrousness();
        QCOMPARE(noteOnTimes(start), (std::vector<double>{2, 10, 18}));
    }

    void sendsOutsideAPassGoAtOnce()
    {
        // The test note, the patch list, input forwarded during a pause and
        // the note-off of a stopped run are no part of a pass: sent as soon
        // as possible.
        rig->stopAtYield(3, false);
        rig->host.onPause = [&](long long) { rig->composer->testNote(60); };
        rig->composer->runWondrousness();
        rig->composer->patchSelected(5);
        QStringList sent;
        for (const auto& m : rig->out->wire)
            sent << hexText(m.bytes) + (m.atNs ? QStringLiteral(" timed") : QString());
        QCOMPARE(sent, QStringList({"90 00 00 timed", "90 1e 3c timed", "90 3c 3c", "90 1e 00 timed",
                                    "90 0f 00 timed", "90 2e 00", "c0 05"}));
    }

    // With delay 60 at 120 bpm on 1/16 every pause ends on the next line; with
    // 300, on the third. The first note falls on the line after "Do it".
    void gridPausesEndOnLines_data()
    {
        QTest::addColumn<QString>("delay");
        QTest::addColumn<std::vector<double>>("noteOns");
        QTest::newRow("delay 60") << "60" << std::vector<double>{120, 245, 370, 495};
        QTest::newRow("delay 300") << "300" << std::vector<double>{120, 495, 870, 1245};
        QTest::newRow("delay 0") << "0" << std::vector<double>{120, 245, 370, 495};
    }

    void gridPausesEndOnLines()
    {
        QFETCH(QString, delay);
        QFETCH(std::vector<double>, noteOns);
        rig->panel.texts[controls::Delay] = delay;
        rig->out->latency = 5 * ms; // not added on a grid: the line is the moment
        rig->out->leadNs = 9 * ms;
        const std::int64_t start = rig->host.clockNs;
        ScriptedSource source(start - 130 * ms); // "Do it" 5 ms past a line
        rig->composer->setGrid(&source, GridDivision::Sixteenth);
        rig->stopAtYield(13, false);
        rig->composer->runWondrousness();
        // The line 120 ms ahead is the first after the lead.
        QCOMPARE(noteOnTimes(start), noteOns);
    }

    void aRunWhoseFirstLineLiesAheadStartsOnIt()
    {
        // An output that plays what it is handed at once: the thread wakes
        // for the first line a little after it, and the pass is still that
        // line's, not the next one's.
        const std::int64_t start = rig->host.clockNs;
        ScriptedSource source(start - 5 * ms);
        rig->composer->setGrid(&source, GridDivision::Sixteenth);
        rig->stopAtYield(5, false);
        rig->host.onPause = [&](long long) { rig->host.clockNs += 2 * ms; }; // each wake-up a little late
        rig->composer->runWondrousness();
        QCOMPARE(noteOnTimes(start).front(), 120.0);
    }

    void randomDelaysVaryHowManyLinesPass()
    {
        rig->panel.check(controls::RandomDelay, 1);
        rig->panel.texts[controls::Delay] = "300";
        rig->host.randoms = {0.0f, 0.5f, 0.99f};
        const std::int64_t start = rig->host.clockNs;
        ScriptedSource source(start);
        rig->composer->setGrid(&source, GridDivision::Eighth); // a line every 250 ms
        rig->stopAtYield(9, false);
        rig->composer->runWondrousness();
        // Waits drawn: 0 (the next line), 150 (the next), 297 (the second).
        QCOMPARE(noteOnTimes(start), (std::vector<double>{0, 250, 500}));
        QCOMPARE(rig->host.pauses, (std::vector<long long>{250, 250, 500}));
    }

    // Where a line lies is asked again at hand-over, and the answer wins
    // when it is the same line: an outside beat's pace is known better the
    // later it is asked. The next lines count on from there.
    void theLineIsToldAgainAtHandOver()
    {
        rig->panel.texts[controls::Delay] = "60";
        const std::int64_t start = rig->host.clockNs;
        ScriptedSource source(start);
        rig->composer->setGrid(&source, GridDivision::Sixteenth);
        rig->host.onPause = [&](long long) {
            if (rig->host.pauses.size() == 1)
                source.timeline.originNs += 3 * ms; // the beat runs 3 ms later than told
        };
        rig->stopAtYield(13, false);
        rig->composer->runWondrousness();
        QCOMPARE(noteOnTimes(start), (std::vector<double>{0, 128, 253, 378}));
    }

    void aStoppedSourceHoldsTheRunWithNoNoteSounding()
    {
        const std::int64_t start = rig->host.clockNs;
        ScriptedSource source(start);
        source.stoppedFrom = start + 300 * ms; // after the third note
        source.runsAgainAt = start + 1010 * ms;
        rig->composer->setGrid(&source, GridDivision::Sixteenth);
        rig->stopAtYield(400, false); // the hold yields every 5 ms
        rig->composer->runWondrousness();
        QStringList sent;
        for (const auto& m : rig->out->wire)
            if (m.bytes[2] != 0 || !m.atNs)
                sent << hexText(m.bytes) + (m.atNs ? QStringLiteral(" at %1").arg(*m.atNs / ms - start / ms) : "");
        // Notes at 0, 125 and 250; at the pass of 375 the source has
        // stopped: the note of 250 is switched off at once, and the run goes
        // on at the line after the source runs again (1125), on time.
        QCOMPARE(sent.mid(0, 5), QStringList({"90 1e 3c at 0", "90 46 3c at 125", "90 21 3c at 250",
                                              "90 21 00", "90 4c 3c at 1125"}));
    }

    void stopItWorksWhileTheRunHolds()
    {
        const std::int64_t start = rig->host.clockNs;
        ScriptedSource source(start);
        source.stoppedFrom = start; // never runs
        source.runsAgainAt = std::numeric_limits<std::int64_t>::max();
        rig->composer->setGrid(&source, GridDivision::Sixteenth);
        rig->host.onYield = [&](int y) {
            if (y == 20)
                rig->composer->stopWondrousness();
        };
        rig->composer->runWondrousness();
        QVERIFY(!rig->composer->wondrousRunning());
        QCOMPARE(rig->host.yields, 20);
        // Nothing was played but the note-off that ends every run.
        QCOMPARE(rig->wire(), QStringList({"90 00 00"}));
    }

    void theClockIsToldOfTheFirstStartAndTheLastEnd()
    {
        RecordedMarks marks;
        rig->composer->setRunMarks(&marks);
        const std::int64_t start = rig->host.clockNs;
        ScriptedSource source(start - 130 * ms);
        rig->composer->setGrid(&source, GridDivision::Sixteenth);
        rig->out->leadNs = 9 * ms;
        // Mixmaster started from inside the Wondrousness run shares it.
        rig->host.onYield = [&](int y) {
            if (y == 2)
                rig->composer->runMixmaster();
            if (y == 4)
                rig->composer->stopMixmaster();
            if (y == 6)
                rig->composer->stopWondrousness();
        };
        rig->composer->runWondrousness();
        QCOMPARE(marks.marks, (std::vector<std::int64_t>{start + 120 * ms, -1}));
    }
};

QTEST_GUILESS_MAIN(PassTimeTest)
#include "test_pass_time.moc"
