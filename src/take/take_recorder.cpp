#include "take/take_recorder.h"

#include "take/take_file.h"

namespace quorvane {

TakeRecorder::~TakeRecorder()
{
    disk_.waitUntilIdle();
}

void TakeRecorder::start(const QString& folder)
{
    if (take_)
        return;
    folder_ = folder;
    begin(steadyNowNs());
}

void TakeRecorder::stop()
{
    if (take_)
        end(steadyNowNs());
}

void TakeRecorder::messageSent(const MidiBytes& message, std::int64_t timeNs)
{
    if (take_) {
        if (take_->full(timeNs)) {
            end(timeNs);
            begin(timeNs);
        }
        add(message, timeNs);
    }
    channels_.see(message);
}

void TakeRecorder::begin(std::int64_t timeNs)
{
    const QDateTime startedAt = QDateTime::currentDateTime();
    take_.emplace(timeNs, startedAt);
    journal_.emplace(disk_, folder_, startedAt);
    // The key and the sound in force when the take begins, at its very start.
    keepKey(timeNs);
    for (const MidiBytes& message : channels_.restatement())
        add(message, timeNs);
}

void TakeRecorder::setKey(const std::optional<KeySignature>& key)
{
    key_ = key;
    if (take_)
        keepKey(steadyNowNs());
}

void TakeRecorder::keepKey(std::int64_t timeNs)
{
    // A scale without a key signature leaves the last one standing: the
    // notes are no longer kept to it, but no other is known to replace it.
    if (key_ && take_->setKey(*key_, timeNs))
        journal_->appendKey(take_->keyChanges().back());
}

void TakeRecorder::add(const MidiBytes& message, std::int64_t timeNs)
{
    if (take_->add(message, timeNs))
        journal_->append(take_->events().back());
}

void TakeRecorder::end(std::int64_t timeNs)
{
    take_->end(timeNs);
    journal_->finish();
    write(std::move(*take_), *journal_);
    take_.reset();
    journal_.reset();
}

void TakeRecorder::write(Take&& take, TakeJournal journal)
{
    disk_.post([this, take = std::move(take), journal, folder = folder_]() mutable {
        // Named here, after the takes before it were written, so that no two
        // takes ever share a name.
        const QString path = freeTakePath(folder, take.startedAt());
        QString failure = writeTakeFile(take, path);
        if (failure.isEmpty()) {
            journal.remove();
            return;
        }
        {
            std::lock_guard<std::mutex> lock(failedMutex_);
            failed_.push_back({std::move(take), path, std::move(failure), journal});
        }
        QMetaObject::invokeMethod(this, &TakeRecorder::handOnFailures, Qt::QueuedConnection);
    });
}

void TakeRecorder::finishWriting()
{
    disk_.waitUntilIdle();
    handOnFailures();
}

void TakeRecorder::handOnFailures()
{
    // One at a time: whoever receives one may open windows, whose event
    // loop would otherwise hand on the next meanwhile.
    if (handingOn_)
        return;
    handingOn_ = true;
    for (;;) {
        std::optional<UnwrittenTake> next;
        {
            std::lock_guard<std::mutex> lock(failedMutex_);
            if (failed_.empty())
                break;
            next.emplace(std::move(failed_.front()));
            failed_.pop_front();
        }
        if (writeFailed)
            writeFailed(std::move(*next));
    }
    handingOn_ = false;
}

} // namespace quorvane
