#pragma once

#include "midi/stereo_playback.h"

#include <fluidsynth/types.h>

#include <atomic>
#include <chrono>
#include <mutex>

namespace quorvane {

class SynthLimiter;

// What an audio thread calls for the synthesizer's next frames, whoever owns
// that thread (one of FluidSynth's own audio outputs, or the program's JACK
// client). Two things the library leaves to its user:
// - An idle synthesizer renders nothing. The library would run its reverb
//   and chorus over silence every period (tens of microseconds, 750 times a
//   second at 64 frames); once nothing has been heard or sent for a while,
//   the renderer hands out silence without rendering, until the next message.
// - Retired, it never touches the synthesizer again, so that the synthesizer
//   may go while an audio thread that cannot be stopped still calls.
class SynthRenderer : public StereoRenderer {
public:
    using Clock = std::chrono::steady_clock;

    // Nothing heard and nothing sent for this long: the voices and the
    // reverberation have died away, and rendering stops.
    static constexpr auto restAfter = std::chrono::milliseconds(1000);

    // `sent` counts the messages handed to the synthesizer: each one wakes
    // the rendering.
    SynthRenderer(fluid_synth_t* synth, SynthLimiter& limiter, int sampleRate, const std::atomic<unsigned>& sent);

    // FluidSynth's audio output callback, `self` being a SynthRenderer. The
    // effects go into the same buffers as the dry sound unless the output
    // has outputs of their own.
    static int render(void* self, int frames, int effectCount, float* effects[], int outCount, float* out[]);
    void renderStereo(float* left, float* right, int frames) override;
    // From here on the audio thread renders nothing: the synthesizer may go.
    void retire();

    // When the audio thread last called, and the period it asked for then:
    // a watchdog's reading of whether the calls have stopped.
    Clock::time_point lastCall() const { return Clock::time_point(Clock::duration(lastCall_.load())); }
    Clock::duration period() const { return Clock::duration(period_.load()); }

private:
    int renderInto(int frames, int effectCount, float* effects[], int outCount, float* out[]);
    // Whether this period may be left unrendered: nothing heard and nothing
    // sent for a while.
    bool resting(Clock::time_point now);

    fluid_synth_t* const synth_;
    SynthLimiter& limiter_;
    const int sampleRate_;
    const std::atomic<unsigned>& sent_;
    std::atomic<Clock::rep> lastCall_;
    std::atomic<Clock::rep> period_{0}; // of the last call
    std::mutex use_;                    // held by the audio thread while it renders
    bool retired_ = false;              // under use_
    // The audio thread's own: the messages counted at the last period, and
    // when the sound was last above silence or a message came.
    unsigned seen_ = 0;
    Clock::time_point lastHeard_;
};

// Keeps what an audio thread that could not be stopped may still use (a
// renderer, an output whose server went away) for the rest of the program,
// where the leak checker sees it: left on purpose, not forgotten.
void keepForever(void* object);

} // namespace quorvane
