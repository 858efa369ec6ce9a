#pragma once

#include "devices/jack_client.h"
#include "devices/midi_system.h"
#include "midi/port_backend.h"

#include <memory>

namespace quorvane {

class RtMidiOutputBackend;
class RtMidiInputBackend;

// The ports of whichever MIDI system is in use when asked: the program's JACK
// client's ports under JACK, RtMidi's under the ALSA sequencer. Under JACK a
// device is the name of another client's port: the list is taken afresh by
// count(), and open() connects to the port of that name.
class JackPorts {
protected:
    JackPorts(MidiSystem& system, bool input) : system_(system), input_(input) { }

    bool underJack() { return system_.current() == MidiSystem::Kind::Jack; }
    int listPorts();
    QString listedName(int device) const { return listed_.value(device); }
    void openPort(JackClient::Port port, int device, JackClient::Receiver receiver = nullptr);
    void closePort();
    bool portOpen() const { return client_ && client_->isOpen(port_, ticket_); }

    MidiSystem& system_;
    JackClient* client_ = nullptr; // the client of the open port; kept by the system even once its server is gone
    JackClient::Port port_ = JackClient::Port::Output;
    unsigned ticket_ = 0;

private:
    bool input_;
    QStringList listed_;
};

class SystemOutputBackend : public OutputBackend, private JackPorts {
public:
    explicit SystemOutputBackend(MidiSystem& system);
    ~SystemOutputBackend() override;

    int count() override;
    QString name(int device) override;
    void open(int device) override;
    void close() override;
    bool isOpen() const override;
    void send(const MidiBytes& message) override;
    void setLossNotifier(std::function<void()> notifier) override;
    MidiFailure lossFailure() override { return system_.lost(); }

private:
    std::unique_ptr<RtMidiOutputBackend> alsa_;
    std::function<void()> lossNotifier_;
};

class SystemInputBackend : public InputBackend, private JackPorts {
public:
    explicit SystemInputBackend(MidiSystem& system);
    ~SystemInputBackend() override;

    int count() override;
    QString name(int device) override;
    void open(int device, Receiver receiver) override;
    void close() override;
    bool isOpen() const override;
    void setLossNotifier(std::function<void()> notifier) override;
    MidiFailure lossFailure() override { return system_.lost(); }

private:
    std::unique_ptr<RtMidiInputBackend> alsa_;
    std::function<void()> lossNotifier_;
};

} // namespace quorvane
