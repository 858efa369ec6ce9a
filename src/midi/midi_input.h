#pragma once

#include "midi/midi_component.h"
#include "midi/input_thru.h"
#include "midi/play_observer.h"

#include <atomic>
#include <deque>
#include <memory>
#include <mutex>

namespace quorvane {

// The MIDI input component. Whole messages arrive on the MIDI system's
// thread and wait in an unbounded queue, oldest first; the arrival notification reaches
// the user-interface thread as a queued signal. The program reads the oldest
// message through status/data1/data2 and drops it with action 6.
class MidiInput : public MidiComponent {
    Q_OBJECT
public:
    enum Action { Open = 1, Close = 2, Start = 4, Stop = 5, Next = 6 };

    explicit MidiInput(std::unique_ptr<InputBackend> backend, QObject* parent = nullptr);
    ~MidiInput() override;

    void setAction(const Variant& code); // member 0x01
    // Members 0x05 (name), 0x0D (count), 0x0E (open state) and 0x10 (device
    // number) come from MidiComponent.
    int count() const;                // member 0x06: messages waiting
    int status() const;               // member 0x07
    int data1() const;                // member 0x08
    int data2() const;                // member 0x09
    MidiBytes currentMessage() const; // the whole oldest message
    // Whether the oldest message has already gone to the output, on the
    // thread it arrived on, and when it arrived.
    bool currentForwarded() const;
    std::int64_t currentArrivalNs() const;
    bool isReceiving() const { return receiving_; }

    InputBackend& backend() { return *backend_; }
    // Told of every message as it arrives, on the MIDI system's thread.
    void setObserver(PlayObserver* observer) { observer_ = observer; }
    // Forwards each message as it arrives where the output allows it; told
    // whether the input receives. Set once, before the input opens.
    void setThru(InputThru* thru) { thru_ = thru; }

signals:
    void messageArrived();

private:
    void open();
    void close() override;
    struct Arrival {
        MidiBytes message;
        bool forwarded;
        std::int64_t atNs;
    };

    void receive(const MidiBytes& message, bool forwarded); // any thread
    void setReceiving(bool on);
    void notifyArrival();                   // user-interface thread
    int currentByte(std::size_t index) const;

    std::unique_ptr<InputBackend> backend_;
    std::atomic<bool> receiving_{false};
    std::atomic<bool> notificationPending_{false};
    mutable std::mutex queueMutex_;
    std::deque<Arrival> queue_;
    std::atomic<PlayObserver*> observer_{nullptr};
    InputThru* thru_ = nullptr;
};

} // namespace quorvane
