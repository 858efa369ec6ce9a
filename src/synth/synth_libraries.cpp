#include "synth/synth_libraries.h"

#include <dlfcn.h>

#include <stdexcept>
#include <string>

namespace quorvane {

namespace {

class OpenedLibrary {
public:
    explicit OpenedLibrary(const char* name) : name_(name), handle_(dlopen(name, RTLD_NOW | RTLD_LOCAL))
    {
        if (!handle_)
            throw std::runtime_error(dlerror());
    }

    // A call looked up in the library or the libraries it brought along.
    template <typename Call>
    void find(Call& call, const char* name) const
    {
        call = reinterpret_cast<Call>(dlsym(handle_, name));
        if (!call)
            throw std::runtime_error(std::string(name) + " is missing from " + name_);
    }

private:
    const char* name_;
    void* handle_; // never closed: the library's threads may outlive any owner
};

#define QUORVANE_FIND(library, calls, name) library.find(calls.name, #name)

FluidSynthCalls openFluidSynth()
{
    const OpenedLibrary library(QUORVANE_FLUIDSYNTH_SONAME);
    FluidSynthCalls calls{};
    QUORVANE_FIND(library, calls, new_fluid_settings);
    QUORVANE_FIND(library, calls, delete_fluid_settings);
    QUORVANE_FIND(library, calls, fluid_settings_setint);
    QUORVANE_FIND(library, calls, fluid_settings_setnum);
    QUORVANE_FIND(library, calls, fluid_settings_setstr);
    QUORVANE_FIND(library, calls, new_fluid_synth);
    QUORVANE_FIND(library, calls, delete_fluid_synth);
    QUORVANE_FIND(library, calls, fluid_is_soundfont);
    QUORVANE_FIND(library, calls, fluid_synth_sfload);
    QUORVANE_FIND(library, calls, fluid_set_log_function);
    QUORVANE_FIND(library, calls, new_fluid_audio_driver2);
    QUORVANE_FIND(library, calls, delete_fluid_audio_driver);
    QUORVANE_FIND(library, calls, fluid_synth_noteon);
    QUORVANE_FIND(library, calls, fluid_synth_noteoff);
    QUORVANE_FIND(library, calls, fluid_synth_key_pressure);
    QUORVANE_FIND(library, calls, fluid_synth_cc);
    QUORVANE_FIND(library, calls, fluid_synth_program_change);
    QUORVANE_FIND(library, calls, fluid_synth_channel_pressure);
    QUORVANE_FIND(library, calls, fluid_synth_pitch_bend);
    QUORVANE_FIND(library, calls, fluid_synth_system_reset);
    QUORVANE_FIND(library, calls, fluid_synth_all_sounds_off);
    QUORVANE_FIND(library, calls, fluid_synth_get_active_voice_count);
    QUORVANE_FIND(library, calls, fluid_synth_write_float);
    QUORVANE_FIND(library, calls, fluid_synth_process);
    QUORVANE_FIND(library, calls, fluid_synth_set_sample_rate);
    return calls;
}

PulseSimpleCalls openPulseSimple()
{
    // pa_strerror lives in the PulseAudio client library the simple one
    // brings along, where the lookup finds it too.
    const OpenedLibrary library(QUORVANE_PULSE_SIMPLE_SONAME);
    PulseSimpleCalls calls{};
    QUORVANE_FIND(library, calls, pa_simple_new);
    QUORVANE_FIND(library, calls, pa_simple_write);
    QUORVANE_FIND(library, calls, pa_simple_free);
    QUORVANE_FIND(library, calls, pa_strerror);
    return calls;
}

#undef QUORVANE_FIND

} // namespace

const FluidSynthCalls& fluidSynth()
{
    static const FluidSynthCalls calls = openFluidSynth();
    return calls;
}

const PulseSimpleCalls& pulseSimple()
{
    static const PulseSimpleCalls calls = openPulseSimple();
    return calls;
}

} // namespace quorvane
