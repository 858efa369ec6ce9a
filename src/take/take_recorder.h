#pragma once

#include "midi/play_observer.h"
#include "take/channel_state.h"
#include "take/disk_queue.h"
#include "take/take.h"
#include "take/take_journal.h"

#include <QObject>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>

namespace quorvane {

// A take that could not be written, kept for the user to put elsewhere.
struct UnwrittenTake {
    Take take;
    QString path;    // where it was to go
    QString failure; // why it could not
    // Kept until the take is safe; remove() once it is written or let go.
    TakeJournal journal;
};

// Records what the output sends while a take runs. Each take starts with the
// key the music is in and the channel state the messages before it left
// (programme, pan, controllers), is kept in a journal on disk as it goes, and
// is written as a file in its folder off this thread once it ends; a take
// that reaches its limit ends there and the next one begins at once.
class TakeRecorder : public QObject, public PlayObserver {
    Q_OBJECT
public:
    TakeRecorder() = default;
    // Waits until the ended takes are written.
    ~TakeRecorder() override;

    bool recording() const { return take_.has_value(); }
    // Begins a take now, to be kept and written in folder; a take already
    // running goes on.
    void start(const QString& folder);
    // Ends the running take now; it is written off this thread.
    void stop();
    // Waits until every ended take has been written, and hands on at once
    // those that could not be, as when the program ends.
    void finishWriting();
    // The key the music is in from now on, or none. Each take carries the
    // key in force at its start and every later change to one.
    void setKey(const std::optional<KeySignature>& key);

    // Receives each take that could not be written, on this thread from its
    // event queue (or from finishWriting), one at a time.
    std::function<void(UnwrittenTake&&)> writeFailed;

    void messageSent(const MidiBytes& message, std::int64_t timeNs) override;

private:
    void begin(std::int64_t timeNs);
    void add(const MidiBytes& message, std::int64_t timeNs);
    void keepKey(std::int64_t timeNs);
    void end(std::int64_t timeNs);
    void write(Take&& take, TakeJournal journal);
    void handOnFailures();

    ChannelState channels_;
    std::optional<KeySignature> key_;
    QString folder_;
    std::optional<Take> take_;
    std::optional<TakeJournal> journal_;
    std::mutex failedMutex_;
    std::deque<UnwrittenTake> failed_;
    bool handingOn_ = false;
    // Last: it goes first, finishing its work while the rest is still there.
    DiskQueue disk_;
};

} // namespace quorvane
