#include "app/desktop_devices.h"

#include "app/synth_first_backend.h"
#include "devices/system_backend.h"

namespace quorvane {

SynthOptions onSystem(MidiSystem& system, SynthOptions synth)
{
    synth.jackSampleRate = [&system] { return system.jackSampleRate(); };
    synth.jackPlayback = [&system](StereoRenderer& renderer, const QString& name, std::function<void()> onLoss) {
        return system.playStereo(renderer, name, std::move(onLoss));
    };
    return synth;
}

std::unique_ptr<OutputBackend> desktopOutput(MidiSystem& system, SynthOptions synth)
{
    return std::make_unique<SynthFirstOutputBackend>(std::make_unique<SynthOutput>(onSystem(system, std::move(synth))),
                                                     std::make_unique<SystemOutputBackend>(system));
}

std::unique_ptr<InputBackend> desktopInput(MidiSystem& system)
{
    return std::make_unique<SystemInputBackend>(system);
}

} // namespace quorvane
