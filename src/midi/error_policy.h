#pragma once

#include <mutex>

namespace quorvane {

// Decides which MIDI failures the musician is told of, and how often:
// - remarks that need no action (isQuietMidiError): never;
// - "no MIDI system" and "the MIDI system went away": once, until a MIDI
//   system is there again, however many devices and tries run into it;
// - every other failure: each time, since each is a device the musician chose.
// One policy serves the output and the input alike.
class ErrorPolicy {
public:
    // Whether to tell of a failure with this code now; a once-only failure
    // counts as told from here on.
    bool tell(int code);
    // A MIDI system is there again: its absence or loss may be told again.
    void rearm();

private:
    std::mutex mutex_; // rearmed from the MIDI system's threads
    bool missingTold_ = false;
    bool lossTold_ = false;
};

} // namespace quorvane
