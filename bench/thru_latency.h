#pragma once

#include "engine/qt_host.h"

class JackServer;

// The latency of the window's input forwarding through a private JACK server
// (dummy driver, 64-frame periods), measured by jack_midi_latency_test, beside
// the same loop through a bare RtMidi thru.
void benchThruLatency(quorvane::QtHost& host, JackServer& server);

// The same forwarding in a chain with no loop (an outside player -> thru ->
// an outside listener), at 64 and at 1024 frames, beside a bare RtMidi thru.
// Leaves the server running at 64 frames.
void benchThruChain(quorvane::QtHost& host, JackServer& server);

// Thru into the built-in synthesizer on JACK, key to sound: forwarded from the
// input's delivery thread, beside the window's forwarding.
void benchThruIntoSynth(quorvane::QtHost& host, JackServer& server);
