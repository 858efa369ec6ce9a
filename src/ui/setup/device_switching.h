#pragma once

#include "midi/midi_input.h"
#include "midi/midi_output.h"

class QComboBox;

namespace quorvane {

// Puts the output device selected in the setup dialog's output list into use:
// closes the output if it reads as open or sits on the virtual port (device
// -1), selects the device (list position - 1) and opens it.
void OpenMidiOut(MidiOutput& output, const QComboBox& ComboMidiOut);

// Puts the input device selected in the setup dialog's input list into use:
// closes the input if it reads as open, selects the device (list position),
// opens it and starts receiving. With an empty list no input is in use.
void OpenMidiIn(MidiInput& input, const QComboBox& ComboMidiIn);

} // namespace quorvane
