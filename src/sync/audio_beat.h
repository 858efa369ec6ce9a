#pragma once

#include "sync/beat_timeline.h"

#include <cstdint>

namespace quorvane {

// A beat whose tempo and phase others change at any moment (a network
// session's peers), read afresh by the one thread that sends the MIDI clock
// at each of its looks: the JACK process callback, or the sequencer's clock
// thread. Never locks or allocates.
class AudioBeat {
public:
    virtual ~AudioBeat() = default;
    virtual BeatTimeline timelineForAudio(std::int64_t nowNs) const = 0;
};

} // namespace quorvane
