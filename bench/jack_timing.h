#pragma once

class JackServer;

// The program's JACK output against an outside client, on private servers:
// the timing error of evenly spaced notes at three periods beside a bare
// RtMidi sender, the first message after each of many opens, and a burst.
void benchJackTiming(JackServer& server);
