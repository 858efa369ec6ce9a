#pragma once

#include "midi/midi_output.h"

namespace quorvane {

// The order a sender writes the two data fields in. A device driven by
// property writes sees each write as it happens, so the order is part of
// what the program plays: note messages write the velocity before the note,
// all others data 1 first.
enum class FieldOrder { Data1First, Data2First };

// Status and the two data fields, written in the given order; nothing sent.
void writeFields(MidiOutput& output, FieldOrder order, const Variant& status, const Variant& data1,
                 const Variant& data2);

// One complete message: the fields in the given order, auxiliary 0, send.
void sendMessage(MidiOutput& output, FieldOrder order, const Variant& status, const Variant& data1,
                 const Variant& data2);

// The channel messages the program sends, on channel 0..15. A note with
// velocity 0 is the note-off.
void sendNote(MidiOutput& output, int channel, const Variant& note, const Variant& velocity);
void sendControlChange(MidiOutput& output, int channel, int controller, const Variant& value);
void sendProgramChange(MidiOutput& output, int channel, const Variant& program);

} // namespace quorvane
