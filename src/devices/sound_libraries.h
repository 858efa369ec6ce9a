#pragma once

namespace quorvane {

// What the whole process needs before it looks for a MIDI system or an audio
// output, done once however often it is called: libjack never starts a JACK
// server by itself (for the program's own client and for the synthesizer's
// JACK output alike), and libjack and alsa-lib print nothing on the terminal,
// where they would put dozens of lines each time a server or a sound card is
// missing. The failures themselves still reach the musician, in the program's
// own words. MidiSystem's constructor calls it.
void setUpSoundLibraries();

} // namespace quorvane
