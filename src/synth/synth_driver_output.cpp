#include "synth/synth_driver_output.h"

#include "synth/synth_renderer.h"

#include "synth/synth_libraries.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

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

} // namespace

SynthDriverOutput::SynthDriverOutput(fluid_settings_t* settings, fluid_synth_t* synth, SynthLimiter& limiter,
                                     int sampleRate, const std::atomic<unsigned>& sent, LossHandler onLoss)
    : renderer_(new SynthRenderer(synth, limiter, sampleRate, sent)), onLoss_(std::move(onLoss))
{
    driver_ = fluidSynth().new_fluid_audio_driver2(settings, &SynthRenderer::render, renderer_);
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
    fluidSynth().delete_fluid_audio_driver(driver_); // returns once the callback has stopped
    delete renderer_;
}

bool SynthDriverOutput::running() const
{
    std::lock_guard<std::mutex> lock(watchMutex_);
    return !lost_;
}

bool SynthDriverOutput::callbacksStopped(Clock::duration after) const
{
    const Clock::duration silence = Clock::now() - renderer_->lastCall();
    return silence > std::max(after, periodsBeforeLoss * renderer_->period());
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
    keepForever(driver_);
    keepForever(renderer_);
}

} // namespace quorvane
