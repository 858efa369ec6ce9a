#pragma once

#include "engine/note_range.h"

#include <optional>

namespace quorvane {

// The scales the pitch mode can keep its notes to. Chromatic holds all twelve
// notes of the octave and so moves nothing.
enum class Scale {
    Chromatic,
    Major,
    NaturalMinor,
    HarmonicMinor,
    MajorPentatonic,
    MinorPentatonic,
    Blues,
    Dorian,
    Mixolydian,
    WholeTone,
};
inline constexpr int ScaleCount = 10;

// A scale in a key: tonic 0 is C, 1 C#, ... 11 B.
struct ScaleChoice {
    Scale scale = Scale::Chromatic;
    int tonic = 0;
};

// Whether the whole number n is a note of the scale, in any octave.
bool inScale(double n, const ScaleChoice& choice);

// Whether some note from range.lowest to range.highest is one of the scale.
bool rangeHoldsScaleNote(const ScaleChoice& choice, const NoteRange& range);

// The note the pitch mode strikes without "Use Min/Max": the note as the wire
// would carry it (rounded, held to 0..127), moved to the nearest note of the
// scale within 0..127, the lower one when two are as near.
double keepToScale(double note, const ScaleChoice& choice);

// The same with "Use Min/Max": the note is moved to the nearest note of the
// scale first, then folded into the range as without a scale; the octave fold
// keeps the scale's note, and in a range narrower than an octave the wrapped
// note moves to the nearest note of the scale inside it. Nothing when the
// range holds no note of the scale.
std::optional<double> keepToScaleInRange(double note, const ScaleChoice& choice, const NoteRange& range);

} // namespace quorvane
