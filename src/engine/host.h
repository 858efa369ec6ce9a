#pragma once

#include <cstdint>

namespace quorvane {

// The platform services the engine runs on, injected so that tests can script
// them: the clock, the yield to the event queue, the pause between sends and
// the random source.
class Host {
public:
    virtual ~Host() = default;

    // Handles every pending event, the clicks of "Stop it" included.
    virtual void yield() = 0;
    // The steady clock (std::chrono::steady_clock), in nanoseconds: the time
    // of every timed send.
    virtual std::int64_t now() const = 0;
    // Waits until that moment of now()'s clock; at once when it has passed.
    // The window repaints and MIDI input keeps flowing, user input waits for
    // the next yield.
    virtual void pauseUntil(std::int64_t deadlineNs) = 0;
    // Waits ms milliseconds from now.
    void pause(long long ms) { pauseUntil(now() + ms * 1'000'000); }
    // A draw uniform in [0, 1) as a single-precision real, reseeded from the
    // clock first.
    virtual float random() = 0;
    // True once the program is shutting down: running loops end at once.
    virtual bool ending() const = 0;
    // The program is shutting down: from now on ending() is true, and a
    // pause under way ends too.
    virtual void setEnding() = 0;
};

} // namespace quorvane
