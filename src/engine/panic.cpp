#include "engine/panic.h"

#include "engine/composer.h"

#include "midi/message_writer.h"
#include "midi/midi_bytes.h"

namespace quorvane {

using namespace midi::controller;

void allOff(Composer& composer, int channel)
{
    sendControlChange(composer.output(), channel, Sustain, 0);
    sendControlChange(composer.output(), channel, AllNotesOff, 0);
    composer.PitchOff();
}

void allChannelsAllOff(Composer& composer)
{
    for (int channel = 0; channel < midi::ChannelCount; ++channel) {
        sendControlChange(composer.output(), channel, Sustain, 0);
        sendControlChange(composer.output(), channel, AllNotesOff, 0);
        sendControlChange(composer.output(), channel, AllSoundOff, 0);
    }
    composer.PitchOff();
}

} // namespace quorvane
