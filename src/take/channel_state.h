#pragma once

#include "midi/midi_bytes.h"

#include <array>
#include <cstdint>
#include <vector>

namespace quorvane {

// The state the messages sent so far left the 16 channels in: the
// programme, the controllers that hold a value (bank, volume, pan, the
// pedals, effects depths...), pitch bend and channel pressure. A take that
// begins in the middle of a session starts with it, so that it sounds as
// what was heard.
class ChannelState {
public:
    void see(const MidiBytes& message);

    // The messages that put a receiver into this state, channel by channel:
    // bank select, the programme, the other controllers, bend, pressure. Only
    // what was seen is restated.
    std::vector<MidiBytes> restatement() const;

private:
    static constexpr std::int16_t unseen = -1;
    struct Channel {
        Channel() { controllers.fill(unseen); }
        std::array<std::int16_t, midi::controller::FirstChannelMode> controllers; // the rest are commands
        std::int16_t programme = unseen;
        std::int16_t bend = unseen; // 14 bits, 8192 the centre
        std::int16_t pressure = unseen;
    };

    std::array<Channel, midi::ChannelCount> channels_;
};

} // namespace quorvane
