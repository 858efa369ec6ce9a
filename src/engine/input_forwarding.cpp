#include "engine/input_forwarding.h"

#include "midi/forwarding_rule.h"
#include "midi/message_writer.h"
#include "midi/midi_bytes.h"
#include "midi/midi_input.h"
#include "midi/midi_output.h"
#include "engine/panel.h"

namespace quorvane {

void forwardInput(MidiInput& input, MidiOutput& output, int midiChannel, bool ownClockOut, Panel& panel)
{
    while (input.count() > 0) {
        const MidiBytes message = input.currentMessage();
        const Forwarding what = forwardingOf(message.data(), message.size(), midiChannel, ownClockOut);
        if (input.currentForwarded()) {
            // Already played, as it arrived: the patch list only shows the
            // instrument, and the take and the monitor hear it as sent.
            if (what == Forwarding::SelectPatch)
                panel.followPatch(message[1]);
            output.tellForwarded(message, input.currentArrivalNs());
        } else if (what != Forwarding::Drop) {
            const int status = input.status();
            writeFields(output, FieldOrder::Data1First, status, input.data1(), input.data2());
            if (what == Forwarding::SelectPatch)
                panel.selectPatch(toInteger16(output.data1()).value_or(0));
            else
                output.setAction(MidiOutput::Send);
        }
        input.setAction(MidiInput::Next);
    }
}

} // namespace quorvane
