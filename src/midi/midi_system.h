#pragma once

#include "midi/midi_errors.h"

#include <RtMidi.h>

#include <QString>
#include <chrono>
#include <functional>

namespace quorvane {

// Which MIDI system the program talks to: the ALSA sequencer where it exists,
// otherwise a running JACK server. libjack is kept from starting a server of
// its own and from printing its complaints; a JACK server that goes away is
// noticed through a small watch client of ours.
class MidiSystem {
public:
    // The API to use now, or RtMidi::UNSPECIFIED when there is no MIDI system.
    // Looks again each time there is none yet, or the JACK server went away.
    static RtMidi::Api api();

    // Counts the connections made to a MIDI system: an RtMidi object made under
    // an older one belongs to a server that has gone.
    static int generation();

    // False once the JACK server we talk to has shut down.
    static bool alive();

    // The failure for "no MIDI system": shown the first time, quiet after
    // that until a MIDI system has been found again.
    static MidiFailure missing();
    // The failure for "the MIDI system went away": shown once for all devices,
    // quiet for the others, until a MIDI system has been found again.
    static MidiFailure lost();

    // How long a process callback of a JACK client of ours that began just
    // before one of its ports was closed may still be running: two periods of
    // the server, and at least 20 ms for a thread the scheduler set aside.
    // Zero when the program does not talk to a live JACK server.
    static std::chrono::milliseconds jackSettleTime();

    // Called (on a thread of the MIDI system) when the JACK server shuts down.
    static void addLossListener(const void* key, std::function<void()> listener);
    static void removeLossListener(const void* key);

    static QString clientName() { return QStringLiteral("Quorvane"); }

private:
    static bool alsaAvailable();
    static bool openJackWatch();
};

} // namespace quorvane
