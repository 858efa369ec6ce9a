#pragma once

#include <chrono>
#include <cstdint>

namespace quorvane {

// The one place where the session's time and the program's meet. The
// session library keeps its time on CLOCK_MONOTONIC_RAW, in microseconds;
// the program, its pass times and the JACK frames' moments are on the steady
// clock (CLOCK_MONOTONIC), in nanoseconds. The two drift apart slowly (the
// steady clock is slewed by time keeping, the raw one is not), so the offset
// is read afresh at every conversion; it costs a few clock reads and no
// system call, and is safe on the real-time thread.
std::chrono::microseconds sessionTimeAt(std::int64_t steadyNs);
std::int64_t steadyTimeAt(std::chrono::microseconds sessionTime);

} // namespace quorvane
