#include "synth/synth_driver_output.h"

#include "synth/synth_limiter.h"

#include <fluidsynth.h>

#include <algorithm>
#include <cmath>
#include <atomic>
#include <stdexcept>
#include <utility>
#include <vector>

namespace quorvane {

namespace {

using Clock = SynthDriverOutput::Clock;

// How often the watchdog looks: a wake-up four times a second costs nothing
// beside the audio thread's hundreds.
constexpr auto watchEvery = std::chrono::milliseconds(250);
// At a close, an output whose callbacks have paused this long counts as lost
// already: a JACK server killed a moment before would keep the close waiting.
constexpr auto closeAfter = std::chrono::milliseconds(200);
// However long the period, a loss is only told after this many missed.
constexpr int periodsBeforeLoss = 8;
// About -100 dBFS: below anything a listener or a recording keeps.
constexpr float inaudible = 1e-5f;

Clock::rep ticks(Clock::time_point time)
{
    return time.time_since_epoch().count();
}

} // namespace

struct SynthDriverOutput::Renderer {
    Renderer(fluid_synth_t* synth, SynthLimiter& limiter, int sampleRate, const std::atomic<unsigned>& sent)
        : synth(synth), limiter(limiter), sampleRate(std::max(sampleRate, 1)), sent(sent),
          lastCall(ticks(Clock::now())), lastHeard(Clock::now())
    { }

    // The audio thread asks for the next frames. The effects go into the
    // same buffers as the dry sound unless the driver has outputs of their own.
    static int render(void* self, int frames, int effectCount, float* effects[], int outCount, float* out[]);
    // From here on the audio thread renders nothing: the synthesizer may go.
    void retire();
    // Whether this period may be left unrendered: nothing heard and nothing
    // sent for a while.
    bool resting(Clock::time_point now);

    fluid_synth_t* const synth;
    SynthLimiter& limiter;
    const int sampleRate;
    const std::atomic<unsigned>& sent;
    std::atomic<Clock::rep> lastCall;
    std::atomic<Clock::rep> period{0}; // of the last callback
    std::mutex use;                    // held by the audio thread while it renders
    bool retired = false;              // under use
    // The audio thread's own: the messages counted at the last period, and
    // when the sound was last above silence or a message came.
    unsigned seen = 0;
    Clock::time_point lastHeard;
};

bool SynthDriverOutput::Renderer::resting(Clock::time_point now)
{
    const unsigned count = sent.load();
    if (count != seen) {
        seen = count;
        lastHeard = now;
    }
    return now - lastHeard >= restAfter;
}

int SynthDriverOutput::Renderer::render(void* self, int frames, int effectCount, float* effects[], int outCount,
                                        float* out[])
{
    auto* renderer = static_cast<Renderer*>(self);
    const Clock::time_point now = Clock::now();
    renderer->lastCall = ticks(now);
    renderer->period = std::chrono::duration_cast<Clock::duration>(std::chrono::seconds(frames)).count() /
                       renderer->sampleRate;
    for (int i = 0; i < outCount; ++i)
        std::fill(out[i], out[i] + frames, 0.0f);
    for (int i = 0; i < effectCount; ++i)
        std::fill(effects[i], effects[i] + frames, 0.0f);
    // Never waits: the lock is only ever held long by the one retiring it.
    std::unique_lock<std::mutex> lock(renderer->use, std::try_to_lock);
    if (!lock.owns_lock() || renderer->retired || renderer->resting(now))
        return 0;
    fluid_synth_t* synth = renderer->synth;
    const int result = effectCount > 0 ? fluid_synth_process(synth, frames, effectCount, effects, outCount, out)
                                       : fluid_synth_process(synth, frames, outCount, out, outCount, out);
    if (outCount >= 2)
        renderer->limiter.process(out[0], out[1], frames);
    for (int i = 0; i < outCount; ++i) {
        if (std::any_of(out[i], out[i] + frames, [](float sample) { return std::abs(sample) > inaudible; })) {
            renderer->lastHeard = now;
            break;
        }
    }
    return result;
}

void SynthDriverOutput::Renderer::retire()
{
    std::lock_guard<std::mutex> lock(use);
    retired = true;
}

SynthDriverOutput::SynthDriverOutput(fluid_settings_t* settings, fluid_synth_t* synth, SynthLimiter& limiter,
                                     int sampleRate, const std::atomic<unsigned>& sent, LossHandler onLoss)
    : renderer_(new Renderer(synth, limiter, sampleRate, sent)), onLoss_(std::move(onLoss))
{
    char* name = nullptr;
    if (fluid_settings_dupstr(settings, "audio.driver", &name) == FLUID_OK && name) {
        driverName_ = QString::fromUtf8(name);
        fluid_free(name);
    }
    driver_ = new_fluid_audio_driver2(settings, &Renderer::render, renderer_);
    if (!driver_) {
        delete renderer_;
        throw std::runtime_error("the audio output did not start");
    }
    watchdog_ = std::thread(&SynthDriverOutput::watch, this);
}

SynthDriverOutput::~SynthDriverOutput()
{
    {
        std::lock_guard<std::mutex> lock(watchMutex_);
        stopWatching_ = true;
    }
    watchWake_.notify_all();
    watchdog_.join();
    if (lost_ || callbacksStopped(closeAfter)) {
        leaveBehind();
        return;
    }
    delete_fluid_audio_driver(driver_); // returns once the callback has stopped
    delete renderer_;
}

bool SynthDriverOutput::running() const
{
    std::lock_guard<std::mutex> lock(watchMutex_);
    return !lost_;
}

bool SynthDriverOutput::callbacksStopped(Clock::duration after) const
{
    const Clock::duration silence = Clock::now() - Clock::time_point(Clock::duration(renderer_->lastCall.load()));
    return silence > std::max(after, periodsBeforeLoss * Clock::duration(renderer_->period.load()));
}

void SynthDriverOutput::watch()
{
    std::unique_lock<std::mutex> lock(watchMutex_);
    while (!watchWake_.wait_for(lock, watchEvery, [this] { return stopWatching_; })) {
        if (!callbacksStopped(lossAfter))
            continue;
        lock.unlock();
        renderer_->retire();
        // Told before the output reads as stopped, so that whoever finds it
        // stopped also finds the loss told.
        onLoss_();
        lock.lock();
        lost_ = true;
        return;
    }
}

void SynthDriverOutput::leaveBehind()
{
    renderer_->retire();
    // Kept where the leak checker sees them: left on purpose, not forgotten.
    static std::mutex keptMutex;
    static auto* kept = new std::vector<std::pair<fluid_audio_driver_t*, Renderer*>>;
    std::lock_guard<std::mutex> lock(keptMutex);
    kept->emplace_back(driver_, renderer_);
}

} // namespace quorvane
