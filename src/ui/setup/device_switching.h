#pragma once

#include "midi/midi_input.h"
#include "midi/midi_output.h"

#include <QVariant>

class QComboBox;

namespace quorvane {

// Each entry of the dialog's two lists carries its device number (none for a
// device that has gone) and, beside its text, the device's own name in this
// role: a device that has gone keeps it too, so that the choice is found
// again by that name once the device is back, and a gone mark is never
// marked again.
constexpr int deviceNameRole = Qt::UserRole + 1;

void addDeviceEntry(QComboBox& list, const QString& text, const QString& name, const QVariant& device);

// Who chose the entry put into use. A failed open is told naming the entry,
// but for the defaults the dialog's load puts into use, what the error policy
// has told already (the missing MIDI system) is not told again; the
// musician's own choice is always answered, or "Ok" would seem to do nothing.
enum class ChosenBy { Defaults, Musician };

// Puts the output device selected in the setup dialog's output list into use:
// closes the output if it reads as open or sits on the virtual port (device
// -1), selects the device (list position - 1) and opens it.
void OpenMidiOut(MidiOutput& output, const QComboBox& ComboMidiOut, ChosenBy chosenBy);

// Puts the input device selected in the setup dialog's input list into use:
// closes the input if it reads as open, selects the device (list position),
// opens it and starts receiving. With an empty list no input is in use.
void OpenMidiIn(MidiInput& input, const QComboBox& ComboMidiIn, ChosenBy chosenBy);

} // namespace quorvane
