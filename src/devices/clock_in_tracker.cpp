#include "devices/clock_in_tracker.h"

#include "midi/midi_bytes.h"
#include "sync/own_tempo.h"

#include <algorithm>
#include <cmath>

namespace quorvane {

namespace {

// The tempo read is held to the range a musician can choose.
constexpr double fastestNsPerTick = 60e9 / (OwnTempo::highestBpm * clockTicksPerQuarter);
constexpr double slowestNsPerTick = 60e9 / (OwnTempo::lowestBpm * clockTicksPerQuarter);

// A Song Position Pointer counts sixteenth notes, six ticks each.
constexpr int ticksPerSongBeat = 6;

// A spacing this near twice the tempo's (in spacings) is one tick lost: a
// wavering clock's spacings stay within a tenth or two of their mean, and a
// tempo that halves at one stroke is no musician's change.
constexpr double lostTickShare = 0.25;

} // namespace

void ClockInTracker::take(const std::uint8_t* bytes, std::size_t size, std::int64_t atNs)
{
    if (size == 0)
        return;
    switch (bytes[0]) {
    case midi::Clock: tick(atNs); return;
    case midi::Start:
        songTick_ = -1;
        [[fallthrough]];
    case midi::Continue:
        running_ = true;
        resuming_ = true;
        break;
    case midi::Stop: running_ = false; break;
    case midi::SongPosition:
        if (size < 3)
            return;
        songTick_ = midi::fourteenBits(bytes[1], bytes[2]) * ticksPerSongBeat - 1;
        break;
    default: return;
    }
    publish();
}

void ClockInTracker::tick(std::int64_t atNs)
{
    if (resuming_ && nsPerTick_ <= 0)
        kept_ = 0;
    if (resuming_ && kept_ > 0) {
        // The clock may have paused while stopped: the pause counts as one
        // spacing of the tempo known, so the mean goes on.
        const std::int64_t shift = atNs - tickNs_[newest_] - std::llround(nsPerTick_);
        for (std::size_t ago = 0; ago < kept_; ++ago)
            tickNs_[(newest_ + meanTicks - ago) % meanTicks] += shift;
    } else if (kept_ > 0) {
        const std::int64_t since = atNs - tickNs_[newest_];
        if (since < shortestTickNs) {
            // Two ticks at once are no clock a device keeps: a fault, or
            // two clocks merged.
            kept_ = 0;
            nsPerTick_ = 0;
            publish();
            return;
        }
        if (since > longestTickNs) {
            kept_ = 0;
            nsPerTick_ = 0;
        } else if (kept_ > changeTicks && std::abs(since / nsPerTick_ - 2) < lostTickShare) {
            // One tick lost on the way (a full link, a missed cycle): it is
            // counted where it was due, so the lines keep their ticks.
            keep(tickNs_[newest_] + since / 2);
        }
    }
    keep(atNs);
    resuming_ = false;
    reading_.heardNs = atNs;
    reading_.beat.originNs = atNs;
    if (kept_ < 2) {
        reading_.beat.originTick = songTick_;
        publish();
        return;
    }
    double mean = static_cast<double>(atNs - tickAgo(kept_ - 1)) / static_cast<double>(kept_ - 1);
    if (kept_ > changeTicks) {
        const double recent = static_cast<double>(atNs - tickAgo(changeTicks)) / changeTicks;
        if (std::abs(recent / mean - 1) > changeShare) {
            kept_ = 2;
            mean = static_cast<double>(atNs - tickAgo(1));
        }
    }
    nsPerTick_ = std::clamp(mean, fastestNsPerTick, slowestNsPerTick);
    reading_.beat.originTick = songTick_;
    publish();
}

void ClockInTracker::keep(std::int64_t atNs)
{
    newest_ = (newest_ + 1) % meanTicks;
    tickNs_[newest_] = atNs;
    kept_ = std::min(kept_ + 1, meanTicks);
    if (running_)
        songTick_ += 1;
}

void ClockInTracker::publish()
{
    BeatTimeline& beat = reading_.beat;
    beat.nsPerTick = nsPerTick_;
    if (nsPerTick_ <= 0)
        beat.state = SourceState::NoSignal;
    else
        beat.state = running_ && !resuming_ && kept_ > 0 ? SourceState::Running : SourceState::Stopped;
    out_.store(reading_);
}

} // namespace quorvane
