#pragma once

#include "midi/midi_message.h"
#include "midi/steady_time.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

namespace quorvane {

// A list of observers of one kind, each told of every report. Observers come
// and go on the user-interface thread while reports may come from any; with
// nobody listening a report costs one atomic load, so a closed monitor costs
// nothing measurable.
template <class Observer>
class ObserverList {
public:
    void add(Observer* observer)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        observers_.push_back(observer);
        any_ = true;
    }
    void remove(Observer* observer)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        observers_.erase(std::remove(observers_.begin(), observers_.end(), observer), observers_.end());
        any_ = !observers_.empty();
    }

    // Whether anybody listens now.
    bool any() const { return any_.load(std::memory_order_acquire); }

    template <class Call>
    void forEach(Call call)
    {
        if (!any())
            return;
        std::lock_guard<std::mutex> lock(mutex_);
        for (Observer* observer : observers_)
            call(observer);
    }

private:
    std::atomic<bool> any_{false};
    std::mutex mutex_;
    std::vector<Observer*> observers_;
};

// Watches the messages the program plays as it plays them: every message put
// on the output and every message that arrives at the input. A take being
// recorded and the live monitor listen here; the MIDI layer learns nothing
// else about them.
class PlayObserver {
public:
    virtual ~PlayObserver() = default;
    // On the user-interface thread, right after the message went out; a
    // message sent ahead of its time is told with the moment it was meant
    // to be sent at.
    virtual void messageSent(const MidiBytes&, std::int64_t /*timeNs*/) { }
    // On the MIDI system's thread, as the message arrives: keep it short.
    virtual void messageReceived(const MidiBytes&, std::int64_t /*timeNs*/) { }
};

// The play observers of one program behind one: the output and the input
// report to it.
class PlayObservers : public PlayObserver {
public:
    void add(PlayObserver* observer) { list_.add(observer); }
    void remove(PlayObserver* observer) { list_.remove(observer); }
    bool listened() const { return list_.any(); }

    void messageSent(const MidiBytes& message, std::int64_t timeNs) override
    {
        list_.forEach([&](PlayObserver* o) { o->messageSent(message, timeNs); });
    }
    void messageReceived(const MidiBytes& message, std::int64_t timeNs) override
    {
        list_.forEach([&](PlayObserver* o) { o->messageReceived(message, timeNs); });
    }

private:
    ObserverList<PlayObserver> list_;
};

} // namespace quorvane
