#include "sync/own_tempo.h"

#include <algorithm>
#include <cmath>

namespace quorvane {

namespace {

double nsPerTickAt(double bpm)
{
    return 60e9 / (std::clamp(bpm, OwnTempo::lowestBpm, OwnTempo::highestBpm) * clockTicksPerQuarter);
}

} // namespace

OwnTempo::OwnTempo(std::int64_t nowNs)
{
    BeatTimeline start;
    start.state = SourceState::Running;
    start.originNs = nowNs;
    start.nsPerTick = nsPerTickAt(defaultBpm);
    timeline_.store(start);
}

void OwnTempo::setBpm(double bpm, std::int64_t nowNs)
{
    BeatTimeline next = timeline_.load();
    if (!std::isfinite(bpm) || nsPerTickAt(bpm) == next.nsPerTick)
        return;
    // The tick count goes on where it was: the new tempo starts at a tick
    // of the old one, so the lines keep their places in the bar.
    const double tick = std::ceil(next.tickAt(nowNs + changeAheadNs));
    next.originNs = next.timeOfTick(tick);
    next.originTick = tick;
    next.nsPerTick = nsPerTickAt(bpm);
    timeline_.store(next);
}

SyncStatus OwnTempo::status(std::int64_t nowNs) const
{
    return statusOf(timeline_.load(), nowNs);
}

std::optional<std::int64_t> OwnTempo::lineAtOrAfter(std::int64_t timeNs, GridDivision division) const
{
    return timeline_.load().lineAtOrAfter(timeNs, division);
}

SyncStatus statusOf(const BeatTimeline& timeline, std::int64_t nowNs)
{
    SyncStatus status;
    status.state = timeline.state;
    if (timeline.state == SourceState::NoSignal || timeline.nsPerTick <= 0)
        return status;
    status.bpm = timeline.bpm();
    timeline.barAndBeatAt(nowNs, status.bar, status.beat);
    return status;
}

} // namespace quorvane
