#include "synth/synth_pulse_stream.h"

#include "synth/synth_limiter.h"

#include "synth/synth_libraries.h"

#include <stdexcept>
#include <string>
#include <vector>

namespace quorvane {

SynthPulseStream::SynthPulseStream(fluid_synth_t* synth, SynthLimiter& limiter, int sampleRate, EndHandler onEnd)
    : synth_(synth), limiter_(limiter), sampleRate_(sampleRate), onEnd_(std::move(onEnd))
{
    pa_sample_spec sampleFormat{};
    sampleFormat.format = PA_SAMPLE_FLOAT32NE;
    sampleFormat.rate = static_cast<uint32_t>(sampleRate);
    sampleFormat.channels = 2;
    // Four periods in the server's buffer: a note is heard about 20 ms after
    // it is played, and a busy machine has room before the sound breaks up.
    constexpr uint32_t frameBytes = 2 * sizeof(float);
    pa_buffer_attr buffer{};
    buffer.maxlength = static_cast<uint32_t>(-1);
    buffer.tlength = 4 * periodFrames * frameBytes;
    buffer.prebuf = static_cast<uint32_t>(-1);
    buffer.minreq = periodFrames * frameBytes;
    buffer.fragsize = static_cast<uint32_t>(-1);
    const std::string name = streamName().toStdString();
    int error = 0;
    // The program's name is both the client's (application and node name) and
    // the stream's, which is what mixers and patchbays list.
    connection_ = pulseSimple().pa_simple_new(nullptr, name.c_str(), PA_STREAM_PLAYBACK, nullptr, name.c_str(),
                                              &sampleFormat, nullptr, &buffer, &error);
    if (!connection_)
        throw std::runtime_error(pulseSimple().pa_strerror(error));
    thread_ = std::thread(&SynthPulseStream::run, this);
}

SynthPulseStream::~SynthPulseStream()
{
    stop_ = true;
    if (thread_.joinable())
        thread_.join();
    if (connection_)
        pulseSimple().pa_simple_free(connection_);
}

void SynthPulseStream::run()
{
    std::vector<float> frames(2 * periodFrames);
    const long silentPeriodsBeforeEnd = long(silentSecondsBeforeEnd) * sampleRate_ / periodFrames;
    long silentPeriods = 0;
    End end = End::Silence;
    while (!stop_) {
        // Interleaved stereo, as the stream takes it.
        fluidSynth().fluid_synth_write_float(synth_, periodFrames, frames.data(), 0, 2, frames.data(), 1, 2);
        limiter_.process(frames.data(), frames.data() + 1, periodFrames, 2);
        int error = 0;
        if (pulseSimple().pa_simple_write(connection_, frames.data(), frames.size() * sizeof(float), &error) < 0) {
            end = End::ServerLost;
            break;
        }
        silentPeriods = fluidSynth().fluid_synth_get_active_voice_count(synth_) > 0 ? 0 : silentPeriods + 1;
        if (silentPeriods < silentPeriodsBeforeEnd)
            continue;
        // A note played just before running_ turned false found the stream
        // still running and did not start another: it is looked for again.
        running_ = false;
        if (fluidSynth().fluid_synth_get_active_voice_count(synth_) == 0)
            break;
        running_ = true;
        silentPeriods = 0;
    }
    if (stop_)
        return; // closed by its owner, who knows
    // Closed at once: a stream left open without data would keep the server
    // and its sink awake.
    pulseSimple().pa_simple_free(connection_);
    connection_ = nullptr;
    // Told before the stream reads as stopped, so that whoever finds it
    // stopped also finds a lost server told.
    onEnd_(end);
    running_ = false;
}

} // namespace quorvane
