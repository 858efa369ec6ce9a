#include "link/link_clock.h"

#include <cmath>
#include <ctime>

namespace quorvane {

namespace {

std::int64_t readNs(clockid_t clock)
{
    timespec now{};
    ::clock_gettime(clock, &now);
    return std::int64_t{now.tv_sec} * 1'000'000'000 + now.tv_nsec;
}

// Steady minus raw, now: the raw clock read on both sides of the steady one,
// so the pair stands for one moment.
std::int64_t steadyMinusRawNs()
{
    const std::int64_t rawBefore = readNs(CLOCK_MONOTONIC_RAW);
    const std::int64_t steady = readNs(CLOCK_MONOTONIC);
    const std::int64_t rawAfter = readNs(CLOCK_MONOTONIC_RAW);
    return steady - (rawBefore + (rawAfter - rawBefore) / 2);
}

} // namespace

std::chrono::microseconds sessionTimeAt(std::int64_t steadyNs)
{
    const double rawNs = static_cast<double>(steadyNs - steadyMinusRawNs());
    return std::chrono::microseconds(std::llround(rawNs / 1000));
}

std::int64_t steadyTimeAt(std::chrono::microseconds sessionTime)
{
    return sessionTime.count() * 1000 + steadyMinusRawNs();
}

} // namespace quorvane
