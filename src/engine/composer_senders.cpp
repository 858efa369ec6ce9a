#include "engine/composer.h"

#include "engine/control_names.h"
#include "values/number_rules.h"

#include "midi/message_writer.h"
#include "midi/midi_bytes.h"

#include <algorithm>
#include <cmath>

namespace quorvane {

namespace {

// The note of the "Test" button.
constexpr int MiddleC = 60;

} // namespace

void Composer::transpose(Mode mode)
{
    // The sum goes back into StartNote: what is sent, shown and later
    // switched off is the transposed value, and Wondrousness goes on from it.
    const double offset = numberInBox(controls::transposition(mode), 0.0);
    if (offset != 0.0)
        startNote_ = Variant(startNote_.numberOr(0.0) + offset);
}

void Composer::display(Mode mode, const Variant& played)
{
    if (checked(controls::DisplayResults))
        panel_.setText(controls::result(mode), played.toText());
}

Variant Composer::pitchNote()
{
    // Only the note struck is moved: StartNote goes on as it was, so the
    // formula's course is the same with and without a scale or a range.
    const std::optional<NoteRange> range = noteRangeInBoxes();
    const double n = startNote_.numberOr(0.0);
    if (scale_.scale == Scale::Chromatic)
        return range ? Variant(foldIntoRange(n, *range)) : startNote_;
    if (!range)
        return Variant(keepToScale(n, scale_));
    // A range without a note of the scale is marked; the range alone holds
    // the note meanwhile.
    return Variant(keepToScaleInRange(n, scale_, *range).value_or(foldIntoRange(n, *range)));
}

void Composer::PitchOn()
{
    transpose(Mode::Pitch);
    const Variant note = pitchNote();
    sendNote(output_, midiChannel_, note, numberInBox(controls::velocity(), 60.0));
    struckNote_ = note;
    soundingNote_ = note;
    display(Mode::Pitch, note);
}

void Composer::VelOn()
{
    transpose(Mode::Velocity);
    const Variant note(numberInBox(controls::velocityModeNote(), 0.0));
    sendNote(output_, midiChannel_, note, startNote_);
    struckNote_ = note;
    soundingNote_ = note;
    display(Mode::Velocity, startNote_);
}

void Composer::ProgOn()
{
    transpose(Mode::ProgrammeChange);
    sendProgramChange(output_, midiChannel_, startNote_);
    display(Mode::ProgrammeChange, startNote_);
}

void Composer::PanOn()
{
    transpose(Mode::Pan);
    sendControlChange(output_, midiChannel_, midi::controller::Pan, startNote_);
    display(Mode::Pan, startNote_);
}

void Composer::PitchOff()
{
    noteOff(startNoteOff_);
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
    sendNote(output_, midiChannel_, note, 0);
    if (soundingNote_ && numericEquals(note, *soundingNote_))
        soundingNote_.reset();
}

void Composer::DoSleep()
{
    const double delay = numberInBox(controls::Delay, 60.0);
    double wait = 0.0;
    if (checked(controls::RandomDelay)) {
        // A whole number of milliseconds from 0 to the delay inclusive.
        const double r = host_.random();
        wait = std::floor((delay - 0.0 + 1.0) * r + 0.0);
    } else {
        wait = roundHalfEven(delay);
    }
    // Input forwarded during the pause goes out at once.
    output_.setSendTime(std::nullopt);
    passClock_.catchUp(host_.now(), output_.schedulingLeadNs());
    const std::int64_t deadline = passClock_.advance(clampWait(wait) * 1'000'000);
    // Ended ahead by the output's lead, so that the next pass is computed and
    // queued in time to be heard right at its deadline.
    host_.pauseUntil(deadline - output_.schedulingLeadNs());
}

int Composer::channelPatch(int channel) const
{
    // The clamp keeps a stray channel number inside the table.
    return channelPatch_[static_cast<std::size_t>(std::clamp(channel, 0, midi::ChannelCount - 1))];
}

void Composer::patchSelected(int index)
{
    patchFollowed(index);
    sendProgramChange(output_, midiChannel_, index);
}

void Composer::patchFollowed(int index)
{
    // Only channel 0 is ever used.
    channelPatch_[static_cast<std::size_t>(std::clamp(midiChannel_, 0, midi::ChannelCount - 1))] = index;
}

void Composer::testNote(int velocity)
{
    sendNote(output_, midiChannel_, MiddleC, velocity);
}

} // namespace quorvane
