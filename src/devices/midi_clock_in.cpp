#include "devices/midi_clock_in.h"

#include "sync/own_tempo.h"

namespace quorvane {

BeatTimeline MidiClockIn::beatAt(std::int64_t nowNs) const
{
    const ClockInReading reading = reading_.load();
    BeatTimeline beat = reading.beat;
    if (beat.state == SourceState::Running && nowNs - reading.lastTickNs > silenceNs)
        beat.state = SourceState::NoSignal;
    return beat;
}

SyncStatus MidiClockIn::status(std::int64_t nowNs) const
{
    const BeatTimeline beat = beatAt(nowNs);
    // A stopped clock stands where it stopped.
    return statusOf(beat, beat.state == SourceState::Running ? nowNs : beat.originNs);
}

std::optional<std::int64_t> MidiClockIn::lineAtOrAfter(std::int64_t timeNs, GridDivision division) const
{
    // Whether the clock went silent is the status's to tell: the composer
    // asks it before every pass.
    const BeatTimeline beat = reading_.load().beat;
    if (beat.state != SourceState::Running)
        return std::nullopt;
    return beat.lineAtOrAfter(timeNs, division);
}

} // namespace quorvane
