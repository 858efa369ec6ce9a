#include "synth/synth_log.h"

#include "synth/synth_libraries.h"

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

} // namespace

void SynthLogCapture::install()
{
    static std::once_flag once;
    std::call_once(once, [] {
        for (int level = 0; level < LAST_LOG_LEVEL; ++level)
            fluidSynth().fluid_set_log_function(level, onFluidLog, nullptr);
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
