#pragma once

#include "midi/stereo_playback.h"

#include <fluidsynth/types.h>

#include <atomic>
#include <functional>
#include <memory>

namespace quorvane {

class SynthLimiter;
class SynthRenderer;

// The synthesizer's sound played by a host's audio thread: the program's own
// JACK client renders it in its process callback, beside the MIDI it writes,
// so that the server wakes one client of the program each period, not two.
class SynthHostedOutput {
public:
    // Starts playing through the host's ports "<name> left" and "<name>
    // right"; throws std::runtime_error when the host has nowhere to play.
    // onLoss is called once, on the host's thread, when its server goes away.
    SynthHostedOutput(const StereoPlaybackHost& host, const QString& name, fluid_synth_t* synth, SynthLimiter& limiter,
                      int sampleRate, const std::atomic<unsigned>& sent, std::function<void()> onLoss);
    // Stops the playing; what a vanished server's thread might still call is
    // kept, and never touches the synthesizer again.
    ~SynthHostedOutput();
    SynthHostedOutput(const SynthHostedOutput&) = delete;
    SynthHostedOutput& operator=(const SynthHostedOutput&) = delete;

    // False once the host's server has gone away.
    bool running() const;

private:
    std::unique_ptr<SynthRenderer> renderer_;
    std::unique_ptr<StereoPlayback> playback_;
};

} // namespace quorvane
