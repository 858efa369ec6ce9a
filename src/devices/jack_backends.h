#pragma once

#include "devices/jack_port.h"
#include "midi/port_backend.h"

namespace quorvane {

// The MIDI ports of a JACK server, through the program's one JACK client:
// a device is another client's port, "client:port", and opening it connects
// our port to it.
class JackOutputBackend : public OutputBackend {
public:
    explicit JackOutputBackend(MidiSystem& system) : port_(system, false) { }

    int count() override { return port_.list(); }
    QString name(int device) override;
    void open(int device) override;
    void close() override { port_.close(); }
    bool isOpen() const override { return port_.isOpen(); }
    void send(const MidiBytes& message) override { port_.send(message); }
    void setLossNotifier(LossNotifier notifier) override { port_.setLossNotifier(std::move(notifier)); }

private:
    JackPort port_;
};

class JackInputBackend : public InputBackend {
public:
    explicit JackInputBackend(MidiSystem& system) : port_(system, true) { }

    int count() override { return port_.list(); }
    QString name(int device) override { return port_.listedName(device); }
    void open(int device, Receiver receiver) override;
    void close() override { port_.close(); }
    bool isOpen() const override { return port_.isOpen(); }
    void setLossNotifier(LossNotifier notifier) override { port_.setLossNotifier(std::move(notifier)); }

private:
    JackPort port_;
};

} // namespace quorvane
