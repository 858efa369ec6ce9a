#include "devices/clock_out_plan.h"

namespace quorvane {

namespace {

// A tick this close before the first pass counts as on it: both are
// rounded to whole nanoseconds.
constexpr std::int64_t onTheTickNs = 1000;

} // namespace

bool ClockStartStop::stopDue(const ClockOutPlan& plan)
{
    const bool wasStarted = started_;
    if (!plan.on || !plan.running) {
        // Switched on again during a run, the clock starts it afresh.
        seen_ = plan.on && seen_;
        seenRun_ = plan.runSerial;
        pending_ = false;
        started_ = false;
        return wasStarted;
    }
    if (seen_ && plan.runSerial == seenRun_)
        return false;
    seen_ = true;
    seenRun_ = plan.runSerial;
    started_ = false;
    pending_ = true;
    startAtNs_ = plan.startAtNs;
    return wasStarted;
}

bool ClockStartStop::startBefore(std::int64_t tickNs)
{
    if (!pending_ || tickNs < startAtNs_ - onTheTickNs)
        return false;
    pending_ = false;
    started_ = true;
    return true;
}

} // namespace quorvane
