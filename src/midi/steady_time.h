#pragma once

#include <chrono>
#include <cstdint>

namespace quorvane {

// Nanoseconds on the steady clock (CLOCK_MONOTONIC): the one time base of
// everything observed and of every timed send.
inline std::int64_t steadyNowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace quorvane
