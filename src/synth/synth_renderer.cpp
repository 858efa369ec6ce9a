#include "synth/synth_renderer.h"

#include "synth/synth_limiter.h"

#include "synth/synth_libraries.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace quorvane {

namespace {

// About -100 dBFS: below anything a listener or a recording keeps.
constexpr float inaudible = 1e-5f;

} // namespace

SynthRenderer::SynthRenderer(fluid_synth_t* synth, SynthLimiter& limiter, int sampleRate,
                             const std::atomic<unsigned>& sent)
    : synth_(synth), limiter_(limiter), sampleRate_(std::max(sampleRate, 1)), sent_(sent),
      lastCall_(Clock::now().time_since_epoch().count()), lastHeard_(Clock::now())
{ }

bool SynthRenderer::resting(Clock::time_point now)
{
    const unsigned count = sent_.load();
    if (count != seen_) {
        seen_ = count;
        lastHeard_ = now;
    }
    return now - lastHeard_ >= restAfter;
}

int SynthRenderer::render(void* self, int frames, int effectCount, float* effects[], int outCount, float* out[])
{
    return static_cast<SynthRenderer*>(self)->renderInto(frames, effectCount, effects, outCount, out);
}

void SynthRenderer::renderStereo(float* left, float* right, int frames)
{
    float* out[] = {left, right};
    renderInto(frames, 0, nullptr, 2, out);
}

int SynthRenderer::renderInto(int frames, int effectCount, float* effects[], int outCount, float* out[])
{
    const Clock::time_point now = Clock::now();
    lastCall_ = now.time_since_epoch().count();
    period_ = std::chrono::duration_cast<Clock::duration>(std::chrono::seconds(frames)).count() / sampleRate_;
    for (int i = 0; i < outCount; ++i)
        std::fill(out[i], out[i] + frames, 0.0f);
    for (int i = 0; i < effectCount; ++i)
        std::fill(effects[i], effects[i] + frames, 0.0f);
    // Never waits: the lock is only ever held long by the one retiring it.
    std::unique_lock<std::mutex> lock(use_, std::try_to_lock);
    if (!lock.owns_lock() || retired_ || resting(now))
        return 0;
    const int result = effectCount > 0
                           ? fluidSynth().fluid_synth_process(synth_, frames, effectCount, effects, outCount, out)
                           : fluidSynth().fluid_synth_process(synth_, frames, outCount, out, outCount, out);
    if (outCount >= 2)
        limiter_.process(out[0], out[1], frames);
    for (int i = 0; i < outCount; ++i) {
        if (std::any_of(out[i], out[i] + frames, [](float sample) { return std::abs(sample) > inaudible; })) {
            lastHeard_ = now;
            break;
        }
    }
    return result;
}

void SynthRenderer::retire()
{
    std::lock_guard<std::mutex> lock(use_);
    retired_ = true;
}

void keepForever(void* object)
{
    static std::mutex keptMutex;
    static auto* kept = new std::vector<void*>;
    std::lock_guard<std::mutex> lock(keptMutex);
    kept->push_back(object);
}

} // namespace quorvane
