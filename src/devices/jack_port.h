#pragma once

#include "devices/jack_client.h"
#include "devices/midi_system.h"
#include "midi/port_backend.h"

#include <QStringList>
#include <cstdint>
#include <mutex>
#include <optional>

namespace quorvane {

// One of the program's JACK ports as a back end holds it: the other clients'
// ports it may connect to, listed afresh; the port opened on the client of the
// moment and closed on that same client, even once its server has gone; and
// the server's loss, told while the port is open.
class JackPort {
public:
    // forInput: the ports listed are those that give MIDI out.
    JackPort(MidiSystem& system, bool forInput);
    ~JackPort();
    JackPort(const JackPort&) = delete;
    JackPort& operator=(const JackPort&) = delete;

    QStringList others();
    // Registers our port and connects it to the other client's port of that
    // name; to none for an empty name. Throws MidiFailure, also when the
    // server went away during the open: a port that opened is either told
    // lost later or never reads as open.
    void open(JackClient::Port port, const QString& connectTo, JackClient::Receiver receiver = nullptr);
    void close();
    bool isOpen() const;
    // Untimed without atNs (steady clock, ns). Throws MidiFailure.
    void send(const MidiBytes& message, std::optional<std::int64_t> atNs = std::nullopt);
    std::int64_t schedulingLeadNs() const;
    std::int64_t latencyNs() const;
    std::int64_t playbackLatencyNs() const;
    void setLossNotifier(PortBackend::LossNotifier notifier);

private:
    void tellLoss(); // on the thread that tells of the server's loss

    MidiSystem& system_;
    bool forInput_;
    // The open port, read by the thread that tells of the server's loss.
    mutable std::mutex mutex_;
    JackClient* client_ = nullptr; // the client of the open port; kept by the system even once its server is gone
    JackClient::Port port_ = JackClient::Port::Output;
    unsigned ticket_ = 0;
    PortBackend::LossNotifier lossNotifier_;
};

} // namespace quorvane
