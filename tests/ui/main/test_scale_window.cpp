#include "main_window_fixture.h"
#include "smf_reading.h"

#include <QAction>
#include <QDir>
#include <QMenu>
#include <QTemporaryDir>
#include <QtTest>

using namespace quorvane;

namespace {

QStringList captionsOf(const QMenu* menu)
{
    QStringList captions;
    for (const QAction* item : menu->actions())
        captions << item->text() + (item->isChecked() ? QStringLiteral(" *") : QString());
    return captions;
}

} // namespace

class ScaleWindowTest : public QObject {
    Q_OBJECT

    void choose(MainWindowFixture& f, const char* item) { f.find<QAction>(QString::fromLatin1(item))->trigger(); }

private slots:
    void scaleAndKeyAreRadioItemsOfTheEditMenu()
    {
        MainWindowFixture f;
        QCOMPARE(captionsOf(f.find<QMenu>(menus::Scale)),
                 QStringList({"&Chromatic *", "M&ajor", "Natural &Minor", "&Harmonic Minor", "Major &Pentatonic",
                              "Minor P&entatonic", "&Blues", "&Dorian", "Mi&xolydian", "&Whole Tone"}));
        QCOMPARE(captionsOf(f.find<QMenu>(menus::Key)),
                 QStringList({"C *", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"}));
        choose(f, menus::ScaleDorian);
        choose(f, menus::KeyGSharp);
        QVERIFY(!f.find<QAction>(menus::ScaleChromatic)->isChecked());
        QVERIFY(!f.find<QAction>(menus::KeyC)->isChecked());
        QVERIFY(f.find<QAction>(menus::KeyGSharp)->isChecked());
        QCOMPARE(f.composer().scale().tonic, 8);
        QVERIFY(f.composer().scale().scale == Scale::Dorian);
    }

    // The title names the scale (chromatic none) and a running take.
    void theTitleShowsTheScaleAndTheTake()
    {
        MainWindowFixture f;
        QTemporaryDir folder;
        f.program->recording().folder = folder.path();
        QStringList titles;
        for (const char* item : {menus::ScaleMajor, menus::KeyA, menus::ScaleMinorPentatonic, menus::Record,
                                 menus::ScaleChromatic, menus::KeyB, menus::Record, menus::ScaleNaturalMinor}) {
            choose(f, item);
            titles << f.window->windowTitle();
        }
        QCOMPARE(titles, QStringList({"Quorvane - C Major", "Quorvane - A Major", "Quorvane - A Minor Pentatonic",
                                      "Quorvane - A Minor Pentatonic - recording", "Quorvane - recording",
                                      "Quorvane - recording", "Quorvane", "Quorvane - B Natural Minor"}));
    }

    // A range too narrow for the scale is marked as soon as it is typed, and
    // clear again in a scale that has a note there.
    void aRangeWithoutANoteOfTheScaleIsMarkedAtOnce()
    {
        MainWindowFixture f;
        choose(f, menus::ScaleMajorPentatonic);
        f.check(controls::UseMinMax)->setChecked(true);
        f.box(controls::PitchMin)->setText(QStringLiteral("65"));
        f.box(controls::PitchMax)->setText(QStringLiteral("66"));
        QVERIFY(f.box(controls::PitchMax)->toolTip().contains(QStringLiteral("scale")));
        choose(f, menus::ScaleWholeTone);
        QVERIFY(f.box(controls::PitchMin)->toolTip().isEmpty());
    }

    // The key in force when the take starts comes first, before the
    // instrument chosen at start-up; each change to a major or natural minor
    // key follows where it came, others write none.
    void aTakeCarriesTheKeySignatures()
    {
        MainWindowFixture f;
        QTemporaryDir folder;
        f.program->recording().folder = folder.path();
        auto testNote = [&] { QTest::mouseClick(f.button(controls::TestNote), Qt::LeftButton); };
        choose(f, menus::KeyD);
        choose(f, menus::ScaleMajor);
        choose(f, menus::Record);
        testNote();
        choose(f, menus::ScaleNaturalMinor);
        testNote();
        choose(f, menus::ScaleBlues);
        choose(f, menus::KeyF);
        testNote();
        choose(f, menus::Record);
        f.program->recording().finishWriting();
        const QStringList takes = QDir(folder.path()).entryList({QStringLiteral("*.mid")});
        QCOMPARE(takes.size(), 1);
        const QStringList note = {"90 3c 3c", "90 3c 00"};
        QCOMPARE(readMidiFile(folder.filePath(takes[0])).byteTexts().mid(1),
                 QStringList({"ff 59 02 02 00", "c0 00"}) + note + QStringList({"ff 59 02 ff 01"}) + note + note +
                     QStringList({"ff 2f 00"}));
    }
};

QTEST_MAIN(ScaleWindowTest)
#include "test_scale_window.moc"
