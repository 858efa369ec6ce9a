#pragma once

#include "devices/midi_system.h"
#include "midi/port_backend.h"

#include <memory>

namespace quorvane {

// The output and input back ends of each kind of MIDI system: the one place
// that knows them all.
std::unique_ptr<OutputBackend> outputBackendOf(MidiSystem& system, MidiSystem::Kind kind);
std::unique_ptr<InputBackend> inputBackendOf(MidiSystem& system, MidiSystem::Kind kind);

} // namespace quorvane
