#pragma once

#include <cstddef>
#include <cstdint>

namespace quorvane {

// What becomes of a whole message that arrives at the input, the one rule
// for every path that forwards it.
enum class Forwarding {
    Forward,     // the same bytes go to the output
    SelectPatch, // a programme change on the program's own channel: the patch list takes it and sends it
    Drop,        // no whole message; or timing clock, Start, Continue and Stop while the program sends a clock of its own
};

// Real-time safe: no allocation, nothing but the bytes looked at.
Forwarding forwardingOf(const std::uint8_t* bytes, std::size_t size, int programChannel, bool ownClockOut);

} // namespace quorvane
