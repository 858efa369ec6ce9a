#pragma once

#include "devices/outside_beat.h"
#include "sync/snapshot_cell.h"

#include <cstddef>
#include <cstdint>

namespace quorvane {

// Follows the MIDI clock arriving at the input and publishes its beat (tick
// positions counted from the last Start, 0 at the first tick after it; heard
// at the last tick): fed the timing clock, Start,
// Continue, Stop and Song Position Pointer with the moment each was heard
// (the frame's moment under JACK, the arrival under the ALSA sequencer), on
// the one thread that receives them.
//
// The tempo is the mean spacing of the ticks over the last 16 beats: a clock
// whose every spacing wavers (a drum machine's, jack_midi_clock -J) reads
// steady, and one late tick moves it by a trace. When the last six spacings
// leave that mean by more than 12 %, the tempo really changed: the mean
// starts afresh from the newest spacing, so a new tempo is read within a few
// ticks. The lines are counted on from the newest tick; a spacing of twice
// the tempo's counts a tick lost on the way. Ticks closer than
// 0.3 ms or further apart than 3 s start the count afresh (until two good
// ticks, there is no clock). Real-time safe: no lock, no allocation.
class ClockInTracker {
public:
    static constexpr std::int64_t shortestTickNs = 300'000;
    static constexpr std::int64_t longestTickNs = 3'000'000'000;
    static constexpr std::size_t meanTicks = 16 * 24 + 1;
    static constexpr std::size_t changeTicks = 6;
    static constexpr double changeShare = 0.12;

    explicit ClockInTracker(SnapshotCell<BeatReading>& out) : out_(out) { }

    // A whole message of the input; anything but the clock's is ignored.
    void take(const std::uint8_t* bytes, std::size_t size, std::int64_t atNs);

private:
    void tick(std::int64_t atNs);
    void keep(std::int64_t atNs); // one tick more, in the mean and the count
    void publish();

    SnapshotCell<BeatReading>& out_;
    std::int64_t tickAgo(std::size_t ago) const { return tickNs_[(newest_ + meanTicks - ago) % meanTicks]; }

    // The moments of the last ticks, in a ring; kept_ of them belong to the
    // mean (the newest at newest_).
    std::int64_t tickNs_[meanTicks] = {};
    std::size_t kept_ = 0;
    std::size_t newest_ = 0;
    double nsPerTick_ = 0; // the last good mean, kept through a pause
    bool running_ = true;  // a clock heard without a Start first runs
    bool resuming_ = false; // Start or Continue came: the next tick sets the place
    double songTick_ = -1; // the position of the last tick; the next is one on
    BeatReading reading_;
};

} // namespace quorvane
