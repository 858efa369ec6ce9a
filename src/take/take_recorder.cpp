#include "take/take_recorder.h"

namespace quorvane {

void TakeRecorder::start()
{
    if (!take_)
        begin(steadyNowNs());
}

void TakeRecorder::begin(std::int64_t timeNs)
{
    take_.emplace(timeNs, QDateTime::currentDateTime());
    if (key_)
        take_->setKey(*key_, timeNs);
}

void TakeRecorder::setKey(const std::optional<KeySignature>& key)
{
    key_ = key;
    if (take_ && key_)
        take_->setKey(*key_, steadyNowNs());
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
        begin(timeNs);
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
