#pragma once

class JackServer;

// Runs on an outside beat, on private real-time JACK servers at 64 and 1024
// frames, heard by an outside client beside the beat itself: Wondrousness at
// delay 60 on a 1/16 grid following jack_midi_clock (steady and with -J 10)
// driven by jack_transport as timebase master, and following that transport
// itself; each note-on's distance from the frame of its line, and how many
// lines pass until the notes fall on the new grid when the tempo goes from
// 120 to 90 bpm.
void benchSyncFollowing(JackServer& server);
