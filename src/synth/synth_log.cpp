#include "synth/synth_log.h"

#include <alsa/asoundlib.h>
#include <fluidsynth.h>
#include <jack/jack.h>

#include <mutex>

namespace quorvane {

namespace {

// FluidSynth may log from its audio thread too, so the kept lines are guarded.
std::mutex logMutex;
bool capturing = false;
QStringList captured;
constexpr int keptLines = 32; // a broken set-up must not grow the list without end

void onFluidLog(int level, const char* message, void*)
{
    if (level != FLUID_PANIC && level != FLUID_ERR)
        return; // driver choice, sample loading and the like are no news to the user
    std::lock_guard<std::mutex> lock(logMutex);
    if (capturing && captured.size() < keptLines)
        captured << QString::fromLocal8Bit(message);
}

// FluidSynth reports the same failure in one line of its own; the libraries'
// lines underneath (socket paths, configuration file positions) only add noise.
void quietJack(const char*) { }

void quietAlsa(const char*, int, const char*, int, const char*, ...) { }

} // namespace

void SynthLogCapture::install()
{
    static std::once_flag once;
    std::call_once(once, [] {
        for (int level = 0; level < LAST_LOG_LEVEL; ++level)
            fluid_set_log_function(level, onFluidLog, nullptr);
        jack_set_error_function(quietJack);
        jack_set_info_function(quietJack);
        snd_lib_error_set_handler(quietAlsa);
    });
}

SynthLogCapture::SynthLogCapture()
{
    install();
    std::lock_guard<std::mutex> lock(logMutex);
    captured.clear();
    capturing = true;
}

SynthLogCapture::~SynthLogCapture()
{
    std::lock_guard<std::mutex> lock(logMutex);
    capturing = false;
    captured.clear();
}

QStringList SynthLogCapture::lines() const
{
    std::lock_guard<std::mutex> lock(logMutex);
    return captured;
}

} // namespace quorvane
