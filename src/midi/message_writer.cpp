#include "midi/message_writer.h"

#include "midi/midi_bytes.h"

namespace quorvane {

namespace {

// The status byte of a channel message. Computed in double so that no
// channel number, however odd, can overflow an int.
Variant channelStatus(int base, int channel)
{
    return Variant(static_cast<double>(base) + static_cast<double>(channel));
}

} // namespace

void writeFields(MidiOutput& output, FieldOrder order, const Variant& status, const Variant& data1,
                 const Variant& data2)
{
    output.setStatus(status);
    if (order == FieldOrder::Data1First) {
        output.setData1(data1);
        output.setData2(data2);
    } else {
        output.setData2(data2);
        output.setData1(data1);
    }
}

void sendMessage(MidiOutput& output, FieldOrder order, const Variant& status, const Variant& data1,
                 const Variant& data2)
{
    writeFields(output, order, status, data1, data2);
    output.setAuxiliary(0);
    output.setAction(MidiOutput::Send);
}

void sendNote(MidiOutput& output, int channel, const Variant& note, const Variant& velocity)
{
    sendMessage(output, FieldOrder::Data2First, channelStatus(midi::NoteOn, channel), note, velocity);
}

void sendControlChange(MidiOutput& output, int channel, int controller, const Variant& value)
{
    sendMessage(output, FieldOrder::Data1First, channelStatus(midi::ControlChange, channel), controller, value);
}

void sendProgramChange(MidiOutput& output, int channel, const Variant& program)
{
    sendMessage(output, FieldOrder::Data1First, channelStatus(midi::ProgramChange, channel), program, 0);
}

} // namespace quorvane
