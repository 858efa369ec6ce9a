#pragma once

#include "engine/pass_observer.h"
#include "midi/play_observer.h"
#include "midi/sounding_notes.h"

#include <atomic>
#include <cstdint>
#include <deque>
#include <mutex>
#include <vector>

namespace quorvane {

// One note as the output played it, from its note-on to its note-off.
struct NoteSpan {
    int channel = 0; // 0..15
    int note = 0;
    int velocity = 0;
    std::int64_t startNs = 0;
    std::int64_t endNs = 0; // meaningless while the note still sounds
};

struct SeenMessage {
    long long number = 0; // counts every message the monitor has seen, from 0
    std::int64_t timeNs = 0;
    bool incoming = false;
    MidiBytes bytes;
};

struct SeenPass {
    long long number = 0; // counts every pass the monitor has seen, from 0
    std::int64_t timeNs = 0;
    Formula formula = Formula::Wondrousness;
    double computed = 0;
    double folded = 0;
};

// How much the monitor keeps: whatever is older than keepNs goes, and no
// list grows past its count, however long the program plays.
struct MonitorLimits {
    std::int64_t keepNs = 180'000'000'000; // three minutes
    std::size_t maxSpans = 20000;
    std::size_t maxMessages = 10000;
    std::size_t maxPasses = 5000;
    // What may wait for the next drain; past it the newest are dropped.
    std::size_t maxWaiting = 200000;
};

// What the monitor shows, built from what the program plays. The reports may
// come from any thread (input arrives on the MIDI system's): each one only
// queues under a lock. drain(), on the user-interface thread, turns the queue
// into note spans, the message history and the passes' numbers.
class MonitorModel : public PlayObserver, public PassObserver {
public:
    explicit MonitorModel(MonitorLimits limits = {});

    void messageSent(const MidiBytes& message, std::int64_t timeNs) override;
    void messageReceived(const MidiBytes& message, std::int64_t timeNs) override;
    void passComputed(Formula formula, double computed, double folded) override;

    // Takes in what was reported since the last drain and forgets what is
    // past the limits at nowNs; false when nothing arrived.
    bool drain(std::int64_t nowNs);

    // Stops listening for now: whatever still sounds ends at nowNs, since a
    // note-off that comes while nobody listens would leave it sounding here
    // for good, a stuck note that is not.
    void stopListening(std::int64_t nowNs);

    // Notes that have ended, oldest ending first.
    const std::deque<NoteSpan>& endedNotes() const { return ended_; }
    // Notes sounding now: a note-on whose note-off has not come (yet).
    std::vector<NoteSpan> soundingNotes() const;
    int soundingCount() const { return sounding_.count(); }

    const std::deque<SeenMessage>& messages() const { return messages_; }
    const std::deque<SeenPass>& passes() const { return passes_; }
    // Reports lost because the queue was full between two drains.
    long long dropped() const { return dropped_.load(); }

private:
    struct Report {
        enum Kind { Sent, Received, Pass } kind;
        std::int64_t timeNs;
        MidiBytes bytes;
        Formula formula;
        double computed;
        double folded;
    };

    void queue(Report&& report);
    void take(Report& report);
    void play(const MidiBytes& message, std::int64_t timeNs);
    // Keeps a note that ended at timeNs.
    SoundingNotes::Ended keepEnded(std::int64_t timeNs);
    void forgetOld(std::int64_t nowNs);

    const MonitorLimits limits_;

    std::mutex waitingMutex_;
    std::vector<Report> waiting_;
    std::atomic<long long> dropped_{0};

    std::vector<Report> taking_;
    std::deque<NoteSpan> ended_;
    SoundingNotes sounding_;
    std::deque<SeenMessage> messages_;
    long long messagesSeen_ = 0;
    std::deque<SeenPass> passes_;
    long long passesSeen_ = 0;
};

} // namespace quorvane
