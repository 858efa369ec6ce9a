#include "midi/forwarding_rule.h"

#include "midi/midi_bytes.h"

namespace quorvane {

Forwarding forwardingOf(const std::uint8_t* bytes, std::size_t size, int programChannel, bool ownClockOut)
{
    if (size == 0)
        return Forwarding::Drop;
    const std::uint8_t status = bytes[0];
    // The output's own clock replaces the one coming in: forwarded as well,
    // a device would get every tick twice, and two Starts.
    if (ownClockOut && midi::isClockMessage(status))
        return Forwarding::Drop;
    if (status == midi::ProgramChange + programChannel)
        return Forwarding::SelectPatch;
    return Forwarding::Forward;
}

} // namespace quorvane
