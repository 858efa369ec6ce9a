#include "memory_backend.h"
#include "ui/setup/midi_setup.h"
#include "ui/setup/midi_setup_form.h"
#include "modal_answers.h"

#include <QComboBox>
#include <QLabel>
#include <QScreen>
#include <QSignalSpy>
#include <QtTest>

using namespace quorvane;

namespace {

const QString virtualPort = QStringLiteral("Memory virtual port");

// A machine without any MIDI system: every look says so, as with the real
// back end; the error policy the two components share tells it once.
struct MissingSystem {
    MidiFailure failure() { return MidiFailure(MidiErrorCode::NoMidiSystem, QStringLiteral("No MIDI system was found.")); }
};

struct NoSystemOutput : MemoryOutputBackend {
    explicit NoSystemOutput(MissingSystem& s) : MemoryOutputBackend(QStringList()), system(s) { }
    QStringList devices() override { throw system.failure(); }
    void open(const QString&) override { throw system.failure(); }
    void openVirtualPort() override { throw system.failure(); }
    MissingSystem& system;
};

struct NoSystemInput : MemoryInputBackend {
    explicit NoSystemInput(MissingSystem& s) : MemoryInputBackend(QStringList()), system(s) { }
    QStringList devices() override { throw system.failure(); }
    void open(const QString&, Receiver) override { throw system.failure(); }
    MissingSystem& system;
};

// The two components over in-memory devices, and the dialog's owner.
struct Rig {
    Rig(std::unique_ptr<MemoryOutputBackend> o, std::unique_ptr<MemoryInputBackend> i)
        : out(o.get()), in(i.get()), output(std::make_unique<MidiOutput>(std::move(o))),
          input(std::make_unique<MidiInput>(std::move(i))), setup(std::make_unique<MidiSetup>(*output, *input))
    {
        output->setRecorder(out);
        input->setRecorder(in);
    }
    Rig(const QStringList& outs, const QStringList& ins)
        : Rig(std::make_unique<MemoryOutputBackend>(outs), std::make_unique<MemoryInputBackend>(ins))
    { }

    // Shows the dialog modally and hands it to `action`; returns the message boxes.
    QStringList show(const std::function<void(QDialog&)>& action)
    {
        ModalAnswers answers;
        answers.onDialog = action;
        answers.run([this] { setup->showModal(); });
        if (answers.dialogs != 1 || answers.leftOpen)
            QTest::qFail("the dialog was not shown once and closed by the test's action", __FILE__, __LINE__);
        return answers.boxes;
    }

    void clearLogs()
    {
        out->clearLog();
        in->clearLog();
    }

    // Everything the input was told happened before anything the output was told.
    bool inputWentFirst() const
    {
        return in->writes.empty() || out->writes.empty() ||
               in->writes.back().nanoseconds < out->writes.front().nanoseconds;
    }

    MemoryOutputBackend* out;
    MemoryInputBackend* in;
    std::unique_ptr<MidiOutput> output;
    std::unique_ptr<MidiInput> input;
    std::unique_ptr<MidiSetup> setup;
};

const QStringList twoOuts{QStringLiteral("Memory Out A"), QStringLiteral("Memory Out B")};
const QStringList twoIns{QStringLiteral("Memory In A"), QStringLiteral("Memory In B")};

QComboBox& list(QDialog& form, const char* name)
{
    return *form.findChild<QComboBox*>(QString::fromLatin1(name));
}

QStringList entries(QDialog& form, const char* name)
{
    QStringList texts;
    for (int i = 0; i < list(form, name).count(); ++i)
        texts << list(form, name).itemText(i);
    return texts;
}

void select(QDialog& form, int outPosition, int inPosition)
{
    list(form, "ComboMidiOut").setCurrentIndex(outPosition);
    list(form, "ComboMidiIn").setCurrentIndex(inPosition);
}

void click(QDialog& form, const char* button)
{
    QTest::mouseClick(form.findChild<QPushButton*>(QString::fromLatin1(button)), Qt::LeftButton);
}

} // namespace

class MidiSetupDialogTest : public QObject {
    Q_OBJECT

private slots:
    // The MIDI system may still be starting when the program opens: the
    // dialog is drawn first, its lists greyed, and filled once it is seen.
    void dialogIsDrawnBeforeItsDevicesAreListed()
    {
        struct Watched : MemoryOutputBackend {
            using MemoryOutputBackend::MemoryOutputBackend;
            QStringList devices() override
            {
                if (watching) {
                    const QWidget* modal = QApplication::activeModalWidget();
                    looks << (modal && modal->isVisible());
                }
                return MemoryOutputBackend::devices();
            }
            bool watching = false;
            QList<bool> looks; // whether the dialog was on screen, at each look
        };
        auto output = std::make_unique<Watched>(twoOuts);
        Watched& watched = *output;
        Rig rig(std::move(output), std::make_unique<MemoryInputBackend>(twoIns));
        watched.watching = true;
        bool listsUsable = false;
        rig.show([&](QDialog& form) {
            listsUsable = list(form, "ComboMidiIn").isEnabled() && list(form, "ComboMidiOut").isEnabled();
            QCOMPARE(entries(form, "ComboMidiOut").mid(1), twoOuts);
            click(form, "CmdOk");
        });
        QVERIFY(listsUsable);
        QVERIFY(!watched.looks.isEmpty());
        QVERIFY2(!watched.looks.contains(false), "the devices were listed before the dialog was on screen");
        QCOMPARE(rig.output->openState(), 1);
        QCOMPARE(rig.input->openState(), 1);
    }

    // "Ok" or a close before the dialog was ever drawn still leaves the
    // defaults in use, as a dialog listed at once would.
    void answeredBeforeDrawnTakesTheDefaults()
    {
        Rig rig(twoOuts, twoIns);
        MIDISetupForm form(*rig.output, *rig.input);
        form.loadOnceDrawn();
        QVERIFY(!list(form, "ComboMidiOut").isEnabled());
        QCOMPARE(list(form, "ComboMidiOut").count(), 0);
        form.findChild<QPushButton*>(QStringLiteral("CmdOk"))->click();
        QCOMPARE(entries(form, "ComboMidiOut").mid(1), twoOuts);
        QVERIFY(list(form, "ComboMidiOut").isEnabled());
        QCOMPARE(rig.output->openState(), 1);
        QCOMPARE(rig.input->openState(), 1);

        Rig closed(twoOuts, twoIns);
        closed.show([](QDialog& form) { form.reject(); });
        QCOMPARE(closed.output->openState(), 1);
    }

    void loadListsDevicesAndOpensDefaults_data()
    {
        QTest::addColumn<QStringList>("outs");
        QTest::addColumn<QStringList>("ins");
        QTest::addColumn<QStringList>("outLog");
        QTest::addColumn<QStringList>("inLog");
        QTest::addColumn<int>("outIndex");
        QTest::addColumn<int>("inIndex");
        QTest::addColumn<int>("outOpen"); // -2: closed
        QTest::addColumn<int>("inOpen");

        QTest::newRow("two outputs, two inputs")
            << twoOuts << twoIns
            << QStringList{"DeviceNumber=-1", "DeviceNumber=0", "DeviceNumber=1", "DeviceNumber=-1",
                           "Action=2",        "DeviceNumber=0", "Action=1"}
            << QStringList{"DeviceNumber=0", "DeviceNumber=1", "DeviceNumber=0",
                           "DeviceNumber=0", "Action=1",       "Action=4"}
            << 1 << 0 << 0 << 0;
        QTest::newRow("only the virtual port")
            << QStringList{} << QStringList{"Memory In A"}
            << QStringList{"DeviceNumber=-1", "DeviceNumber=-1", "Action=2", "DeviceNumber=-1", "Action=1"}
            << QStringList{"DeviceNumber=0", "DeviceNumber=0", "DeviceNumber=0", "Action=1", "Action=4"} << 0 << 0 << -1
            << 0;
        QTest::newRow("no input device") << QStringList{"Memory Out A"} << QStringList{}
                                         << QStringList{"DeviceNumber=-1", "DeviceNumber=0", "DeviceNumber=-1",
                                                        "Action=2",        "DeviceNumber=0", "Action=1"}
                                         << QStringList{"DeviceNumber=0"} << 1 << -1 << 0 << -2;
    }

    void loadListsDevicesAndOpensDefaults()
    {
        QFETCH(QStringList, outs);
        QFETCH(QStringList, ins);
        Rig rig(outs, ins);
        QStringList outList, inList, outLog, inLog;
        int outIndex = -9, inIndex = -9;
        QString focus;
        const QStringList boxes = rig.show([&](QDialog& form) {
            outLog = rig.out->writeLog();
            inLog = rig.in->writeLog();
            outList = entries(form, "ComboMidiOut");
            inList = entries(form, "ComboMidiIn");
            outIndex = list(form, "ComboMidiOut").currentIndex();
            inIndex = list(form, "ComboMidiIn").currentIndex();
            focus = form.focusWidget() ? form.focusWidget()->objectName() : QString();
            click(form, "CmdCancel");
        });

        QTEST(outLog, "outLog");
        QTEST(inLog, "inLog");
        QVERIFY(rig.out->writes.back().nanoseconds < rig.in->writes.front().nanoseconds);
        QCOMPARE(outList, QStringList{virtualPort} + outs);
        QCOMPARE(inList, ins);
        QTEST(outIndex, "outIndex");
        QTEST(inIndex, "inIndex");
        QTEST(rig.out->openDevice, "outOpen");
        QTEST(rig.in->openDevice, "inOpen");
        QCOMPARE(rig.input->isReceiving(), rig.in->openDevice != -2);
        QCOMPARE(focus, QStringLiteral("ComboMidiIn"));
        QCOMPARE(boxes, QStringList());
    }

    void leavingTheDialog_data()
    {
        QTest::addColumn<QString>("way");
        QTest::addColumn<bool>("switches"); // puts the selection into use and keeps the dialog
        QTest::newRow("Ok") << "Ok" << true;
        QTest::newRow("Enter") << "Enter" << true;
        QTest::newRow("Cancel") << "Cancel" << false;
        QTest::newRow("Escape") << "Escape" << false;
        QTest::newRow("close box") << "close box" << false;
    }

    void leavingTheDialog()
    {
        QFETCH(QString, way);
        QFETCH(bool, switches);
        Rig rig(twoOuts, twoIns);
        QPointer<QDialog> shown;
        rig.show([&](QDialog& form) {
            shown = &form;
            select(form, 2, 1);
            rig.clearLogs();
            if (way == "Ok")
                click(form, "CmdOk");
            else if (way == "Cancel")
                click(form, "CmdCancel");
            else if (way == "close box")
                form.close();
            else // keys go where the focus is: the input list
                QTest::keyClick(form.focusWidget(), way == "Enter" ? Qt::Key_Return : Qt::Key_Escape);
        });

        QCOMPARE(rig.setup->isLoaded(), switches);
        QCOMPARE(shown.isNull(), !switches);
        QCOMPARE(rig.out->openDevice, switches ? 1 : 0);
        QCOMPARE(rig.in->openDevice, switches ? 1 : 0);
        QCOMPARE(rig.out->writeLog().isEmpty(), !switches);
    }

    void okPutsTheSelectionIntoUse_data()
    {
        QTest::addColumn<QStringList>("ins");
        QTest::addColumn<int>("outPosition");
        QTest::addColumn<int>("inPosition");
        QTest::addColumn<QStringList>("outLog");
        QTest::addColumn<QStringList>("inLog");
        QTest::addColumn<int>("outOpen");
        QTest::addColumn<int>("inOpen");

        QTest::newRow("unchanged: both reopened")
            << twoIns << 1 << 0 << QStringList{"Action=2", "DeviceNumber=0", "Action=1"}
            << QStringList{"Action=2", "DeviceNumber=0", "Action=1", "Action=4"} << 0 << 0;
        QTest::newRow("changed") << twoIns << 2 << 1 << QStringList{"Action=2", "DeviceNumber=1", "Action=1"}
                                 << QStringList{"Action=2", "DeviceNumber=1", "Action=1", "Action=4"} << 1 << 1;
        QTest::newRow("first output entry: virtual port")
            << twoIns << 0 << 0 << QStringList{"Action=2", "DeviceNumber=-1", "Action=1"}
            << QStringList{"Action=2", "DeviceNumber=0", "Action=1", "Action=4"} << -1 << 0;
        QTest::newRow("no input device: output only")
            << QStringList{} << 2 << -1 << QStringList{"Action=2", "DeviceNumber=1", "Action=1"} << QStringList{} << 1
            << -2;
    }

    void okPutsTheSelectionIntoUse()
    {
        QFETCH(QStringList, ins);
        QFETCH(int, outPosition);
        QFETCH(int, inPosition);
        Rig rig(twoOuts, ins);
        const QStringList boxes = rig.show([&](QDialog& form) {
            select(form, outPosition, inPosition);
            rig.clearLogs();
            click(form, "CmdOk");
        });
        QTEST(rig.out->writeLog(), "outLog");
        QTEST(rig.in->writeLog(), "inLog");
        QVERIFY(rig.inputWentFirst());
        QTEST(rig.out->openDevice, "outOpen");
        QTEST(rig.in->openDevice, "inOpen");
        QCOMPARE(rig.input->isReceiving(), rig.in->openDevice != -2);
        QCOMPARE(boxes, QStringList());
    }

    // Shown again, the kept dialog lists the ports of now and keeps the
    // choices by name, without touching the devices in use.
    void hiddenDialogComesBackWithCurrentListsAndItsChoices()
    {
        Rig rig(twoOuts, twoIns);
        QPointer<QDialog> first;
        rig.show([&](QDialog& form) {
            first = &form;
            select(form, 2, 1);
            click(form, "CmdOk");
        });
        // While the dialog is hidden, a port appears ahead of the chosen one.
        rig.out->names.prepend(QStringLiteral("Memory Out C"));
        rig.clearLogs();

        QStringList actionsWhenShown;
        rig.show([&](QDialog& form) {
            QCOMPARE(&form, first.data());
            QCOMPARE(entries(form, "ComboMidiOut"), (QStringList{virtualPort, "Memory Out C"} + twoOuts));
            QCOMPARE(list(form, "ComboMidiOut").currentText(), twoOuts.at(1));
            QCOMPARE(list(form, "ComboMidiIn").currentIndex(), 1);
            actionsWhenShown = (rig.out->writeLog() + rig.in->writeLog()).filter(QStringLiteral("Action"));
            click(form, "CmdOk");
        });
        QCOMPARE(actionsWhenShown, QStringList());
        QCOMPARE(rig.out->openDevice, 2); // the same device, now at another place in the system's list
        QCOMPARE(rig.in->openDevice, 1);
    }

    // A chosen device that went is marked as gone, once however often "Ok"
    // keeps it, and is the choice again once it is back.
    void chosenDeviceThatWentIsMarkedOnceAndFoundWhenBack()
    {
        Rig rig(twoOuts, twoIns);
        rig.show([&](QDialog& form) {
            select(form, 2, 0);
            click(form, "CmdOk");
        });
        rig.out->names.removeLast();
        rig.in->names.removeFirst();
        for (int look = 0; look < 2; ++look) {
            const QStringList boxes = rig.show([&](QDialog& form) {
                QCOMPARE(entries(form, "ComboMidiOut"),
                         (QStringList{virtualPort, twoOuts.at(0), twoOuts.at(1) + QStringLiteral(" (gone)")}));
                QCOMPARE(list(form, "ComboMidiOut").currentIndex(), 2);
                QCOMPARE(entries(form, "ComboMidiIn"), (QStringList{twoIns.at(1), twoIns.at(0) + " (gone)"}));
                QCOMPARE(list(form, "ComboMidiIn").currentIndex(), 1);
                // After this answer returns, so that the boxes it brings are answered.
                QTimer::singleShot(0, &form, [&form] { click(form, "CmdOk"); });
            });
            QCOMPARE(boxes.size(), 2);
            // Told by the device's own name, not by the marked entry.
            QVERIFY(boxes.at(0).contains('"' + twoIns.at(0) + '"'));
            QVERIFY(boxes.at(1).contains('"' + twoOuts.at(1) + '"'));
            QCOMPARE(rig.output->openState(), 0); // nothing else was put in its place
            QCOMPARE(rig.input->openState(), 0);
        }

        rig.out->names.append(twoOuts.at(1));
        rig.in->names.prepend(twoIns.at(0));
        const QStringList boxes = rig.show([&](QDialog& form) {
            QCOMPARE(entries(form, "ComboMidiOut"), (QStringList{virtualPort} + twoOuts));
            QCOMPARE(list(form, "ComboMidiOut").currentIndex(), 2);
            QCOMPARE(entries(form, "ComboMidiIn"), twoIns);
            QCOMPARE(list(form, "ComboMidiIn").currentIndex(), 0);
            click(form, "CmdOk");
        });
        QCOMPARE(boxes, QStringList());
        QCOMPARE(rig.out->openDevice, 1);
        QCOMPARE(rig.in->openDevice, 0);
    }

    void cancelledDialogIsRebuiltAndReopensDefaults()
    {
        Rig rig(twoOuts, twoIns);
        rig.show([&](QDialog& form) {
            select(form, 2, 1);
            click(form, "CmdOk");
        });
        rig.show([&](QDialog& form) { click(form, "CmdCancel"); });
        QVERIFY(!rig.setup->isLoaded());
        QCOMPARE(rig.out->openDevice, 1); // "Cancel" leaves the devices as they are
        QCOMPARE(rig.in->openDevice, 1);

        rig.out->names << QStringLiteral("Memory Out C");
        rig.clearLogs();
        int outOpenWhenShown = -9, inOpenWhenShown = -9;
        QStringList outList;
        rig.show([&](QDialog& form) {
            outOpenWhenShown = rig.out->openDevice;
            inOpenWhenShown = rig.in->openDevice;
            outList = entries(form, "ComboMidiOut");
            click(form, "CmdCancel");
        });
        QCOMPARE(outList, QStringList{virtualPort} + twoOuts + QStringList{"Memory Out C"});
        QCOMPARE(outOpenWhenShown, 0);
        QCOMPARE(inOpenWhenShown, 0);
        QCOMPARE(rig.in->writeLog().mid(3), (QStringList{"Action=2", "DeviceNumber=0", "Action=1", "Action=4"}));
        QCOMPARE(rig.out->openDevice, 0);
        QCOMPARE(rig.in->openDevice, 0);
    }

    void failedOpenIsNamedOnceAndLeftClosed_data()
    {
        QTest::addColumn<bool>("output");
        QTest::addColumn<QString>("box");
        QTest::newRow("output busy")
            << true << "Quorvane: The MIDI output device \"Memory Out A\" could not be opened.\n\nbusy";
        QTest::newRow("input busy") << false
                                    << "Quorvane: The MIDI input device \"Memory In A\" could not be opened.\n\nbusy";
    }

    void failedOpenIsNamedOnceAndLeftClosed()
    {
        QFETCH(bool, output);
        Rig rig(twoOuts, twoIns);
        MemoryDevices& failing = output ? static_cast<MemoryDevices&>(*rig.out) : *rig.in;
        failing.failingOpens[0] = QStringLiteral("busy");
        QSignalSpy outErrors(rig.output.get(), &MidiOutput::errorReported);
        QSignalSpy inErrors(rig.input.get(), &MidiInput::errorReported);

        int stateWhenShown = -9;
        const QStringList boxes = rig.show([&](QDialog& form) {
            stateWhenShown = output ? rig.output->openState() : rig.input->openState();
            select(form, 2, 1); // the dialog stays usable: choose another device
            click(form, "CmdOk");
        });
        QFETCH(QString, box);
        QCOMPARE(boxes, QStringList{box});
        QCOMPARE(stateWhenShown, 0);
        QCOMPARE(outErrors.count() + inErrors.count(), 0); // no second box through the main window
        QCOMPARE(rig.out->openDevice, 1);
        QCOMPARE(rig.in->openDevice, 1);
        QVERIFY(rig.input->isReceiving());
    }

    // The MIDI system goes away while a failure box of the dialog's own load
    // is open: the dialog must survive its load and show, and be listed
    // afresh at the next show.
    void discardDuringTheLoadWaitsUntilTheDialogCloses()
    {
        Rig rig(twoOuts, twoIns);
        rig.in->failingOpens[0] = QStringLiteral("busy");
        ModalAnswers answers;
        answers.onBox = [&](QMessageBox&) { rig.setup->discard(); };
        QStringList outList;
        answers.onDialog = [&](QDialog& form) {
            outList = entries(form, "ComboMidiOut");
            rig.setup->discard(); // again while it is open
            select(form, 1, 1);   // away from the busy input
            click(form, "CmdOk");
        };
        answers.run([&] { rig.setup->showModal(); });
        QCOMPARE(answers.boxes.size(), 1);
        QCOMPARE(answers.dialogs, 1);
        QCOMPARE(outList, QStringList{virtualPort} + twoOuts);
        QVERIFY(!rig.setup->isLoaded()); // "Ok" would have kept it, but its lists are stale
    }

    // Told once as the devices are listed, not again by the opens of the
    // dialog's defaults; but the musician who chooses the virtual port and
    // presses "Ok" is told why nothing opened.
    void noMidiSystemIsToldOnceAndAgainWhenTheVirtualPortIsChosen()
    {
        MissingSystem system;
        Rig rig(std::make_unique<NoSystemOutput>(system), std::make_unique<NoSystemInput>(system));
        ErrorPolicy policy;
        rig.output->setErrorPolicy(policy);
        rig.input->setErrorPolicy(policy);
        QSignalSpy outTold(rig.output.get(), &MidiOutput::failureToTell);
        QSignalSpy inTold(rig.input.get(), &MidiInput::failureToTell);
        QStringList outList, inList, boxesBeforeOk;
        ModalAnswers answers;
        answers.onDialog = [&](QDialog& form) {
            outList = entries(form, "ComboMidiOut");
            inList = entries(form, "ComboMidiIn");
            boxesBeforeOk = answers.boxes;
            QTimer::singleShot(0, &form, [&form] { click(form, "CmdOk"); }); // its box is answered then
        };
        answers.run([&] { rig.setup->showModal(); });
        QCOMPARE(outList, QStringList{virtualPort});
        QCOMPARE(inList, QStringList());
        QCOMPARE(boxesBeforeOk, QStringList()); // the main window shows the one report below
        QCOMPARE(outTold.count() + inTold.count(), 1);
        QCOMPARE(answers.boxes,
                 QStringList{QStringLiteral("Quorvane: The MIDI output device \"Memory virtual port\" could not be "
                                            "opened.\n\nNo MIDI system was found.")});
        QCOMPARE(rig.output->openState(), 0);
        QCOMPARE(rig.input->openState(), 0);
    }

    void controlsSitAtTheirPlaces_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("geometry"); // pixels: twips / 15
        QTest::addColumn<QString>("caption");
        QTest::newRow("Label1") << "Label1" << QRect(10, 16, 141, 17) << "MIDI In Device";
        QTest::newRow("ComboMidiIn") << "ComboMidiIn" << QRect(8, 36, 151, 21) << "";
        QTest::newRow("Label2") << "Label2" << QRect(166, 16, 135, 17) << "MIDI Out Device";
        QTest::newRow("ComboMidiOut") << "ComboMidiOut" << QRect(164, 36, 151, 21) << "";
        QTest::newRow("CmdOk") << "CmdOk" << QRect(334, 16, 67, 25) << "Ok";
        QTest::newRow("CmdCancel") << "CmdCancel" << QRect(334, 46, 67, 25) << "Cancel";
    }

    void controlsSitAtTheirPlaces()
    {
        QFETCH(QString, name);
        QFETCH(QString, caption);
        Rig rig(twoOuts, twoIns);
        MIDISetupForm form(*rig.output, *rig.input);
        auto* control = form.findChild<QWidget*>(name);
        QVERIFY(control);
        QTEST(control->geometry(), "geometry");
        if (auto* label = qobject_cast<QLabel*>(control))
            QCOMPARE(label->text(), caption);
        else if (auto* button = qobject_cast<QPushButton*>(control))
            QCOMPARE(button->text(), caption);
        else
            QVERIFY(!qobject_cast<QComboBox*>(control)->isEditable());
        QCOMPARE(control->font().pointSizeF(), 8.25);
        QVERIFY(!control->font().bold());
    }

    void windowIsFixedCentredWithFocusInTabOrder()
    {
        Rig rig(twoOuts, twoIns);
        MIDISetupForm form(*rig.output, *rig.input);
        form.load();
        QCOMPARE(form.windowTitle(), QStringLiteral("MIDI Setup"));
        QCOMPARE(form.minimumSize(), QSize(421, 80));
        QCOMPARE(form.maximumSize(), QSize(421, 80));
        // Without a window manager there is no frame: the whole window is the
        // client area, and that is what the load can centre here.
        const QRect screen = form.screen()->geometry();
        const QRect frame = form.frameGeometry();
        QCOMPARE(frame.size(), QSize(421, 80));
        QCOMPARE(frame.topLeft(),
                 QPoint(screen.x() + (screen.width() - 421) / 2, screen.y() + (screen.height() - 80) / 2));
        QVERIFY(form.findChild<QPushButton*>(QStringLiteral("CmdOk"))->isDefault());

        QStringList chain;
        QWidget* w = form.findChild<QWidget*>(QStringLiteral("ComboMidiIn"));
        for (int i = 0; i < 4; ++i, w = w->nextInFocusChain()) {
            while (w->focusPolicy() == Qt::NoFocus)
                w = w->nextInFocusChain();
            chain << w->objectName();
        }
        QCOMPARE(chain, (QStringList{"ComboMidiIn", "ComboMidiOut", "CmdOk", "CmdCancel"}));
    }
};

QTEST_MAIN(MidiSetupDialogTest)
#include "test_midi_setup_dialog.moc"
