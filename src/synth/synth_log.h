#pragma once

#include <QStringList>

namespace quorvane {

// FluidSynth prints its complaints on the terminal by default, several lines
// each time an audio output is missing. Once installed, its lines go nowhere,
// except its errors while a SynthLogCapture is alive: those are kept so that
// a failed open can tell the user why. (The libraries its audio outputs use,
// libjack and alsa-lib, the program quiets once for the whole process.)
class SynthLogCapture {
public:
    SynthLogCapture();
    ~SynthLogCapture();
    SynthLogCapture(const SynthLogCapture&) = delete;
    SynthLogCapture& operator=(const SynthLogCapture&) = delete;

    // Takes over FluidSynth's log output; safe to call often.
    static void install();

    // FluidSynth's error lines since the capture started, oldest first.
    QStringList lines() const;
};

} // namespace quorvane
