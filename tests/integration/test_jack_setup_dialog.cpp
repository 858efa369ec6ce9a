#include "../ui/setup/modal_answers.h"
#include "jack_server.h"
#include "ui/setup/midi_setup.h"
#include "devices/system_backend.h"

#include <QComboBox>
#include <QtTest>

using namespace quorvane;

// The device dialog on the real RtMidi back end, against a JACK server of the
// test's own: outside clients' ports appear in its lists, and choosing them
// with "Ok" connects the program to them.
class JackSetupDialogTest : public QObject {
    Q_OBJECT

    JackServer server;
    MidiSystem system; // outlives the components that talk to it
    QProcess* dump = nullptr;
    std::unique_ptr<MidiOutput> output;
    std::unique_ptr<MidiInput> input;
    std::unique_ptr<MidiSetup> setup;

    // Shows the dialog, picks the entry named `port` in `listName` and presses
    // "Ok". The entry must not be the one the load put into use already, or
    // "Ok" would prove nothing.
    bool chooseInDialog(const char* listName, const QString& port)
    {
        bool found = false;
        ModalAnswers answers;
        answers.onDialog = [&](QDialog& form) {
            auto* list = form.findChild<QComboBox*>(QString::fromLatin1(listName));
            const int position = list->findText(port);
            found = position >= 0 && position != list->currentIndex();
            if (!found)
                return; // left open: closed by ModalAnswers, and the test fails below
            list->setCurrentIndex(position);
            QTest::mouseClick(form.findChild<QPushButton*>(QStringLiteral("CmdOk")), Qt::LeftButton);
        };
        answers.run([this] { setup->showModal(); });
        return found && answers.boxes.isEmpty();
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(server.start(), "jackd with the dummy driver did not start");
        // Decoys registered first take device 0 on both sides, which the
        // dialog's load opens; the decoy sequence plays another note.
        server.startClient(QStringLiteral("jack_midi_dump"), {QStringLiteral("decoy")});
        server.startClient(QStringLiteral("jack_midiseq"),
                           {QStringLiteral("decoyseq"), QStringLiteral("24000"), QStringLiteral("0"),
                            QStringLiteral("72"), QStringLiteral("12000")});
        QVERIFY(server.waitForPort(QStringLiteral("decoy:input")));
        QVERIFY(server.waitForPort(QStringLiteral("decoyseq:out")));
        // stdbuf: the dump must print each message as it comes, not at exit.
        dump = server.startClient(QStringLiteral("stdbuf"), {QStringLiteral("-oL"), QStringLiteral("jack_midi_dump")});
        // A half-second loop with middle C held for a quarter of it.
        server.startClient(QStringLiteral("jack_midiseq"),
                           {QStringLiteral("seq"), QStringLiteral("24000"), QStringLiteral("0"), QStringLiteral("60"),
                            QStringLiteral("12000")});
        QVERIFY(server.waitForPort(QStringLiteral("midi-monitor:input")));
        QVERIFY(server.waitForPort(QStringLiteral("seq:out")));
        output = std::make_unique<MidiOutput>(std::make_unique<SystemOutputBackend>(system));
        input = std::make_unique<MidiInput>(std::make_unique<SystemInputBackend>(system));
        setup = std::make_unique<MidiSetup>(*output, *input);
    }

    void cleanupTestCase()
    {
        setup.reset();
        input.reset();
        output.reset();
        server.stop();
    }

    void chosenOutputReceivesWhatIsSentAfterOk()
    {
        QVERIFY(chooseInDialog("ComboMidiOut", QStringLiteral("midi-monitor:input")));
        QCOMPARE(output->openState(), 1);
        dump->readAllStandardOutput(); // only what is sent from here on counts

        output->setStatus(0x90);
        output->setData2(64);
        output->setData1(62);
        output->setAuxiliary(0);
        output->setAction(7);

        QString received;
        QTRY_VERIFY_WITH_TIMEOUT(
            (received += QString::fromLocal8Bit(dump->readAllStandardOutput())).contains(QStringLiteral("90 3e 40")),
            5000);
    }

    void chosenInputDeliversAfterOk()
    {
        QVERIFY(chooseInDialog("ComboMidiIn", QStringLiteral("seq:out")));
        QCOMPARE(input->openState(), 1);
        QVERIFY(input->isReceiving());
        // What the device opened at load sent before "Ok" is still queued (no
        // message is dropped on a switch); the chosen sequencer's note 60
        // follows it.
        auto noteFromChosenDevice = [this] {
            for (; input->count() > 0; input->setAction(MidiInput::Next)) {
                if ((input->status() == 0x90 || input->status() == 0x80) && input->data1() == 60)
                    return true;
            }
            return false;
        };
        QTRY_VERIFY_WITH_TIMEOUT(noteFromChosenDevice(), 5000);
    }
};

QTEST_MAIN(JackSetupDialogTest)
#include "test_jack_setup_dialog.moc"
