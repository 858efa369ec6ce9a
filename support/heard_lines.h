#pragma once

#include "jack_peer.h"

#include <utility>
#include <vector>

// What an outside client heard, read as a device that keeps to the beat
// reads it: where the 1/16 lines of a MIDI clock or of the JACK transport
// fell, and how far each note-on lay from its line, in frames.

// A MIDI clock heard: its Starts, its stops (the Stop's frame and the
// Continue's after it; ~0 when it never continued) and the frame of every
// 6th tick counted from Start (or from a Song Position) while it ran.
struct HeardClock {
    int starts = 0;
    std::vector<std::pair<jack_nframes_t, jack_nframes_t>> stops;
    std::vector<double> lineFrames;
};
HeardClock readClock(const std::vector<JackPeer::Heard>& heard);

// The frames where the transport's position crossed each 1/16 line, between
// the starts of the cycles it was seen at.
std::vector<double> transportLineFrames(const std::vector<JackPeer::TransportBeat>& beats);

// How far a frame lies from the nearest line (after it: positive).
double offLine(double frame, const std::vector<double>& lineFrames);

// The note-ons heard (status 0x90 with a velocity).
std::vector<JackPeer::Heard> noteOnsOf(const std::vector<JackPeer::Heard>& heard);
