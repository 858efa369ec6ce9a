#pragma once

#include "midi/midi_errors.h"

#include <mutex>
#include <set>

namespace quorvane {

// Decides which MIDI failures the musician is told of, and how often:
// - remarks that need no action (isQuietMidiError): never;
// - "no MIDI system" and "the MIDI system went away": once, until a MIDI
//   system is there again, however many devices and tries run into it;
// - a lasting failure (no sound server for the built-in synthesizer): once
//   for the whole run, since what it asks for brings the sound by itself;
// - every other failure: each time, since each is a device the musician chose.
// One policy serves the output and the input alike.
class ErrorPolicy {
public:
    // Whether to tell of this failure now; a failure told only once counts
    // as told from here on.
    bool tell(const MidiFailure& failure);
    // A MIDI system is there again: its absence or loss may be told again.
    void rearm();

private:
    std::mutex mutex_; // rearmed from the MIDI system's threads
    bool missingTold_ = false;
    bool lossTold_ = false;
    std::set<int> lastingTold_; // by code
};

} // namespace quorvane
