#pragma once

#include <QPoint>

class JackServer;

// The program as a separate process under the X server the benchmark runs
// under: time to the device dialog on screen, CPU idle and while a formula
// plays, and peak memory; the program without its built-in synthesizer
// beside it, and a bare Qt dialog program as the anchor. doItAt is where
// Wondrousness's "Do it" sits in the main window; the programs' MIDI goes
// to the JACK server, which the bench restarts with another period after the
// first figures.
void benchProgramResources(QPoint doItAt, JackServer& server);

// The start-up rows of the above alone: start to device dialog on screen.
void benchProgramStart(JackServer& server);

// The same program and the one without the synthesizer idle and playing on a
// private PipeWire, which the synthesizer plays to, with the sound server's
// own CPU over the idle time.
void benchProgramOnPipewire(QPoint doItAt);
