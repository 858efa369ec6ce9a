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

    QStringList devices() override { return port_.others(); }
    void open(const QString& device) override { port_.open(JackClient::Port::Output, device); }
    void openVirtualPort() override { port_.open(JackClient::Port::VirtualOutput, QString()); }
    QString virtualPortName() override { return MidiSystem::virtualPortName(MidiSystem::Kind::Jack); }
    void close() override { port_.close(); }
    bool isOpen() const override { return port_.isOpen(); }
    void send(const MidiBytes& message) override { port_.send(message); }
    void sendAt(const MidiBytes& message, std::int64_t atNs) override { port_.send(message, atNs); }
    std::int64_t schedulingLeadNs() const override { return port_.schedulingLeadNs(); }
    std::int64_t latencyNs() const override { return port_.latencyNs(); }
    std::int64_t soundLatencyNs() const override { return port_.playbackLatencyNs(); }
    void setLossNotifier(LossNotifier notifier) override { port_.setLossNotifier(std::move(notifier)); }

private:
    JackPort port_;
};

class JackInputBackend : public InputBackend {
public:
    explicit JackInputBackend(MidiSystem& system) : port_(system, true) { }

    QStringList devices() override { return port_.others(); }
    void open(const QString& device, Receiver receiver) override
    {
        port_.open(JackClient::Port::Input, device, std::move(receiver));
    }
    void close() override { port_.close(); }
    bool isOpen() const override { return port_.isOpen(); }
    void setLossNotifier(LossNotifier notifier) override { port_.setLossNotifier(std::move(notifier)); }

private:
    JackPort port_;
};

} // namespace quorvane
