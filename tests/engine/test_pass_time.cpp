#include "engine_fakes.h"

#include <QtTest>

using namespace quorvane;
using namespace quorvane::testing;

namespace {

constexpr std::int64_t ms = 1'000'000;

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
};

QTEST_GUILESS_MAIN(PassTimeTest)
#include "test_pass_time.moc"
