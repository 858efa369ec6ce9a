#include "engine/panic.h"

#include "engine/composer.h"

namespace quorvane {

namespace {

constexpr int SustainPedal = 64;
constexpr int AllSoundOff = 120;
constexpr int AllNotesOff = 123;

void controlChange(MidiOutput& output, int channel, int controller, int value)
{
    output.setStatus(0xB0 + channel);
    output.setData1(controller);
    output.setData2(value);
    output.setAuxiliary(0);
    output.setAction(MidiOutput::Send);
}

} // namespace

void allOff(Composer& composer, int channel)
{
    controlChange(composer.output(), channel, SustainPedal, 0);
    controlChange(composer.output(), channel, AllNotesOff, 0);
    composer.PitchOff();
}

void allChannelsAllOff(Composer& composer)
{
    for (int channel = 0; channel < 16; ++channel) {
        controlChange(composer.output(), channel, SustainPedal, 0);
        controlChange(composer.output(), channel, AllNotesOff, 0);
        controlChange(composer.output(), channel, AllSoundOff, 0);
    }
    composer.PitchOff();
}

} // namespace quorvane
