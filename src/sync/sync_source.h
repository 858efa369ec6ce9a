#pragma once

#include "sync/beat_timeline.h"
#include "sync/grid.h"

#include <cstdint>
#include <optional>

namespace quorvane {

// What the sync window's status line tells of a source: whether it runs, its
// tempo and where it stands (bar and beat from 1; 0 when it tells none).
struct SyncStatus {
    SourceState state = SourceState::NoSignal;
    double bpm = 0;
    int bar = 0;
    int beat = 0;
};

// A beat the program's runs keep to: its own tempo, an outside MIDI clock or
// the JACK transport. Read on the user-interface thread; the sources that
// outside clients drive are fed on the MIDI system's threads and hand over
// what they know without a lock.
class SyncSource {
public:
    virtual ~SyncSource() = default;
    virtual SyncStatus status(std::int64_t nowNs) const = 0;
    // The moment, on the steady clock, of the first line of the grid at or
    // after timeNs, as far as it can be told now; none while the source
    // does not run.
    virtual std::optional<std::int64_t> lineAtOrAfter(std::int64_t timeNs, GridDivision division) const = 0;
    // The line a run's first pass plays on: the first line at or after
    // timeNs, unless the source starts its runs on bar lines.
    virtual std::optional<std::int64_t> firstLineAtOrAfter(std::int64_t timeNs, GridDivision division) const
    {
        return lineAtOrAfter(timeNs, division);
    }
};

// What the start and the end of a run mean beyond its notes: the MIDI clock
// the program sends starts (0xFA) right before the first line's tick, and
// stops (0xFC) when the run ends.
class RunMarks {
public:
    virtual ~RunMarks() = default;
    virtual void runStarted(std::int64_t firstPassNs) = 0;
    virtual void runEnded() = 0;
};

} // namespace quorvane
