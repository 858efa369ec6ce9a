#pragma once

#include "midi/midi_errors.h"
#include "midi/midi_message.h"

#include <QStringList>
#include <cstdint>
#include <functional>

namespace quorvane {

class InputThru;

// What the device side of both MIDI components offers. Devices are named as
// their system names them; the components number them (ARCHITECTURE.md,
// "Device numbers"). Failures are reported by throwing MidiFailure.
class PortBackend {
public:
    using LossNotifier = std::function<void(const MidiFailure&)>;

    virtual ~PortBackend() = default;
    // The devices there now, listed afresh on every call, in the system's order.
    virtual QStringList devices() = 0;
    virtual void close() = 0; // harmless when nothing is open
    virtual bool isOpen() const = 0;
    // The open device can vanish with its MIDI system at any moment: the
    // notifier is called on any thread with what went wrong, and the
    // component reports it on the user-interface thread and stays closed
    // (the built-in synthesizer's AudioLost excepted: it stays open).
    virtual void setLossNotifier(LossNotifier) { }
};

// The output side. An open looks the device up by its name at that moment,
// and throws deviceGone(name) when it is no longer there.
class OutputBackend : public PortBackend {
public:
    virtual void open(const QString& device) = 0;
    // The program's own port, which others patch from, and how it is listed.
    virtual void openVirtualPort() = 0;
    virtual QString virtualPortName() = 0;
    virtual void send(const MidiBytes& message) = 0; // called only while open

    // Timed sends. A message may carry the moment it is meant to be heard at
    // the port, on the steady clock (std::chrono::steady_clock, in ns). A
    // back end that keeps to it plays the message at that moment when it is
    // handed over at least schedulingLeadNs() before; one that plays
    // whatever it is handed at once (lead 0) leaves the waiting to its
    // sender. An untimed send is heard latencyNs() after it is made.
    virtual void sendAt(const MidiBytes& message, std::int64_t /*atNs*/) { send(message); }
    virtual std::int64_t schedulingLeadNs() const { return 0; }
    virtual std::int64_t latencyNs() const { return 0; }
    // How long after a message is heard at the port its sound comes out, as
    // far as the system tells (JACK: the playback latency of the ports it
    // is connected to, up to the sound card); 0 where nothing is known.
    virtual std::int64_t soundLatencyNs() const { return 0; }
};

// The input side. The receiver may be called on any thread, once per
// message, in arrival order; the component keeps only whole messages.
// forwarded: the back end has already passed the message to the output in
// its own real-time thread (InputThru), and nobody may send it again.
class InputBackend : public PortBackend {
public:
    using Receiver = std::function<void(const MidiBytes& message, bool forwarded)>;
    virtual void open(const QString& device, Receiver receiver) = 0;
    // What the MIDI system of this back end forwards by in its own threads;
    // null when it forwards nothing itself.
    virtual InputThru* thru() { return nullptr; }
};

} // namespace quorvane
