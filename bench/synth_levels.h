#pragma once

// The built-in synthesizer's output level, rendered without an audio output:
// one note at the program's default velocity and at velocity 100, and the
// loudest moment of a run with all four modes at delay 0, per sound font.
void benchSynthLevels();
