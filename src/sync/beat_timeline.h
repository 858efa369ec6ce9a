#pragma once

#include "sync/grid.h"

#include <cstdint>

namespace quorvane {

// Whether a source gives the program a beat to keep to.
enum class SourceState : std::uint8_t {
    NoSignal, // nothing comes (no clock, no transport, the server gone)
    Stopped,  // it is there but does not run: stopped transport, MIDI Stop
    Running,
};

// A source's beat against the steady clock, as a straight line: at originNs
// it stood at clock tick originTick (24 to the quarter note, counted from its
// start), and it moves on one tick every nsPerTick. Sources whose tempo holds
// between two looks (the program's own, a filtered MIDI clock) are described
// by one; the real-time thread hands it to the others in a SnapshotCell.
struct BeatTimeline {
    SourceState state = SourceState::NoSignal;
    std::int64_t originNs = 0;
    double originTick = 0;
    double nsPerTick = 0;
    int beatsPerBar = 4;

    double bpm() const;
    // The tick position at a moment, and the moment of a tick position.
    double tickAt(std::int64_t timeNs) const;
    std::int64_t timeOfTick(double tick) const;
    // The moment of the first line of the grid at or after timeNs. Lines
    // fall on every clockTicksPerLine()-th tick from the source's start.
    std::int64_t lineAtOrAfter(std::int64_t timeNs, GridDivision division) const;
    // Bar and beat (both from 1) at a moment, in the source's bars.
    void barAndBeatAt(std::int64_t timeNs, int& bar, int& beat) const;
};

} // namespace quorvane
