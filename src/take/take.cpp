#include "take/take.h"

#include "midi/midi_bytes.h"

#include <algorithm>

namespace quorvane {

namespace {

constexpr std::int64_t maxDurationTicks = Take::maxDurationNs / 1000000000 * takeTicksPerSecond;

} // namespace

std::uint32_t Take::tickAt(std::int64_t timeNs) const
{
    // Rounded to the nearest tick, so a message lands within half a tick of
    // when it was played.
    const std::int64_t sinceStart = std::clamp<std::int64_t>(timeNs - startNs_, 0, maxDurationNs);
    const std::int64_t ticks = (sinceStart * takeTicksPerSecond + 500000000) / 1000000000;
    return static_cast<std::uint32_t>(std::min(ticks, maxDurationTicks));
}

std::uint32_t Take::nextTick(std::int64_t timeNs) const
{
    // The clock can be read a hair out of order by two senders; the file
    // keeps the order in which things happened.
    std::uint32_t tick = tickAt(timeNs);
    if (!events_.empty())
        tick = std::max(tick, events_.back().tick);
    if (!keys_.empty())
        tick = std::max(tick, keys_.back().tick);
    return tick;
}

bool Take::setKey(const KeySignature& key, std::int64_t timeNs)
{
    if (!keys_.empty() && keys_.back().key == key)
        return false;
    keys_.push_back(KeyChange{nextTick(timeNs), events_.size(), key});
    return true;
}

bool Take::add(const MidiBytes& message, std::int64_t timeNs)
{
    if (message.empty() || message.size() > 3 || !midi::isChannelStatus(message[0]))
        return false;
    Event event{nextTick(timeNs), {0, 0, 0}, static_cast<std::uint8_t>(message.size())};
    std::copy(message.begin(), message.end(), event.bytes);
    events_.push_back(event);
    sounding_.play(message, timeNs);
    return true;
}

bool Take::full(std::int64_t timeNs) const
{
    return events_.size() >= maxEvents || timeNs - startNs_ >= maxDurationNs;
}

void Take::end(std::int64_t endNs)
{
    endTick_ = nextTick(endNs);
    sounding_.endAll([this](const SoundingNotes::Note& note) {
        const auto status = static_cast<std::uint8_t>(midi::NoteOff + note.channel);
        events_.push_back(Event{endTick_, {status, static_cast<std::uint8_t>(note.key), 0}, 3});
    });
}

} // namespace quorvane
