#include "take/key_signature.h"

namespace quorvane {

KeySignature KeySignature::of(int tonic, bool minor)
{
    // A minor key shares its signature with the major key a minor third up.
    const int majorTonic = minor ? tonic + 3 : tonic;
    // Each step up the circle of fifths (seven semitones) adds a sharp; the
    // far side of it is written with flats instead.
    int sharps = (majorTonic % 12 + 12) % 12 * 7 % 12;
    if (sharps > 6)
        sharps -= 12;
    return KeySignature{static_cast<std::int8_t>(sharps), minor};
}

} // namespace quorvane
