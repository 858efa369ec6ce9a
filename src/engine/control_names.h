#pragma once

#include "engine/formulas_and_modes.h"

#include <QString>

// The object names of the main window's controls the engine reads and
// writes. The window names its widgets with them, the engine finds its
// settings by them; arrays of controls carry their index: "TextVal(1)".
namespace quorvane::controls {

// Wondrousness
inline constexpr char StartNote[] = "StartNoteText";
// The note range of the pitch mode
inline constexpr char UseMinMax[] = "CheckMinMax";
inline constexpr char PitchMin[] = "PitchMin";
inline constexpr char PitchMax[] = "PitchMax";
// The fold of every pass
inline constexpr char UseModulo[] = "CheckUseModulo";
inline constexpr char Modulo[] = "TextModulo";
inline constexpr char UseNoteOff[] = "CheckUseNoteOff";
// The pause after every message
inline constexpr char Delay[] = "DelayText";
inline constexpr char RandomDelay[] = "CheckRandomDelay";
// The four modes, a row of controls each
inline constexpr char DisplayResults[] = "CheckDisplayResults";
inline constexpr char ModeFlags[] = "TextDoMode";
QString doMode(Mode mode);        // "CheckDoMode(mode)"
QString result(Mode mode);        // "TextVal(mode)", where each mode shows what it played
QString transposition(Mode mode); // "TextTranspose(mode)"
// Two result boxes are also read: the velocity of every pitch-mode note
// (the velocity mode's result) and the note the velocity mode plays (the
// pitch mode's result).
QString velocity();         // "TextVal(1)"
QString velocityModeNote(); // "TextVal(0)"

// The frame of each formula, whose caption is bold while it runs.
QString formulaFrame(Formula formula); // "FrameFormula(formula)"

// "name(index)": one control of an array.
QString element(const char* array, int index);

} // namespace quorvane::controls
