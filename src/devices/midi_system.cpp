#include "devices/midi_system.h"

#include "devices/jack_client.h"
#include "devices/sound_libraries.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <RtMidi.h>

#include <unistd.h>

namespace quorvane {

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("MidiSystem", text);
}

// PipeWire serves JACK clients only to programs started through its JACK
// library; its socket tells that it runs.
bool pipeWireRunning()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    const QString remote = qEnvironmentVariable("PIPEWIRE_REMOTE", QStringLiteral("pipewire-0"));
    return !runtime.isEmpty() && QFileInfo::exists(QDir(runtime).filePath(remote));
}

} // namespace

MidiSystem::MidiSystem()
{
    // A program that merely looks for MIDI must never start a JACK server nor
    // fill the terminal with libjack's connection attempts.
    setUpSoundLibraries();
}

MidiSystem::~MidiSystem() = default;

bool MidiSystem::alsaAvailable()
{
    // Without the sequencer device ALSA and RtMidi would only print their
    // complaints before failing; looking first keeps the terminal clean.
    if (access("/dev/snd/seq", R_OK | W_OK) != 0)
        return false;
    try {
        RtMidiOut probe(RtMidi::LINUX_ALSA, clientName().toStdString());
        return probe.getCurrentApi() == RtMidi::LINUX_ALSA;
    } catch (const RtMidiError&) {
        return false;
    }
}

MidiSystem::Kind MidiSystem::current()
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (kind_ == Kind::Alsa || (kind_ == Kind::Jack && jack_->alive()))
        return kind_;
    if (jack_)
        gone_.push_back(std::move(jack_));

    jack_ = JackClient::open(clientName(), [this] { serverLost(); },
                             {&clockPlan_, ownBeat_, sessionBeat_, &clockInTracker_, &transport_, &inputThru_});
    if (jack_)
        kind_ = Kind::Jack;
    else if (alsaAvailable())
        kind_ = Kind::Alsa;
    else
        kind_ = Kind::None;
    if (kind_ != Kind::None)
        errorPolicy_.rearm();
    return kind_;
}

JackClient* MidiSystem::jack()
{
    return current() == Kind::Jack ? jack_.get() : nullptr;
}

std::unique_ptr<StereoPlayback> MidiSystem::playStereo(StereoRenderer& renderer, const QString& name,
                                                       std::function<void()> onLoss)
{
    JackClient* client = jack();
    return client ? client->playStereo(renderer, name, std::move(onLoss)) : nullptr;
}

int MidiSystem::jackSampleRate()
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (kind_ == Kind::Jack && jack_->alive())
        return jack_->sampleRate();
    // A server that started after the MIDI system was chosen is asked all the same.
    return JackClient::serverSampleRate(clientName() + QStringLiteral(" rate"));
}

MidiFailure MidiSystem::missing() const
{
    const int code = MidiErrorCode::NoMidiSystem;
    if (pipeWireRunning())
        return MidiFailure(code, tr("No MIDI system was found: no JACK server answers and the ALSA sequencer is "
                                    "not available. PipeWire is running: start the program as \"pw-jack quorvane\" "
                                    "so that PipeWire serves it as a JACK server."));
    return MidiFailure(code, tr("No MIDI system was found: the ALSA sequencer is not available and no JACK "
                                "server is running."));
}

MidiFailure MidiSystem::lost()
{
    return MidiFailure(MidiErrorCode::DeviceLost,
                       tr("The MIDI system stopped: the JACK server has gone away. Choose the devices "
                          "again in MIDI Setup once it runs again."));
}

QString MidiSystem::virtualPortName(Kind kind)
{
    switch (kind) {
    case Kind::Jack: return tr("Quorvane virtual port (JACK: Quorvane:virtual out)");
    case Kind::Alsa: return tr("Quorvane virtual port (ALSA sequencer)");
    case Kind::None: break;
    }
    // Listed all the same, so that the first entry keeps its place; choosing
    // it says what is missing.
    return tr("Quorvane virtual port (no MIDI system)");
}

void MidiSystem::serverLost()
{
    std::lock_guard<std::mutex> lock(listenerMutex_);
    for (const auto& [key, listener] : lossListeners_)
        listener();
}

void MidiSystem::addLossListener(const void* key, std::function<void()> listener)
{
    std::lock_guard<std::mutex> lock(listenerMutex_);
    lossListeners_[key] = std::move(listener);
}

void MidiSystem::removeLossListener(const void* key)
{
    std::lock_guard<std::mutex> lock(listenerMutex_);
    lossListeners_.erase(key);
}

} // namespace quorvane
