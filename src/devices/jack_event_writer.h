#pragma once

#include "devices/jack_frame_clock.h"

#include <jack/jack.h>
#include <jack/ringbuffer.h>

#include <cstddef>
#include <cstdint>

namespace quorvane {

// One stream of MIDI events for a JACK output port in the cycle under way,
// earliest first: the messages the program queued, the clock it sends.
// Real-time safe: used in the process callback.
class CycleEvents {
public:
    virtual ~CycleEvents() = default;
    // The offset in this cycle of the next event due in it; false when none is.
    virtual bool nextOffset(jack_nframes_t& offset) = 0;
    // Writes that event into the port buffer at the offset given (never
    // before its own); false when the buffer has no room, and the event
    // stays first in its stream for the next cycle.
    virtual bool writeNext(void* buffer, jack_nframes_t offset) = 0;
};

// Writes the due events of every stream into one port buffer in frame order,
// as JACK needs them (offsets never decreasing): a late event goes out at
// once, and at the same frame the stream given first goes first.
void writeInFrameOrder(void* buffer, CycleEvents* const* streams, std::size_t count);

// The messages the program queued for an output, each led by the steady-clock
// moment it is to be heard at. A sender never queues a message due before one
// it queued earlier, so the first not yet due ends what is due this cycle.
class QueuedMessages : public CycleEvents {
public:
    struct Stamp {
        std::int64_t atNs;
        std::uint32_t size;
    };
    // The largest message an output takes; the program sends short messages.
    static constexpr std::size_t largestMessage = 256;

    QueuedMessages(jack_ringbuffer_t* ring, const JackFrameClock& clock) : ring_(ring), clock_(clock) { }

    bool nextOffset(jack_nframes_t& offset) override;
    bool writeNext(void* buffer, jack_nframes_t offset) override;

    // On the sender's side: whether a message of this size fits, and the
    // queueing itself. One sender at a time.
    static bool hasRoom(jack_ringbuffer_t* ring, std::size_t size);
    static void queue(jack_ringbuffer_t* ring, const Stamp& stamp, const std::uint8_t* bytes);

private:
    bool peekWhole(); // the next message, once its sender has written all of it

    jack_ringbuffer_t* ring_;
    const JackFrameClock& clock_;
    Stamp stamp_{};
    char bytes_[largestMessage];
};

} // namespace quorvane
