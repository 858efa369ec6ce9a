#pragma once

#include "devices/midi_system.h"
#include "midi/port_backend.h"
#include "synth/synth_output.h"

#include <memory>

namespace quorvane {

// The synthesizer's options on a MIDI system: it follows the rate of the
// system's JACK server, and plays through the system's own JACK client.
SynthOptions onSystem(MidiSystem& system, SynthOptions synth = {});

// The devices of this desktop: for output the built-in synthesizer (device 0)
// on the MIDI system, in front of that system's ports; for input the MIDI
// system's ports.
std::unique_ptr<OutputBackend> desktopOutput(MidiSystem& system, SynthOptions synth = {});
std::unique_ptr<InputBackend> desktopInput(MidiSystem& system);

} // namespace quorvane
