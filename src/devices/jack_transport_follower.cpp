#include "devices/jack_transport_follower.h"

#include <algorithm>
#include <cmath>

namespace quorvane {

BeatTimeline transportBeat(jack_transport_state_t state, const jack_position_t& position, std::int64_t frameNs)
{
    BeatTimeline beat;
    if (!(position.valid & JackPositionBBT) || position.beats_per_minute <= 0 || position.ticks_per_beat <= 0)
        return beat;
    const double beats = (position.bar - 1) * static_cast<double>(position.beats_per_bar) + (position.beat - 1) +
                         position.tick / position.ticks_per_beat;
    beat.state = state == JackTransportRolling ? SourceState::Running : SourceState::Stopped;
    beat.originNs = frameNs;
    beat.originTick = beats * clockTicksPerQuarter;
    beat.nsPerTick = 60e9 / (position.beats_per_minute * clockTicksPerQuarter);
    beat.beatsPerBar = std::max(1, static_cast<int>(std::lround(position.beats_per_bar)));
    return beat;
}

double JackTransportFollower::paceOf(const BeatTimeline& beat, const jack_position_t& position)
{
    const double stated = beat.nsPerTick;
    if (beat.state != SourceState::Running) {
        anchored_ = false;
        return stated;
    }
    const double ticks = beat.originTick - anchorTick_;
    const double pace = ticks > 0 ? static_cast<double>(beat.originNs - anchorNs_) / ticks : 0;
    // Stopped, relocated or a new tempo: the pace is measured afresh.
    if (!anchored_ || position.beats_per_minute != anchorBpm_ || pace <= 0 || std::abs(pace / stated - 1) > 0.1) {
        anchored_ = true;
        anchorNs_ = beat.originNs;
        anchorTick_ = beat.originTick;
        anchorBpm_ = position.beats_per_minute;
        return stated;
    }
    // Each end of the span may be off by a whole tick of the master's.
    const double masterTicks = ticks / clockTicksPerQuarter * position.ticks_per_beat;
    return std::abs(pace / stated - 1) > 2 / masterTicks ? pace : stated;
}

const BeatTimeline& JackTransportFollower::follow(jack_client_t* client, const JackFrameClock& clock)
{
    jack_position_t position;
    const jack_transport_state_t state = jack_transport_query(client, &position);
    // The master may give its bar and beat for a frame before the cycle.
    const double offset = (position.valid & JackBBTFrameOffset) ? -static_cast<double>(position.bbt_offset) : 0.0;
    reading_.beat = transportBeat(state, position, clock.steadyNsAt(offset));
    reading_.statedBpm = reading_.beat.bpm();
    reading_.beat.nsPerTick = paceOf(reading_.beat, position);
    reading_.heardNs = clock.steadyNsAt(0);
    if (out_)
        out_->store(reading_);
    return reading_.beat;
}

} // namespace quorvane
