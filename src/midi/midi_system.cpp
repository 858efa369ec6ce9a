#include "midi_system.h"

#include <QCoreApplication>
#include <jack/jack.h>
#include <cstdlib>
#include <mutex>
#include <unistd.h>

namespace quorvane {

namespace {

std::mutex systemMutex;
RtMidi::Api chosenApi = RtMidi::UNSPECIFIED;
jack_client_t* jackWatch = nullptr;
std::atomic<bool> jackAlive{false};
bool missingReported = false;

void quietJack(const char*) {}

void onJackShutdown(void*)
{
    jackAlive = false;
}

} // namespace

QString MidiSystem::noSystemText()
{
    return QCoreApplication::translate("MidiSystem",
        "No MIDI system was found: the ALSA sequencer is not available and no JACK server is running.");
}

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
        return false; // no /dev/snd/seq: the normal case on a machine without sound hardware
    }
}

bool MidiSystem::openJackWatch()
{
    if (jackWatch) {
        jack_client_close(jackWatch); // the server it belonged to is gone
        jackWatch = nullptr;
    }
    jack_status_t status;
    const std::string name = clientName().toStdString() + "-watch";
    jackWatch = jack_client_open(name.c_str(), JackNoStartServer, &status);
    if (!jackWatch)
        return false;
    jack_on_shutdown(jackWatch, onJackShutdown, nullptr);
    if (jack_activate(jackWatch) != 0) {
        jack_client_close(jackWatch);
        jackWatch = nullptr;
        return false;
    }
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
    if (chosenApi != RtMidi::UNSPECIFIED)
        missingReported = false;
    return chosenApi;
}

MidiFailure MidiSystem::missing()
{
    std::lock_guard<std::mutex> lock(systemMutex);
    const int code = missingReported ? MidiErrorCode::Warning : MidiErrorCode::NoMidiSystem;
    missingReported = true;
    return MidiFailure(code, noSystemText());
}

bool MidiSystem::alive()
{
    std::lock_guard<std::mutex> lock(systemMutex);
    return chosenApi == RtMidi::LINUX_ALSA || (chosenApi == RtMidi::UNIX_JACK && jackAlive);
}

} // namespace quorvane
