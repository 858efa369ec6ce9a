#pragma once

#include "midi/midi_message.h"

namespace quorvane::midi {

// Status bytes of the channel voice messages for channel 1; the status of
// channel n (0..15) is the kind plus n.
constexpr int NoteOff = 0x80;
constexpr int NoteOn = 0x90; // with velocity 0 every device takes it as a note-off
constexpr int KeyPressure = 0xA0;
constexpr int ControlChange = 0xB0;
constexpr int ProgramChange = 0xC0;
constexpr int ChannelPressure = 0xD0;
constexpr int PitchBend = 0xE0;
constexpr int ChannelCount = 16;
constexpr int KeyCount = 128;

// From 0xF0 on the status bytes are system messages, which belong to no
// channel. The common ones:
constexpr int SystemMessage = 0xF0; // the first of them
constexpr int SystemExclusive = 0xF0;
constexpr int TimeCodeQuarterFrame = 0xF1;
constexpr int SongPosition = 0xF2;
constexpr int SongSelect = 0xF3;
constexpr int TuneRequest = 0xF6;
constexpr int EndOfExclusive = 0xF7;
// The real-time ones, a single byte each: the beat clock and its transport,
// the link's sign of life, and the reset of every channel to its defaults.
constexpr int Clock = 0xF8;
constexpr int Start = 0xFA;
constexpr int Continue = 0xFB;
constexpr int Stop = 0xFC;
constexpr int ActiveSensing = 0xFE;
constexpr int SystemReset = 0xFF;

// The lowest status byte; data bytes lie below it.
constexpr int FirstStatus = 0x80;
constexpr int MaxData = 0x7F;

// Controller numbers of the control change message.
namespace controller {
constexpr int BankSelect = 0;
constexpr int DataEntry = 6;
constexpr int Pan = 10;
constexpr int BankSelectFine = 32; // the bank's low 7 bits
constexpr int DataEntryFine = 38;
constexpr int Sustain = 64;
// Data increment and decrement, then the non-registered and registered
// parameter numbers (fine, coarse) that data entry writes to.
constexpr int FirstParameterControl = 96;
constexpr int LastParameterControl = 101;
// From here on the numbers are channel mode commands, not values.
constexpr int FirstChannelMode = 120;
constexpr int AllSoundOff = 120;
constexpr int ResetAllControllers = 121;
constexpr int AllNotesOff = 123;
} // namespace controller

constexpr bool isStatus(int byte)
{
    return byte >= FirstStatus;
}
constexpr bool isChannelStatus(int status)
{
    return status >= FirstStatus && status < SystemMessage;
}
// The high nibble of a channel status names the message, the low one its channel.
constexpr int kindOf(int status)
{
    return status & 0xF0;
}
constexpr int channelOf(int status)
{
    return status & 0x0F;
}
// The beat clock and its transport: timing clock, Start, Continue, Stop.
constexpr bool isClockMessage(int status)
{
    return status == Clock || status == Start || status == Continue || status == Stop;
}
// The 14-bit value two data bytes carry, least significant first (pitch
// bend, song position).
constexpr int fourteenBits(int lsb, int msb)
{
    return lsb | (msb << 7);
}

// What a whole channel message does to the notes of its channel.
inline bool isNoteOn(const MidiBytes& m) // a key struck: velocity above 0
{
    return m.size() == 3 && kindOf(m[0]) == NoteOn && m[2] > 0;
}
inline bool isNoteOff(const MidiBytes& m) // a key let go, also as a note-on of velocity 0
{
    return m.size() == 3 && (kindOf(m[0]) == NoteOff || (kindOf(m[0]) == NoteOn && m[2] == 0));
}
inline bool endsAllNotes(const MidiBytes& m) // all notes off or all sound off
{
    return m.size() == 3 && kindOf(m[0]) == ControlChange &&
           (m[1] == controller::AllNotesOff || m[1] == controller::AllSoundOff);
}

} // namespace quorvane::midi
