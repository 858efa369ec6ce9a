#pragma once

#include "midi_message.h"
#include "variant.h"

#include <QString>
#include <functional>

namespace quorvane {

// What a back end knows about one property write of its component, so that a
// recording back end can keep the exact sequence the program produced.
struct PropertyWrite {
    QString member;
    Variant value;
};

// The device side of the MIDI output component. Devices are numbered
// 0..count()-1; device -1 is the program's own virtual port. Failures are
// reported by throwing MidiFailure.
class OutputBackend {
public:
    virtual ~OutputBackend() = default;
    virtual int count() = 0;
    virtual QString name(int device) = 0;
    virtual void open(int device) = 0;
    virtual void close() = 0; // harmless when nothing is open
    virtual bool isOpen() const = 0;
    virtual void send(const MidiBytes& message) = 0; // called only while open
    virtual void propertyWritten(const PropertyWrite&) {}
};

// The device side of the MIDI input component. The receiver may be called on
// any thread, once per complete message, in arrival order.
class InputBackend {
public:
    using Receiver = std::function<void(const MidiBytes&)>;
    virtual ~InputBackend() = default;
    virtual int count() = 0;
    virtual QString name(int device) = 0;
    virtual void open(int device, Receiver receiver) = 0;
    virtual void close() = 0; // harmless when nothing is open
    virtual bool isOpen() const = 0;
    virtual void propertyWritten(const PropertyWrite&) {}
};

} // namespace quorvane
