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
        FrmMain window(std::move(output), std::make_unique<MemoryInputBackend>(), host);
        window.showSetupDialog = [&] { openFirstDevices(window); };
        window.endProgram = [&] { host.ending_ = true; };
        window.load();
        auto* velocity = window.findChild<QCheckBox*>(QStringLiteral("CheckDoMode(1)"));
        velocity->setChecked(velocityMode != 1);
        velocity->click(); // a click refreshes the mode flags
        window.findChild<QLineEdit*>(QStringLiteral("TextVal(0)"))->setText(QStringLiteral("50"));
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
        window.findChild<QPushButton*>(QStringLiteral("DoIt"))->click(); // returns when the loop ends

        const QString sounding = [&] {
            // The last note-on with a velocity, and what the pass notes say
            // switched it off since.
            QString note;
            for (const QString& m : sentBeforeClose) {
                const QStringList bytes = m.split(QLatin1Char(' '));
                if (bytes.value(0) != QStringLiteral("90"))
                    continue;
                if (bytes.value(2) != QStringLiteral("00"))
                    note = bytes.value(1);
                else if (bytes.value(1) == note)
                    note.clear();
            }
            return note;
        }();
        QVERIFY2(!sounding.isEmpty(), qPrintable(sentBeforeClose.join(", ")));
        const QStringList atExit = out->wireLog().mid(sentBeforeClose.size());
        QCOMPARE(atExit, QStringList{QStringLiteral("90 %1 00").arg(sounding)});
        QVERIFY(host.ending());
    }
};

QTEST_MAIN(ExitNoteTest)
#include "test_exit_note.moc"
