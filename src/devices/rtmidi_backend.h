#pragma once

#include "devices/midi_system.h"
#include "midi/port_backend.h"

#include <RtMidi.h>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace quorvane {

// The ALSA sequencer's ports through RtMidi. What the input and output back
// ends share: one RtMidi object of their own (each is its own sequencer
// client), made when first needed and made again when the MIDI system changed,
// with RtMidi's complaints caught through its error callback instead of being
// printed or thrown at the program. The program's own ports are never listed.
template <class Port>
class RtMidiDevice {
protected:
    RtMidiDevice(MidiSystem& system, QString clientName);
    ~RtMidiDevice();

    Port& port();
    int portCount(); // lists the ports afresh
    QString portName(int device);
    // The sequencer's own number of a listed port, looked up by its name now.
    unsigned portToOpen(int device);
    // Runs one RtMidi call and turns any error it raised into a MidiFailure.
    template <class Call>
    void guarded(int failureCode, Call call);
    // Closes the port; one whose MIDI system has gone is left alone, as
    // nothing can be asked of it any more.
    template <class Close>
    void closePort(Close close);
    void setOpen(bool open) { open_ = open; }

    MidiSystem& system_;
    std::atomic<bool> open_{false};
    std::function<void()> lossNotifier_;

private:
    static void onError(RtMidiError::Type type, const std::string& text, void* self);

    QString clientName_;
    int generation_ = -1;
    std::unique_ptr<Port> port_;
    std::vector<std::string> listed_; // names of the ports of others, as last listed
    std::optional<std::string> error_;
};

class RtMidiOutputBackend : public OutputBackend, private RtMidiDevice<RtMidiOut> {
public:
    explicit RtMidiOutputBackend(MidiSystem& system);
    ~RtMidiOutputBackend() override;

    int count() override { return portCount(); }
    QString name(int device) override;
    void open(int device) override;
    void close() override;
    bool isOpen() const override { return open_; }
    void send(const MidiBytes& message) override;
    void setLossNotifier(std::function<void()> notifier) override { lossNotifier_ = std::move(notifier); }
    MidiFailure lossFailure() override;
};

class RtMidiInputBackend : public InputBackend, private RtMidiDevice<RtMidiIn> {
public:
    explicit RtMidiInputBackend(MidiSystem& system);
    ~RtMidiInputBackend() override;

    int count() override { return portCount(); }
    QString name(int device) override { return portName(device); }
    void open(int device, Receiver receiver) override;
    void close() override;
    bool isOpen() const override { return open_; }
    void setLossNotifier(std::function<void()> notifier) override { lossNotifier_ = std::move(notifier); }
    MidiFailure lossFailure() override;

private:
    static void onMessage(double deltaSeconds, std::vector<unsigned char>* message, void* self);

    Receiver receiver_;
};

} // namespace quorvane
