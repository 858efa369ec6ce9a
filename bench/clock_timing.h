#pragma once

class JackServer;

// The MIDI clock the program sends under JACK at 120 bpm, read by an outside
// client: the error of the spacing of 1,000 ticks against the 1,000 frames
// of the tempo, at 64 and 1024 frames, beside jack_midi_clock -B -b 120 read
// the same way in the same run.
void benchClockOut(JackServer& server);
