#pragma once

#include "midi/midi_errors.h"
#include "midi/midi_message.h"

#include <QString>
#include <functional>

namespace quorvane {

// What the device side of both MIDI components offers. Failures are reported
// by throwing MidiFailure.
class PortBackend {
public:
    using LossNotifier = std::function<void(const MidiFailure&)>;

    virtual ~PortBackend() = default;
    virtual int count() = 0;
    virtual QString name(int device) = 0;
    virtual void close() = 0; // harmless when nothing is open
    virtual bool isOpen() const = 0;
    // The open device can vanish with its MIDI system at any moment: the
    // notifier is called on any thread with what went wrong, and the
    // component reports it on the user-interface thread and stays closed
    // (the built-in synthesizer's AudioLost excepted: it stays open).
    virtual void setLossNotifier(LossNotifier) { }
};

// The output side. Devices are numbered 0..count()-1; device -1 is the
// program's own virtual port.
class OutputBackend : public PortBackend {
public:
    virtual void open(int device) = 0;
    virtual void send(const MidiBytes& message) = 0; // called only while open
};

// The input side. The receiver may be called on any thread, once per complete
// message, in arrival order.
class InputBackend : public PortBackend {
public:
    using Receiver = std::function<void(const MidiBytes&)>;
    virtual void open(int device, Receiver receiver) = 0;
};

} // namespace quorvane
