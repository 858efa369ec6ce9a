#include "devices/jack_clock_out.h"

#include "midi/midi_bytes.h"

#include <jack/midiport.h>

#include <cmath>

namespace quorvane {

void JackClockOut::makeCycle(const JackFrameClock& clock, const BeatTimeline& transport)
{
    count_ = 0;
    // A plan caught mid-store is looked at again next cycle.
    planCell_.tryLoad(plan_);
    if (startStop_.stopDue(plan_))
        add(0, midi::Stop);
    if (!plan_.on) {
        ticking_ = false;
        return;
    }
    switch (plan_.follows) {
    case ClockFollows::OwnTempo:
        if (ownBeatCell_)
            ownBeatCell_->tryLoad(beat_);
        break;
    case ClockFollows::Transport: beat_ = transport; break;
    case ClockFollows::Session:
        beat_ = session_ ? session_->timelineForAudio(clock.steadyNsAt(0)) : BeatTimeline{};
        break;
    case ClockFollows::ClockIn: ticking_ = false; return; // relayed as the ticks come
    }
    makeTicks(clock);
}

bool JackClockOut::resting() const
{
    ClockOutPlan latest = plan_;
    planCell_.tryLoad(latest); // caught mid-store: as it was, looked at again next cycle
    return !plan_.on && !latest.on && latest.follows != ClockFollows::Transport;
}

void JackClockOut::makeTicks(const JackFrameClock& clock)
{
    if (beat_.state != SourceState::Running || beat_.nsPerTick <= 0) {
        ticking_ = false;
        return;
    }
    // The first tick from the cycle's start, unless the last cycle's count
    // goes on (a tick rounded onto this cycle's first frame is still due).
    const double first = std::ceil(beat_.tickAt(clock.steadyNsAt(0)) - 1e-6);
    if (!ticking_ || nextTick_ < first - 1 || nextTick_ > first + 1)
        nextTick_ = first;
    ticking_ = true;
    for (;;) {
        const std::int64_t tickNs = beat_.timeOfTick(nextTick_);
        const double offset = std::round(clock.offsetAt(tickNs));
        if (offset >= clock.frames())
            break;
        if (startStop_.startBefore(tickNs))
            add(offset, midi::Start);
        add(offset, midi::Clock);
        nextTick_ += 1;
    }
}

void JackClockOut::relayTick(const JackFrameClock& clock, jack_nframes_t offset)
{
    if (!plan_.on || plan_.follows != ClockFollows::ClockIn)
        return;
    if (startStop_.startBefore(clock.steadyNsAt(offset)))
        add(offset, midi::Start);
    add(offset, midi::Clock);
}

void JackClockOut::add(double offset, std::uint8_t status)
{
    if (count_ == maxEvents)
        return;
    events_[count_++] = {offset < 0 ? 0u : static_cast<jack_nframes_t>(offset), status};
}

bool JackClockOut::Stream::nextOffset(jack_nframes_t& offset)
{
    if (next_ >= clock_.count_)
        return false;
    offset = clock_.events_[next_].offset;
    return true;
}

bool JackClockOut::Stream::writeNext(void* buffer, jack_nframes_t offset)
{
    if (jack_midi_event_write(buffer, offset, &clock_.events_[next_].status, 1) != 0)
        return false;
    ++next_;
    return true;
}

} // namespace quorvane
