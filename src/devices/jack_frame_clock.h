#pragma once

#include <jack/jack.h>

#include <cstdint>

namespace quorvane {

// The frames of the JACK cycle under way against the program's steady clock
// (std::chrono::steady_clock): where a moment falls in the cycle and the
// moment of a frame. Real-time safe; made by JackTimeline in the process
// callback.
class JackFrameClock {
public:
    JackFrameClock(jack_nframes_t start, jack_nframes_t frames, std::int64_t startNs, double nsPerFrame)
        : start_(start), frames_(frames), startNs_(startNs), nsPerFrame_(nsPerFrame)
    { }

    jack_nframes_t cycleStart() const { return start_; }
    jack_nframes_t frames() const { return frames_; }
    // Where a steady-clock moment falls, in frames from the cycle's start
    // (negative before it, frames() and more in later cycles), and the
    // moment of a frame given the same way. Frame numbers wrap around after
    // a day; offsets from the cycle do not.
    double offsetAt(std::int64_t steadyNs) const;
    std::int64_t steadyNsAt(double offset) const;
    std::int64_t steadyNsOf(jack_nframes_t frame) const;
    double nsPerFrame() const { return nsPerFrame_; }

private:
    jack_nframes_t start_;
    jack_nframes_t frames_;
    std::int64_t startNs_;
    double nsPerFrame_;
};

// How the server's frames and the steady clock run against each other, kept
// smooth. JACK's own estimate of each cycle's start (a delay-locked loop on
// the moments the driver woke) swings for seconds after a stall, and the
// spacing of timed messages would swing with it; here the frames run at the
// nominal rate, following the server's estimate slowly (over about two
// seconds), and start afresh where it jumps by more than a few periods (a
// restart, a long stall). JACK keeps its time on a clock of its own
// (CLOCK_MONOTONIC_RAW with jackd2 on Linux), which the system's time
// keeping slews against the steady one, so the two are compared in each
// cycle that times anything. Real-time safe: used in the process callback
// alone, which lets the cycles with nothing to time pass without it.
class JackTimeline {
public:
    JackFrameClock cycle(jack_client_t* client, jack_nframes_t frames);

private:
    bool anchored_ = false;
    jack_nframes_t anchorFrame_ = 0;
    double anchorNs_ = 0;
    double nsPerFrame_ = 0;
};

} // namespace quorvane
