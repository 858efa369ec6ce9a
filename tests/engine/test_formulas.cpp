#include "engine_fakes.h"

#include <QtTest>
#include <cmath>
#include <limits>
#include <random>

using namespace quorvane;
using namespace quorvane::testing;

using Bold = std::vector<std::pair<Formula, bool>>;

class FormulasTest : public QObject {
    Q_OBJECT

    std::unique_ptr<Rig> rig;

    FakePanel& panel() { return rig->panel; }
    ScriptedHost& host() { return rig->host; }
    Composer& composer() { return *rig->composer; }

private slots:
    void init() { rig = std::make_unique<Rig>(); }
    void cleanup()
    {
        QVERIFY2(panel().unknownNames.isEmpty(), qPrintable(panel().unknownNames.join(", ")));
        QVERIFY2(!host().runaway, "a loop did not stop");
        rig.reset();
    }

    // From the default start note 60, modulo on, pitch only, note-off on:
    // 30, 15, 46, 23, 70, 35, 106, 53, 33 (160 Mod 127), 100, 50, 25. A note
    // on every fourth pass, a note-off on every pass, and the last note
    // switched off when the run stops.
    void wondrousnessFrom60TwelvePassesOnTheWire()
    {
        rig->stopAtYield(12, false);
        composer().runWondrousness();
        QCOMPARE(host().yields, 12);
        QCOMPARE(rig->wire(), QStringList({
                                  "90 00 00", "90 1e 3c", // 1: 30 (off: nothing played yet, reads 0)
                                  "90 1e 00",             // 2: 15
                                  "90 0f 00",             // 3: 46
                                  "90 2e 00",             // 4: 23
                                  "90 17 00", "90 46 3c", // 5: 70
                                  "90 46 00",             // 6: 35
                                  "90 23 00",             // 7: 106
                                  "90 6a 00",             // 8: 53
                                  "90 35 00", "90 21 3c", // 9: 33
                                  "90 21 00",             // 10: 100
                                  "90 64 00",             // 11: 50
                                  "90 32 00",             // 12: 25
                                  "90 19 00",             // stop: 25 off
                              }));
        QCOMPARE(rig->seen, QStringList({"60", "30", "15", "46", "23", "70", "35", "106", "53", "33", "100", "50"}));
        QCOMPARE(composer().startNote().toText(), QStringLiteral("25"));
        QCOMPARE(composer().startNoteOff().toText(), QStringLiteral("25"));
        QCOMPARE(composer().prevStartNote().toText(), QStringLiteral("50"));
        QCOMPARE(panel().shownIn(controls::result(Mode::Pitch)), QStringList({"30", "70", "33"}));
        QCOMPARE(host().pauses, (std::vector<long long>{30, 30, 30})); // random delay, r = 0.5
        QCOMPARE(panel().boldLog, (Bold{{Formula::Wondrousness, true}, {Formula::Wondrousness, false}}));
        QVERIFY(panel().redMarks.isEmpty());
        QVERIFY(!composer().wondrousRunning());
        // The first pass's note-off and note as written to the component.
        QCOMPARE(rig->out->writeLog().mid(0, 10),
                 QStringList({"Status=144", "Data2=0", "Data1=", "Auxiliary=0", "Action=7", "Status=144", "Data2=60",
                              "Data1=30", "Auxiliary=0", "Action=7"}));
    }

    // Each pass reports its number before and after the fold under the
    // formula that computed it: Wondrousness folds by 127, Mixmaster by the
    // modulo box.
    void passesAreReportedUnderTheirFormula()
    {
        struct Passes : PassObserver {
            QStringList seen;
            void passComputed(Formula formula, double computed, double folded) override
            {
                seen << QStringLiteral("%1 %2>%3")
                            .arg(formula == Formula::Mixmaster ? "M" : "W")
                            .arg(computed)
                            .arg(folded);
            }
        } passes;
        composer().setObserver(&passes);
        rig->stopAtYield(9, false);
        composer().runWondrousness();
        QCOMPARE(passes.seen, QStringList({"W 30>30", "W 15>15", "W 46>46", "W 23>23", "W 70>70", "W 35>35",
                                           "W 106>106", "W 53>53", "W 160>33"}));

        passes.seen.clear();
        panel().texts[controls::Modulo] = QStringLiteral("10");
        host().randoms = {100.25f / 128.0f};
        rig->stopAtYield(12, true);
        composer().runMixmaster();
        // 100.25: 100, then 1 / 0.25 = 4, whose fraction 0 starts afresh.
        QCOMPARE(passes.seen.mid(0, 2), QStringList({"M 100>0", "M 4>4"}));
        composer().setObserver(nullptr);
    }

    void roundRobinGivesEachModeItsTurn()
    {
        rig->setModes(1, 0, 1, 1);
        panel().check(controls::UseNoteOff, 0);
        rig->stopAtYield(8, false);
        composer().runWondrousness();
        QCOMPARE(rig->wire(), QStringList({
                                  "90 1e 3c", // 1: 30 pitch
                                              // 2: 15, velocity off: nothing, no pause
                                  "c0 2e",    // 3: 46 programme
                                  "b0 0a 17", // 4: 23 pan
                                  "90 46 3c", // 5: 70 pitch
                                  "c0 6a",    // 7: 106 programme
                                  "b0 0a 35", // 8: 53 pan
                              }));
        QCOMPARE(host().pauses.size(), std::size_t(6));
        QCOMPARE(panel().texts[controls::result(Mode::ProgrammeChange)], QStringLiteral("106"));
        QCOMPARE(panel().texts[controls::result(Mode::Pan)], QStringLiteral("53"));
        QCOMPARE(panel().texts[controls::result(Mode::Velocity)], QStringLiteral("60")); // never played
    }

    void uncheckingAModeWhileRunningTakesEffectNextPass()
    {
        host().onYield = [this](int y) {
            if (y == 3)
                rig->setModes(0, 0, 0, 0);
            if (y == 8)
                composer().stopWondrousness();
        };
        composer().runWondrousness();
        QCOMPARE(rig->wire().filter(QStringLiteral("3c")).size(), 1); // only pass 1 played
        QCOMPARE(panel().texts[controls::ModeFlags], QStringLiteral(", 0, 0, 0, 0"));
    }

    void transpositionFeedsBackIntoTheSequence()
    {
        panel().texts[controls::transposition(Mode::Pitch)] = "12";
        panel().check(controls::UseModulo, 0);
        panel().check(controls::UseNoteOff, 0);
        rig->stopAtYield(8, false);
        composer().runWondrousness();
        // 30 + 12 = 42 is what the next pass halves, not 30.
        QCOMPARE(rig->seen, QStringList({"60", "42", "21", "64", "32", "28", "14", "7"}));
        QCOMPARE(rig->wire(), QStringList({"90 2a 3c", "90 1c 3c"}));
    }

    void displayOffKeepsTheLastVelocity()
    {
        rig->setModes(1, 1, 0, 0);
        panel().check(controls::DisplayResults, 0);
        panel().check(controls::UseNoteOff, 0);
        rig->stopAtYield(6, false);
        composer().runWondrousness();
        QCOMPARE(rig->wire(), QStringList({"90 1e 3c", "90 00 0f", "90 46 3c", "90 00 23"}));
        QCOMPARE(panel().texts[controls::result(Mode::Pitch)], QStringLiteral("0"));
        QCOMPARE(panel().texts[controls::result(Mode::Velocity)], QStringLiteral("60"));

        // With display on, the velocity mode's value becomes the next velocity.
        rig = std::make_unique<Rig>();
        rig->setModes(1, 1, 0, 0);
        panel().check(controls::UseNoteOff, 0);
        rig->stopAtYield(6, false);
        composer().runWondrousness();
        QCOMPARE(rig->wire(), QStringList({"90 1e 3c", "90 1e 0f", "90 46 0f", "90 46 23"}));
    }

    void allModesOffSendsOnlyNoteOffsAndNeverPauses()
    {
        rig->setModes(0, 0, 0, 0);
        rig->stopAtYield(10, false);
        composer().runWondrousness();
        QCOMPARE(rig->wire().size(), 11);
        for (const QString& message : rig->wire())
            QVERIFY2(message.startsWith("90 ") && message.endsWith(" 00"), qPrintable(message));
        QVERIFY(host().pauses.empty());
        QCOMPARE(host().draws, 0);
        QVERIFY(panel().shown.size() == 5); // TextDoMode only
    }

    void sixtyThreeIsMarkedRedAndRestartsWhenItStays()
    {
        panel().texts[controls::StartNote] = "126";
        panel().check(controls::RandomDelay, 0);
        host().randoms = {0.25f};
        rig->stopAtYield(3, false);
        composer().runWondrousness();
        // 126 -> 63 (red); 63 -> 190 Mod 127 = 63 (red, unchanged: restart at
        // floor(128 * 0.25) = 32); 32 -> 16.
        QCOMPARE(rig->seen, QStringList({"126", "63", "32"}));
        QCOMPARE(panel().redMarks, QStringList({controls::result(Mode::Pitch), controls::result(Mode::Pitch)}));
        QCOMPARE(host().draws, 1);
        // The note-off of pass 3 refers to the 63 played before the restart.
        QCOMPARE(rig->wire(), QStringList({"90 00 00", "90 3f 3c", "90 3f 00", "90 3f 00", "90 10 00"}));
    }

    void oneOrBelowRestartsFromARandomNote()
    {
        panel().texts[controls::StartNote] = "4";
        panel().check(controls::RandomDelay, 0);
        host().randoms = {0.5f};
        rig->stopAtYield(4, false);
        composer().runWondrousness();
        // 4 -> 2 -> 1: restart at floor(128 * 0.5) = 64 in the same pass.
        QCOMPARE(rig->seen, QStringList({"4", "2", "64", "32"}));
        QCOMPARE(composer().startNote().toText(), QStringLiteral("16"));

        for (const char* start : {"0", "-7", "0.4"}) {
            rig = std::make_unique<Rig>();
            panel().texts[controls::StartNote] = start;
            panel().check(controls::RandomDelay, 0);
            host().randoms = {0.75f};
            rig->stopAtYield(2, false);
            composer().runWondrousness();
            QCOMPARE(rig->seen.last(), QStringLiteral("96"));
        }
    }

    void anOverflowedWondrousValueRestarts()
    {
        rig->setModes(1, 1, 0, 0);
        panel().texts[controls::transposition(Mode::Pitch)] = "1.7e308";
        panel().texts[controls::transposition(Mode::Velocity)] = "1.7e308";
        panel().check(controls::UseModulo, 0);
        panel().check(controls::RandomDelay, 0);
        host().randoms = {0.5f};
        rig->stopAtYield(3, false);
        composer().runWondrousness();
        // Pass 2: 8.5e307 + 1.7e308 overflows; it is played (clamped) and
        // then the formula starts afresh instead of tripling infinity.
        QCOMPARE(rig->seen, QStringList({"60", "1.7E+308", "64"}));
        QCOMPARE(panel().texts[controls::result(Mode::Velocity)], QStringLiteral("Infinity"));
        QCOMPARE(rig->wire().mid(3, 1), QStringList({"90 7f 7f"}));
        QCOMPARE(composer().startNote().toText(), QStringLiteral("32"));
    }

    void aStartNoteWithDecimalsRoundsForTheParityTest()
    {
        panel().texts[controls::StartNote] = "60.5";
        panel().check(controls::UseModulo, 0); // the fold would make it whole again
        rig->stopAtYield(1, false);
        composer().runWondrousness();
        QCOMPARE(panel().texts[controls::result(Mode::Pitch)], QStringLiteral("30.25"));
        QCOMPARE(rig->wire().at(1), QStringLiteral("90 1e 3c"));
    }

    void aStartNoteThatIsNoNumberStartsNothing()
    {
        for (const char* start : {"sixty", ""}) {
            rig = std::make_unique<Rig>();
            panel().texts[controls::StartNote] = start;
            composer().runWondrousness();
            QCOMPARE(panel().messages.size(), 1);
            QVERIFY(panel().messages.first().contains("start note must be a number"));
            QVERIFY(panel().isMarked(controls::StartNote));
            QCOMPARE(host().yields, 0);
            QVERIFY(rig->wire().isEmpty());
            QVERIFY(panel().boldLog.empty());
            QVERIFY(!composer().wondrousRunning());
            QVERIFY(composer().startNote().isEmpty());
        }
        panel().texts[controls::StartNote] = " 1e2 "; // a number in any decimal form
        rig->stopAtYield(1, false);
        composer().runWondrousness();
        QVERIFY(!panel().isMarked(controls::StartNote));
        QCOMPARE(rig->seen, QStringList({" 1e2 "})); // the text until its first use
        QCOMPARE(composer().startNote().toText(), QStringLiteral("50"));
    }

    // Start value 128 * r = 0.5: first number 0, then 1 / 0.5 = 2, whose
    // fractional part is exactly 0: a fresh start value instead of 1 / 0.
    void mixmasterFromAScriptedRandomSource()
    {
        rig->setModes(1, 1, 1, 1);
        panel().check(controls::RandomDelay, 0);
        panel().check(controls::UseNoteOff, 0);
        host().randoms = {0.5f / 128.0f, 10.25f / 128.0f, 0.5f};
        rig->stopAtYield(5, true);
        composer().runMixmaster();
        // 0 | 2 (restart at 10.25) | 10 -> 1/0.25 = 4 | 4 (restart at 64) | 64
        QCOMPARE(rig->wire(), QStringList({"90 00 3c", "90 00 02", "c0 0a", "b0 0a 04", "90 40 02"}));
        QCOMPARE(panel().shownIn(controls::result(Mode::Pitch)), QStringList({"0", "64"}));
        QCOMPARE(panel().shownIn(controls::result(Mode::Velocity)), QStringList({"2"}));
        QCOMPARE(host().draws, 4); // start, two restarts, and 64 restarts too
        QCOMPARE(host().pauses, (std::vector<long long>{60, 60, 60, 60, 60}));
        QCOMPARE(panel().boldLog, (Bold{{Formula::Mixmaster, true}, {Formula::Mixmaster, false}}));
        QVERIFY(!composer().mixRunning());
    }

    // The reciprocal of a tiny fraction overflows: a fresh start as well.
    void mixmasterRestartsWhenTheReciprocalOverflows()
    {
        host().randoms = {std::numeric_limits<float>::denorm_min(), 0.5f};
        panel().check(controls::RandomDelay, 0);
        rig->stopAtYield(2, true);
        composer().runMixmaster();
        QCOMPARE(host().draws, 3); // start, the overflow, and 64's fraction 0
        QCOMPARE(panel().shownIn(controls::result(Mode::Pitch)), QStringList({"0"}));
        QCOMPARE(composer().startNote().toText(), QStringLiteral("64"));
        QCOMPARE(composer().startNote().kind(), Variant::Kind::Number); // folded by the modulo
    }

    void mixmasterNumbersAreSingleWithoutModulo()
    {
        panel().check(controls::UseModulo, 0);
        host().randoms = {100.25f / 128.0f};
        rig->stopAtYield(1, true);
        composer().runMixmaster();
        QCOMPARE(composer().startNote().kind(), Variant::Kind::Single);
        QCOMPARE(panel().shownIn(controls::result(Mode::Pitch)), QStringList({"100"}));
    }

    void mixmasterRunsLongWithoutEnding()
    {
        rig->setModes(1, 1, 1, 1);
        panel().check(controls::UseModulo, 0);
        std::mt19937 generator(7);
        std::uniform_real_distribution<float> uniform(0.0f, 1.0f);
        for (int k = 0; k < 20000; ++k)
            host().randoms.push_back(std::min(uniform(generator), 0.99999994f));
        int finite = 0;
        host().onYield = [&](int y) {
            if (std::isfinite(composer().startNote().numberOr(0.0)))
                ++finite;
            if (y == 3000)
                composer().stopMixmaster();
        };
        composer().runMixmaster();
        QCOMPARE(finite, 3000);
        // One draw to start and one per pause, plus one per restart.
        QVERIFY(host().draws >= 1 + 3000);
        for (const auto& m : rig->out->wire)
            for (std::size_t i = 1; i < m.bytes.size(); ++i)
                QVERIFY(m.bytes[i] < 0x80);
    }

    void mixmasterFoldsByTheModuloBox()
    {
        panel().texts[controls::Modulo] = "10";
        host().randoms = {127.5f / 128.0f};
        panel().check(controls::RandomDelay, 0);
        rig->stopAtYield(1, true);
        composer().runMixmaster();
        QCOMPARE(rig->wire().at(1), QStringLiteral("90 07 3c")); // 127 Mod 10
    }

    // A modulo of 0, an empty one or one that is no number folds nothing
    // and is marked until the box holds a usable number.
    void mixmasterWithAnUnusableModuloDoesNotFold()
    {
        for (const char* modulo : {"0", "", "abc", "0.3"}) {
            rig = std::make_unique<Rig>();
            panel().texts[controls::Modulo] = modulo;
            panel().check(controls::RandomDelay, 0);
            host().randoms = {127.5f / 128.0f};
            host().onYield = [this](int y) {
                if (y == 2) {
                    QVERIFY(panel().isMarked(controls::Modulo));
                    panel().texts[controls::Modulo] = "100";
                }
                if (y == 5)
                    composer().stopMixmaster();
            };
            composer().runMixmaster();
            QCOMPARE(rig->wire().at(1), QStringLiteral("90 7f 3c")); // 127 unfolded
            QVERIFY(!panel().isMarked(controls::Modulo));
            QVERIFY(panel().shownIn(controls::result(Mode::Pitch)).last().toDouble() < 100.0); // folded again
            QVERIFY(!composer().mixRunning());
        }
        // With "Use Modulo" off the box is not read at all.
        rig = std::make_unique<Rig>();
        panel().texts[controls::Modulo] = "abc";
        panel().check(controls::UseModulo, 0);
        rig->stopAtYield(2, true);
        composer().runMixmaster();
        QVERIFY(!panel().isMarked(controls::Modulo));
    }

    // Inside a run, unusable boxes count as their initial design values.
    void unusableBoxesInARunCountAsTheirDesignValues()
    {
        panel().texts[controls::transposition(Mode::Pitch)] = "up";
        panel().texts[controls::result(Mode::Velocity)] = "loud";
        panel().texts[controls::Delay] = "soon";
        panel().check(controls::RandomDelay, 0);
        rig->stopAtYield(1, false);
        composer().runWondrousness();
        QCOMPARE(rig->wire().at(1), QStringLiteral("90 1e 3c"));
        QCOMPARE(host().pauses, (std::vector<long long>{60}));
        QVERIFY(panel().isMarked(controls::transposition(Mode::Pitch)));
        QVERIFY(panel().isMarked(controls::result(Mode::Velocity)));
        QVERIFY(panel().isMarked(controls::Delay));
    }

    // The note sounding at "Stop it" is switched off (with "Note Off" on).
    void stoppingSwitchesOffTheLastNote()
    {
        rig->stopAtYield(1, false);
        composer().runWondrousness();
        QCOMPARE(rig->wire(), QStringList({"90 00 00", "90 1e 3c", "90 1e 00"}));

        rig = std::make_unique<Rig>();
        panel().check(controls::UseNoteOff, 0);
        rig->stopAtYield(1, false);
        composer().runWondrousness();
        QCOMPARE(rig->wire(), QStringList({"90 1e 3c"}));

        rig = std::make_unique<Rig>();
        host().randoms = {60.5f / 128.0f};
        rig->stopAtYield(1, true);
        composer().runMixmaster();
        QCOMPARE(rig->wire(), QStringList({"90 00 00", "90 3c 3c", "90 3c 00"}));
    }

    void theProgramsEndCutsARunShortInTheYield()
    {
        host().onYield = [this](int y) {
            if (y == 3)
                host().ending_ = true;
        };
        composer().runWondrousness();
        // Passes 1 and 2 only; no stop note-off, the caption left alone.
        QCOMPARE(rig->wire(), QStringList({"90 00 00", "90 1e 3c", "90 1e 00"}));
        QCOMPARE(panel().boldLog, (Bold{{Formula::Wondrousness, true}}));
    }

    void theProgramsEndCutsARunShortInThePause()
    {
        host().onPause = [this](long long) { host().ending_ = true; };
        composer().runMixmaster();
        QCOMPARE(host().yields, 1);
        QCOMPARE(rig->wire().size(), 2); // the note-off and the note of pass 1
        QCOMPARE(host().pauses.size(), std::size_t(1));
    }

    void theProgramsEndEndsNestedLoopsToo()
    {
        host().onYield = [this](int y) {
            if (y == 2)
                composer().runWondrousness();
            if (y == 4)
                host().ending_ = true;
        };
        composer().runMixmaster();
        QCOMPARE(host().yields, 4);
        // Mixmaster pass 1 and Wondrousness pass 1 (note-off and note each);
        // neither loop sends anything after the yield that saw the end.
        QCOMPARE(rig->wire().size(), 4);
        QCOMPARE(panel().boldLog, (Bold{{Formula::Mixmaster, true}, {Formula::Wondrousness, true}}));
        composer().runWondrousness(); // a click that arrives while ending starts nothing
        QCOMPARE(rig->wire().size(), 4);
        QCOMPARE(host().yields, 4);
    }

    // A second "Do it" starts a second loop inside the first; they share the
    // flag, so one "Stop it" ends the inner loop and then the outer one after
    // it has finished its pass.
    void aSecondDoItNestsAndOneStopEndsBoth()
    {
        host().onYield = [this](int y) {
            rig->seen << composer().startNote().toText();
            if (y == 2)
                composer().runWondrousness();
            if (y == 4)
                composer().stopWondrousness();
        };
        composer().runWondrousness();
        QCOMPARE(host().yields, 4);
        // outer 1: 60 -> 30 | inner from 60: 30, 15 | outer 2 goes on from 15.
        QCOMPARE(rig->seen, QStringList({"60", "30", "60", "30"}));
        QCOMPARE(rig->wire(), QStringList({
                                  "90 00 00", "90 1e 3c", // outer pass 1
                                  "90 1e 00", "90 1e 3c", // inner pass 1 (turn 0)
                                  "90 1e 00",             // inner pass 2
                                  "90 0f 00",             // inner stop: 15 off
                                  "90 0f 00",             // outer pass 2: 46, turn 1
                                  "90 2e 00",             // outer stop: 46 off
                              }));
        QCOMPARE(composer().startNote().toText(), QStringLiteral("46"));
        QCOMPARE(panel().boldLog,
                 (Bold{{Formula::Wondrousness, true}, {Formula::Wondrousness, true}, {Formula::Wondrousness, false}}));
        QVERIFY(!composer().wondrousRunning());
    }

    // The other formula's "Do it" runs inside this one's yield; this one
    // waits there until the other is stopped.
    void theOtherFormulaNestsInsideTheFirst()
    {
        panel().check(controls::UseNoteOff, 0);
        rig->setModes(0, 0, 0, 0);
        QStringList trace;
        host().onYield = [&](int y) {
            trace << QStringLiteral("%1:%2%3")
                         .arg(y)
                         .arg(composer().mixRunning() ? "M" : "m")
                         .arg(composer().wondrousRunning() ? "W" : "w");
            if (y == 2)
                composer().runWondrousness();
            if (y == 4)
                composer().stopMixmaster(); // Wondrousness goes on
            if (y == 6)
                composer().stopWondrousness();
        };
        composer().runMixmaster();
        QCOMPARE(trace, QStringList({"1:Mw", "2:Mw", "3:MW", "4:MW", "5:mW", "6:mW"}));
        QCOMPARE(panel().boldLog, (Bold{{Formula::Mixmaster, true},
                                        {Formula::Wondrousness, true},
                                        {Formula::Mixmaster, false},
                                        {Formula::Wondrousness, false}}));
        QVERIFY(!composer().mixRunning());
        QVERIFY(!composer().wondrousRunning());
    }
};

QTEST_GUILESS_MAIN(FormulasTest)
#include "test_formulas.moc"
