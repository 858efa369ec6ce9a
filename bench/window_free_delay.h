#pragma once

class JackServer;

// "Free (Delay)" played through the real window: Wondrousness at a delay of
// 50 ms with "Randomise Delay" off, "Display Results" on and the monitor
// open, on private real-time JACK servers at 64, 256 and 1024 frames, heard by an
// outside client; the error of the intervals between its note-ons beside a
// bare RtMidi sender sleeping to the same spacing.
void benchWindowFreeDelay(JackServer& server);
