#include "devices/jack_event_writer.h"

#include <jack/midiport.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace quorvane {

void writeInFrameOrder(void* buffer, CycleEvents* const* streams, std::size_t count)
{
    jack_nframes_t last = 0;
    for (;;) {
        CycleEvents* earliest = nullptr;
        jack_nframes_t earliestOffset = 0;
        for (std::size_t i = 0; i < count; ++i) {
            jack_nframes_t offset = 0;
            if (!streams[i]->nextOffset(offset))
                continue;
            offset = std::max(offset, last);
            if (!earliest || offset < earliestOffset) {
                earliest = streams[i];
                earliestOffset = offset;
            }
        }
        if (!earliest || !earliest->writeNext(buffer, earliestOffset))
            return;
        last = earliestOffset;
    }
}

bool QueuedMessages::peekWhole()
{
    char head[sizeof(Stamp) + largestMessage];
    if (jack_ringbuffer_peek(ring_, head, sizeof(Stamp)) != sizeof(Stamp))
        return false;
    std::memcpy(&stamp_, head, sizeof(Stamp));
    if (stamp_.size == 0 || stamp_.size > largestMessage)
        return false; // cannot happen: the sender checks the size
    const std::size_t whole = sizeof(Stamp) + stamp_.size;
    if (jack_ringbuffer_peek(ring_, head, whole) < whole)
        return false; // the sender is still writing it
    std::memcpy(bytes_, head + sizeof(Stamp), stamp_.size);
    return true;
}

bool QueuedMessages::nextOffset(jack_nframes_t& offset)
{
    if (!peekWhole())
        return false;
    const double at = std::round(clock_.offsetAt(stamp_.atNs));
    if (at >= clock_.frames())
        return false; // for a later cycle
    // Late messages (a stalled thread) go out at once, still in order.
    offset = at < 0 ? 0 : static_cast<jack_nframes_t>(at);
    return true;
}

bool QueuedMessages::writeNext(void* buffer, jack_nframes_t offset)
{
    if (jack_midi_event_write(buffer, offset, reinterpret_cast<const jack_midi_data_t*>(bytes_), stamp_.size) != 0)
        return false; // this cycle's buffer is full: the message leads the next one
    jack_ringbuffer_read_advance(ring_, sizeof(Stamp) + stamp_.size);
    return true;
}

bool QueuedMessages::hasRoom(jack_ringbuffer_t* ring, std::size_t size)
{
    return jack_ringbuffer_write_space(ring) >= sizeof(Stamp) + size;
}

void QueuedMessages::queue(jack_ringbuffer_t* ring, const Stamp& stamp, const std::uint8_t* bytes)
{
    jack_ringbuffer_write(ring, reinterpret_cast<const char*>(&stamp), sizeof stamp);
    jack_ringbuffer_write(ring, reinterpret_cast<const char*>(bytes), stamp.size);
}

} // namespace quorvane
