#include "sync/beat_timeline.h"

#include <algorithm>
#include <cmath>

namespace quorvane {

namespace {

// Less than this before a tick counts as on it: the rounding of a moment
// to whole nanoseconds must not push a line onto the next one.
constexpr double onTheTick = 1e-6;

} // namespace

double BeatTimeline::bpm() const
{
    return nsPerTick > 0 ? 60e9 / (nsPerTick * clockTicksPerQuarter) : 0;
}

double BeatTimeline::tickAt(std::int64_t timeNs) const
{
    return originTick + static_cast<double>(timeNs - originNs) / nsPerTick;
}

std::int64_t BeatTimeline::timeOfTick(double tick) const
{
    return originNs + std::llround((tick - originTick) * nsPerTick);
}

std::int64_t BeatTimeline::lineAtOrAfter(std::int64_t timeNs, GridDivision division) const
{
    const double ticksPerLine = clockTicksPerLine(division);
    const double line = std::ceil(tickAt(timeNs) / ticksPerLine - onTheTick);
    return timeOfTick(line * ticksPerLine);
}

void BeatTimeline::barAndBeatAt(std::int64_t timeNs, int& bar, int& beat) const
{
    const double beats = std::floor(std::max(0.0, tickAt(timeNs)) / clockTicksPerQuarter + onTheTick);
    const int perBar = beatsPerBar > 0 ? beatsPerBar : 4;
    bar = static_cast<int>(std::floor(beats / perBar)) + 1;
    beat = static_cast<int>(beats - (bar - 1) * perBar) + 1;
}

} // namespace quorvane
