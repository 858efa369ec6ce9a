#include "app/program.h"
#include "../ui/modal_poll.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>
#include <map>
#include <set>
#include <unistd.h>

using namespace quorvane;

namespace {

QComboBox& outputs(QDialog& form)
{
    return *form.findChild<QComboBox*>(QStringLiteral("ComboMidiOut"));
}

// Answers the modal windows that open while a call runs, as a musician would:
// a message box is read for a moment (long enough for a report that comes
// just after it to arrive) and closed, its text noted; the device dialog is
// handed to `choose`, which presses "Ok".
struct Musician {
    std::function<void(QDialog&)> choose;
    QStringList boxes;
    std::map<QWidget*, QElapsedTimer> seen;
    std::set<QWidget*> chosen;

    void during(const std::function<void()>& call)
    {
        chosen.clear();
        answerModalsDuring(call, [this](QWidget& modal) {
            if (!seen.count(&modal))
                seen[&modal].start();
            if (auto* box = qobject_cast<QMessageBox*>(&modal)) {
                // Read for a while, as a person does: what is found while a
                // box is open joins it (the sound font loads in the
                // background, and a busy machine takes its time).
                if (seen[&modal].elapsed() < 3000)
                    return;
                boxes << box->text();
                seen.erase(&modal);
                box->button(QMessageBox::Ok)->click();
            } else if (modal.objectName() == QStringLiteral("MIDISetupForm") && modal.isActiveWindow() &&
                       outputs(static_cast<QDialog&>(modal)).isEnabled() && !chosen.count(&modal)) {
                chosen.insert(&modal);
                // After this answer returns, so that the boxes it brings are answered.
                QTimer::singleShot(0, &modal, [this, &modal] { choose(static_cast<QDialog&>(modal)); });
            }
        });
    }
};

// Whether a shared library whose file name holds `name` is loaded into this
// process.
bool libraryLoaded(const QByteArray& name)
{
    QFile maps(QStringLiteral("/proc/self/maps"));
    return maps.open(QIODevice::ReadOnly) && maps.readAll().contains(name);
}

} // namespace

// The program on a machine with neither a MIDI system nor a sound server, as
// a bare desktop session or a container has it.
class NoMidiSystemTest : public QObject {
    Q_OBJECT

    QTemporaryDir home;

private slots:
    void initTestCase()
    {
        if (access("/dev/snd/seq", R_OK | W_OK) == 0)
            QSKIP("this machine has the ALSA sequencer");
        QVERIFY(home.isValid());
        qputenv("HOME", home.path().toLocal8Bit());
        qputenv("XDG_RUNTIME_DIR", home.path().toLocal8Bit()); // no PipeWire answers there
        qputenv("JACK_DEFAULT_SERVER", "quorvane-no-such-server");
        qputenv("PULSE_SERVER", "unix:/nonexistent/quorvane-test-pulse");
    }

    // One message says all that is missing; the first output entry names no
    // system; choosing it says why nothing opens.
    void startsWithOneMessageAndTellsWhyTheVirtualPortCannotOpen()
    {
        Program program;
        // The synthesizer's library and the forty it brings along are opened
        // once the first window is up, not on its way.
        QVERIFY2(!libraryLoaded("libfluidsynth"), "FluidSynth was loaded before the device dialog");
        QStringList listed;
        Musician musician;
        musician.choose = [&](QDialog& form) {
            for (int i = 0; i < outputs(form).count(); ++i)
                listed << outputs(form).itemText(i);
            form.findChild<QPushButton*>(QStringLiteral("CmdOk"))->click();
        };
        musician.during([&] {
            program.start();
            QTest::qWait(1000);
        });
        QCOMPARE(listed, (QStringList{QStringLiteral("Quorvane virtual port (no MIDI system)"),
                                      QStringLiteral("Quorvane GM Synth")}));
        QVERIFY2(musician.boxes.size() == 1, qPrintable(musician.boxes.join(QStringLiteral("\n---\n"))));
        QVERIFY(musician.boxes[0].contains(QStringLiteral("No MIDI system was found")));
        QVERIFY(musician.boxes[0].contains(QStringLiteral("No sound server is running")));
        QVERIFY(libraryLoaded("libfluidsynth"));

        musician.boxes.clear();
        musician.choose = [](QDialog& form) {
            outputs(form).setCurrentIndex(0);
            form.findChild<QPushButton*>(QStringLiteral("CmdOk"))->click();
        };
        musician.during([&] { program.window().showSetupDialog(); });
        QCOMPARE(musician.boxes.size(), 1);
        QVERIFY(musician.boxes[0].startsWith(
            QStringLiteral("The MIDI output device \"Quorvane virtual port (no MIDI system)\" could not be opened.")));
        QVERIFY(musician.boxes[0].contains(QStringLiteral("No MIDI system was found")));
        QCOMPARE(program.window().MIDIOutput1().openState(), 0);
    }
};

QTEST_MAIN(NoMidiSystemTest)
#include "test_no_midi_system.moc"
