#include "devices/system_clock_out.h"

namespace quorvane {

SystemClockOut::SystemClockOut(MidiSystem& system, const OwnTempo& ownTempo, GuardedOutput& output,
                               InputThru& thru)
    : system_(system), ownTempo_(ownTempo), output_(output), thru_(thru)
{ }

void SystemClockOut::setSending(bool on)
{
    plan_.on = on;
    publish();
}

void SystemClockOut::follow(ClockFollows beat)
{
    plan_.follows = beat;
    publish();
}

void SystemClockOut::beatChanged()
{
    publish();
}

void SystemClockOut::runStarted(std::int64_t firstPassNs)
{
    plan_.running = true;
    ++plan_.runSerial;
    plan_.startAtNs = firstPassNs;
    publish();
}

void SystemClockOut::runEnded()
{
    plan_.running = false;
    publish();
}

void SystemClockOut::publish()
{
    system_.clockOutPlan().store(plan_);
    // The clock coming in is not forwarded while this one is sent.
    thru_.setOwnClockOut(plan_.on);
    if (sequencerClock_)
        sequencerClock_->wake();
    if (!plan_.on) {
        sequencerClock_.reset(); // it sends the Stop a run under way needs first
        return;
    }
    // Under JACK the process callback has the plan; the sequencer needs a
    // thread of its own.
    if (!sequencerClock_ && system_.current() == MidiSystem::Kind::Alsa)
        sequencerClock_ = std::make_unique<SequencerClock>(system_.clockOutPlan(), ownTempo_.timeline(),
                                                           system_.clockIn(), system_.sessionBeat(), output_);
}

} // namespace quorvane
