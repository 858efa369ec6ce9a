#pragma once

#include <vector>

class JackPeer;
class JackServer;

// The program's JACK output against an outside client, on private servers:
// the timing error of evenly spaced notes at three periods beside a bare
// RtMidi sender, the first message after each of many opens, and a burst.
void benchJackTiming(JackServer& server);

// The anchor of timing figures: a bare RtMidi JACK sender playing count + 1
// note-ons spacingMs apart into the peer, each at its time by a thread that
// sleeps until then; the errors in ms of the intervals heard against sent.
std::vector<double> bareSenderIntervalErrors(JackServer& server, JackPeer& peer, int spacingMs, int count);
