#include "engine/control_names.h"
#include "main_window_fixture.h"
#include "midi/midi_bytes.h"

#include <QDialog>
#include <QMessageBox>
#include <QtTest>
#include <thread>

using namespace quorvane;

namespace {

struct RecordingObserver : PlayObserver {
    QStringList sent;
    void messageSent(const MidiBytes& message, std::int64_t) override { sent << hexText(message); }
};

} // namespace

class MainWindowMidiTest : public QObject {
    Q_OBJECT
private slots:
    void burstOfMixedMessagesIsForwardedInOrder()
    {
        MainWindowFixture f;
        const QList<MidiBytes> burst = {{0x90, 60, 100}, {0x80, 60, 0}, {0xB0, 7, 90}, {0xE0, 0, 64},  {0x91, 62, 80},
                                        {0xC1, 5},       {0xD0, 30},    {0xF8},        {0xA0, 60, 10}, {0xB3, 10, 127}};
        for (const MidiBytes& message : burst)
            f.in->inject(message);
        QTRY_COMPARE(f.out->wire.size(), std::size_t(burst.size()));
        QStringList expected;
        for (const MidiBytes& message : burst)
            expected << hexText(message);
        QCOMPARE(f.out->wireLog(), expected);
        QTRY_COMPARE(f.window->MIDIInput1().count(), 0);
        QCOMPARE(f.out->wireLog(), expected); // the window sent none of them again
        QCOMPARE(f.patches()->currentIndex(), 0); // channel 2's programme change left the selector alone
    }

    void programmeChangeOnOwnChannelMovesTheSelector()
    {
        MainWindowFixture f;
        f.patches()->setCurrentIndex(3);
        f.out->wire.clear();
        f.in->inject({0xC0, 40});
        QTRY_COMPARE(f.patches()->currentText(), QStringLiteral("Violin"));
        QCOMPARE(f.out->wireLog(), QStringList({"c0 28"}));
        QCOMPARE(f.composer().channelPatch(0), 40);

        // The same programme again still reaches the synth.
        f.in->inject({0xC0, 40});
        QTRY_COMPARE(f.out->wire.size(), std::size_t(2));
        QCOMPARE(f.out->wireLog().last(), QStringLiteral("c0 28"));
    }

    // A device that plays what it is handed at once (the synthesizer, the
    // sequencer) gets the key from the thread it arrives on; the window then
    // follows it without sending it again.
    void inputIsPlayedOnItsOwnThreadAndNeverTwice()
    {
        MainWindowFixture f;
        RecordingObserver seen;
        f.program->playObservers().add(&seen);
        std::thread device([&] {
            f.in->inject({0x90, 60, 100});
            f.in->inject({0xC0, 40});
            f.in->inject({0xB0, 7}); // cut off: nobody gets it
        });
        device.join();
        // Not a single event handled by the window yet.
        QCOMPARE(f.out->wireLog(), QStringList({"90 3c 64", "c0 28"}));
        QTRY_COMPARE(f.patches()->currentText(), QStringLiteral("Violin"));
        QTRY_COMPARE(f.window->MIDIInput1().count(), 0);
        QCOMPARE(f.composer().channelPatch(0), 40);
        QCOMPARE(f.out->wireLog(), QStringList({"90 3c 64", "c0 28"}));
        // The take and the monitor still hear both as sent.
        QCOMPARE(seen.sent, QStringList({"90 3c 64", "c0 28"}));
        f.program->playObservers().remove(&seen);
    }

    // A device that keeps to the time it is given (JACK) is not sent to from
    // the input's thread: the window forwards as before.
    void timedOutputIsForwardedByTheWindowOnly()
    {
        MainWindowFixture f;
        f.out->leadNs = 5'000'000;
        std::thread device([&] { f.in->inject({0x90, 62, 90}); });
        device.join();
        QVERIFY(f.out->wire.empty());
        QTRY_COMPARE(f.out->wireLog(), QStringList({"90 3e 5a"}));
        QTest::qWait(20);
        QCOMPARE(f.out->wire.size(), std::size_t(1));
    }

    // While the input does not receive, nothing is forwarded on any thread.
    void stoppedInputForwardsNothing()
    {
        MainWindowFixture f;
        f.window->MIDIInput1().setAction(5);
        std::thread device([&] { f.in->inject({0x90, 60, 100}); });
        device.join();
        QTest::qWait(20);
        QVERIFY(f.out->wire.empty());
    }

    void inputIsForwardedWhileAFormulaRuns()
    {
        MainWindowFixture f;
        f.box(controls::Delay)->setText(QStringLiteral("5"));
        f.check(controls::RandomDelay)->setChecked(false);
        QTimer::singleShot(30, [&] { f.in->inject({0x99, 36, 127}); });
        f.stopWondrousnessAfter(40);
        f.button(controls::DoIt)->click();
        const QStringList wire = f.out->wireLog();
        const qsizetype forwarded = wire.indexOf(QStringLiteral("99 24 7f"));
        QVERIFY(forwarded > 0);
        QVERIFY(forwarded < wire.size() - 1); // it went out between two of the formula's messages
    }

    void componentErrorsAreShownUnlessQuiet()
    {
        MainWindowFixture f;
        QString shown;
        whenModalOpens([&](QWidget* modal) {
            shown = modal->windowTitle() + QLatin1Char(':') + qobject_cast<QMessageBox*>(modal)->text();
        });
        f.out->failingOpens[1] = QStringLiteral("Device busy");
        f.window->MIDIOutput1().setDeviceNumber(1);
        f.window->MIDIOutput1().setAction(1);
        QCOMPARE(shown, QStringLiteral("Quorvane:Device busy"));

        shown.clear();
        emit f.window->MIDIInput1().errorReported(8, QStringLiteral("remark"));
        emit f.window->MIDIInput1().errorReported(0, QStringLiteral("fine"));
        QTest::qWait(30);
        QVERIFY(shown.isEmpty());
        QVERIFY(QApplication::activeModalWidget() == nullptr);
    }

    void shutdownStopsAndClosesOnce_data()
    {
        QTest::addColumn<bool>("byMenu");
        QTest::addColumn<bool>("noteOff");
        QTest::newRow("Exit") << true << true;
        QTest::newRow("close box") << false << true;
        QTest::newRow("Exit without Note Off") << true << false;
    }

    void shutdownStopsAndClosesOnce()
    {
        QFETCH(bool, byMenu);
        QFETCH(bool, noteOff);
        MainWindowFixture f;
        f.composer().setStartNote(64);
        f.composer().PitchOn(); // a formula's note, still sounding
        f.out->wire.clear();
        f.check(controls::UseNoteOff)->setChecked(noteOff);
        f.window->show();
        if (byMenu)
            f.find<QAction>(menus::Exit)->trigger();
        else
            f.window->close();
        f.window->close(); // a second close finds the program already ended
        QCOMPARE(f.programEnds, 1);
        QCOMPARE(f.out->wireLog(), noteOff ? QStringList({"90 40 00"}) : QStringList());
        QCOMPARE(f.in->writeLog(), QStringList({"Action=5", "Action=2"}));
        QCOMPARE(f.out->writeLog().last(), QStringLiteral("Action=2"));
        QCOMPARE(f.window->MIDIOutput1().openState(), 0);
        QCOMPARE(f.window->MIDIInput1().openState(), 0);
    }

    void exitFromInsideARunningFormulaEndsItThere()
    {
        MainWindowFixture f;
        f.box(controls::Delay)->setText(QStringLiteral("2"));
        std::size_t sentAtExit = 0;
        auto* timer = new QTimer(f.window);
        QObject::connect(timer, &QTimer::timeout, [&] {
            if (f.out->wire.size() >= 8 && sentAtExit == 0) {
                f.find<QAction>(menus::Exit)->trigger();
                sentAtExit = f.out->wire.size();
            }
        });
        timer->start(1);
        f.button(controls::MixDoIt)->click(); // returns only once the loop has ended
        timer->stop();
        QCOMPARE(f.programEnds, 1);
        QCOMPARE(f.out->wire.size(), sentAtExit); // nothing more after the devices closed
        QCOMPARE(f.in->writeLog(), QStringList({"Action=5", "Action=2"}));
    }

    void midiSetupDuringARunPausesIt()
    {
        MainWindowFixture f;
        f.box(controls::Delay)->setText(QStringLiteral("1"));
        std::size_t sentWhileOpen = 0;
        f.window->showSetupDialog = [&] {
            QDialog dialog(f.window);
            const std::size_t before = f.out->wire.size();
            QTimer::singleShot(100, &dialog, &QDialog::accept);
            dialog.exec();
            sentWhileOpen = f.out->wire.size() - before;
            f.button(controls::StopIt)->click();
        };
        QTimer::singleShot(20, [&] { f.find<QAction>(menus::MidiSetup)->trigger(); });
        f.button(controls::DoIt)->click();
        QCOMPARE(sentWhileOpen, std::size_t(0));
        QVERIFY(!f.out->wire.empty());
    }

    void panicItemsSilenceTheChannels()
    {
        MainWindowFixture f;
        f.composer().setStartNoteOff(72);
        f.find<QAction>(menus::AllOff)->trigger();
        QCOMPARE(f.out->wireLog(), QStringList({"b0 40 00", "b0 7b 00", "90 48 00"}));

        f.out->wire.clear();
        f.find<QAction>(menus::AllChannelsAllOff)->trigger();
        const QStringList wire = f.out->wireLog();
        QCOMPARE(wire.size(), 16 * 3 + 1);
        for (int channel = 0; channel < 16; ++channel) {
            const QString status = QStringLiteral("b%1").arg(channel, 0, 16);
            QCOMPARE(wire.mid(channel * 3, 3), QStringList({status + " 40 00", status + " 7b 00", status + " 78 00"}));
        }
        QCOMPARE(wire.last(), QStringLiteral("90 48 00"));
    }

    // Ctrl+A is the panic key from whatever control has the focus, also a
    // settings box that would take it for select-all, right after typing.
    void ctrlAIsAllOffWhateverHasTheFocus_data()
    {
        QTest::addColumn<QString>("control");
        for (const char* name :
             {"DelayText", "TextVal(0)", "StartNoteText", "Text1", "ComboPatch", "DoIt", "CheckUseNoteOff"})
            QTest::newRow(name) << QString::fromLatin1(name);
    }

    void ctrlAIsAllOffWhateverHasTheFocus()
    {
        QFETCH(QString, control);
        MainWindowFixture f;
        f.window->show();
        QVERIFY(QTest::qWaitForWindowActive(f.window));
        QWidget* focused = f.find<QWidget>(control);
        focused->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), focused);
        auto* box = qobject_cast<QLineEdit*>(focused);
        if (box) {
            box->selectAll();
            QTest::keyClicks(box, QStringLiteral("125"));
        }
        f.out->wire.clear();

        QTest::keyClick(f.window->windowHandle(), Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(f.out->wireLog().mid(0, 2), QStringList({"b0 40 00", "b0 7b 00"}));
        if (box) {
            QCOMPARE(box->text(), QStringLiteral("125"));
            QVERIFY2(!box->hasSelectedText(), qPrintable(box->selectedText()));
        }
        QCOMPARE(QApplication::focusWidget(), focused);
    }

    // The window's own check box and boxes: 48..72 typed in, a Mixmaster run
    // strikes only notes inside, and a crossed range is marked at once.
    void useMinMaxKeepsTheRunsNotesInTheRangeTyped()
    {
        MainWindowFixture f;
        f.box(controls::Delay)->setText(QStringLiteral("1"));
        f.check(controls::UseMinMax)->click();
        f.box(controls::PitchMin)->setText(QStringLiteral("48"));
        f.box(controls::PitchMax)->setText(QStringLiteral("72"));
        QTimer::singleShot(300, f.window, [&] { f.button(controls::MixStopIt)->click(); });
        f.button(controls::MixDoIt)->click(); // returns once stopped
        int struck = 0;
        for (const MemoryOutputBackend::WireMessage& m : f.out->wire)
            if (m.bytes.size() == 3 && m.bytes[0] == midi::NoteOn && m.bytes[2] > 0) {
                ++struck;
                QVERIFY2(m.bytes[1] >= 48 && m.bytes[1] <= 72, qPrintable(hexText(m.bytes)));
            }
        QVERIFY(struck >= 3);
        QVERIFY(f.box(controls::PitchMin)->toolTip().isEmpty());

        f.box(controls::PitchMax)->setText(QStringLiteral("40"));
        QVERIFY(!f.box(controls::PitchMin)->toolTip().isEmpty());
        QVERIFY(!f.box(controls::PitchMax)->toolTip().isEmpty());
    }
};

QTEST_MAIN(MainWindowMidiTest)
#include "test_main_window_midi.moc"
