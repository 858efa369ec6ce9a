#pragma once

#include <cstdint>

namespace quorvane {

// A key as a score writes it at the start of a staff: how many sharps
// (positive) or flats (negative), and whether the key is minor. A MIDI file
// carries it as the key signature meta event, FF 59 02 sf mi.
struct KeySignature {
    std::int8_t accidentals = 0;
    bool minor = false;

    // The signature of the major or minor key on the tonic (0 C, 1 C#, ...
    // 11 B), spelt with the fewer accidentals: C# major is written as D flat
    // (five flats, not seven sharps); F# major and D# minor keep six sharps.
    static KeySignature of(int tonic, bool minor);

    bool operator==(const KeySignature& other) const
    {
        return accidentals == other.accidentals && minor == other.minor;
    }
};

} // namespace quorvane
