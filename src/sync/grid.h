#pragma once

namespace quorvane {

// The lines a run's notes keep to, by the note value between two of them.
enum class GridDivision { Quarter, Eighth, Sixteenth, ThirtySecond };

// MIDI clock runs at 24 ticks to the quarter note; each grid line falls on a
// tick: every 24th, 12th, 6th or 3rd.
constexpr int clockTicksPerQuarter = 24;

constexpr int clockTicksPerLine(GridDivision division)
{
    switch (division) {
    case GridDivision::Quarter: return 24;
    case GridDivision::Eighth: return 12;
    case GridDivision::Sixteenth: return 6;
    case GridDivision::ThirtySecond: return 3;
    }
    return 6;
}

} // namespace quorvane
