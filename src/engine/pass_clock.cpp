#include "engine/pass_clock.h"

#include <algorithm>
#include <cstdlib>

namespace quorvane {

namespace {

// Lines are at least 3 clock ticks apart (1/32 at 300 bpm: 25 ms): a moment
// this far past a line looks for the next one.
constexpr std::int64_t pastTheLineNs = 1'000'000;
// A line told again is the same line when it moved by less than this: well
// under the 25 ms between the closest lines.
constexpr std::int64_t sameLineNs = 10'000'000;

} // namespace

void PassClock::setGrid(const SyncSource* source, GridDivision division)
{
    source_ = source;
    division_ = division;
}

bool PassClock::sourceRuns(std::int64_t nowNs) const
{
    return !source_ || source_->status(nowNs).state == SourceState::Running;
}

std::int64_t PassClock::lineAtOrAfter(std::int64_t timeNs) const
{
    if (!source_)
        return timeNs;
    return source_->lineAtOrAfter(timeNs, division_).value_or(timeNs);
}

void PassClock::start(std::int64_t nowNs, std::int64_t leadNs)
{
    passNs_ = source_ ? source_->firstLineAtOrAfter(nowNs + leadNs, division_).value_or(nowNs + leadNs) : nowNs;
    // The wait for a first line ahead is a wait like the others: a thread
    // that wakes a little after that line still plays the pass on it.
    lastWaitNs_ = passNs_ - nowNs;
}

void PassClock::catchUp(std::int64_t nowNs, std::int64_t leadNs)
{
    // A wait of 0 ms means "at once": every free pass then plays when it comes.
    if (nowNs - passNs_ > std::min(lastWaitNs_, stallNs))
        start(nowNs, leadNs);
}

void PassClock::refineLine()
{
    if (!source_)
        return;
    const std::optional<std::int64_t> line = source_->lineAtOrAfter(passNs_ - sameLineNs, division_);
    if (line && std::abs(*line - passNs_) < sameLineNs) {
        lastWaitNs_ += *line - passNs_;
        passNs_ = *line;
    }
}

std::int64_t PassClock::advance(std::int64_t waitNs)
{
    const std::int64_t next = source_ ? lineAtOrAfter(passNs_ + std::max(waitNs, pastTheLineNs)) : passNs_ + waitNs;
    lastWaitNs_ = next - passNs_;
    passNs_ = next;
    return passNs_;
}

} // namespace quorvane
