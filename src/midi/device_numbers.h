#pragma once

// How the components and the device dialog number MIDI devices: the map and
// why a device is its name are in ARCHITECTURE.md, "Device numbers". The
// built-in synthesizer is device 0 of the output by being listed first
// (app/synth_first_backend.h); the system's ports follow it.
namespace quorvane::device {

constexpr int NothingOpen = -2; // the in-memory devices' record of what is open
constexpr int VirtualPort = -1; // the program's own port, which others patch from (outputs only)

// A device number is a 16-bit integer like every number the program's
// controls hold, so a list stops after this many devices.
constexpr int MaxCount = 32767;

} // namespace quorvane::device
