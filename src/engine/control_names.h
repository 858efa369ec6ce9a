#pragma once

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
// The four modes: 0 pitch, 1 velocity, 2 programme change, 3 pan
inline constexpr char DisplayResults[] = "CheckDisplayResults";
inline constexpr char ModeFlags[] = "TextDoMode";
QString doMode(int mode);        // "CheckDoMode(mode)"
QString result(int mode);        // "TextVal(mode)", where each mode shows what it played
QString transposition(int mode); // "TextTranspose(mode)"
// Two result boxes are also read: the velocity of every pitch-mode note and
// the note the velocity mode plays.
inline constexpr char Velocity[] = "TextVal(1)";
inline constexpr char VelocityModeNote[] = "TextVal(0)";

// The frame of each formula: 0 Wondrousness, 1 Mixmaster.
QString formulaFrame(int formula); // "FrameFormula(formula)"

} // namespace quorvane::controls
