#pragma once

#include <fluidsynth/types.h>

#include <QString>
#include <atomic>
#include <functional>
#include <thread>

struct pa_simple;

namespace quorvane {

class SynthLimiter;

// The synthesizer's sound as one playback stream of the desktop's sound server
// (PulseAudio, or PipeWire through its PulseAudio service), named after the
// program so that mixers show it as such. A thread of its own renders and
// writes; it ends by itself once the synthesizer has been silent for a while,
// so that an idle program neither wakes up nor keeps the sound card running,
// or when the server goes away.
class SynthPulseStream {
public:
    enum class End { Silence, ServerLost };
    // Called once on the stream's thread when it ends by itself.
    using EndHandler = std::function<void(End)>;

    static constexpr int periodFrames = 256;         // 5.3 ms at 48 kHz
    static constexpr int silentSecondsBeforeEnd = 1; // after the last voice: its reverberation has died away

    // Connects and starts playing; throws std::runtime_error with the
    // server's reason when there is no server to play to.
    SynthPulseStream(fluid_synth_t* synth, SynthLimiter& limiter, int sampleRate, EndHandler onEnd);
    ~SynthPulseStream(); // stops the thread and closes the stream
    SynthPulseStream(const SynthPulseStream&) = delete;
    SynthPulseStream& operator=(const SynthPulseStream&) = delete;

    bool running() const { return running_; }

    static QString streamName() { return QStringLiteral("Quorvane"); }

private:
    void run();

    fluid_synth_t* synth_;
    SynthLimiter& limiter_;
    int sampleRate_;
    pa_simple* connection_ = nullptr;
    EndHandler onEnd_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> running_{true};
    std::thread thread_;
};

} // namespace quorvane
