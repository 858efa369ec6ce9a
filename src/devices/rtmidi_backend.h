#pragma once

#include "devices/midi_system.h"
#include "midi/port_backend.h"

#include <RtMidi.h>

#include <atomic>
#include <QStringList>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace quorvane {

// The ALSA sequencer's ports through RtMidi. What the input and output back
// ends share: one RtMidi object of their own (each is its own sequencer
// client), made when first needed, with RtMidi's complaints caught through
// its error callback instead of being printed or thrown at the program. The
// program's own ports are never listed. The sequencer does not go away under
// a running program, so nothing here watches for its loss.
template <class Port>
class RtMidiDevice {
protected:
    explicit RtMidiDevice(QString clientName) : clientName_(std::move(clientName)) { }

    Port& port();
    QStringList portNames(); // listed afresh
    // The sequencer's own number of the port of that name, looked up now.
    unsigned portNumber(const QString& name);
    // Runs one RtMidi call and turns any error it raised into a MidiFailure.
    template <class Call>
    void guarded(int failureCode, Call call);
    template <class Close>
    void closePort(Close close);
    void setOpen(bool open) { open_ = open; }

    std::atomic<bool> open_{false};

private:
    static void onError(RtMidiError::Type type, const std::string& text, void* self);

    QString clientName_;
    std::unique_ptr<Port> port_;
    std::optional<std::string> error_;
};

class RtMidiOutputBackend : public OutputBackend, private RtMidiDevice<RtMidiOut> {
public:
    RtMidiOutputBackend();
    ~RtMidiOutputBackend() override;

    QStringList devices() override { return portNames(); }
    void open(const QString& device) override;
    void openVirtualPort() override;
    QString virtualPortName() override { return MidiSystem::virtualPortName(MidiSystem::Kind::Alsa); }
    void close() override;
    bool isOpen() const override { return open_; }
    void send(const MidiBytes& message) override;
};

class RtMidiInputBackend : public InputBackend, private RtMidiDevice<RtMidiIn> {
public:
    // clockIn, when given, follows the MIDI clock that arrives.
    explicit RtMidiInputBackend(ClockInTracker* clockIn = nullptr);
    ~RtMidiInputBackend() override;

    QStringList devices() override { return portNames(); }
    void open(const QString& device, Receiver receiver) override;
    void close() override;
    bool isOpen() const override { return open_; }

private:
    static void onMessage(double deltaSeconds, std::vector<unsigned char>* message, void* self);

    Receiver receiver_;
    ClockInTracker* clockIn_;
};

} // namespace quorvane
