#pragma once

#include <cstdint>

namespace quorvane {

// When the passes of a run play, on the host's steady clock. A pass plays at
// the deadline of the pause before it, and the next deadline is counted from
// that one, not from the moment the user-interface thread got there: so its
// lateness (a repaint, the monitor, the pass's own work) never adds up from
// note to note. A thread far behind (a modal dialog held the run, the machine
// stalled) starts afresh from the moment it goes on, so no burst of catch-up
// notes plays.
class PassClock {
public:
    // Behind by more than this (or by more than the last wait), the passes
    // start afresh.
    static constexpr std::int64_t stallNs = 100'000'000;

    // A run starts: its first pass plays now.
    void start(std::int64_t nowNs);
    // The time of the pass under way.
    std::int64_t passTime() const { return passNs_; }
    // At the start of a pass: starts afresh when the thread stalled.
    void catchUp(std::int64_t nowNs);
    // The pause after a pass: the deadline waitNs after it, which the next
    // pass plays at.
    std::int64_t advance(std::int64_t waitNs);

private:
    std::int64_t passNs_ = 0;
    std::int64_t lastWaitNs_ = 0;
};

} // namespace quorvane
