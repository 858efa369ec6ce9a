#include "engine_fakes.h"
#include "main_window_fixture.h"

#include <QtTest>

using namespace quorvane;
using namespace quorvane::testing;

// The program ends while a formula runs, over the scripted host: the note
// switched off at exit must be the one sounding at that moment, whether the
// close arrives during a pause (as on platforms that deliver it at once) or
// at the next pass's yield.
class ExitNoteTest : public QObject {
    Q_OBJECT

private slots:
    void exitSilencesTheNoteThatSounds_data()
    {
        QTest::addColumn<bool>("duringPause");
        QTest::addColumn<int>("velocityMode"); // the velocity mode plays TextVal(0)'s note
        QTest::newRow("close during the pause") << true << 0;
        QTest::newRow("close at the yield") << false << 0;
        QTest::newRow("close during a velocity pause") << true << 1;
    }

    void exitSilencesTheNoteThatSounds()
    {
        QFETCH(bool, duringPause);
        QFETCH(int, velocityMode);
        ScriptedHost host;
        auto output = std::make_unique<MemoryOutputBackend>();
        MemoryOutputBackend* out = output.get();
        Program program(std::move(output), std::make_unique<MemoryInputBackend>(), host);
        FrmMain& window = program.window();
        window.showSetupDialog = [&] { openFirstDevices(window); };
        window.endProgram = [&] { host.ending_ = true; };
        window.load();
        auto* velocity = window.findChild<QCheckBox*>(controls::doMode(Mode::Velocity));
        velocity->setChecked(velocityMode != 1);
        velocity->click(); // a click refreshes the mode flags
        // The velocity mode's note stays 50: the pitch mode does not show its notes there.
        window.findChild<QCheckBox*>(controls::DisplayResults)->setChecked(false);
        window.findChild<QLineEdit*>(controls::result(Mode::Pitch))->setText(QStringLiteral("50"));
        out->wire.clear();

        // The second pause follows the second note played; the yield of
        // pass 2 comes while the note of pass 1 sounds.
        QStringList sentBeforeClose;
        auto close = [&] {
            sentBeforeClose = out->wireLog();
            window.close();
        };
        host.onPause = [&](long long) {
            if (duringPause && host.pauses.size() == 2)
                close();
        };
        host.onYield = [&](int yield) {
            if (!duringPause && yield == 2)
                close();
        };
        window.findChild<QPushButton*>(controls::DoIt)->click(); // returns when the loop ends

        // The close comes right after a note-on: that note still sounds.
        const QStringList last = sentBeforeClose.value(sentBeforeClose.size() - 1).split(QLatin1Char(' '));
        QVERIFY2(last.size() == 3 && last[2] != QStringLiteral("00"), qPrintable(sentBeforeClose.join(", ")));
        QCOMPARE(out->wireLog().mid(sentBeforeClose.size()), QStringList{"90 " + last[1] + " 00"});
        QVERIFY(host.ending());
    }
};

QTEST_MAIN(ExitNoteTest)
#include "test_exit_note.moc"
