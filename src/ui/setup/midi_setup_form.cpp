#include "ui/setup/midi_setup_form.h"

#include "midi/device_numbers.h"
#include "ui/setup/device_switching.h"
#include "ui/setup/setup_form_layout.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QMoveEvent>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

namespace quorvane {

MIDISetupForm::MIDISetupForm(MidiOutput& output, MidiInput& input, QWidget* parent)
    : QDialog(parent), output_(output), input_(input)
{
    buildSetupFormLayout(*this);
    ComboMidiIn = findChild<QComboBox*>(QStringLiteral("ComboMidiIn"));
    ComboMidiOut = findChild<QComboBox*>(QStringLiteral("ComboMidiOut"));
    connect(findChild<QPushButton*>(QStringLiteral("CmdOk")), &QPushButton::clicked, this, &MIDISetupForm::CmdOk_Click);
    // "Cancel", Escape and the close box all reject: the owner then discards
    // the dialog, and the devices stay as they are.
    connect(findChild<QPushButton*>(QStringLiteral("CmdCancel")), &QPushButton::clicked, this, &QDialog::reject);
}

void MIDISetupForm::centre()
{
    // Whole window, frame included, halved with the remainder dropped; one
    // move, the size stays.
    const QRect screenArea = screen()->geometry();
    const QRect window = frameGeometry();
    move(screenArea.x() + (screenArea.width() - window.width()) / 2,
         screenArea.y() + (screenArea.height() - window.height()) / 2);
}

namespace {

// The entry of the device named `chosen`, found by its name wherever it now
// stands; a device that has gone is listed once more, marked, with no number.
void keepChoice(QComboBox& list, const QString& chosen)
{
    if (chosen.isEmpty())
        return;
    const int position = list.findData(chosen, deviceNameRole, Qt::MatchExactly);
    if (position >= 0) {
        list.setCurrentIndex(position);
        return;
    }
    addDeviceEntry(list, QCoreApplication::translate("MIDISetupForm", "%1 (gone)").arg(chosen), chosen, QVariant());
    list.setCurrentIndex(list.count() - 1);
}

} // namespace

void MIDISetupForm::listOutputs()
{
    ComboMidiOut->clear();
    const int outputs = output_.deviceCount();
    for (int device = device::VirtualPort; device < outputs; ++device) {
        output_.setDeviceNumber(device);
        addDeviceEntry(*ComboMidiOut, output_.deviceName(), output_.deviceName(), device);
    }
}

void MIDISetupForm::listInputs()
{
    ComboMidiIn->clear();
    const int inputs = input_.deviceCount();
    for (int device = 0; device < inputs; ++device) {
        input_.setDeviceNumber(device);
        addDeviceEntry(*ComboMidiIn, input_.deviceName(), input_.deviceName(), device);
    }
}

void MIDISetupForm::moveEvent(QMoveEvent* event)
{
    QDialog::moveEvent(event);
    // A window manager frames a new window and moves it once to make room for
    // its title bar; by then it has told the frame's size, so the whole frame
    // can be centred. Later moves are the user's own.
    if (centreWhenFramed_ && event->spontaneous() && isVisible()) {
        centreWhenFramed_ = false;
        if (frameGeometry() != geometry())
            centre();
    }
}

void MIDISetupForm::load()
{
    centre();
    centreWhenFramed_ = true;
    openDefaults();
}

void MIDISetupForm::loadOnceDrawn()
{
    centre();
    centreWhenFramed_ = true;
    listingLeft_ = true;
    ComboMidiIn->setEnabled(false);
    ComboMidiOut->setEnabled(false);
}

void MIDISetupForm::paintEvent(QPaintEvent* event)
{
    QDialog::paintEvent(event);
    // Queued behind the drawing's flush to the screen, so that the window is
    // seen before the wait for the MIDI system's ports.
    if (listingLeft_)
        QTimer::singleShot(0, this, &MIDISetupForm::finishLoad);
}

void MIDISetupForm::finishLoad()
{
    if (!listingLeft_)
        return;
    listingLeft_ = false;
    openDefaults();
    ComboMidiIn->setEnabled(true);
    ComboMidiOut->setEnabled(true);
    // The input list holds the focus, as in a dialog listed before it showed;
    // a message about a device that would not open may have taken the
    // activation, and the dialog is what the musician answers next.
    ComboMidiIn->setFocus();
    if (isVisible())
        activateWindow();
}

void MIDISetupForm::openDefaults()
{
    listOutputs();
    // Device 0; with no device of the system's, the virtual port alone, so
    // that there always is an output where a MIDI system exists.
    ComboMidiOut->setCurrentIndex(ComboMidiOut->count() > 1 ? 1 : 0);
    output_.setDeviceNumber(device::VirtualPort);
    OpenMidiOut(output_, *ComboMidiOut, ChosenBy::Defaults);

    listInputs();
    ComboMidiIn->setCurrentIndex(0); // stays empty when there is no input device
    input_.setDeviceNumber(0);
    OpenMidiIn(input_, *ComboMidiIn, ChosenBy::Defaults);
}

void MIDISetupForm::refreshLists()
{
    const QString output = ComboMidiOut->currentData(deviceNameRole).toString();
    const QString input = ComboMidiIn->currentData(deviceNameRole).toString();
    listOutputs();
    keepChoice(*ComboMidiOut, output);
    listInputs();
    keepChoice(*ComboMidiIn, input);
}

void MIDISetupForm::CmdOk_Click()
{
    finishLoad(); // "Ok" pressed before the lists were filled takes the defaults
    OpenMidiIn(input_, *ComboMidiIn, ChosenBy::Musician);
    OpenMidiOut(output_, *ComboMidiOut, ChosenBy::Musician);
    accept(); // hidden, not discarded: the next show offers the same choice
}

} // namespace quorvane
