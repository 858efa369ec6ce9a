#pragma once

#include <fluidsynth/types.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace quorvane {

class SynthLimiter;
class SynthRenderer;

// The synthesizer's sound through one of FluidSynth's own audio outputs (a
// JACK client of its own, or the sound card through ALSA), whose thread calls
// the renderer for each period's frames. A server that goes away is noticed:
// a watchdog thread sees the calls stop and tells once. Such an output is
// then left as it is, never closed: closing a JACK client waits on its
// server, which has gone, maybe for ever.
class SynthDriverOutput {
public:
    using Clock = std::chrono::steady_clock;
    // Called once, on the watchdog's thread, when the callbacks have stopped.
    using LossHandler = std::function<void()>;

    // Without a callback for this long (and at least a few periods), the
    // output counts as lost: far beyond any period, short enough that few
    // notes go unheard before the musician is told.
    static constexpr auto lossAfter = std::chrono::milliseconds(1000);

    // Starts the audio output the settings' "audio.driver" names, for a
    // synthesizer rendering at sampleRate; throws std::runtime_error when it
    // cannot start. `sent` counts the messages handed to the synthesizer:
    // each one wakes the rendering.
    SynthDriverOutput(fluid_settings_t* settings, fluid_synth_t* synth, SynthLimiter& limiter, int sampleRate,
                      const std::atomic<unsigned>& sent, LossHandler onLoss);
    // Closes the output, unless its callbacks have stopped: then it is left
    // as it is, and its callback never touches the synthesizer again.
    ~SynthDriverOutput();
    SynthDriverOutput(const SynthDriverOutput&) = delete;
    SynthDriverOutput& operator=(const SynthDriverOutput&) = delete;

    // False once the output is lost.
    bool running() const;

private:
    void watch();
    bool callbacksStopped(Clock::duration after) const;
    void leaveBehind();

    SynthRenderer* renderer_; // outlives an output left behind
    fluid_audio_driver_t* driver_ = nullptr;
    LossHandler onLoss_;
    mutable std::mutex watchMutex_;
    std::condition_variable watchWake_;
    bool stopWatching_ = false; // under watchMutex_
    bool lost_ = false;         // under watchMutex_
    std::thread watchdog_;
};

} // namespace quorvane
