#pragma once

#include "midi/port_backend.h"
#include "midi/stereo_playback.h"

#include <QStringList>
#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <vector>

namespace quorvane {

struct SynthOptions {
    // Audio outputs tried in this order until one opens: the desktop's sound
    // server (PipeWire answers as PulseAudio too), then JACK, then the sound
    // card itself. Only the first one stops while the synthesizer is silent:
    // JACK ports stay for the connections made to them in a patchbay.
    QStringList audioDrivers = {QStringLiteral("pulseaudio"), QStringLiteral("jack"), QStringLiteral("alsa")};
    // General MIDI sound fonts, the best first; the first one present is used.
    QStringList soundFonts = {QStringLiteral("/usr/share/sounds/sf2/FluidR3_GM.sf2"),
                              QStringLiteral("/usr/share/sounds/sf2/TimGM6mb.sf2"),
                              QStringLiteral("/usr/share/sounds/sf2/default-GM.sf2")};
    // No audio output at all: the sound is only made by render(), for tests
    // and measurements.
    bool renderOnly = false;
    // The sound font is read on a thread of its own, begun once the
    // program's first window is on screen (or by the first open, if that
    // comes first), so that the window neither waits for it nor shares the
    // processor with it while it is put on screen (opening the library and
    // FluidR3_GM take a few hundred milliseconds). An open
    // meanwhile starts the sound once it is read; a message meanwhile waits
    // for it, and is played.
    bool loadInBackground = false;
    // PipeWire's own rate, and one that PulseAudio switches an idle sound card
    // to, so that the server has nothing to resample.
    int sampleRate = 48000;
    // The rate of the running JACK server, 0 when none runs: a JACK server's
    // rate is fixed by whoever started it, so the synthesizer's JACK output
    // follows it. The program hands its MIDI system's; without it the JACK
    // output plays at sampleRate.
    std::function<int()> jackSampleRate;
    // The program's own JACK client, while JACK is its MIDI system: the
    // synthesizer's JACK output is then two ports of that client, rendered in
    // its process callback, rather than a client of its own that the server
    // would wake every period as well. Without it (or while the MIDI system
    // is the ALSA sequencer), FluidSynth's own JACK client plays.
    StereoPlaybackHost jackPlayback;
    // The sound fonts' voices are made for many instruments at once; at the
    // library's default a single note peaks near -26 dBFS, much quieter than
    // any other player on the desktop.
    double gain = 1.1;
};

// One block of stereo audio, a sample per frame on each side.
struct StereoAudio {
    std::vector<float> left;
    std::vector<float> right;
};

// The built-in General MIDI synthesizer as a back end with a single device,
// named deviceName(). It plays every short message it is sent. The sound font
// is loaded at the first open (or in the background, see SynthOptions) and kept,
// so opening again only starts the audio.
//
// While no audio output plays (no sound server, or the one it played to went
// away) a note is not kept for later: the synthesizer would only queue it,
// and once a server is back every note queued meanwhile would start in the
// same instant. Programmes and controllers are kept, so that the sound is
// right when it comes back.
class SynthOutput : public OutputBackend {
public:
    explicit SynthOutput(SynthOptions options = {});
    ~SynthOutput() override;

    QStringList devices() override { return {deviceName()}; }
    void open(const QString& device) override;
    void openVirtualPort() override;
    QString virtualPortName() override { return QString(); }
    void close() override;
    bool isOpen() const override { return open_; }
    void send(const MidiBytes& message) override;
    // The sound server gone, or none there at an open: the device stays open
    // and its sound comes back with the next note once a server runs. The
    // notice comes on the audio output's thread, or at once within open().
    void setLossNotifier(LossNotifier notifier) override { lossNotifier_ = std::move(notifier); }

    static QString deviceName() { return QStringLiteral("Quorvane GM Synth"); }
    // Its sound's ports on the program's JACK client: "GM Synth left" and
    // "GM Synth right".
    static QString jackPortsName() { return QStringLiteral("GM Synth"); }

    // Renders the next frames while open in render-only mode; empty otherwise,
    // since then the audio output's own thread is the one rendering.
    StereoAudio render(int frames);
    double sampleRate() const;
    // The sound font in use, once the synthesizer has been opened.
    QString soundFont() const { return soundFont_; }
    // True while the sound font is being read in the background.
    bool loading() const;
    // True while an audio output plays the synthesizer; it stops after a
    // while of silence and starts again with the next note.
    bool audioRunning() const;

private:
    struct Sound; // FluidSynth's settings, synthesizer and audio output, and the limiter

    void startLoading();
    void takeLoadedSynth();
    void fontLoaded();
    void readyToPlay();
    void startAudioAtOpen();
    bool startAudio(QStringList& details);
    void play(const MidiBytes& message);
    void startAudioForNote(const MidiBytes& note);
    void silenceUnheard();
    void onAudioLost(const QString& text);
    void notifyLoss(const MidiFailure& failure);

    SynthOptions options_;
    QString soundFont_;
    bool open_ = false;
    bool startWhenLoaded_ = false; // opened while the font was still loading
    // A background load asked for and not yet begun. Atomic: an open may
    // be followed by sends from another thread, which look at it too.
    std::atomic<bool> loadDue_{false};
    std::unique_ptr<Sound> sound_;
    LossNotifier lossNotifier_;
    // Set on the audio output's thread when it lost its server; the next
    // message on the caller's thread ends what the synthesizer still holds.
    std::atomic<bool> soundLost_{false};
    // Every message played, counted: an idle audio output that rests wakes
    // up when the count moves.
    std::atomic<unsigned> sent_{0};
    // While no server runs, a new attempt at most this often, not on every note.
    std::chrono::steady_clock::time_point lastFailedStart_;
};

} // namespace quorvane
