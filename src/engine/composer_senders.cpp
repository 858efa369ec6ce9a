#include "engine/composer.h"

#include "engine/number_rules.h"

#include <algorithm>
#include <cmath>

namespace quorvane {

namespace {

// The status byte of a channel message on the program's channel. Computed in
// double so that no channel number, however odd, can overflow an int.
Variant channelStatus(int base, int channel)
{
    return Variant(static_cast<double>(base) + static_cast<double>(channel));
}

} // namespace

void Composer::transpose(int mode)
{
    // The sum goes back into StartNote: what is sent, shown and later
    // switched off is the transposed value, and Wondrousness goes on from it.
    const double offset = numberInBox(QStringLiteral("TextTranspose(%1)").arg(mode), 0.0);
    if (offset != 0.0)
        startNote = Variant(numberOf(startNote).value_or(0.0) + offset);
}

void Composer::display(int mode)
{
    if (checked("CheckDisplayResults"))
        panel_.setText(QStringLiteral("TextVal(%1)").arg(mode), startNote.toText());
}

void Composer::PitchOn()
{
    transpose(0);
    output_.setStatus(channelStatus(0x90, midiChannel));
    output_.setData2(numberInBox(QStringLiteral("TextVal(1)"), 60.0));
    output_.setData1(startNote);
    output_.setAuxiliary(0);
    output_.setAction(MidiOutput::Send);
    soundingNote_ = startNote;
    display(0);
}

void Composer::VelOn()
{
    transpose(1);
    output_.setStatus(channelStatus(0x90, midiChannel));
    output_.setData2(startNote);
    const Variant note(numberInBox(QStringLiteral("TextVal(0)"), 0.0));
    output_.setData1(note);
    output_.setAuxiliary(0);
    output_.setAction(MidiOutput::Send);
    velocityNote_ = note;
    soundingNote_ = note;
    display(1);
}

void Composer::ProgOn()
{
    transpose(2);
    output_.setStatus(channelStatus(0xC0, midiChannel));
    output_.setData1(startNote);
    output_.setData2(0);
    output_.setAuxiliary(0);
    output_.setAction(MidiOutput::Send);
    display(2);
}

void Composer::PanOn()
{
    transpose(3);
    output_.setStatus(channelStatus(0xB0, midiChannel));
    output_.setData1(10); // controller 10: pan
    output_.setData2(startNote);
    output_.setAuxiliary(0);
    output_.setAction(MidiOutput::Send);
    display(3);
}

void Composer::PitchOff()
{
    noteOff(startNoteOff);
}

void Composer::silenceSoundingNote()
{
    if (soundingNote_)
        noteOff(*soundingNote_);
}

void Composer::noteOff(const Variant& note)
{
    // A note-on with velocity 0: every device takes it as a note-off, and it
    // keeps running status intact on old hardware.
    output_.setStatus(channelStatus(0x90, midiChannel));
    output_.setData2(0);
    output_.setData1(note);
    output_.setAuxiliary(0);
    output_.setAction(MidiOutput::Send);
    if (soundingNote_ && numericEquals(note, *soundingNote_))
        soundingNote_.reset();
}

void Composer::DoSleep()
{
    const double delay = numberInBox(QStringLiteral("DelayText"), 60.0);
    double wait = 0.0;
    if (checked("CheckRandomDelay")) {
        // A whole number of milliseconds from 0 to the delay inclusive.
        const double r = host_.random();
        wait = std::floor((delay - 0.0 + 1.0) * r + 0.0);
    } else {
        wait = roundHalfEven(delay);
    }
    host_.pause(clampWait(wait));
}

void Composer::patchSelected(int index)
{
    // Only channel 0 is ever used; the clamp keeps a stray channel number
    // inside the table.
    int& patch = channelPatch[static_cast<std::size_t>(std::clamp(midiChannel, 0, 15))];
    patch = index;
    output_.setStatus(channelStatus(0xC0, midiChannel));
    output_.setData1(patch);
    output_.setData2(0);
    output_.setAuxiliary(0);
    output_.setAction(MidiOutput::Send);
}

} // namespace quorvane
