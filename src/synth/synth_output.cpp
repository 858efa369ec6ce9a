#include "synth/synth_output.h"

#include "midi/midi_bytes.h"
#include "midi/midi_errors.h"
#include "synth/synth_driver_output.h"
#include "synth/synth_hosted_output.h"
#include "synth/synth_libraries.h"
#include "synth/synth_limiter.h"
#include "synth/synth_log.h"
#include "synth/synth_pulse_stream.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFileInfo>
#include <QObject>
#include <sys/resource.h>
#include <unistd.h>
#include <algorithm>
#include <functional>
#include <future>
#include <stdexcept>
#include <utility>

namespace quorvane {

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("SynthOutput", text);
}

// Only real sound font files are handed to the loader: anything else falls
// through to the DLS reader underneath, which complains on the terminal.
QString firstSoundFont(const QStringList& paths)
{
    for (const QString& path : paths) {
        if (QFileInfo(path).isReadable() && fluidSynth().fluid_is_soundfont(QFile::encodeName(path).constData()))
            return path;
    }
    return QString();
}

QString withDetails(const QString& text, const QStringList& lines)
{
    return lines.isEmpty() ? text : text + QLatin1Char('\n') + lines.join(QLatin1Char('\n'));
}

constexpr auto retryAfter = std::chrono::seconds(1);

// A synthesizer renders at the rate it was made with; the audio driver that
// calls back for its frames does not tell it otherwise. The library marks the
// call as one not to make while sound is rendered, and here none is.
void followRate(fluid_synth_t* synth, int& current, int rate)
{
    if (rate <= 0 || current == rate)
        return;
    fluidSynth().fluid_synth_set_sample_rate(synth, float(rate));
    current = rate;
}

// Hands one short message to the synthesizer. Its answers are not errors for
// the user: a note-off for a note that already ended, or a programme the sound
// font lacks, is simply nothing to play, as on any sound module.
void playInto(fluid_synth_t* synth, const MidiBytes& message)
{
    using namespace midi;
    if (!isWholeMessage(message))
        return;
    const int status = message[0];
    if (status == SystemReset) {
        fluidSynth().fluid_synth_system_reset(synth); // all notes off, controllers and programmes to their defaults
        return;
    }
    if (!isChannelStatus(status))
        return; // timing and song messages have no sound of their own
    const int channel = channelOf(status);
    const int data1 = message.size() > 1 ? message[1] : 0;
    const int data2 = message.size() > 2 ? message[2] : 0;
    switch (kindOf(status)) {
    case NoteOff: fluidSynth().fluid_synth_noteoff(synth, channel, data1); break;
    case NoteOn: fluidSynth().fluid_synth_noteon(synth, channel, data1, data2); break; // velocity 0 ends the note
    case KeyPressure: fluidSynth().fluid_synth_key_pressure(synth, channel, data1, data2); break;
    case ControlChange: fluidSynth().fluid_synth_cc(synth, channel, data1, data2); break;
    case ProgramChange: fluidSynth().fluid_synth_program_change(synth, channel, data1); break;
    case ChannelPressure: fluidSynth().fluid_synth_channel_pressure(synth, channel, data1); break;
    case PitchBend: fluidSynth().fluid_synth_pitch_bend(synth, channel, fourteenBits(data1, data2)); break;
    default: break;
    }
}

struct FluidDeleter {
    void operator()(fluid_settings_t* settings) const { fluidSynth().delete_fluid_settings(settings); }
    void operator()(fluid_synth_t* synth) const { fluidSynth().delete_fluid_synth(synth); }
};

// A synthesizer with its sound font read, not yet playing.
struct LoadedSynth {
    // Declared in this order so that the settings outlive the synthesizer.
    std::unique_ptr<fluid_settings_t, FluidDeleter> settings;
    std::unique_ptr<fluid_synth_t, FluidDeleter> synth;
    QString font;
};

// Makes the synthesizer and reads the first sound font of the options into
// it; throws MidiFailure. Touches nothing else, so it may run on any thread.
LoadedSynth loadSynth(const SynthOptions& options)
{
    try {
        fluidSynth();
    } catch (const std::runtime_error& error) {
        throw MidiFailure(MidiErrorCode::OpenFailed,
                          tr("The built-in synthesizer cannot start: the FluidSynth library could not be opened (%1).")
                              .arg(QString::fromLocal8Bit(error.what())));
    }
    SynthLogCapture log;
    const QString font = firstSoundFont(options.soundFonts);
    if (font.isEmpty())
        throw MidiFailure(MidiErrorCode::OpenFailed, tr("The built-in synthesizer found no General MIDI sound font. "
                                                        "Installing the package timgm6mb-soundfont provides one."));
    LoadedSynth loaded;
    loaded.settings.reset(fluidSynth().new_fluid_settings());
    fluid_settings_t* settings = loaded.settings.get();
    // A large sound font would otherwise be read whole before the first note;
    // this way only the instruments in use are read, when they are chosen.
    fluidSynth().fluid_settings_setint(settings, "synth.dynamic-sample-loading", 1);
    fluidSynth().fluid_settings_setnum(settings, "synth.sample-rate", options.sampleRate);
    fluidSynth().fluid_settings_setnum(settings, "synth.gain", options.gain);
    fluidSynth().fluid_settings_setstr(settings, "audio.jack.id", SynthOutput::deviceName().toUtf8().constData());
    // Under JACK nothing is heard until the ports are patched: go to the speakers.
    fluidSynth().fluid_settings_setint(settings, "audio.jack.autoconnect", 1);
    loaded.synth.reset(fluidSynth().new_fluid_synth(settings));
    if (!loaded.synth ||
        fluidSynth().fluid_synth_sfload(loaded.synth.get(), QFile::encodeName(font).constData(), 1) == FLUID_FAILED)
        throw MidiFailure(
            MidiErrorCode::OpenFailed,
            withDetails(tr("The built-in synthesizer could not load the sound font %1.").arg(font), log.lines()));
    loaded.font = font;
    return loaded;
}

} // namespace

// Calls its action once, when the first window of the program is exposed
// (drawn on screen), and stops looking. QtCore knows that event's type; the
// windows themselves are none of this layer's business.
class FirstExposure : public QObject {
public:
    explicit FirstExposure(std::function<void()> action) : action_(std::move(action))
    {
        QCoreApplication::instance()->installEventFilter(this);
    }
    ~FirstExposure() override { stop(); }

    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Expose && action_) {
            stop();
            std::exchange(action_, nullptr)();
        }
        return false;
    }

private:
    void stop()
    {
        if (QCoreApplication::instance())
            QCoreApplication::instance()->removeEventFilter(this);
    }

    std::function<void()> action_;
};

struct SynthOutput::Sound {
    explicit Sound(double sampleRate) : limiter(sampleRate) { }

    // Declared in this order so that the audio stops before the synthesizer
    // it plays from goes away, and the settings outlive both.
    QObject context; // of the call that tells the caller's thread the font is loaded
    std::unique_ptr<fluid_settings_t, FluidDeleter> settings;
    std::unique_ptr<fluid_synth_t, FluidDeleter> synth;
    int rate = 0;         // the synthesizer's, which follows a JACK server's
    SynthLimiter limiter; // used by whichever thread renders
    std::unique_ptr<SynthDriverOutput> driver;
    std::unique_ptr<SynthHostedOutput> hosted;
    std::unique_ptr<SynthPulseStream> stream;
    std::future<LoadedSynth> loading; // while the sound font is read in the background
    std::unique_ptr<FirstExposure> loadOnExposure;
};

SynthOutput::SynthOutput(SynthOptions options)
    : options_(std::move(options)), sound_(std::make_unique<Sound>(options_.sampleRate))
{
    if (!options_.loadInBackground)
        return;
    loadDue_ = true;
    // Once the program's first window is on screen; without an application
    // (or a window), at the first open.
    if (QCoreApplication::instance())
        sound_->loadOnExposure = std::make_unique<FirstExposure>([this] { startLoading(); });
}

// The synthesizer's library is opened by the load, on its thread. Without a
// font, the first open says so, whether the load has failed by then or fails
// while the open waits for it.
void SynthOutput::startLoading()
{
    if (!loadDue_.exchange(false))
        return;
    sound_->loading = std::async(std::launch::async, [this, options = options_] {
        // Told also when the load fails: an open waiting for it reports that.
        struct TellWhenDone {
            SynthOutput* synth;
            ~TellWhenDone()
            {
                QMetaObject::invokeMethod(
                    &synth->sound_->context, [s = synth] { s->fontLoaded(); }, Qt::QueuedConnection);
            }
        } tell{this};
        // The windows come first while both want the processor: the font
        // is only wanted once the device dialog is answered.
        ::setpriority(PRIO_PROCESS, pid_t(::gettid()), 10);
        return loadSynth(options);
    });
}

SynthOutput::~SynthOutput()
{
    if (sound_->loading.valid())
        sound_->loading.wait(); // it tells this object when done
    close();
}

bool SynthOutput::loading() const
{
    return loadDue_ ||
           (sound_->loading.valid() && sound_->loading.wait_for(std::chrono::seconds(0)) != std::future_status::ready);
}

void SynthOutput::openVirtualPort()
{
    throw MidiFailure(MidiErrorCode::InvalidDevice, tr("The built-in synthesizer has no virtual port."));
}

void SynthOutput::open(const QString& device)
{
    if (device != deviceName())
        throw deviceGone(device);
    close();
    startLoading();
    if (loading()) {
        // The sound starts once the font is there: told by the loader, or
        // at the first message, which waits for it.
        open_ = true;
        startWhenLoaded_ = true;
        return;
    }
    takeLoadedSynth();
    open_ = true;
    startAudioAtOpen();
}

void SynthOutput::fontLoaded()
{
    if (!startWhenLoaded_)
        return; // closed meanwhile, or a message came first and started the sound
    try {
        readyToPlay();
    } catch (const MidiFailure& failure) {
        notifyLoss(failure); // the open fails now: the component closes the device and says why
    }
}

void SynthOutput::readyToPlay()
{
    takeLoadedSynth();
    if (std::exchange(startWhenLoaded_, false))
        startAudioAtOpen();
}

void SynthOutput::startAudioAtOpen()
{
    if (options_.renderOnly)
        return;
    QStringList details;
    if (startAudio(details))
        return;
    // The synthesizer stays open and plays once a server runs; a lasting
    // failure, which the error policy tells once, not on every open.
    notifyLoss(MidiFailure(MidiErrorCode::AudioLost,
                           withDetails(tr("No sound server is running, so the built-in synthesizer cannot be heard. "
                                          "Start PipeWire (or PulseAudio, or a JACK server); the sound comes with the "
                                          "next note once it runs.\n\nWhat the audio outputs said:"),
                                       details),
                           MidiFailure::Span::Lasting));
}

void SynthOutput::takeLoadedSynth()
{
    if (sound_->synth)
        return;
    // Every way here passed an open, which began the load. Waits for a load
    // still under way, and throws what it threw: the next open then tries
    // again.
    LoadedSynth loaded = sound_->loading.valid() ? std::exchange(sound_->loading, {}).get() : loadSynth(options_);
    sound_->settings = std::move(loaded.settings);
    sound_->synth = std::move(loaded.synth);
    sound_->rate = options_.sampleRate;
    soundFont_ = loaded.font;
}

bool SynthOutput::startAudio(QStringList& details)
{
    SynthLogCapture log;
    for (const QString& driver : options_.audioDrivers) {
        if (driver == QLatin1String("pulseaudio")) {
            followRate(sound_->synth.get(), sound_->rate, options_.sampleRate);
            try {
                sound_->stream = std::make_unique<SynthPulseStream>(
                    sound_->synth.get(), sound_->limiter, options_.sampleRate,
                    [this](SynthPulseStream::End end) {
                        if (end == SynthPulseStream::End::ServerLost)
                            onAudioLost(tr("The built-in synthesizer's sound stopped: the sound server has gone away. "
                                               "Start it again (PipeWire or PulseAudio); the sound comes back with "
                                               "the next note once it runs."));
                    });
                return true;
            } catch (const std::runtime_error& error) {
                details << QStringLiteral("PulseAudio: %1").arg(QString::fromLocal8Bit(error.what()));
            }
            continue;
        }
        const bool jack = driver == QLatin1String("jack");
        const QString lost = jack ? tr("The built-in synthesizer's sound stopped: the JACK server has gone away. "
                                       "Start it again; the sound comes back with the next note once it runs.")
                                  : tr("The built-in synthesizer's sound stopped: the sound card has gone away. "
                                       "The sound comes back with the next note once it is there again.");
        if (jack && options_.jackSampleRate)
            followRate(sound_->synth.get(), sound_->rate, options_.jackSampleRate());
        if (jack && options_.jackPlayback) {
            try {
                sound_->hosted = std::make_unique<SynthHostedOutput>(options_.jackPlayback, jackPortsName(),
                                                                     sound_->synth.get(), sound_->limiter, sound_->rate,
                                                                     sent_, [this, lost] { onAudioLost(lost); });
                return true;
            } catch (const std::runtime_error&) {
                // The MIDI system is not JACK: FluidSynth's own client plays.
            }
        }
        fluidSynth().fluid_settings_setstr(sound_->settings.get(), "audio.driver", driver.toUtf8().constData());
        try {
            sound_->driver =
                std::make_unique<SynthDriverOutput>(sound_->settings.get(), sound_->synth.get(), sound_->limiter,
                                                    sound_->rate, sent_, [this, lost] { onAudioLost(lost); });
            return true;
        } catch (const std::runtime_error&) {
            // Why, the library has said in its log.
        }
    }
    details << log.lines();
    if (details.isEmpty())
        details << tr("Tried %1.").arg(options_.audioDrivers.join(QStringLiteral(", ")));
    return false;
}

// The audio output's own thread tells here that its server went away.
void SynthOutput::onAudioLost(const QString& text)
{
    soundLost_ = true;
    notifyLoss(MidiFailure(MidiErrorCode::AudioLost, text));
}

void SynthOutput::notifyLoss(const MidiFailure& failure)
{
    if (lossNotifier_)
        lossNotifier_(failure);
}

bool SynthOutput::audioRunning() const
{
    return (sound_->driver && sound_->driver->running()) || (sound_->hosted && sound_->hosted->running()) ||
           (sound_->stream && sound_->stream->running());
}

// After a silence, or once a server is back, a note starts the audio output
// again. It goes into the synthesizer first, so that a stream started for it
// begins with it and it is heard as soon as on a running one. A note that no
// output will play is ended at once: kept, it would sound when the server
// comes back, late and together with every other note kept meanwhile.
void SynthOutput::startAudioForNote(const MidiBytes& note)
{
    const auto now = std::chrono::steady_clock::now();
    if (lastFailedStart_ != std::chrono::steady_clock::time_point() && now - lastFailedStart_ < retryAfter)
        return;
    sound_->stream.reset(); // its thread has ended already
    sound_->driver.reset(); // closed, or left behind when its server went away
    sound_->hosted.reset();
    play(note);
    QStringList details;
    if (startAudio(details)) {
        lastFailedStart_ = std::chrono::steady_clock::time_point();
        return;
    }
    lastFailedStart_ = now;
    silenceUnheard();
}

// No audio output renders now, so nothing else touches the synthesizer's
// voices: what it still holds (the voices that sounded when the server went
// away, and the notes sent before that was noticed) is ended and rendered
// away into nothing, so that the sound starts clean when a server is back.
void SynthOutput::silenceUnheard()
{
    constexpr int frames = 64; // the synthesizer's own block: one ends every voice switched off
    float scratch[2][frames];
    fluidSynth().fluid_synth_all_sounds_off(sound_->synth.get(), -1);
    for (int block = 0; block < 2; ++block)
        fluidSynth().fluid_synth_write_float(sound_->synth.get(), frames, scratch[0], 0, 1, scratch[1], 0, 1);
}

void SynthOutput::close()
{
    open_ = false;
    startWhenLoaded_ = false;
    sound_->stream.reset(); // stops the audio thread before anything else is touched
    sound_->driver.reset();
    sound_->hosted.reset();
    soundLost_ = false;
    if (sound_->synth)
        fluidSynth().fluid_synth_all_sounds_off(sound_->synth.get(), -1); // no note left hanging for the next open
}

void SynthOutput::play(const MidiBytes& message)
{
    playInto(sound_->synth.get(), message);
    ++sent_;
}

void SynthOutput::send(const MidiBytes& message)
{
    if (!open_)
        throw MidiFailure(MidiErrorCode::SendFailed, tr("The built-in synthesizer is not open."));
    readyToPlay(); // a message sent while the font loads waits for it, and is played
    if (options_.renderOnly || audioRunning()) {
        play(message);
        return;
    }
    if (soundLost_.exchange(false))
        silenceUnheard();
    if (midi::isNoteOn(message))
        startAudioForNote(message);
    else
        play(message); // programmes and controllers: the sound is right when it returns
}

StereoAudio SynthOutput::render(int frames)
{
    StereoAudio audio;
    if (!open_ || !options_.renderOnly || frames <= 0)
        return audio;
    try {
        readyToPlay();
    } catch (const MidiFailure&) {
        return audio;
    }
    audio.left.resize(static_cast<std::size_t>(frames));
    audio.right.resize(static_cast<std::size_t>(frames));
    fluidSynth().fluid_synth_write_float(sound_->synth.get(), frames, audio.left.data(), 0, 1, audio.right.data(), 0,
                                         1);
    sound_->limiter.process(audio.left.data(), audio.right.data(), frames);
    return audio;
}

double SynthOutput::sampleRate() const
{
    return sound_->synth ? sound_->rate : 0.0;
}

} // namespace quorvane
