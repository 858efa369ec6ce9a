#pragma once

#include "devices/midi_system.h"
#include "devices/system_clock_out.h"
#include "midi/guarded_output.h"
#include "midi/midi_input.h"
#include "midi/midi_output.h"
#include "sync/own_tempo.h"

#include <memory>

// The program's MIDI parts for playing in time against a JACK server of a
// test's or the benchmark's own: the MIDI system, the program's own beat, the
// output (guarded, as the program's), the input and the clock it sends.
// Made once the server runs; components are opened by port name.
class SyncRig {
public:
    // session: the network session's beat the clock may relay; it outlives
    // the rig.
    explicit SyncRig(const quorvane::AudioBeat* session = nullptr);
    ~SyncRig();

    bool openOutputOn(const QString& port);
    bool openInputOn(const QString& port);
    void closeBoth();

    // A run of Wondrousness at delay 60, "Randomise Delay" and "Display
    // Results" off, on a 1/16 grid of source, stopped after runMs; what
    // happens meanwhile is scheduled by the caller on the event loop.
    void runOnGrid(const quorvane::SyncSource& source, int runMs);

    quorvane::MidiSystem system; // outlives everything that talks to it
    quorvane::OwnTempo ownTempo;
    std::unique_ptr<quorvane::MidiOutput> output;
    std::unique_ptr<quorvane::MidiInput> input;
    std::unique_ptr<quorvane::SystemClockOut> clockOut;
};
