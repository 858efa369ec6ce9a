#pragma once

#include <optional>

namespace quorvane {

// The notes the pitch mode may strike, both ends included.
struct NoteRange {
    double lowest = 0.0;
    double highest = 0.0;
};

// The range two boxes give: each a whole number from 0 to 127, the lowest not
// above the highest; nothing otherwise.
std::optional<NoteRange> noteRange(const std::optional<double>& lowest, const std::optional<double>& highest);

// Whether a box's number can be one end of a range: a whole MIDI note number.
bool isNoteNumber(const std::optional<double>& number);

// A note as a number the range can fold: rounded halves to even, and NaN or
// an infinity as the data byte it turns into on the wire (0 or 127).
double roundedNote(double note);

// The note brought into the range. A range of twelve notes or more holds
// every pitch class, so the note moves by the fewest whole octaves that land
// inside it and keeps its letter name; a narrower range cannot, and the note
// wraps round it instead (min + (note - min) mod width). The note is first
// rounded as roundedNote does.
double foldIntoRange(double note, const NoteRange& range);

} // namespace quorvane
