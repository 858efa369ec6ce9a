#include "jack_server.h"
#include "app/program.h"
#include "ui/main/window_names.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

using namespace quorvane;

// The whole program on a JACK server that dies under it: while idle and while
// a formula plays. It must neither crash nor hang, say so once, stay usable,
// and play again once the server is back and the devices are chosen anew.
class JackFaultsTest : public QObject {
    Q_OBJECT

    QTemporaryDir home;
    JackServer server;
    std::unique_ptr<Program> program;
    QStringList messages; // every message box the program showed, closed at once
    QTimer boxCloser;
    QProcess* monitor = nullptr;

    QPushButton* button(const char* name)
    {
        return program->window().findChild<QPushButton*>(QString::fromLatin1(name));
    }

    // Answers the next device dialog: the monitor's input as output, then "Ok".
    void chooseMonitorInNextDialog()
    {
        auto* timer = new QTimer(this);
        connect(timer, &QTimer::timeout, this, [timer] {
            QWidget* modal = QApplication::activeModalWidget();
            auto* outputs = modal ? modal->findChild<QComboBox*>(QStringLiteral("ComboMidiOut")) : nullptr;
            if (!outputs || !outputs->isEnabled()) // greyed until its ports are listed
                return;
            timer->stop();
            timer->deleteLater();
            outputs->setCurrentIndex(outputs->findText(QStringLiteral("monitor:input")));
            modal->findChild<QPushButton*>(QStringLiteral("CmdOk"))->click();
        });
        timer->start(10);
    }

    void startMonitor()
    {
        monitor = server.startClient(QStringLiteral("stdbuf"), {QStringLiteral("-oL"), QStringLiteral("jack_midi_dump"),
                                                                QStringLiteral("monitor")});
        QVERIFY(server.waitForPort(QStringLiteral("monitor:input")));
    }

    // Plays the test note, as a user would press "Test" again and again,
    // until the monitor hears it (a freshly started JACK client may miss the
    // very first event), for at most five seconds.
    bool monitorHearsTestNote()
    {
        QString heard;
        for (int i = 0; i < 10 && !heard.contains(QStringLiteral("90 3c 3c")); ++i) {
            QTest::mousePress(button(controls::TestNote), Qt::LeftButton);
            QTest::mouseRelease(button(controls::TestNote), Qt::LeftButton);
            for (int k = 0; k < 10 && !heard.contains(QStringLiteral("90 3c 3c")); ++k) {
                QTest::qWait(50);
                heard += QString::fromLocal8Bit(monitor->readAllStandardOutput());
            }
        }
        return heard.contains(QStringLiteral("90 3c 3c"));
    }

    // The loss reaches the window from JACK's own thread, so its message may
    // come a little after the event that caused it (the server's stop blocks
    // this thread while jackd winds down, longer on a loaded machine).
    void expectOneMessageAboutTheServerSince(qsizetype before)
    {
        QTRY_VERIFY_WITH_TIMEOUT(messages.size() > before, 5000);
        QTest::qWait(300); // room for a second message, which must not come
        QCOMPARE(messages.size(), before + 1);
        QVERIFY(messages.last().contains(QStringLiteral("JACK server")));
    }

private slots:
    void initTestCase()
    {
        // A home of its own: the start offers whatever takes the user's music
        // folder holds unwritten.
        QVERIFY(home.isValid());
        qputenv("HOME", home.path().toLocal8Bit());
        QVERIFY(server.start());
        startMonitor();
        connect(&boxCloser, &QTimer::timeout, this, [this] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                messages << box->text();
                box->close();
            }
        });
        boxCloser.start(10);
        program = std::make_unique<Program>();
        chooseMonitorInNextDialog();
        program->start();
        QVERIFY(monitorHearsTestNote());
    }

    void serverDiesWhileIdle()
    {
        const qsizetype before = messages.size();
        server.stop();
        expectOneMessageAboutTheServerSince(before);
        QVERIFY(!program->setup().isLoaded()); // its lists name ports that are gone
        // The window goes on working with nowhere to play.
        QTest::mousePress(button(controls::TestNote), Qt::LeftButton);
        QTest::mouseRelease(button(controls::TestNote), Qt::LeftButton);
        QCOMPARE(program->window().MIDIOutput1().openState(), 0);
    }

    void soundFlowsAgainOnceTheServerIsBack()
    {
        QVERIFY(server.start());
        startMonitor();
        chooseMonitorInNextDialog();
        program->window().showSetupDialog();
        QCOMPARE(program->window().MIDIOutput1().openState(), 1);
        QVERIFY(monitorHearsTestNote());
        QCOMPARE(program->window().MIDIOutput1().openState(), 1);
    }

    void serverDiesWhileAFormulaPlays()
    {
        program->window().findChild<QLineEdit*>(controls::Delay)->setText(QStringLiteral("5"));
        const qsizetype before = messages.size();
        // Both happen inside the formula's yield, as the user's clicks would.
        QTimer::singleShot(200, this, [this] { server.stop(); });
        QTimer::singleShot(1500, button(controls::StopIt), &QPushButton::click);
        button(controls::DoIt)->click(); // returns once "Stop it" ended the run
        QVERIFY(!program->composer().wondrousRunning());
        expectOneMessageAboutTheServerSince(before);
    }

    void cleanupTestCase()
    {
        boxCloser.stop();
        if (program)
            program->window().close();
        program.reset();
        server.stop();
    }
};

QTEST_MAIN(JackFaultsTest)
#include "test_jack_faults.moc"
