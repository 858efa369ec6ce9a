#pragma once

#include "midi/midi_message.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <vector>

namespace quorvane {

// Nanoseconds on the steady clock: the one time base of everything observed.
inline std::int64_t steadyNowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Watches what the program plays as it plays it: every message put on the
// output, every message that arrives at the input, and the numbers each pass
// of a formula computes. A take being recorded and the live monitor listen
// here; the engine and the MIDI layer learn nothing else about them.
class PlayObserver {
public:
    virtual ~PlayObserver() = default;
    // On the user-interface thread, right after the message went out.
    virtual void messageSent(const MidiBytes&, std::int64_t /*timeNs*/) { }
    // On the MIDI system's thread, as the message arrives: keep it short.
    virtual void messageReceived(const MidiBytes&, std::int64_t /*timeNs*/) { }
    // On the user-interface thread: the number a pass computed before the
    // modulo fold and what the fold left of it. formula: 0 Wondrousness,
    // 1 Mixmaster.
    virtual void passComputed(int /*formula*/, double /*computed*/, double /*folded*/) { }
};

// The observers of one program behind one: the output, the input and the
// engine each report to it. With nobody listening a report costs one atomic
// load, so a closed monitor costs nothing measurable.
class PlayObservers : public PlayObserver {
public:
    void add(PlayObserver* observer)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        observers_.push_back(observer);
        any_ = true;
    }
    void remove(PlayObserver* observer)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        observers_.erase(std::remove(observers_.begin(), observers_.end(), observer), observers_.end());
        any_ = !observers_.empty();
    }

    void messageSent(const MidiBytes& message, std::int64_t timeNs) override
    {
        forEach([&](PlayObserver* o) { o->messageSent(message, timeNs); });
    }
    void messageReceived(const MidiBytes& message, std::int64_t timeNs) override
    {
        forEach([&](PlayObserver* o) { o->messageReceived(message, timeNs); });
    }
    void passComputed(int formula, double computed, double folded) override
    {
        forEach([&](PlayObserver* o) { o->passComputed(formula, computed, folded); });
    }

private:
    template <class Call>
    void forEach(Call call)
    {
        if (!any_.load(std::memory_order_acquire))
            return;
        std::lock_guard<std::mutex> lock(mutex_);
        for (PlayObserver* observer : observers_)
            call(observer);
    }

    std::atomic<bool> any_{false};
    std::mutex mutex_;
    std::vector<PlayObserver*> observers_;
};

} // namespace quorvane
