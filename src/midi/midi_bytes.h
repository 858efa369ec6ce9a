#pragma once

namespace quorvane::midi {

// Status bytes of the channel voice messages for channel 1; the status of
// channel n (0..15) is the base plus n.
constexpr int NoteOff = 0x80;
constexpr int NoteOn = 0x90; // with velocity 0 every device takes it as a note-off
constexpr int ControlChange = 0xB0;
constexpr int ProgramChange = 0xC0;
constexpr int ChannelPressure = 0xD0;
constexpr int ChannelCount = 16;
// The high nibble of a channel status names the message; from 0xF0 on the
// status bytes are system messages, which belong to no channel.
constexpr int StatusKindMask = 0xF0;
constexpr int SystemMessage = 0xF0;

// The lowest status byte; data bytes lie below it.
constexpr int FirstStatus = 0x80;
constexpr int MaxData = 0x7F;

// Controller numbers of the control change message.
namespace controller {
constexpr int Pan = 10;
constexpr int Sustain = 64;
constexpr int AllSoundOff = 120;
constexpr int AllNotesOff = 123;
} // namespace controller

} // namespace quorvane::midi
