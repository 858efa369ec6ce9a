#include "synth/synth_limiter.h"

#include <algorithm>
#include <cmath>

namespace quorvane {

SynthLimiter::SynthLimiter(double sampleRate)
    : release_(static_cast<float>(1.0 - std::exp(-1.0 / (0.2 * std::max(sampleRate, 1.0)))))
{ }

void SynthLimiter::process(float* left, float* right, int frames, int step)
{
    for (int i = 0; i < frames; ++i) {
        float& l = left[i * step];
        float& r = right[i * step];
        const float peak = std::max(std::abs(l), std::abs(r));
        const float needed = peak > ceiling ? ceiling / peak : 1.0f;
        // Both sides by the same gain, so that the sound stays where pan put it.
        gain_ = std::min(gain_ + (1.0f - gain_) * release_, needed);
        // Clamped too: the division above may round a hair past the ceiling.
        l = std::clamp(l * gain_, -ceiling, ceiling);
        r = std::clamp(r * gain_, -ceiling, ceiling);
    }
}

} // namespace quorvane
