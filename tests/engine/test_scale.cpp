#include "engine/scale.h"
#include "engine_fakes.h"

#include <QRegularExpression>
#include <QtTest>
#include <cmath>
#include <limits>
#include <tuple>

using namespace quorvane;
using namespace quorvane::testing;

namespace {

// The scales as a musician spells them, semitones above the tonic.
const std::vector<std::pair<Scale, std::vector<int>>> spelt = {
    {Scale::Major, {0, 2, 4, 5, 7, 9, 11}},         {Scale::NaturalMinor, {0, 2, 3, 5, 7, 8, 10}},
    {Scale::HarmonicMinor, {0, 2, 3, 5, 7, 8, 11}}, {Scale::MajorPentatonic, {0, 2, 4, 7, 9}},
    {Scale::MinorPentatonic, {0, 3, 5, 7, 10}},     {Scale::Blues, {0, 3, 5, 6, 7, 10}},
    {Scale::Dorian, {0, 2, 3, 5, 7, 9, 10}},        {Scale::Mixolydian, {0, 2, 4, 5, 7, 9, 10}},
    {Scale::WholeTone, {0, 2, 4, 6, 8, 10}},
};

bool spelledIn(int note, int tonic, const std::vector<int>& steps)
{
    return std::find(steps.begin(), steps.end(), ((note - tonic) % 12 + 12) % 12) != steps.end();
}

} // namespace

class ScaleTest : public QObject {
    Q_OBJECT

    std::unique_ptr<Rig> rig;

    FakePanel& panel() { return rig->panel; }
    Composer& composer() { return *rig->composer; }

    void useRange(const char* lowest, const char* highest)
    {
        panel().check(controls::UseMinMax, 1);
        panel().texts[controls::PitchMin] = lowest;
        panel().texts[controls::PitchMax] = highest;
    }
    // The note PitchOn sends for StartNote n.
    int sent(double n)
    {
        rig->out->wire.clear();
        composer().setStartNote(n);
        composer().PitchOn();
        return rig->out->wire.at(0).bytes[1];
    }
    // A Mixmaster run of `passes`, pitch only, no pause; `atYield` may change
    // settings from inside it.
    void runMixmaster(int passes, const std::function<void(int)>& atYield = {})
    {
        panel().texts[controls::Delay] = "0";
        for (int i = 1; i <= passes; ++i)
            rig->host.randoms.push_back(static_cast<float>(std::fmod(i * 0.6180339887, 1.0)));
        rig->host.onYield = [this, passes, atYield](int y) {
            if (atYield)
                atYield(y);
            if (y == passes)
                composer().stopMixmaster();
        };
        composer().runMixmaster();
    }

    // The notes struck in the pitch mode, each checked to be ended by the
    // message after it.
    std::vector<int> struckNotes()
    {
        std::vector<int> notes;
        const auto& wire = rig->out->wire;
        for (std::size_t i = 0; i + 1 < wire.size(); ++i) {
            const MidiBytes& on = wire[i].bytes;
            if (on[2] != 0)
                notes.push_back(wire[i + 1].bytes == MidiBytes{on[0], on[1], 0} ? on[1] : -1);
        }
        return notes;
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
        QVERIFY2(!rig->host.runaway, "a loop did not stop");
        rig.reset();
    }

    // Every scale in every key, over the formula's whole range (no modulo,
    // a transposition that is not whole), without and with 48..72: each
    // note struck is a note of the scale, and the next message ends it.
    void everyNoteOfALongRunIsInTheScale()
    {
        for (const auto& [scale, steps] : spelt) {
            for (int tonic = 0; tonic < 12; ++tonic) {
                for (const bool range : {false, true}) {
                    init();
                    panel().check(controls::UseModulo, 0);
                    panel().texts[controls::transposition(Mode::Pitch)] = "0.4";
                    if (range)
                        useRange("48", "72");
                    composer().setScale({scale, tonic});
                    runMixmaster(120);
                    const std::vector<int> notes = struckNotes();
                    QCOMPARE(notes.size(), std::size_t(30));
                    for (const int n : notes)
                        QVERIFY2(n >= 0 && spelledIn(n, tonic, steps) && (!range || (n >= 48 && n <= 72)),
                                 qPrintable(
                                     QStringLiteral("scale %1, tonic %2, note %3").arg(int(scale)).arg(tonic).arg(n)));
                }
            }
        }
    }

    void tiesGoDownAndTheMidiRangeIsKept()
    {
        composer().setScale({Scale::Major, 0});
        for (const auto& [from, to] : {std::pair{61, 60}, {63, 62}, {66, 65}, {68, 67}, {70, 69}, {64, 64}})
            QCOMPARE(sent(from), to);
        QCOMPARE(sent(61.6), 62);                   // rounded first: 62 is D
        composer().setScale({Scale::WholeTone, 1}); // C#, D#, F, G, A, B
        QCOMPARE(sent(62), 61);
        QCOMPARE(sent(60), 59);
        // No note below 0 or above 127 to go down or up to.
        composer().setScale({Scale::MajorPentatonic, 1}); // C#, D#, F, G#, A#
        QCOMPARE(sent(0), 1);
        QCOMPARE(sent(127), 125);
        QCOMPARE(sent(400), 125);
        QCOMPARE(sent(-3), 1);
        QCOMPARE(sent(std::numeric_limits<double>::quiet_NaN()), 1);
    }

    // Wondrousness from 27 in C major pentatonic inside 48..72: the formula
    // goes on from its own numbers; the result box shows the note sent.
    void theScaleWithUseMinMax()
    {
        panel().texts[controls::StartNote] = "27";
        useRange("48", "72");
        composer().setScale({Scale::MajorPentatonic, 0});
        rig->stopAtYield(12, false);
        composer().runWondrousness();
        // 82 is A#: down to A, 81, folded to 69; 31 is G, folded to 55; 46 is
        // A# again, down to 45 and folded to 57.
        QCOMPARE(rig->seen, QStringList({"27", "82", "41", "124", "62", "31", "94", "47", "15", "46", "23", "70"}));
        QCOMPARE(panel().shownIn(controls::result(Mode::Pitch)), QStringList({"69", "55", "57"}));
        QCOMPARE(sent(121), 72); // C#: a tie, down to C, folded to the top C
        QCOMPARE(sent(71), 72);  // B: C is nearer than A
        for (const double far : {1e300, -1e300, 1e17 + 1}) {
            const int n = sent(far);
            QVERIFY(n >= 48 && n <= 72 && spelledIn(n, 0, {0, 2, 4, 7, 9}));
        }
        QVERIFY(!panel().isMarked(controls::PitchMin) && !panel().isMarked(controls::PitchMax));
    }

    void aNarrowRangeWrapsToItsScaleNotesOrIsMarked()
    {
        composer().setScale({Scale::MajorPentatonic, 0}); // C, D, E, G, A
        useRange("61", "65");                             // holds D and E only
        QCOMPARE(sent(60), 64);                           // C wraps to F, the nearest inside is E
        QCOMPARE(sent(63), 62);                           // D# goes down to D
        QCOMPARE(sent(67), 62);                           // G wraps to D
        QVERIFY(!panel().isMarked(controls::PitchMin));

        useRange("65", "66"); // F and F#: no note of the scale
        QCOMPARE(sent(70), 66);
        QVERIFY(panel().isMarked(controls::PitchMin) && panel().isMarked(controls::PitchMax));
        panel().check(controls::UseMinMax, 0); // unused, it is not in the way
        composer().noteRangeTextChanged();
        QVERIFY(!panel().isMarked(controls::PitchMin) && !panel().isMarked(controls::PitchMax));
        panel().check(controls::UseMinMax, 1);
        composer().setScale({Scale::Major, 0}); // F is in C major
        QCOMPARE(sent(70), 65);
        QVERIFY(!panel().isMarked(controls::PitchMin) && !panel().isMarked(controls::PitchMax));
    }

    // Scale and key changed from inside a run: each takes effect at the next
    // note, and every note-off names the note that was sent, also the one
    // sent as the program ends.
    void noteOffsMatchAfterAScaleChangeMidRun()
    {
        runMixmaster(400, [this](int y) {
            if (y == 101)
                composer().setScale({Scale::Major, 0});
            if (y == 201)
                composer().setScale({Scale::Blues, 6});
            if (y == 301)
                composer().setScale({Scale::Chromatic, 0});
        });
        const std::vector<int> notes = struckNotes();
        QCOMPARE(notes.size(), std::size_t(100));
        for (std::size_t i = 0; i < notes.size(); ++i) // C major, then F# blues, then chromatic
            QVERIFY(notes[i] >= 0 &&
                    (i < 25 || i >= 75 || spelledIn(notes[i], i < 50 ? 0 : 6, spelt[i < 50 ? 0 : 5].second)));

        init();
        composer().setScale({Scale::Major, 0});
        rig->host.randoms = {61.0f / 128.0f};
        rig->host.onPause = [this](long long) { rig->host.ending_ = true; };
        composer().runMixmaster();
        composer().silenceSoundingNote();
        QCOMPARE(rig->wire(), QStringList({"90 00 00", "90 3c 3c", "90 3c 00"}));
    }

    // Chromatic, in any key, sends and shows what the formula gave, not
    // even rounded. Another scale moves only the notes: programme changes
    // and pan go out as they were.
    void chromaticLeavesTheStreamUnchanged()
    {
        auto run = [this](const ScaleChoice& choice) {
            init();
            panel().texts[controls::transposition(Mode::Pitch)] = "0.25";
            panel().check(controls::UseModulo, 0);
            rig->setModes(1, 1, 1, 1);
            composer().setScale(choice);
            runMixmaster(200);
            return std::tuple{rig->out->writeLog(), panel().shown, rig->wire()};
        };
        const auto untouched = run(ScaleChoice{});
        QVERIFY(std::get<0>(untouched).contains(QStringLiteral("Data1=1.25")));
        QCOMPARE(run({Scale::Chromatic, 7}), untouched);
        const QStringList major = std::get<2>(run({Scale::Major, 1}));
        const QStringList chromatic = std::get<2>(untouched);
        QCOMPARE(major.size(), chromatic.size());
        QVERIFY(major != chromatic);
        QCOMPARE(major.filter(QRegularExpression(QStringLiteral("^[bc]0"))),
                 chromatic.filter(QRegularExpression(QStringLiteral("^[bc]0"))));
    }
};

QTEST_GUILESS_MAIN(ScaleTest)
#include "test_scale.moc"
