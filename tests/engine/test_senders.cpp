#include "engine_fakes.h"
#include "engine/input_forwarding.h"
#include "memory_backend.h"

#include <QtTest>

using namespace quorvane;
using namespace quorvane::testing;

namespace {

QStringList fields(const QString& status, const QString& first, const QString& second)
{
    return {status, first, second, QStringLiteral("Auxiliary=0"), QStringLiteral("Action=7")};
}

} // namespace

class SendersTest : public QObject {
    Q_OBJECT

    std::unique_ptr<Rig> rig;

private slots:
    void init() { rig = std::make_unique<Rig>(); }
    void cleanup()
    {
        QVERIFY2(rig->panel.unknownNames.isEmpty(), qPrintable(rig->panel.unknownNames.join(", ")));
        rig.reset();
    }

    // What the MIDI system forwarded in its own thread is not sent again:
    // the patch selector only follows it, and the observer still hears it.
    void forwardedInputIsFollowedNotResent()
    {
        ReceivingMemoryInput receiving;
        MidiInput& input = receiving.input;
        MemoryInputBackend* device = receiving.device;
        struct : PlayObserver {
            QStringList sent;
            void messageSent(const MidiBytes& m, std::int64_t) override { sent << hexText(m); }
        } seen;
        rig->output->setObserver(&seen);
        device->inject({0x90, 60, 100}, true);
        device->inject({0xC0, 12}, true);
        device->inject({0x91, 61, 90}); // by a system that forwards nothing
        device->inject({0xC0, 13});
        forwardInput(input, *rig->output, 0, false, rig->panel);
        QCOMPARE(rig->wire(), QStringList{"91 3d 5a"});
        QCOMPARE(rig->panel.followedPatches, std::vector<int>{12});
        QCOMPARE(rig->panel.selectedPatches, std::vector<int>{13});
        QCOMPARE(seen.sent, QStringList({"90 3c 64", "c0 0c", "91 3d 5a"}));
        QCOMPARE(input.count(), 0);
        rig->output->setObserver(nullptr);
    }

    void pitchOnWritesStatusVelocityNoteThenShowsIt()
    {
        rig->composer->setStartNote(30);
        rig->composer->PitchOn();
        QCOMPARE(rig->out->writeLog(), fields("Status=144", "Data2=60", "Data1=30"));
        QCOMPARE(rig->wire(), QStringList{"90 1e 3c"});
        QCOMPARE(rig->panel.shownIn(controls::result(Mode::Pitch)), QStringList{"30"});
    }

    void velOnTakesItsNoteFromTheFirstResultBox()
    {
        rig->panel.texts[controls::result(Mode::Pitch)] = "64";
        rig->composer->setStartNote(100);
        rig->composer->VelOn();
        QCOMPARE(rig->out->writeLog(), fields("Status=144", "Data2=100", "Data1=64"));
        QCOMPARE(rig->wire(), QStringList{"90 40 64"});
        QCOMPARE(rig->panel.shownIn(controls::result(Mode::Velocity)), QStringList{"100"});
    }

    void progOnPasses200AndTheComponentClampsIt()
    {
        rig->composer->setStartNote(200);
        rig->composer->ProgOn();
        QCOMPARE(rig->out->writeLog(), fields("Status=192", "Data1=200", "Data2=0"));
        QCOMPARE(rig->wire(), QStringList{"c0 7f"});
        QCOMPARE(rig->panel.shownIn(controls::result(Mode::ProgrammeChange)), QStringList{"200"});
    }

    void panOnIsController10()
    {
        rig->composer->setStartNote(64);
        rig->composer->PanOn();
        QCOMPARE(rig->out->writeLog(), fields("Status=176", "Data1=10", "Data2=64"));
        QCOMPARE(rig->wire(), QStringList{"b0 0a 40"});
        QCOMPARE(rig->panel.shownIn(controls::result(Mode::Pan)), QStringList{"64"});
    }

    void pitchOffIsANoteOnWithVelocity0()
    {
        rig->composer->PitchOff(); // nothing played yet: empty reads as 0
        rig->composer->setStartNoteOff(30);
        rig->composer->PitchOff();
        QCOMPARE(rig->out->writeLog(),
                 fields("Status=144", "Data2=0", "Data1=") + fields("Status=144", "Data2=0", "Data1=30"));
        QCOMPARE(rig->wire(), QStringList({"90 00 00", "90 1e 00"}));
        QVERIFY(rig->panel.shown.empty());
    }

    void transpositionIsStoredBackIntoStartNote()
    {
        rig->panel.texts[controls::transposition(Mode::Pitch)] = "12";
        rig->composer->setStartNote(60);
        rig->composer->PitchOn();
        QCOMPARE(rig->composer->startNote().toText(), QStringLiteral("72"));
        QCOMPARE(rig->wire(), QStringList{"90 48 3c"});
        QCOMPARE(rig->panel.shownIn(controls::result(Mode::Pitch)), QStringList{"72"});

        rig->panel.texts[controls::transposition(Mode::Pan)] = "0.5";
        rig->composer->setStartNote(60);
        rig->composer->PanOn();
        QCOMPARE(rig->composer->startNote().toText(), QStringLiteral("60.5"));
        QCOMPARE(rig->panel.shownIn(controls::result(Mode::Pan)), QStringList{"60.5"});
        QCOMPARE(rig->wire().last(), QStringLiteral("b0 0a 3c")); // 60.5 rounds to even
    }

    void transpositionZeroLeavesTheValueAsItIs()
    {
        rig->composer->setStartNote(Variant::single(16777216.0f));
        rig->composer->ProgOn();
        QCOMPARE(rig->composer->startNote().kind(), Variant::Kind::Single);
        QCOMPARE(rig->panel.shownIn(controls::result(Mode::ProgrammeChange)), QStringList{"1.677722E+07"});
    }

    void displayOffLeavesTheResultBoxes()
    {
        rig->panel.check(controls::DisplayResults, 0);
        rig->composer->setStartNote(30);
        rig->composer->PitchOn();
        rig->composer->VelOn();
        rig->composer->ProgOn();
        rig->composer->PanOn();
        QVERIFY(rig->panel.shown.empty());
        QCOMPARE(rig->wire(), QStringList({"90 1e 3c", "90 00 1e", "c0 1e", "b0 0a 1e"}));
    }

    // A box read as a number that holds text is marked and counts
    // as its initial design value; it is unmarked once it holds a number.
    void boxesThatAreNoNumberCountAsTheirDesignValue()
    {
        rig->panel.texts[controls::result(Mode::Velocity)] = "loud";
        rig->panel.texts[controls::transposition(Mode::Pitch)] = "up";
        rig->composer->setStartNote(30);
        rig->composer->PitchOn();
        QCOMPARE(rig->wire(), QStringList{"90 1e 3c"}); // velocity 60, no transposition
        QVERIFY(rig->panel.isMarked(controls::result(Mode::Velocity)));
        QVERIFY(rig->panel.isMarked(controls::transposition(Mode::Pitch)));

        rig->panel.texts[controls::result(Mode::Velocity)] = "100";
        rig->panel.texts[controls::transposition(Mode::Pitch)] = "1";
        rig->composer->PitchOn();
        QCOMPARE(rig->wire().last(), QStringLiteral("90 1f 64"));
        QVERIFY(!rig->panel.isMarked(controls::result(Mode::Velocity)));
        QVERIFY(!rig->panel.isMarked(controls::transposition(Mode::Pitch)));

        rig->panel.texts[controls::result(Mode::Pitch)] = "x";
        rig->composer->setStartNote(90);
        rig->composer->VelOn();
        QCOMPARE(rig->wire().last(), QStringLiteral("90 00 5a")); // note 0
        QVERIFY(rig->panel.isMarked(controls::result(Mode::Pitch)));

        rig->panel.texts[controls::transposition(Mode::ProgrammeChange)] = "";
        rig->composer->setStartNote(5);
        rig->composer->ProgOn();
        QCOMPARE(rig->wire().last(), QStringLiteral("c0 05"));
        QVERIFY(rig->panel.isMarked(controls::transposition(Mode::ProgrammeChange)));
    }

    void randomDelayIsAWholeNumberFrom0ToTheDelay()
    {
        auto& host = rig->host;
        host.randoms = {0.5f, 0.99999994f, 0.0f};
        rig->composer->DoSleep();
        rig->composer->DoSleep();
        rig->composer->DoSleep();
        QCOMPARE(host.pauses, (std::vector<long long>{30, 60, 0}));

        rig->panel.texts[controls::Delay] = "0";
        host.randoms = {0.99999994f};
        rig->composer->DoSleep();
        QCOMPARE(host.pauses.back(), 0LL);
        QCOMPARE(host.draws, 4);
    }

    void fixedDelayIsTheRoundedNumber()
    {
        rig->panel.check(controls::RandomDelay, 0);
        for (const char* delay : {"60", "2.5", "3.5", "0"}) {
            rig->panel.texts[controls::Delay] = delay;
            rig->composer->DoSleep();
        }
        QCOMPARE(rig->host.pauses, (std::vector<long long>{60, 2, 4, 0}));
        QCOMPARE(rig->host.draws, 0);
    }

    // Negative waits are 0 ms, waits beyond 32 bits are capped.
    void delaysOutsideThe32BitRangeAreHeld()
    {
        auto& host = rig->host;
        rig->panel.texts[controls::Delay] = "-50";
        rig->composer->DoSleep(); // random: floor(-49 * 0.5)
        rig->panel.check(controls::RandomDelay, 0);
        rig->composer->DoSleep();
        rig->panel.texts[controls::Delay] = "1e12";
        rig->composer->DoSleep();
        rig->panel.check(controls::RandomDelay, 1);
        rig->composer->DoSleep();
        rig->panel.texts[controls::Delay] = "1.7976931348623157e308";
        host.randoms = {0.99999994f};
        rig->composer->DoSleep();
        rig->panel.texts[controls::Delay] = "-1.7976931348623157e308";
        rig->composer->DoSleep();
        QCOMPARE(host.pauses, (std::vector<long long>{0, 0, 2147483647, 2147483647, 2147483647, 0}));
    }

    void delayThatIsNoNumberCounts60()
    {
        rig->panel.check(controls::RandomDelay, 0);
        rig->panel.texts[controls::Delay] = "soon";
        rig->composer->DoSleep();
        QCOMPARE(rig->host.pauses, (std::vector<long long>{60}));
        QVERIFY(rig->panel.isMarked(controls::Delay));
        rig->panel.texts[controls::Delay] = "10";
        rig->composer->DoSleep();
        QVERIFY(!rig->panel.isMarked(controls::Delay));
    }

    void patchSelectionRecordsAndSendsTheProgrammeChange()
    {
        rig->composer->patchSelected(5);
        QCOMPARE(rig->composer->channelPatch(0), 5);
        QCOMPARE(rig->out->writeLog(), fields("Status=192", "Data1=5", "Data2=0"));
        QCOMPARE(rig->wire(), QStringList{"c0 05"});
        rig->composer->patchSelected(127);
        QCOMPARE(rig->composer->channelPatch(0), 127);
        QCOMPARE(rig->wire().last(), QStringLiteral("c0 7f"));
        QVERIFY(rig->panel.shown.empty());
    }

    void modeFlagsFollowTheCheckBoxes()
    {
        rig->setModes(1, 0, 0, 1);
        QCOMPARE(modeFlags(*rig->composer), (std::array<bool, 4>{true, false, false, true}));
        QCOMPARE(rig->panel.texts[controls::ModeFlags], QStringLiteral(", 1, 0, 0, 1"));
        rig->setModes(0, 0, 0, 0);
        QCOMPARE(rig->panel.texts[controls::ModeFlags], QStringLiteral(", 0, 0, 0, 0"));
    }

    void guardsReplaceEmptyBoxesAndMarkUnusableOnes()
    {
        auto& panel = rig->panel;
        auto& composer = *rig->composer;

        panel.texts[controls::Delay] = "";
        composer.delayTextChanged();
        QCOMPARE(panel.texts[controls::Delay], QStringLiteral("0"));
        QVERIFY(!panel.isMarked(controls::Delay));
        panel.texts[controls::Delay] = "abc";
        composer.delayTextChanged();
        QVERIFY(panel.isMarked(controls::Delay));
        panel.texts[controls::Delay] = "60";
        composer.delayTextChanged();
        QVERIFY(!panel.isMarked(controls::Delay));

        panel.texts[controls::transposition(Mode::ProgrammeChange)] = "";
        composer.transposeTextChanged(Mode::ProgrammeChange);
        QCOMPARE(panel.texts[controls::transposition(Mode::ProgrammeChange)], QStringLiteral("0"));
        panel.texts[controls::transposition(Mode::ProgrammeChange)] = "-";
        composer.transposeTextChanged(Mode::ProgrammeChange);
        QVERIFY(panel.isMarked(controls::transposition(Mode::ProgrammeChange)));
        panel.texts[controls::transposition(Mode::ProgrammeChange)] = "-12";
        composer.transposeTextChanged(Mode::ProgrammeChange);
        QVERIFY(!panel.isMarked(controls::transposition(Mode::ProgrammeChange)));

        panel.texts[controls::Modulo] = "40000";
        composer.moduloTextChanged();
        QCOMPARE(panel.texts[controls::Modulo], QStringLiteral("30000"));
        QVERIFY(!panel.isMarked(controls::Modulo));
        for (const char* unusable : {"", "0", "0.4", "abc"}) {
            panel.texts[controls::Modulo] = unusable;
            composer.moduloTextChanged();
            QVERIFY2(panel.isMarked(controls::Modulo), unusable);
            QCOMPARE(panel.texts[controls::Modulo], QString::fromLatin1(unusable)); // left as typed
        }
        panel.texts[controls::Modulo] = "12";
        composer.moduloTextChanged();
        QVERIFY(!panel.isMarked(controls::Modulo));

        panel.texts[controls::StartNote] = "sixty";
        composer.startNoteTextChanged();
        QVERIFY(panel.isMarked(controls::StartNote));
        panel.texts[controls::StartNote] = "60";
        composer.startNoteTextChanged();
        QVERIFY(!panel.isMarked(controls::StartNote));

        for (Mode mode : allModes) {
            const QString box = controls::result(mode);
            panel.texts[box] = "x";
            composer.resultTextChanged(mode);
            QCOMPARE(panel.isMarked(box), mode == Mode::Pitch || mode == Mode::Velocity); // only these are read
            panel.texts[box] = "7";
            composer.resultTextChanged(mode);
            QVERIFY(!panel.isMarked(box));
        }
        QVERIFY(rig->wire().isEmpty());
    }
};

QTEST_GUILESS_MAIN(SendersTest)
#include "test_senders.moc"
