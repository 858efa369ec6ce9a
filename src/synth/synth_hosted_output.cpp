#include "synth/synth_hosted_output.h"

#include "synth/synth_renderer.h"

#include <stdexcept>
#include <utility>

namespace quorvane {

SynthHostedOutput::SynthHostedOutput(const StereoPlaybackHost& host, const QString& name, fluid_synth_t* synth,
                                     SynthLimiter& limiter, int sampleRate, const std::atomic<unsigned>& sent,
                                     std::function<void()> onLoss)
    : renderer_(std::make_unique<SynthRenderer>(synth, limiter, sampleRate, sent))
{
    SynthRenderer* renderer = renderer_.get();
    playback_ = host ? host(*renderer_, name,
                            [renderer, onLoss = std::move(onLoss)] {
                                renderer->retire();
                                onLoss();
                            })
                     : nullptr;
    if (!playback_)
        throw std::runtime_error("the program's own JACK client cannot play it");
}

SynthHostedOutput::~SynthHostedOutput()
{
    renderer_->retire();
    if (playback_->stop())
        return;
    keepForever(renderer_.release());
    keepForever(playback_.release());
}

bool SynthHostedOutput::running() const
{
    return playback_->running();
}

} // namespace quorvane
