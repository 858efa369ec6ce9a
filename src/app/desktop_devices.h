#pragma once

#include "devices/midi_system.h"
#include "midi/port_backend.h"
#include "synth/synth_output.h"

#include <memory>

namespace quorvane {

// The devices of this desktop: for output the built-in synthesizer (device 0)
// in front of the MIDI system's ports, for input the MIDI system's ports. The
// synthesizer follows the rate of the MIDI system's JACK server.
std::unique_ptr<OutputBackend> desktopOutput(MidiSystem& system, SynthOptions synth = {});
std::unique_ptr<InputBackend> desktopInput(MidiSystem& system);

} // namespace quorvane
