#include "midi/midi_system.h"

#include <QCoreApplication>
#include <jack/jack.h>
#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <map>
#include <mutex>
#include <unistd.h>

namespace quorvane {

namespace {

std::mutex systemMutex;
RtMidi::Api chosenApi = RtMidi::UNSPECIFIED;
int connections = 0;
jack_client_t* jackWatch = nullptr;
std::atomic<bool> jackAlive{false};
bool missingReported = false;
bool lossReported = false;

std::mutex listenerMutex;
std::map<const void*, std::function<void()>> lossListeners;

void quietJack(const char*) { }

void onJackShutdown(void*)
{
    jackAlive = false;
    std::lock_guard<std::mutex> lock(listenerMutex);
    for (const auto& [key, listener] : lossListeners)
        listener();
}

QString tr(const char* text)
{
    return QCoreApplication::translate("MidiSystem", text);
}

} // namespace

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

bool MidiSystem::openJackWatch()
{
    // The watch of a server that is gone is not closed: libjack may wait on a
    // dead server for a long time. It is left behind, a few bytes per restart.
    jackWatch = nullptr;
    jack_status_t status;
    const std::string name = clientName().toStdString() + "-watch";
    jack_client_t* watch = jack_client_open(name.c_str(), JackNoStartServer, &status);
    if (!watch)
        return false;
    jack_on_shutdown(watch, onJackShutdown, nullptr);
    if (jack_activate(watch) != 0) {
        jack_client_close(watch);
        return false;
    }
    jackWatch = watch;
    jackAlive = true;
    return true;
}

RtMidi::Api MidiSystem::api()
{
    std::lock_guard<std::mutex> lock(systemMutex);
    if (chosenApi == RtMidi::LINUX_ALSA || (chosenApi == RtMidi::UNIX_JACK && jackAlive))
        return chosenApi;

    // A program that merely looks for MIDI must never start a JACK server nor
    // fill the terminal with libjack's connection attempts.
    setenv("JACK_NO_START_SERVER", "1", 1);
    jack_set_error_function(quietJack);
    jack_set_info_function(quietJack);

    if (alsaAvailable())
        chosenApi = RtMidi::LINUX_ALSA;
    else if (openJackWatch())
        chosenApi = RtMidi::UNIX_JACK;
    else
        chosenApi = RtMidi::UNSPECIFIED;
    if (chosenApi != RtMidi::UNSPECIFIED) {
        ++connections;
        missingReported = false;
        lossReported = false;
    }
    return chosenApi;
}

int MidiSystem::generation()
{
    std::lock_guard<std::mutex> lock(systemMutex);
    return connections;
}

bool MidiSystem::alive()
{
    std::lock_guard<std::mutex> lock(systemMutex);
    return chosenApi == RtMidi::LINUX_ALSA || (chosenApi == RtMidi::UNIX_JACK && jackAlive);
}

std::chrono::milliseconds MidiSystem::jackSettleTime()
{
    std::lock_guard<std::mutex> lock(systemMutex);
    if (chosenApi != RtMidi::UNIX_JACK || !jackAlive || !jackWatch)
        return std::chrono::milliseconds(0);
    const jack_nframes_t rate = jack_get_sample_rate(jackWatch);
    const long long periodMs = rate ? 1000LL * jack_get_buffer_size(jackWatch) / rate + 1 : 0;
    return std::chrono::milliseconds(std::clamp(2 * periodMs, 20LL, 200LL));
}

MidiFailure MidiSystem::missing()
{
    std::lock_guard<std::mutex> lock(systemMutex);
    const int code = missingReported ? MidiErrorCode::Warning : MidiErrorCode::NoMidiSystem;
    missingReported = true;
    return MidiFailure(code, tr("No MIDI system was found: the ALSA sequencer is not available and no JACK "
                                "server is running."));
}

MidiFailure MidiSystem::lost()
{
    std::lock_guard<std::mutex> lock(systemMutex);
    const int code = lossReported ? MidiErrorCode::Warning : MidiErrorCode::DeviceLost;
    lossReported = true;
    return MidiFailure(code, tr("The MIDI system stopped: the JACK server has gone away. Choose the devices "
                                "again in MIDI Setup once it runs again."));
}

void MidiSystem::addLossListener(const void* key, std::function<void()> listener)
{
    std::lock_guard<std::mutex> lock(listenerMutex);
    lossListeners[key] = std::move(listener);
}

void MidiSystem::removeLossListener(const void* key)
{
    std::lock_guard<std::mutex> lock(listenerMutex);
    lossListeners.erase(key);
}

} // namespace quorvane
