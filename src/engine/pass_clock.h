#pragma once

#include "sync/grid.h"
#include "sync/sync_source.h"

#include <cstdint>

namespace quorvane {

// When the passes of a run play, on the host's steady clock. A pass plays at
// the deadline of the pause before it, and the next deadline is counted from
// that one, not from the moment the user-interface thread got there: so its
// lateness (a repaint, the monitor, the pass's own work) never adds up from
// note to note. A thread far behind (a modal dialog held the run, the machine
// stalled) starts afresh from the moment it goes on, so no burst of catch-up
// notes plays.
//
// On a grid, every deadline is a line of the grid's source: the first at or
// after the moment the free pause would have ended, and never the line the
// pass itself sits on.
class PassClock {
public:
    // Behind by more than this (or by more than the last wait), the passes
    // start afresh.
    static constexpr std::int64_t stallNs = 100'000'000;

    // The grid the passes keep to; no source for "Free (Delay)".
    void setGrid(const SyncSource* source, GridDivision division);
    bool onGrid() const { return source_ != nullptr; }
    // Whether the passes can go on now: always, unless the grid's source
    // does not run.
    bool sourceRuns(std::int64_t nowNs) const;

    // A run starts, or goes on after a hold: its first pass plays now, or on
    // a grid at the first line the output can still be given in time for
    // (leadNs from now).
    void start(std::int64_t nowNs, std::int64_t leadNs);
    // The time of the pass under way.
    std::int64_t passTime() const { return passNs_; }
    // At the start of a pass: starts afresh when the thread stalled.
    void catchUp(std::int64_t nowNs, std::int64_t leadNs);
    // On a grid, just before the pass is handed over: the line it sits on as
    // the source tells it now. An outside beat's pace is known better the
    // later it is asked (a clock's tempo drifts, a transport master's
    // position moves a little off its stated tempo); the line stays the
    // same one.
    void refineLine();
    // The pause after a pass: the deadline waitNs after it (on a grid, the
    // line the deadline falls on), which the next pass plays at.
    std::int64_t advance(std::int64_t waitNs);

private:
    // The first line at or after a moment; the moment itself when the
    // source does not run.
    std::int64_t lineAtOrAfter(std::int64_t timeNs) const;

    const SyncSource* source_ = nullptr;
    GridDivision division_ = GridDivision::Sixteenth;
    std::int64_t passNs_ = 0;
    std::int64_t lastWaitNs_ = 0;
};

} // namespace quorvane
