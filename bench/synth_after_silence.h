#pragma once

// The built-in synthesizer on a private PipeWire: how long a note takes to be
// heard at the sink while the stream runs, and after a silence has stopped
// it, and how long the call that plays the note takes in each case.
void benchSynthAfterSilence();
