#pragma once

#include "engine/control_names.h"

// The object names of the main window's parts that only the window uses;
// those the engine reads are in engine/control_names.h. The layout names the
// widgets with them and the window finds them by them, and so do tests and
// outside tools that drive the program: the spellings are those of the
// window's design, kept as they are.
namespace quorvane::controls {

inline constexpr char Window[] = "frmMain";
inline constexpr char ClientArea[] = "ClientArea";

// The frames: the general controls, the delay inside them, and the four
// modes' rows below; each formula's frame is controls::formulaFrame().
inline constexpr char GeneralFrame[] = "Frame4";
inline constexpr char DelayFrame[] = "Frame1";
inline constexpr char ModesFrame[] = "Frame3";
// The captions of the start note, the delay and the transpositions, an
// array with the elements 3, 4 and 5.
inline constexpr char Labels[] = "LabelBasic";

inline constexpr char PatchList[] = "ComboPatch";
inline constexpr char TestNote[] = "Test";

// Wondrousness
inline constexpr char WondrousnessFormula[] = "Text1";
inline constexpr char DoIt[] = "DoIt";
inline constexpr char StopIt[] = "StopIt";
inline constexpr char ExplainWondrousness[] = "CommandExplainWondrous";
// Mixmaster
inline constexpr char MixmasterFormula[] = "MixmasterText";
inline constexpr char MixDoIt[] = "MixDoIt";
inline constexpr char MixStopIt[] = "Command1";
inline constexpr char ExplainMixmaster[] = "CommandExplainMixMaster";
inline constexpr char MixmasterDocument[] = "CommandExplainMM";

} // namespace quorvane::controls

// The menus of the main window and their items.
namespace quorvane::menus {

inline constexpr char File[] = "File";
inline constexpr char Record[] = "MnuRecord";
inline constexpr char Exit[] = "Exit";

inline constexpr char Edit[] = "MnuEdit";
inline constexpr char Paths[] = "MnuPaths";
// Edit's submenus of radio items: the scale the pitch mode keeps to and its key.
inline constexpr char Scale[] = "MnuScale";
inline constexpr char ScaleChromatic[] = "MnuScaleChromatic";
inline constexpr char ScaleMajor[] = "MnuScaleMajor";
inline constexpr char ScaleNaturalMinor[] = "MnuScaleNaturalMinor";
inline constexpr char ScaleHarmonicMinor[] = "MnuScaleHarmonicMinor";
inline constexpr char ScaleMajorPentatonic[] = "MnuScaleMajorPentatonic";
inline constexpr char ScaleMinorPentatonic[] = "MnuScaleMinorPentatonic";
inline constexpr char ScaleBlues[] = "MnuScaleBlues";
inline constexpr char ScaleDorian[] = "MnuScaleDorian";
inline constexpr char ScaleMixolydian[] = "MnuScaleMixolydian";
inline constexpr char ScaleWholeTone[] = "MnuScaleWholeTone";
inline constexpr char Key[] = "MnuKey";
inline constexpr char KeyC[] = "MnuKeyC";
inline constexpr char KeyCSharp[] = "MnuKeyCSharp";
inline constexpr char KeyD[] = "MnuKeyD";
inline constexpr char KeyDSharp[] = "MnuKeyDSharp";
inline constexpr char KeyE[] = "MnuKeyE";
inline constexpr char KeyF[] = "MnuKeyF";
inline constexpr char KeyFSharp[] = "MnuKeyFSharp";
inline constexpr char KeyG[] = "MnuKeyG";
inline constexpr char KeyGSharp[] = "MnuKeyGSharp";
inline constexpr char KeyA[] = "MnuKeyA";
inline constexpr char KeyASharp[] = "MnuKeyASharp";
inline constexpr char KeyB[] = "MnuKeyB";

inline constexpr char Midi[] = "MIDI";
inline constexpr char AllOff[] = "MnuAllOff";
inline constexpr char AllChannelsAllOff[] = "MenuAllAllOff";
inline constexpr char MidiSetup[] = "MIDISetup";
inline constexpr char Monitor[] = "MnuMonitor";
inline constexpr char Sync[] = "MnuSync";

inline constexpr char Help[] = "help";
inline constexpr char About[] = "About";

} // namespace quorvane::menus
