#include "engine/note_range.h"

#include "values/number_rules.h"

#include "midi/midi_bytes.h"

#include <cmath>

namespace quorvane {

namespace {

constexpr double Octave = 12.0;

} // namespace

bool isNoteNumber(const std::optional<double>& number)
{
    return number && *number >= 0.0 && *number <= midi::MaxData && *number == std::floor(*number);
}

std::optional<NoteRange> noteRange(const std::optional<double>& lowest, const std::optional<double>& highest)
{
    if (!isNoteNumber(lowest) || !isNoteNumber(highest) || *lowest > *highest)
        return std::nullopt;
    return NoteRange{*lowest, *highest};
}

double roundedNote(double note)
{
    const double n = roundHalfEven(note);
    if (!std::isfinite(n))
        return n > 0.0 ? midi::MaxData : 0.0; // NaN compares false: 0
    return n;
}

double foldIntoRange(double note, const NoteRange& range)
{
    const double n = roundedNote(note);
    const double width = range.highest - range.lowest + 1.0;
    if (width < Octave) {
        // fmod keeps the sign of the dividend; a negative remainder is moved
        // up into 0..width-1.
        double offset = std::fmod(n - range.lowest, width);
        if (offset < 0.0)
            offset += width;
        return range.lowest + offset;
    }
    // The distance past the nearer end, less whole octaves: what is left (0..11)
    // is how far inside that end the note lands.
    if (n > range.highest) {
        const double past = std::fmod(n - range.highest, Octave);
        return past == 0.0 ? range.highest : range.highest - Octave + past;
    }
    if (n < range.lowest) {
        const double below = std::fmod(range.lowest - n, Octave);
        return below == 0.0 ? range.lowest : range.lowest + Octave - below;
    }
    return n;
}

} // namespace quorvane
