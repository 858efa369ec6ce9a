#include "devices/jack_frame_clock.h"

#include "midi/steady_time.h"

#include <algorithm>
#include <cmath>

namespace quorvane {

namespace {

// How slowly the frames follow the server's estimate of the time.
constexpr double followSeconds = 2.0;
// A difference this large is a new start, not a swing.
constexpr double jumpNs = 20e6;

} // namespace

double JackFrameClock::offsetAt(std::int64_t steadyNs) const
{
    return static_cast<double>(steadyNs - startNs_) / nsPerFrame_;
}

std::int64_t JackFrameClock::steadyNsAt(double offset) const
{
    return startNs_ + std::llround(offset * nsPerFrame_);
}

std::int64_t JackFrameClock::steadyNsOf(jack_nframes_t frame) const
{
    // Signed, so that a frame just before the cycle or past a wrap of the
    // frame counter lands where it belongs.
    return steadyNsAt(static_cast<double>(static_cast<std::int32_t>(frame - start_)));
}

JackFrameClock JackTimeline::cycle(jack_client_t* client, jack_nframes_t frames)
{
    jack_nframes_t start = 0;
    jack_time_t startUs = 0;
    jack_time_t nextUs = 0;
    float periodUs = 0;
    if (jack_get_cycle_times(client, &start, &startUs, &nextUs, &periodUs) != 0) {
        start = jack_last_frame_time(client);
        startUs = jack_get_time();
    }
    // JACK's time and the steady clock read side by side; JACK's is in
    // whole microseconds, so the offset is good to one.
    const double offsetNs = static_cast<double>(steadyNowNs()) - static_cast<double>(jack_get_time()) * 1000.0;
    const double serverStartNs = static_cast<double>(startUs) * 1000.0 + offsetNs;
    const double nominal = 1e9 / jack_get_sample_rate(client);

    const double expectedNs = anchorNs_ + static_cast<std::int32_t>(start - anchorFrame_) * nsPerFrame_;
    const double error = serverStartNs - expectedNs;
    if (!anchored_ || nsPerFrame_ != nominal || std::abs(error) > jumpNs) {
        anchored_ = true;
        nsPerFrame_ = nominal;
        anchorNs_ = serverStartNs;
    } else {
        // Cycles with nothing to time were let pass: the step follows the
        // frames since the last look, one cycle's or many.
        const double elapsed = static_cast<std::int32_t>(start - anchorFrame_);
        anchorNs_ = expectedNs + error * std::clamp(elapsed * nominal * 1e-9 / followSeconds, 0.0, 1.0);
    }
    anchorFrame_ = start;
    return JackFrameClock(start, frames, std::llround(anchorNs_), nsPerFrame_);
}

} // namespace quorvane
