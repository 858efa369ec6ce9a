#pragma once

namespace quorvane {

class Composer;

// Panic for the program's channel: sustain pedal up, all notes off, and the
// note a running formula would switch off next.
void allOff(Composer& composer, int channel);

// The same on all 16 channels, each also told to cut its sound at once.
void allChannelsAllOff(Composer& composer);

} // namespace quorvane
