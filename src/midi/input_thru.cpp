#include "midi/input_thru.h"

#include "midi/guarded_output.h"

namespace quorvane {

Forwarding InputThru::Settings::forwardingOf(const std::uint8_t* bytes, std::size_t size) const
{
    if (!receiving)
        return Forwarding::Drop;
    return quorvane::forwardingOf(bytes, size, programChannel, ownClockOut);
}

InputThru::Settings InputThru::settings() const
{
    return {receiving_.load(std::memory_order_acquire), programChannel_.load(std::memory_order_acquire),
            ownClockOut_.load(std::memory_order_acquire)};
}

bool InputThru::forwardOnArrival(const MidiBytes& message) const
{
    GuardedOutput* output = output_.load(std::memory_order_acquire);
    if (!output || settings().forwardingOf(message.data(), message.size()) == Forwarding::Drop)
        return false;
    return output->sendIfPlaysAtOnce(message);
}

} // namespace quorvane
