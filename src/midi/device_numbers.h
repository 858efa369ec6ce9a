#pragma once

namespace quorvane::device {

// How the program numbers MIDI devices, in the components' DeviceNumber and
// in the device dialog's lists:
//   -2   nothing open (the in-memory devices' record of what is open)
//   -1   the program's own virtual port, which other programs patch from
//        (outputs only)
//    0   on the output: the built-in synthesizer, in front of the system's ports
//   1..  on the output, 0.. on the input: the MIDI system's ports, in the
//        order the system listed them when the list was last taken
// A device is its name: the number picks a name from the list as it was
// shown, and the back end opens the device of that name as the system has it
// at that moment, so ports that come, go or move in the system's order never
// put the program on another port than the one chosen.
constexpr int NothingOpen = -2;
constexpr int VirtualPort = -1;
constexpr int Synthesizer = 0;

// A device number is a 16-bit integer like every number the program's
// controls hold, so a list stops after this many devices.
constexpr int MaxCount = 32767;

} // namespace quorvane::device
