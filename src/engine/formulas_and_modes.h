#pragma once

#include <array>

namespace quorvane {

// The two formulas, numbered as the main window's frames of them:
// FrameFormula(0) holds Wondrousness, FrameFormula(1) Mixmaster.
enum class Formula { Wondrousness = 0, Mixmaster = 1 };

// What a pass may play, numbered as the rows of controls of each
// (CheckDoMode(n), TextVal(n), TextTranspose(n)) and in the order the turns
// of a run come round: the note, its velocity, a programme change, the pan.
enum class Mode { Pitch = 0, Velocity = 1, ProgrammeChange = 2, Pan = 3 };

inline constexpr std::array<Mode, 4> allModes{Mode::Pitch, Mode::Velocity, Mode::ProgrammeChange, Mode::Pan};

constexpr int indexOf(Mode mode)
{
    return static_cast<int>(mode);
}

constexpr int indexOf(Formula formula)
{
    return static_cast<int>(formula);
}

// The mode whose turn comes after this one's, the pan's followed by the pitch's.
constexpr Mode nextMode(Mode mode)
{
    return allModes[static_cast<std::size_t>((indexOf(mode) + 1) % int(allModes.size()))];
}

} // namespace quorvane
