#include "ui/monitor/monitor_model.h"

#include <utility>

namespace quorvane {

namespace {

// Trims a history kept in time order to its count and to what is newer than
// `since`.
template <class List, class Time>
void trim(List& list, std::size_t maxCount, std::int64_t since, Time timeOf)
{
    while (list.size() > maxCount || (!list.empty() && timeOf(list.front()) < since))
        list.pop_front();
}

} // namespace

MonitorModel::MonitorModel(MonitorLimits limits) : limits_(limits) { }

void MonitorModel::messageSent(const MidiBytes& message, std::int64_t timeNs)
{
    queue({Report::Sent, timeNs, message, Formula::Wondrousness, 0, 0});
}

void MonitorModel::messageReceived(const MidiBytes& message, std::int64_t timeNs)
{
    queue({Report::Received, timeNs, message, Formula::Wondrousness, 0, 0});
}

void MonitorModel::passComputed(Formula formula, double computed, double folded)
{
    queue({Report::Pass, steadyNowNs(), {}, formula, computed, folded});
}

void MonitorModel::queue(Report&& report)
{
    std::lock_guard<std::mutex> lock(waitingMutex_);
    if (waiting_.size() >= limits_.maxWaiting) {
        ++dropped_;
        return;
    }
    waiting_.push_back(std::move(report));
}

bool MonitorModel::drain(std::int64_t nowNs)
{
    taking_.clear();
    {
        std::lock_guard<std::mutex> lock(waitingMutex_);
        std::swap(taking_, waiting_);
    }
    for (Report& report : taking_)
        take(report);
    forgetOld(nowNs);
    return !taking_.empty();
}

void MonitorModel::take(Report& report)
{
    if (report.kind == Report::Pass) {
        passes_.push_back({passesSeen_++, report.timeNs, report.formula, report.computed, report.folded});
        return;
    }
    // What the output sends is what sounds; what arrives is only listed, and
    // sounds once the program has forwarded it.
    if (report.kind == Report::Sent)
        play(report.bytes, report.timeNs);
    messages_.push_back({messagesSeen_++, report.timeNs, report.kind == Report::Received, std::move(report.bytes)});
}

SoundingNotes::Ended MonitorModel::keepEnded(std::int64_t timeNs)
{
    return [this, timeNs](const SoundingNotes::Note& n) {
        ended_.push_back(NoteSpan{n.channel, n.key, n.velocity, n.startNs, timeNs});
    };
}

void MonitorModel::play(const MidiBytes& message, std::int64_t timeNs)
{
    sounding_.play(message, timeNs, keepEnded(timeNs));
}

void MonitorModel::stopListening(std::int64_t nowNs)
{
    drain(nowNs);
    sounding_.endAll(keepEnded(nowNs));
}

std::vector<NoteSpan> MonitorModel::soundingNotes() const
{
    std::vector<NoteSpan> notes;
    for (const SoundingNotes::Note& n : sounding_.notes())
        notes.push_back(NoteSpan{n.channel, n.key, n.velocity, n.startNs, 0});
    return notes;
}

void MonitorModel::forgetOld(std::int64_t nowNs)
{
    const std::int64_t since = nowNs - limits_.keepNs;
    trim(ended_, limits_.maxSpans, since, [](const NoteSpan& s) { return s.endNs; });
    trim(messages_, limits_.maxMessages, since, [](const SeenMessage& m) { return m.timeNs; });
    trim(passes_, limits_.maxPasses, since, [](const SeenPass& p) { return p.timeNs; });
}

} // namespace quorvane
