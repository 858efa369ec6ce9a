#pragma once

#include "devices/midi_system.h"
#include "midi/port_backend.h"

#include <memory>

namespace quorvane {

// The devices of this desktop: for output the built-in synthesizer (device 0)
// in front of the MIDI system's ports, for input the MIDI system's ports.
std::unique_ptr<OutputBackend> desktopOutput(MidiSystem& system);
std::unique_ptr<InputBackend> desktopInput(MidiSystem& system);

} // namespace quorvane
