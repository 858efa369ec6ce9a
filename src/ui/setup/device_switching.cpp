#include "ui/setup/device_switching.h"

#include "midi/device_numbers.h"
#include "midi/midi_errors.h"
#include "ui/common/warning_box.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QSignalBlocker>

namespace quorvane {

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("DeviceSwitching", text);
}

// Opens the device already selected on the component. A failed open is told
// to the musician once, in words that name the list entry: the component's
// own notification is held back for this one action, since on its own it
// could only give the reason. Remarks that need no action are never told.
template <class Component>
void openNamingFailure(Component& component, const QComboBox& list, const QString& message, ChosenBy chosenBy)
{
    {
        const QSignalBlocker quiet(&component);
        component.setAction(Component::Open);
    }
    if (component.openState() >= 1)
        return;
    const MidiFailure& failure = component.lastFailure();
    const bool toTell = component.lastFailureToTell() ||
                        (chosenBy == ChosenBy::Musician && !isQuietMidiError(failure.code()));
    if (toTell)
        showWarning(list.window(), message.arg(list.currentText(), failure.text()));
}

// The device number the chosen entry carries; an entry of a device that has
// gone carries none, and the musician is told so, by the device's own name.
std::optional<int> listedDevice(const QComboBox& list)
{
    const QVariant device = list.currentData();
    if (device.isValid())
        return device.toInt();
    showWarning(list.window(), deviceGone(list.currentData(deviceNameRole).toString()).text());
    return std::nullopt;
}

} // namespace

void addDeviceEntry(QComboBox& list, const QString& text, const QString& name, const QVariant& device)
{
    list.addItem(text, device);
    list.setItemData(list.count() - 1, name, deviceNameRole);
}

void OpenMidiOut(MidiOutput& output, const QComboBox& ComboMidiOut, ChosenBy chosenBy)
{
    const int state = output.openState();
    const std::optional<int> device = toInteger16(output.deviceNumber());
    // The virtual port forces a close even when nothing reads as open: the
    // dialog's load sets it on purpose, so that every load starts from a
    // closed output.
    if (state >= 1 || device == device::VirtualPort)
        output.setAction(MidiOutput::Close);
    const std::optional<int> chosen = listedDevice(ComboMidiOut);
    if (!chosen)
        return;
    output.setDeviceNumber(*chosen);
    openNamingFailure(output, ComboMidiOut, tr("The MIDI output device \"%1\" could not be opened.\n\n%2"), chosenBy);
}

void OpenMidiIn(MidiInput& input, const QComboBox& ComboMidiIn, ChosenBy chosenBy)
{
    // Reception goes straight to close: the component stops it as it closes.
    if (input.openState() >= 1)
        input.setAction(MidiInput::Close);
    if (ComboMidiIn.currentIndex() < 0)
        return; // no input device on this system: the input stays closed
    const std::optional<int> chosen = listedDevice(ComboMidiIn);
    if (!chosen)
        return;
    input.setDeviceNumber(*chosen);
    openNamingFailure(input, ComboMidiIn, tr("The MIDI input device \"%1\" could not be opened.\n\n%2"), chosenBy);
    input.setAction(MidiInput::Start);
}

} // namespace quorvane
