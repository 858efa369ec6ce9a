#include "midi/forwarding_rule.h"

#include "midi/midi_bytes.h"
#include "midi/midi_message.h"

namespace quorvane {

Forwarding forwardingOf(const std::uint8_t* bytes, std::size_t size, int programChannel, bool ownClockOut)
{
    // A cut-off message or stray data bytes never reach a device: every
    // path forwards whole messages, byte for byte.
    if (!isWholeMessage(bytes, size))
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
