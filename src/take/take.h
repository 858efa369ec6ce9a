#pragma once

#include "midi/midi_message.h"
#include "midi/sounding_notes.h"
#include "take/key_signature.h"

#include <QDateTime>
#include <cstdint>
#include <vector>

namespace quorvane {

// A take's time grid: 960 ticks per quarter note at 120 beats per minute,
// so one tick is 1/1920 s (about 0.52 ms), finer than any pause the program
// makes.
constexpr int takeTicksPerQuarter = 960;
constexpr int takeMicrosecondsPerQuarter = 500000;
constexpr std::int64_t takeTicksPerSecond = std::int64_t(takeTicksPerQuarter) * 1000000 / takeMicrosecondsPerQuarter;

// What one recording holds: every channel message the output sent, at its
// tick from the take's start, in the order sent. Eight bytes a message.
class Take {
public:
    struct Event {
        std::uint32_t tick;
        std::uint8_t bytes[3];
        std::uint8_t length;
    };

    // A take stops taking messages at this count or this length; the recorder
    // then writes it and begins the next one. The file library's save checks
    // its work by reading the file back and freeing that copy, which grows
    // with the square of the events: 50,000 take a few tenths of a second
    // (about five minutes at the default delay), 200,000 several seconds.
    // The length keeps every tick well inside what a file's delta times and
    // the file library's ints hold.
    static constexpr std::size_t maxEvents = 50000;
    static constexpr std::int64_t maxDurationNs = std::int64_t(24) * 3600 * 1000000000;

    Take(std::int64_t startNs, QDateTime startedAt) : startNs_(startNs), startedAt_(std::move(startedAt)) { }

    // Keeps a message sent at timeNs. System common and real-time messages
    // are left out: they belong to the live connection, and in a file their
    // status bytes would be read as something else (0xFF starts a meta event).
    // Whether it was kept.
    bool add(const MidiBytes& message, std::int64_t timeNs);
    // No room for another message at that time.
    bool full(std::int64_t timeNs) const;
    // From timeNs on the music is in this key: the file carries its
    // signature there, before the messages added after it. A key that is
    // the one last written already is not written again. Whether it was
    // kept.
    bool setKey(const KeySignature& key, std::int64_t timeNs);
    // The take ends at endNs: every note still sounding gets its note-off
    // there, so that no note of the file hangs.
    void end(std::int64_t endNs);

    struct KeyChange {
        std::uint32_t tick;
        std::size_t beforeEvent; // the number of events() added before it
        KeySignature key;
    };

    const std::vector<Event>& events() const { return events_; }
    const std::vector<KeyChange>& keyChanges() const { return keys_; }
    std::uint32_t endTick() const { return endTick_; }
    std::int64_t startNs() const { return startNs_; }
    const QDateTime& startedAt() const { return startedAt_; }

private:
    std::uint32_t tickAt(std::int64_t timeNs) const;
    // The tick of what happens at timeNs, never before what came before it.
    std::uint32_t nextTick(std::int64_t timeNs) const;

    std::int64_t startNs_;
    QDateTime startedAt_;
    std::vector<Event> events_;
    std::vector<KeyChange> keys_;
    SoundingNotes sounding_;
    std::uint32_t endTick_ = 0;
};

} // namespace quorvane
