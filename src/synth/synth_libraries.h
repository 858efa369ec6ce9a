#pragma once

// FluidSynth and PulseAudio's simple client, opened when the synthesizer is
// first made rather than when the program starts: between them they bring
// some forty shared libraries along (sound file formats and their codecs,
// SDL, Wayland), whose loading would hold up the first window. Each call is
// typed after the library's own header, so a changed signature fails to
// compile instead of failing at run time.

#include <fluidsynth.h>
#include <pulse/error.h>
#include <pulse/simple.h>

namespace quorvane {

struct FluidSynthCalls {
    decltype(&::new_fluid_settings) new_fluid_settings;
    decltype(&::delete_fluid_settings) delete_fluid_settings;
    decltype(&::fluid_settings_setint) fluid_settings_setint;
    decltype(&::fluid_settings_setnum) fluid_settings_setnum;
    decltype(&::fluid_settings_setstr) fluid_settings_setstr;
    decltype(&::new_fluid_synth) new_fluid_synth;
    decltype(&::delete_fluid_synth) delete_fluid_synth;
    decltype(&::fluid_is_soundfont) fluid_is_soundfont;
    decltype(&::fluid_synth_sfload) fluid_synth_sfload;
    decltype(&::fluid_set_log_function) fluid_set_log_function;
    decltype(&::new_fluid_audio_driver2) new_fluid_audio_driver2;
    decltype(&::delete_fluid_audio_driver) delete_fluid_audio_driver;
    decltype(&::fluid_synth_noteon) fluid_synth_noteon;
    decltype(&::fluid_synth_noteoff) fluid_synth_noteoff;
    decltype(&::fluid_synth_key_pressure) fluid_synth_key_pressure;
    decltype(&::fluid_synth_cc) fluid_synth_cc;
    decltype(&::fluid_synth_program_change) fluid_synth_program_change;
    decltype(&::fluid_synth_channel_pressure) fluid_synth_channel_pressure;
    decltype(&::fluid_synth_pitch_bend) fluid_synth_pitch_bend;
    decltype(&::fluid_synth_system_reset) fluid_synth_system_reset;
    decltype(&::fluid_synth_all_sounds_off) fluid_synth_all_sounds_off;
    decltype(&::fluid_synth_get_active_voice_count) fluid_synth_get_active_voice_count;
    decltype(&::fluid_synth_write_float) fluid_synth_write_float;
    decltype(&::fluid_synth_process) fluid_synth_process;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    decltype(&::fluid_synth_set_sample_rate) fluid_synth_set_sample_rate;
#pragma GCC diagnostic pop
};

struct PulseSimpleCalls {
    decltype(&::pa_simple_new) pa_simple_new;
    decltype(&::pa_simple_write) pa_simple_write;
    decltype(&::pa_simple_free) pa_simple_free;
    decltype(&::pa_strerror) pa_strerror;
};

// Each library is opened by the first call, on whichever thread makes it, and
// stays open for the program's life. Throws std::runtime_error saying what is
// missing when the library or one of its calls cannot be found; the next call
// tries again.
const FluidSynthCalls& fluidSynth();
const PulseSimpleCalls& pulseSimple();

} // namespace quorvane
