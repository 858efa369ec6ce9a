#include "ui/monitor/monitor_model.h"

#include <utility>

namespace quorvane {

namespace {

constexpr int AllSoundOff = 120;
constexpr int AllNotesOff = 123;

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

void MonitorModel::play(const MidiBytes& m, std::int64_t timeNs)
{
    if (m.size() < 1)
        return;
    if (m[0] == 0xFF) { // a reset silences every channel
        endAll(timeNs);
        return;
    }
    if (m.size() < 3 || m[0] < 0x80 || m[0] >= 0xF0 || m[1] > 127)
        return;
    const int channel = m[0] & 0x0F;
    const int kind = m[0] & 0xF0;
    if (kind == 0x80 || (kind == 0x90 && m[2] == 0)) {
        endNote(channel, m[1], timeNs);
    } else if (kind == 0x90) {
        // A second note-on of a sounding key strikes it again: the first
        // stroke ends where the second begins.
        endNote(channel, m[1], timeNs);
        sounding_[static_cast<std::size_t>(channel * 128 + m[1])] = NoteSpan{channel, m[1], m[2], timeNs, 0};
        ++soundingCount_;
    } else if (kind == 0xB0 && (m[1] == AllNotesOff || m[1] == AllSoundOff)) {
        for (int note = 0; note < 128; ++note)
            endNote(channel, note, timeNs);
    }
}

void MonitorModel::endNote(int channel, int note, std::int64_t timeNs)
{
    std::optional<NoteSpan>& span = sounding_[static_cast<std::size_t>(channel * 128 + note)];
    if (!span)
        return;
    span->endNs = timeNs;
    ended_.push_back(*span);
    span.reset();
    --soundingCount_;
}

void MonitorModel::stopListening(std::int64_t nowNs)
{
    drain(nowNs);
    endAll(nowNs);
}

void MonitorModel::endAll(std::int64_t timeNs)
{
    for (int key = 0; key < 16 * 128; ++key)
        endNote(key / 128, key % 128, timeNs);
}

std::vector<NoteSpan> MonitorModel::soundingNotes() const
{
    std::vector<NoteSpan> notes;
    notes.reserve(static_cast<std::size_t>(soundingCount_));
    for (const std::optional<NoteSpan>& span : sounding_)
        if (span)
            notes.push_back(*span);
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
