#pragma once

#include "devices/jack_event_writer.h"
#include "midi/input_thru.h"

#include <jack/jack.h>

#include <cstdint>

namespace quorvane {

// The events at the program's JACK input in the cycle under way, as a stream
// for the output they are forwarded to: each at the frame it came at, by the
// one forwarding rule, so that a key is heard in the cycle it was played in.
// Real-time safe: used in the process callback.
class ForwardedInput : public CycleEvents {
public:
    // inputBuffer: null when no input is open, and then nothing goes.
    ForwardedInput(void* inputBuffer, const InputThru::Settings& settings);

    bool nextOffset(jack_nframes_t& offset) override;
    bool writeNext(void* buffer, jack_nframes_t offset) override;

    // Whether the input's event at this index went out in this cycle; one
    // that did not (held back by the rule, or no room) is the window's.
    bool forwarded(std::uint32_t index) const;

private:
    bool passes(std::uint32_t index) const;

    void* input_;
    InputThru::Settings settings_;
    std::uint32_t count_ = 0;
    std::uint32_t next_ = 0; // every event before it has gone out or is held back
};

} // namespace quorvane
