#include "take/take_recorder.h"

namespace quorvane {

void TakeRecorder::start()
{
    if (!take_)
        take_.emplace(steadyNowNs(), QDateTime::currentDateTime());
}

std::optional<Take> TakeRecorder::stop()
{
    std::optional<Take> ended = std::move(take_);
    take_.reset();
    if (ended)
        ended->end(steadyNowNs());
    return ended;
}

void TakeRecorder::messageSent(const MidiBytes& message, std::int64_t timeNs)
{
    if (!take_)
        return;
    if (take_->full(timeNs)) {
        full_.push_back(std::move(*take_));
        full_.back().end(timeNs);
        take_.emplace(timeNs, QDateTime::currentDateTime());
        QMetaObject::invokeMethod(this, &TakeRecorder::handFullTakesOn, Qt::QueuedConnection);
    }
    take_->add(message, timeNs);
}

void TakeRecorder::handFullTakesOn()
{
    while (!full_.empty()) {
        Take take = std::move(full_.front());
        full_.pop_front();
        if (takeFull)
            takeFull(std::move(take));
    }
}

} // namespace quorvane
