#pragma once

#include "midi/midi_bytes.h"

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

namespace quorvane {

// The notes a run of played messages leaves sounding, each with the time and
// velocity it was struck at. A take ends what still sounds when it ends; the
// monitor draws each note from its start to its end.
class SoundingNotes {
public:
    struct Note {
        int channel = 0; // 0..15
        int key = 0;
        int velocity = 0;
        std::int64_t startNs = 0;
    };
    using Ended = std::function<void(const Note&)>;

    // Follows one message played at timeNs. Every note it ends goes to
    // `ended`: a note-off of its key, a second note-on of it (the first
    // stroke ends where the second begins), all notes off or all sound off
    // on its channel, a system reset on every channel.
    void play(const MidiBytes& message, std::int64_t timeNs, const Ended& ended = nullptr);
    // Ends every note still sounding, in channel and key order.
    void endAll(const Ended& ended = nullptr);

    // The notes sounding now, in channel and key order.
    std::vector<Note> notes() const;
    int count() const { return count_; }

private:
    struct Stroke {
        std::int64_t startNs = 0;
        std::uint8_t velocity = 0; // 0: the key is silent
    };

    void end(int channel, int key, const Ended& ended);
    void endChannel(int channel, const Ended& ended);

    std::array<Stroke, midi::ChannelCount * midi::KeyCount> keys_{};
    int count_ = 0;
};

} // namespace quorvane
