#include "engine/scale.h"

#include "midi/midi_bytes.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <initializer_list>

namespace quorvane {

namespace {

constexpr double Octave = 12.0;

// A scale as twelve bits: bit i is set when the note i semitones above the
// tonic belongs to it.
constexpr std::uint16_t steps(std::initializer_list<int> semitones)
{
    std::uint16_t bits = 0;
    for (const int s : semitones)
        bits = static_cast<std::uint16_t>(bits | (1u << s));
    return bits;
}

// In the order of Scale.
constexpr std::array<std::uint16_t, ScaleCount> scaleSteps = {
    steps({0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}), // chromatic
    steps({0, 2, 4, 5, 7, 9, 11}),                 // major
    steps({0, 2, 3, 5, 7, 8, 10}),                 // natural minor
    steps({0, 2, 3, 5, 7, 8, 11}),                 // harmonic minor: the raised seventh leads home
    steps({0, 2, 4, 7, 9}),                        // major pentatonic
    steps({0, 3, 5, 7, 10}),                       // minor pentatonic
    steps({0, 3, 5, 6, 7, 10}),                    // blues: the minor pentatonic and its flat fifth
    steps({0, 2, 3, 5, 7, 9, 10}),                 // dorian: minor with a major sixth
    steps({0, 2, 4, 5, 7, 9, 10}),                 // mixolydian: major with a minor seventh
    steps({0, 2, 4, 6, 8, 10}),                    // whole tone
};

// x folded into 0..12, also for negative x.
double withinOctave(double x)
{
    const double r = std::fmod(x, Octave);
    return r < 0.0 ? r + Octave : r;
}

// The note of the scale nearest the whole number n among lowest..highest (n
// among them), the lower one when two are as near.
std::optional<double> nearestInside(double n, const ScaleChoice& choice, double lowest, double highest)
{
    for (double d = 0.0; n - d >= lowest || n + d <= highest; ++d) {
        if (n - d >= lowest && inScale(n - d, choice))
            return n - d;
        if (n + d <= highest && inScale(n + d, choice))
            return n + d;
    }
    return std::nullopt;
}

} // namespace

bool inScale(double n, const ScaleChoice& choice)
{
    // Whole numbers a note can be are counted in integers, which is several
    // times quicker than the floating-point remainder.
    constexpr double exactInteger = 1e15;
    const unsigned step = std::abs(n) < exactInteger
                              ? static_cast<unsigned>((static_cast<long long>(n) - choice.tonic) % 12 + 12) % 12u
                              : static_cast<unsigned>(withinOctave(n - choice.tonic));
    return (scaleSteps[static_cast<std::size_t>(choice.scale)] >> step) & 1u;
}

bool rangeHoldsScaleNote(const ScaleChoice& choice, const NoteRange& range)
{
    return nearestInside(range.lowest, choice, range.lowest, range.highest).has_value();
}

double keepToScale(double note, const ScaleChoice& choice)
{
    // Every scale has notes in every octave, so 0..127 always holds one.
    const double n = std::clamp(roundedNote(note), 0.0, double(midi::MaxData));
    return nearestInside(n, choice, 0.0, midi::MaxData).value_or(n);
}

std::optional<double> keepToScaleInRange(double note, const ScaleChoice& choice, const NoteRange& range)
{
    double n = roundedNote(note);
    // Past the MIDI range the fold looks only at the side and the pitch
    // class, so a note far out is brought to the octave next to the range
    // first: a huge number has no neighbours a semitone away to move to.
    constexpr double above = midi::MaxData + 1.0;
    if (n >= above + Octave)
        n = above + withinOctave(n - above);
    else if (n < -Octave)
        n = -Octave + withinOctave(n);
    const double inScaleNote = nearestInside(n, choice, n - Octave, n + Octave).value_or(n);
    return nearestInside(foldIntoRange(inScaleNote, range), choice, range.lowest, range.highest);
}

} // namespace quorvane
