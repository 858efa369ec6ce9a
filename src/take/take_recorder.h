#pragma once

#include "midi/play_observer.h"
#include "take/take.h"

#include <QObject>
#include <deque>
#include <functional>
#include <optional>

namespace quorvane {

// Records what the output sends while a take runs. When a take reaches its
// limit it ends there and the next one begins at once; the full one is handed
// on from the event queue, never from inside a send, so that whoever writes
// it may open windows without holding up the output.
class TakeRecorder : public QObject, public PlayObserver {
    Q_OBJECT
public:
    bool recording() const { return take_.has_value(); }
    // Begins a take now; a take already running goes on.
    void start();
    // The key the music is in from now on, or none. Each take carries the
    // key in force at its start and every later change to one.
    void setKey(const std::optional<KeySignature>& key);
    // Ends the running take now and returns it.
    std::optional<Take> stop();

    // Receives each take that filled up while recording.
    std::function<void(Take&&)> takeFull;

    // Hands on the full takes at once, as when the program ends before the
    // event queue would.
    void handFullTakesOn();

    void messageSent(const MidiBytes& message, std::int64_t timeNs) override;

private:
    void begin(std::int64_t timeNs);

    std::optional<KeySignature> key_;
    std::optional<Take> take_;
    std::deque<Take> full_;
};

} // namespace quorvane
