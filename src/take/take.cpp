#include "take/take.h"

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
    if (message.empty() || message.size() > 3 || message[0] < 0x80 || message[0] >= 0xF0)
        return false;
    Event event{nextTick(timeNs), {0, 0, 0}, static_cast<std::uint8_t>(message.size())};
    std::copy(message.begin(), message.end(), event.bytes);
    events_.push_back(event);
    track(event);
    return true;
}

void Take::track(const Event& event)
{
    const int kind = event.bytes[0] & 0xF0;
    const int channel = event.bytes[0] & 0x0F;
    if (kind == 0x90 && event.length == 3 && event.bytes[2] > 0)
        sounding_.set(channel * 128 + event.bytes[1]);
    else if ((kind == 0x80 || kind == 0x90) && event.length == 3)
        sounding_.reset(channel * 128 + event.bytes[1]);
    else if (kind == 0xB0 && event.length == 3 && (event.bytes[1] == 123 || event.bytes[1] == 120)) {
        // All notes off and all sound off end every note of the channel.
        for (int key = 0; key < 128; ++key)
            sounding_.reset(channel * 128 + key);
    }
}

bool Take::full(std::int64_t timeNs) const
{
    return events_.size() >= maxEvents || timeNs - startNs_ >= maxDurationNs;
}

void Take::end(std::int64_t endNs)
{
    endTick_ = nextTick(endNs);
    for (int channel = 0; channel < 16; ++channel) {
        for (int key = 0; key < 128; ++key) {
            if (sounding_.test(channel * 128 + key))
                events_.push_back(
                    Event{endTick_, {static_cast<std::uint8_t>(0x80 | channel), static_cast<std::uint8_t>(key), 0}, 3});
        }
    }
    sounding_.reset();
}

} // namespace quorvane
