#include "take/channel_state.h"

#include "midi/midi_bytes.h"

namespace quorvane {

namespace {

// Data entry, its increments and the parameter numbers it writes to: a
// parameter write whose meaning depends on what was chosen before, not a
// value of its own, and restated in another order it would set another
// parameter.
bool isParameterWrite(int controller)
{
    using namespace midi::controller;
    return controller == DataEntry || controller == DataEntryFine ||
           (controller >= FirstParameterControl && controller <= LastParameterControl);
}

} // namespace

void ChannelState::see(const MidiBytes& message)
{
    if (message.size() == 1 && message[0] == midi::SystemReset) { // the receiver starts afresh
        channels_ = {};
        return;
    }
    if (message.size() < 2 || !midi::isChannelStatus(message[0]))
        return;
    for (std::size_t i = 1; i < message.size(); ++i) {
        if (midi::isStatus(message[i]))
            return; // no value, and never restated as one
    }
    Channel& channel = channels_[midi::channelOf(message[0])];
    switch (midi::kindOf(message[0])) {
    case midi::ControlChange:
        if (message.size() < 3)
            return;
        if (message[1] == midi::controller::ResetAllControllers) {
            const std::int16_t programme = channel.programme;
            channel = Channel();
            channel.programme = programme;
        } else if (message[1] < channel.controllers.size() && !isParameterWrite(message[1])) {
            channel.controllers[message[1]] = message[2];
        }
        break;
    case midi::ProgramChange: channel.programme = message[1]; break;
    case midi::ChannelPressure: channel.pressure = message[1]; break;
    case midi::PitchBend:
        if (message.size() == 3)
            channel.bend = std::int16_t(midi::fourteenBits(message[1], message[2]));
        break;
    default: break;
    }
}

std::vector<MidiBytes> ChannelState::restatement() const
{
    std::vector<MidiBytes> messages;
    for (std::uint8_t number = 0; number < channels_.size(); ++number) {
        const Channel& channel = channels_[number];
        auto status = [number](int kind) { return std::uint8_t(kind + number); };
        auto controller = [&](int c) {
            if (channel.controllers[c] != unseen)
                messages.push_back(
                    {status(midi::ControlChange), std::uint8_t(c), std::uint8_t(channel.controllers[c])});
        };
        // The bank comes before the programme that picks from it.
        controller(midi::controller::BankSelect);
        controller(midi::controller::BankSelectFine);
        if (channel.programme != unseen)
            messages.push_back({status(midi::ProgramChange), std::uint8_t(channel.programme)});
        for (int c = midi::controller::BankSelect + 1; c < int(channel.controllers.size()); ++c) {
            if (c != midi::controller::BankSelectFine)
                controller(c);
        }
        if (channel.bend != unseen)
            messages.push_back(
                {status(midi::PitchBend), std::uint8_t(channel.bend & midi::MaxData), std::uint8_t(channel.bend >> 7)});
        if (channel.pressure != unseen)
            messages.push_back({status(midi::ChannelPressure), std::uint8_t(channel.pressure)});
    }
    return messages;
}

} // namespace quorvane
