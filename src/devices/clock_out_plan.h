#pragma once

#include "sync/midi_clock_out.h"

#include <cstdint>

namespace quorvane {

// What the MIDI clock the program sends is to do, as the user-interface
// thread hands it to the thread that sends it.
struct ClockOutPlan {
    bool on = false;
    ClockFollows follows = ClockFollows::OwnTempo;
    bool running = false;        // a run is under way
    std::uint32_t runSerial = 0; // counts the runs started
    std::int64_t startAtNs = 0;  // when the latest run's first pass is heard
};

// The Start and Stop of one sender of the clock (the JACK process callback,
// the ALSA sequencer's clock thread), from the plans it is handed. Real-time
// safe.
class ClockStartStop {
public:
    // After each look at the plan: whether a Stop is due at once, for a run
    // that ended, a clock switched off or a new run begun.
    bool stopDue(const ClockOutPlan& plan);
    // Whether a Start goes right before the tick heard at tickNs: the first
    // tick at or after the run's first pass.
    bool startBefore(std::int64_t tickNs);
    bool startPending() const { return pending_; }

private:
    bool seen_ = false; // a run of the plan's was looked at while the clock was on
    std::uint32_t seenRun_ = 0;
    bool pending_ = false;
    bool started_ = false;
    std::int64_t startAtNs_ = 0;
};

} // namespace quorvane
