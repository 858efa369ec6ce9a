#pragma once

#include "devices/jack_frame_clock.h"
#include "devices/outside_beat.h"

#include <jack/transport.h>

namespace quorvane {

// The beat of the JACK transport at a cycle, from its timebase master's
// bar, beat and tick and tempo: clock ticks (24 to the beat) counted from
// bar 1 beat 1, at the moment the position refers to (frameNs, the cycle's
// start less the master's offset). Rolling runs, stopped or starting
// stands; without a timebase master (no bar and beat) there is no beat.
BeatTimeline transportBeat(jack_transport_state_t state, const jack_position_t& position, std::int64_t frameNs);

// Follows the JACK transport in each cycle the process callback makes, and
// publishes its beat. Lines ahead are told by the pace at which the
// master's position really moves: a master that adds up whole ticks each
// cycle runs a little slower than its stated tempo, and the lines must fall
// where its bar, beat and tick will be. Where that pace agrees with the
// stated tempo as far as whole ticks can tell, the stated tempo stands.
// Real-time safe: jack_transport_query and a store.
class JackTransportFollower {
public:
    explicit JackTransportFollower(SnapshotCell<BeatReading>* out) : out_(out) { }

    // The transport's beat in this cycle.
    const BeatTimeline& follow(jack_client_t* client, const JackFrameClock& clock);

private:
    // The pace since the anchor, in nanoseconds per clock tick, or the
    // stated one while they agree; re-anchors where the position jumped.
    double paceOf(const BeatTimeline& beat, const jack_position_t& position);

    SnapshotCell<BeatReading>* out_; // null: nobody reads it
    BeatReading reading_;
    bool anchored_ = false;
    std::int64_t anchorNs_ = 0;
    double anchorTick_ = 0;
    double anchorBpm_ = 0;
};

} // namespace quorvane
