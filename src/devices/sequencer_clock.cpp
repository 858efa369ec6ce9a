#include "devices/sequencer_clock.h"

#include "midi/midi_bytes.h"
#include "midi/steady_time.h"

#include <chrono>
#include <cmath>
#include <sys/prctl.h>

namespace quorvane {

namespace {

// How often the thread looks at a plan with nothing to tick: often enough
// to take up a clock coming in again within half a tick.
constexpr std::chrono::milliseconds idleLook{10};

const MidiBytes clockTick{midi::Clock};
const MidiBytes clockStart{midi::Start};
const MidiBytes clockStop{midi::Stop};

} // namespace

SequencerClock::SequencerClock(const SnapshotCell<ClockOutPlan>& plan, const SnapshotCell<BeatTimeline>& ownBeat,
                               const SnapshotCell<BeatReading>& clockIn, const AudioBeat* session,
                               GuardedOutput& output)
    : plan_(plan), ownBeat_(ownBeat), clockIn_(clockIn), session_(session), output_(output), thread_([this] { run(); })
{ }

BeatTimeline SequencerClock::beatOf(const ClockOutPlan& plan) const
{
    if (plan.follows == ClockFollows::Session)
        return session_ ? session_->timelineForAudio(steadyNowNs()) : BeatTimeline{};
    if (plan.follows != ClockFollows::ClockIn)
        return ownBeat_.load();
    const BeatReading reading = clockIn_.load();
    // Not a tick more than the clock coming in gave: once it stops or goes
    // quiet, so does the clock sent on.
    if (steadyNowNs() - reading.heardNs > static_cast<std::int64_t>(2 * reading.beat.nsPerTick))
        return {};
    return reading.beat.state == SourceState::Running ? reading.beat : BeatTimeline{};
}

SequencerClock::~SequencerClock()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_one();
    thread_.join();
}

void SequencerClock::wake()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        changed_ = true;
    }
    wake_.notify_one();
}

bool SequencerClock::running() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return !ended_;
}

void SequencerClock::run()
{
    // Wake-ups to the microsecond, not the kernel's default 50 us slack.
    prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
    ClockStartStop startStop;
    bool ticking = false;
    double nextTick = 0;
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        changed_ = false;
        ClockOutPlan plan = plan_.load();
        if (stopping_)
            plan.on = false;
        if (startStop.stopDue(plan))
            output_.sendIfOpen(clockStop);
        if (!plan.on)
            break;
        const BeatTimeline beat = beatOf(plan);
        if (beat.nsPerTick <= 0) {
            ticking = false;
            wake_.wait_for(lock, idleLook, [this] { return changed_ || stopping_; });
            continue;
        }
        const double first = std::ceil(beat.tickAt(steadyNowNs()) - 1e-6);
        if (!ticking || nextTick < first - 1 || nextTick > first + 1)
            nextTick = first;
        ticking = true;
        const std::int64_t tickNs = beat.timeOfTick(nextTick);
        const std::chrono::steady_clock::time_point at{std::chrono::nanoseconds(tickNs)};
        if (wake_.wait_until(lock, at, [this] { return changed_ || stopping_; }))
            continue; // look again at the plan and the tempo before this tick
        if (startStop.startBefore(tickNs))
            output_.sendIfOpen(clockStart);
        output_.sendIfOpen(clockTick);
        nextTick += 1;
    }
    ended_ = true;
}

} // namespace quorvane
