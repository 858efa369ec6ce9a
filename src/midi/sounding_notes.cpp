#include "midi/sounding_notes.h"

namespace quorvane {

namespace {

std::size_t slot(int channel, int key)
{
    return static_cast<std::size_t>(channel * midi::KeyCount + key);
}

} // namespace

void SoundingNotes::play(const MidiBytes& m, std::int64_t timeNs, const Ended& ended)
{
    if (m.size() == 1 && m[0] == midi::SystemReset) {
        endAll(ended);
        return;
    }
    if (m.empty() || !midi::isChannelStatus(m[0]) || !isWholeMessage(m))
        return;
    const int channel = midi::channelOf(m[0]);
    if (midi::isNoteOff(m)) {
        end(channel, m[1], ended);
    } else if (midi::isNoteOn(m)) {
        end(channel, m[1], ended);
        keys_[slot(channel, m[1])] = Stroke{timeNs, m[2]};
        ++count_;
    } else if (midi::endsAllNotes(m)) {
        endChannel(channel, ended);
    }
}

void SoundingNotes::end(int channel, int key, const Ended& ended)
{
    Stroke& stroke = keys_[slot(channel, key)];
    if (stroke.velocity == 0)
        return;
    const Note note{channel, key, stroke.velocity, stroke.startNs};
    stroke = Stroke{};
    --count_;
    if (ended)
        ended(note);
}

void SoundingNotes::endChannel(int channel, const Ended& ended)
{
    for (int key = 0; key < midi::KeyCount; ++key)
        end(channel, key, ended);
}

void SoundingNotes::endAll(const Ended& ended)
{
    for (int channel = 0; channel < midi::ChannelCount; ++channel)
        endChannel(channel, ended);
}

std::vector<SoundingNotes::Note> SoundingNotes::notes() const
{
    std::vector<Note> sounding;
    sounding.reserve(static_cast<std::size_t>(count_));
    for (int channel = 0; channel < midi::ChannelCount; ++channel) {
        for (int key = 0; key < midi::KeyCount; ++key) {
            const Stroke& stroke = keys_[slot(channel, key)];
            if (stroke.velocity > 0)
                sounding.push_back(Note{channel, key, stroke.velocity, stroke.startNs});
        }
    }
    return sounding;
}

} // namespace quorvane
