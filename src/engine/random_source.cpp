#include "engine/random_source.h"

#include <chrono>
#include <random>

namespace quorvane {

float clockSeededRandom()
{
    const auto ticks = std::chrono::high_resolution_clock::now().time_since_epoch().count();
    std::mt19937 generator(static_cast<std::mt19937::result_type>(ticks));
    // 24 random bits make every single-precision step of [0, 1) equally likely
    // and never reach 1.
    return static_cast<float>(generator() >> 8) * (1.0f / 16777216.0f);
}

} // namespace quorvane
