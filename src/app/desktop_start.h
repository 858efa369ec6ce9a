#pragma once

#include "synth/synth_output.h"

namespace quorvane {

// The program's start as its user gets it: the application, the program on
// this desktop's devices with the given synthesizer, its ending on signals,
// the event loop. Returns the exit code.
int runDesktopProgram(int argc, char* argv[], SynthOptions synth = {});

} // namespace quorvane
