#include "devices/outside_beat.h"

#include "sync/own_tempo.h"

namespace quorvane {

BeatTimeline OutsideBeat::beatAt(std::int64_t nowNs) const
{
    const BeatReading reading = reading_.load();
    BeatTimeline beat = reading.beat;
    if (beat.state == SourceState::Running && nowNs - reading.heardNs > silenceNs)
        beat.state = SourceState::NoSignal;
    return beat;
}

SyncStatus OutsideBeat::status(std::int64_t nowNs) const
{
    const BeatTimeline beat = beatAt(nowNs);
    // A stopped clock stands where it stopped.
    SyncStatus status = statusOf(beat, beat.state == SourceState::Running ? nowNs : beat.originNs);
    const double stated = reading_.load().statedBpm;
    if (stated > 0 && status.state != SourceState::NoSignal)
        status.bpm = stated;
    return status;
}

std::optional<std::int64_t> OutsideBeat::lineAtOrAfter(std::int64_t timeNs, GridDivision division) const
{
    // Whether the clock went silent is the status's to tell: the composer
    // asks it before every pass.
    const BeatTimeline beat = reading_.load().beat;
    if (beat.state != SourceState::Running)
        return std::nullopt;
    return beat.lineAtOrAfter(timeNs, division);
}

} // namespace quorvane
