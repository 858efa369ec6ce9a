#include "take/channel_state.h"

namespace quorvane {

namespace {

constexpr int bankSelect = 0;
constexpr int bankSelectFine = 32;
constexpr int resetAllControllers = 121;

// Data entry, its increments and the parameter numbers it writes to: a
// parameter write whose meaning depends on what was chosen before, not a
// value of its own, and restated in another order it would set another
// parameter.
bool isParameterWrite(int controller)
{
    return controller == 6 || controller == 38 || (controller >= 96 && controller <= 101);
}

} // namespace

void ChannelState::see(const MidiBytes& message)
{
    if (message.size() == 1 && message[0] == 0xFF) { // system reset: the receiver starts afresh
        channels_ = {};
        return;
    }
    if (message.size() < 2 || message[0] < 0x80 || message[0] >= 0xF0)
        return;
    for (std::size_t i = 1; i < message.size(); ++i) {
        if (message[i] >= 0x80)
            return; // no value, and never restated as one
    }
    Channel& channel = channels_[message[0] & 0x0F];
    switch (message[0] & 0xF0) {
    case 0xB0:
        if (message.size() < 3)
            return;
        if (message[1] == resetAllControllers) {
            const std::int16_t programme = channel.programme;
            channel = Channel();
            channel.programme = programme;
        } else if (message[1] < channel.controllers.size() && !isParameterWrite(message[1])) {
            channel.controllers[message[1]] = message[2];
        }
        break;
    case 0xC0: channel.programme = message[1]; break;
    case 0xD0: channel.pressure = message[1]; break;
    case 0xE0:
        if (message.size() == 3)
            channel.bend = std::int16_t(message[1] | message[2] << 7);
        break;
    default: break;
    }
}

std::vector<MidiBytes> ChannelState::restatement() const
{
    std::vector<MidiBytes> messages;
    for (std::uint8_t number = 0; number < channels_.size(); ++number) {
        const Channel& channel = channels_[number];
        auto controller = [&](int c) {
            if (channel.controllers[c] != unseen)
                messages.push_back(
                    {std::uint8_t(0xB0 | number), std::uint8_t(c), std::uint8_t(channel.controllers[c])});
        };
        // The bank comes before the programme that picks from it.
        controller(bankSelect);
        controller(bankSelectFine);
        if (channel.programme != unseen)
            messages.push_back({std::uint8_t(0xC0 | number), std::uint8_t(channel.programme)});
        for (int c = 1; c < int(channel.controllers.size()); ++c) {
            if (c != bankSelectFine)
                controller(c);
        }
        if (channel.bend != unseen)
            messages.push_back(
                {std::uint8_t(0xE0 | number), std::uint8_t(channel.bend & 0x7F), std::uint8_t(channel.bend >> 7)});
        if (channel.pressure != unseen)
            messages.push_back({std::uint8_t(0xD0 | number), std::uint8_t(channel.pressure)});
    }
    return messages;
}

} // namespace quorvane
