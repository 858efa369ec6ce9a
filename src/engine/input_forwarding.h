#pragma once

namespace quorvane {

class MidiInput;
class MidiOutput;
class Panel;

// Passes every waiting input message to the output, oldest first, by the one
// forwarding rule (midi/forwarding_rule.h). A programme change on the
// program's own channel moves the patch selector instead, whose selection
// handling sends it and remembers it; while the program sends a MIDI clock of
// its own, the clock coming in is not passed on. A message the MIDI system
// already forwarded as it arrived is not sent again; the patch selector
// follows its programme change without sending it.
void forwardInput(MidiInput& input, MidiOutput& output, int midiChannel, bool ownClockOut, Panel& panel);

} // namespace quorvane
