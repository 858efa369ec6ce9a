#include "engine/pass_clock.h"

#include <algorithm>

namespace quorvane {

void PassClock::start(std::int64_t nowNs)
{
    passNs_ = nowNs;
    lastWaitNs_ = 0;
}

void PassClock::catchUp(std::int64_t nowNs)
{
    // A wait of 0 ms means "at once": every pass then plays when it comes.
    if (nowNs - passNs_ > std::min(lastWaitNs_, stallNs))
        passNs_ = nowNs;
}

std::int64_t PassClock::advance(std::int64_t waitNs)
{
    lastWaitNs_ = waitNs;
    passNs_ += waitNs;
    return passNs_;
}

} // namespace quorvane
