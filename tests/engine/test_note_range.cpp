#include "engine/note_range.h"
#include "engine_fakes.h"

#include <QtTest>
#include <cmath>
#include <limits>

using namespace quorvane;
using namespace quorvane::testing;

class NoteRangeTest : public QObject {
    Q_OBJECT

    std::unique_ptr<Rig> rig;

    FakePanel& panel() { return rig->panel; }
    ScriptedHost& host() { return rig->host; }
    Composer& composer() { return *rig->composer; }

    void useRange(const char* lowest, const char* highest)
    {
        panel().check(controls::UseMinMax, 1);
        panel().texts[controls::PitchMin] = lowest;
        panel().texts[controls::PitchMax] = highest;
    }

private slots:
    void init()
    {
        rig = std::make_unique<Rig>();
        panel().check(controls::RandomDelay, 0);
    }
    void cleanup()
    {
        QVERIFY2(panel().unknownNames.isEmpty(), qPrintable(panel().unknownNames.join(", ")));
        QVERIFY2(!host().runaway, "a loop did not stop");
        rig.reset();
    }

    void foldKeepsTheLetterNameOrWraps_data()
    {
        QTest::addColumn<double>("lowest");
        QTest::addColumn<double>("highest");
        QTest::addColumn<double>("note");
        QTest::addColumn<double>("sent");
        const double nan = std::numeric_limits<double>::quiet_NaN();
        const double inf = std::numeric_limits<double>::infinity();
        // Two octaves: the fewest whole octaves that land inside.
        QTest::newRow("inside") << 48.0 << 72.0 << 60.0 << 60.0;
        QTest::newRow("highest end") << 48.0 << 72.0 << 72.0 << 72.0;
        QTest::newRow("just below") << 48.0 << 72.0 << 47.0 << 59.0;
        QTest::newRow("just above") << 48.0 << 72.0 << 73.0 << 61.0;
        QTest::newRow("an octave above") << 48.0 << 72.0 << 84.0 << 72.0;
        QTest::newRow("note 0") << 48.0 << 72.0 << 0.0 << 48.0;
        QTest::newRow("note 127") << 48.0 << 72.0 << 127.0 << 67.0;
        QTest::newRow("negative") << 48.0 << 72.0 << -5.0 << 55.0;
        QTest::newRow("half rounds to even") << 48.0 << 72.0 << 60.5 << 60.0;
        QTest::newRow("NaN is sent as 0") << 48.0 << 72.0 << nan << 48.0;
        QTest::newRow("infinity is sent as 127") << 48.0 << 72.0 << inf << 67.0;
        // Exactly twelve notes still hold every pitch class.
        QTest::newRow("octave, below") << 60.0 << 71.0 << 59.0 << 71.0;
        QTest::newRow("octave, above") << 60.0 << 71.0 << 72.0 << 60.0;
        // Under an octave: wrapped round the range.
        QTest::newRow("eleven, above") << 60.0 << 70.0 << 71.0 << 60.0;
        QTest::newRow("eleven, below") << 60.0 << 70.0 << 59.0 << 70.0;
        QTest::newRow("eleven, far below") << 60.0 << 70.0 << -100.0 << 65.0;
        QTest::newRow("one note") << 64.0 << 64.0 << 3.0 << 64.0;
        // The whole MIDI range and its single-note extremes.
        QTest::newRow("0..127 leaves 0") << 0.0 << 127.0 << 0.0 << 0.0;
        QTest::newRow("0..127, above") << 0.0 << 127.0 << 200.0 << 116.0;
        QTest::newRow("0..127, below") << 0.0 << 127.0 << -1.0 << 11.0;
        QTest::newRow("0..0") << 0.0 << 0.0 << 127.0 << 0.0;
        QTest::newRow("127..127") << 127.0 << 127.0 << 0.0 << 127.0;
    }

    void foldKeepsTheLetterNameOrWraps()
    {
        QFETCH(double, lowest);
        QFETCH(double, highest);
        QFETCH(double, note);
        QFETCH(double, sent);
        QCOMPARE(foldIntoRange(note, NoteRange{lowest, highest}), sent);
    }

    void foldOfHugeNumbersStaysInside()
    {
        const double max = std::numeric_limits<double>::max();
        for (double note : {1e300, -1e300, max, -max, 4503599627370497.0})
            for (const NoteRange range : {NoteRange{48, 72}, NoteRange{60, 62}, NoteRange{0, 127}}) {
                const double sent = foldIntoRange(note, range);
                QVERIFY2(sent >= range.lowest && sent <= range.highest && sent == std::floor(sent),
                         qPrintable(QString::number(note)));
            }
    }

    // Wondrousness from 60 with 48..72: 30 sounds as 54, 70 as 70, 33 as 57;
    // the formula goes on from its own numbers.
    void theRangeMovesTheNoteStruckButNotTheFormula()
    {
        useRange("48", "72");
        rig->stopAtYield(12, false);
        composer().runWondrousness();
        QCOMPARE(rig->seen, QStringList({"60", "30", "15", "46", "23", "70", "35", "106", "53", "33", "100", "50"}));
        QCOMPARE(panel().shownIn(controls::result(Mode::Pitch)), QStringList({"54", "70", "57"}));
        const QStringList wire = rig->wire();
        QVERIFY(wire.contains("90 36 3c") && wire.contains("90 36 00")); // 54 on and off
        QVERIFY(wire.contains("90 39 3c") && wire.contains("90 39 00")); // 57 on and off
        QVERIFY(!wire.contains("90 1e 3c"));                             // 30 never struck
    }

    // A long Mixmaster run whose range is narrowed under an octave, then
    // switched off, mid-run: every note struck inside the range of its pass,
    // and each switched off by the next note message.
    void everyNoteStruckIsInsideAndIsSwitchedOff()
    {
        useRange("48", "72");
        panel().texts[controls::Delay] = "0";
        for (int i = 1; i <= 600; ++i) // start values spread over the whole range
            host().randoms.push_back(static_cast<float>(std::fmod(i * 0.6180339887, 1.0)));
        host().onYield = [this](int y) {
            if (y == 200)
                panel().texts[controls::PitchMin] = "60", panel().texts[controls::PitchMax] = "64";
            if (y == 400)
                panel().check(controls::UseMinMax, 0);
            if (y == 600)
                composer().stopMixmaster();
        };
        composer().runMixmaster();
        const auto& wire = rig->out->wire; // pitch only: every message is a note-on, velocity 0 the note-off
        int struck = 0;
        int outside = 0;
        for (std::size_t i = 0; i < wire.size(); ++i) {
            const MidiBytes& on = wire[i].bytes;
            if (on[2] == 0)
                continue;
            ++struck;
            QVERIFY(i + 1 < wire.size());
            QCOMPARE(wire[i + 1].bytes, (MidiBytes{on[0], on[1], 0}));
            // Before the change 48..72, between the changes 60..64.
            if (struck <= 50)
                QVERIFY(on[1] >= 48 && on[1] <= 72);
            else if (struck <= 100)
                QVERIFY(on[1] >= 60 && on[1] <= 64);
            else if (on[1] < 48 || on[1] > 72)
                ++outside;
        }
        QCOMPARE(struck, 150); // one pitch pass in four
        QVERIFY(outside > 0);  // unchecked, the formula's whole range sounds again
    }

    void boxesWithoutAUsableRangeAreMarkedAndFoldNothing()
    {
        rig->composer->setStartNote(30);
        for (const auto& [lowest, highest] : {std::pair{"abc", "72"}, {"48.5", "72"}, {"-1", "72"}, {"48", "128"}}) {
            useRange(lowest, highest);
            rig->out->wire.clear();
            composer().PitchOn();
            QCOMPARE(rig->wire(), QStringList{"90 1e 3c"});
            QVERIFY(panel().isMarked(controls::PitchMin) != panel().isMarked(controls::PitchMax));
        }
        useRange("72", "48"); // crossed: either may be the typo
        composer().noteRangeTextChanged();
        QVERIFY(panel().isMarked(controls::PitchMin) && panel().isMarked(controls::PitchMax));
        useRange("48", "72");
        composer().noteRangeTextChanged();
        QVERIFY(!panel().isMarked(controls::PitchMin) && !panel().isMarked(controls::PitchMax));
        rig->out->wire.clear();
        composer().PitchOn();
        QCOMPARE(rig->wire(), QStringList{"90 36 3c"});
    }

    // Programme change, pan and the velocity mode play the same numbers
    // with the range as without it.
    void theOtherModesAreNotMoved()
    {
        auto run = [this](bool range) {
            rig = std::make_unique<Rig>();
            panel().check(controls::RandomDelay, 0);
            panel().check(controls::DisplayResults, 0); // the velocity mode's note stays in TextVal(0)
            if (range)
                useRange("60", "62");
            rig->setModes(1, 1, 1, 1);
            host().randoms = {0.3456f};
            rig->stopAtYield(40, true);
            composer().runMixmaster();
            return rig->wire();
        };
        const QStringList without = run(false);
        const QStringList with = run(true);
        QCOMPARE(with.size(), without.size());
        int moved = 0;
        for (int i = 0; i < with.size(); ++i) {
            // Only the pitch mode's notes (and so their note-offs) move.
            const bool pitchNote = with[i].endsWith(QLatin1String(" 3c")) || with[i].endsWith(QLatin1String(" 00"));
            if (with[i] != without[i]) {
                QVERIFY2(with[i].startsWith(QLatin1String("90")) && pitchNote, qPrintable(with[i]));
                ++moved;
            }
        }
        QVERIFY(moved > 0);
    }

    // The program may end while a note sounds in the pause after it: the
    // note-off it sends on the way out must name that note.
    void theNoteStruckBeforeTheEndIsTheOneSwitchedOff()
    {
        useRange("48", "72");
        host().randoms = {30.0f / 128.0f};
        host().onPause = [this](long long) { host().ending_ = true; };
        composer().runMixmaster();
        composer().silenceSoundingNote(); // what the window sends as it closes
        QCOMPARE(rig->wire(), QStringList({"90 00 00", "90 36 3c", "90 36 00"}));
    }
};

QTEST_GUILESS_MAIN(NoteRangeTest)
#include "test_note_range.moc"
