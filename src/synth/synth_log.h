#pragma once

#include <QStringList>

namespace quorvane {

// FluidSynth, libjack and alsa-lib print their complaints on the terminal by
// default, dozens of lines each time an audio output is missing. Once
// installed, their lines go nowhere, except FluidSynth's errors while a
// SynthLogCapture is alive: those are kept so that a failed open can tell the
// user why.
class SynthLogCapture {
public:
    SynthLogCapture();
    ~SynthLogCapture();
    SynthLogCapture(const SynthLogCapture&) = delete;
    SynthLogCapture& operator=(const SynthLogCapture&) = delete;

    // Takes over the log output of the three libraries; safe to call often.
    static void install();

    // FluidSynth's error lines since the capture started, oldest first.
    QStringList lines() const;
};

} // namespace quorvane
