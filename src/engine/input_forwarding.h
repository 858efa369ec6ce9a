#pragma once

namespace quorvane {

class MidiInput;
class MidiOutput;
class Panel;

// Passes every waiting input message to the output, oldest first. A programme
// change on the program's own channel moves the patch selector instead, whose
// selection handling sends it and remembers it.
void forwardInput(MidiInput& input, MidiOutput& output, int midiChannel, Panel& panel);

} // namespace quorvane
