#pragma once

#include "midi/port_backend.h"

#include <fluidsynth/types.h>

#include <QStringList>
#include <memory>
#include <vector>

namespace quorvane {

struct SynthOptions {
    // Audio outputs tried in this order until one opens: the desktop's sound
    // server (PipeWire answers as PulseAudio too), then JACK, then the sound
    // card itself.
    QStringList audioDrivers = {QStringLiteral("pulseaudio"), QStringLiteral("jack"), QStringLiteral("alsa")};
    // General MIDI sound fonts, the best first; the first one present is used.
    QStringList soundFonts = {QStringLiteral("/usr/share/sounds/sf2/FluidR3_GM.sf2"),
                              QStringLiteral("/usr/share/sounds/sf2/TimGM6mb.sf2"),
                              QStringLiteral("/usr/share/sounds/sf2/default-GM.sf2")};
    // No audio output at all: the sound is only made by render(), for tests
    // and measurements.
    bool renderOnly = false;
};

// One block of stereo audio, a sample per frame on each side.
struct StereoAudio {
    std::vector<float> left;
    std::vector<float> right;
};

// The built-in General MIDI synthesizer as a back end with a single device
// (device 0). It plays every short message it is sent. The sound font is
// loaded at the first open and kept, so opening again only starts the audio.
class SynthOutput : public OutputBackend {
public:
    explicit SynthOutput(SynthOptions options = {});
    ~SynthOutput() override;

    int count() override { return 1; }
    QString name(int device) override;
    void open(int device) override;
    void close() override;
    bool isOpen() const override { return open_; }
    void send(const MidiBytes& message) override;

    static QString deviceName() { return QStringLiteral("Quorvane GM Synth"); }

    // Renders the next frames while open in render-only mode; empty otherwise,
    // since then the audio output's own thread is the one rendering.
    StereoAudio render(int frames);
    double sampleRate() const;
    // The sound font in use, once the synthesizer has been opened.
    QString soundFont() const { return soundFont_; }

private:
    struct FluidDeleter {
        void operator()(fluid_settings_t* settings) const;
        void operator()(fluid_synth_t* synth) const;
        void operator()(fluid_audio_driver_t* driver) const;
    };

    void loadSynth();
    void startAudio();

    SynthOptions options_;
    QString soundFont_;
    bool open_ = false;
    // Declared in this order so that the audio stops before the synthesizer
    // it plays from goes away, and the settings outlive both.
    std::unique_ptr<fluid_settings_t, FluidDeleter> settings_;
    std::unique_ptr<fluid_synth_t, FluidDeleter> synth_;
    std::unique_ptr<fluid_audio_driver_t, FluidDeleter> driver_;
};

} // namespace quorvane
