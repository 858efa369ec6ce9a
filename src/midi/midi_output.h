#pragma once

#include "midi/midi_component.h"
#include "midi/play_observer.h"

#include <cstdint>
#include <memory>
#include <optional>

namespace quorvane {

// The MIDI output component: device choice, open and close, and a short
// message assembled from status, data 1 and data 2, driven by property writes
// and action codes. Nothing the MIDI system does escapes from it: failures
// become its error notification and leave it closed.
class MidiOutput : public MidiComponent {
    Q_OBJECT
public:
    enum Action { Open = 1, Close = 2, Send = 7 };

    explicit MidiOutput(std::unique_ptr<OutputBackend> backend, QObject* parent = nullptr);

    void setAction(const Variant& code); // member 0x01
    // Members 0x02 (device number), 0x06 (name), 0x14 (count) and 0x15 (open
    // state) come from MidiComponent.
    void setStatus(const Variant& status); // member 0x0F
    void setData1(const Variant& data1);   // member 0x10
    Variant data1() const { return data1_; }
    void setData2(const Variant& data2);         // member 0x11
    void setAuxiliary(const Variant& auxiliary); // member 0x12

    // The moment the messages sent from now on are meant to be heard at, on
    // the steady clock (ns); none, the default, for as soon as possible. A
    // formula's pass sets it for its messages and clears it after them.
    void setSendTime(std::optional<std::int64_t> atNs) { sendTime_ = atNs; }
    // Of the device open now (port_backend.h, "Timed sends").
    std::int64_t schedulingLeadNs() const { return backend_->isOpen() ? backend_->schedulingLeadNs() : 0; }
    std::int64_t latencyNs() const { return backend_->isOpen() ? backend_->latencyNs() : 0; }
    std::int64_t soundLatencyNs() const { return backend_->isOpen() ? backend_->soundLatencyNs() : 0; }

    OutputBackend& backend() { return *backend_; }
    // Told of every message that went out; nullptr for nobody.
    void setObserver(PlayObserver* observer) { observer_ = observer; }
    // A message another thread already put on this output (an input message
    // forwarded as it arrived), told to the observer as sent at atNs.
    void tellForwarded(const MidiBytes& message, std::int64_t atNs)
    {
        if (observer_)
            observer_->messageSent(message, atNs);
    }

private:
    void open();
    void close() override;
    void send();
    QString virtualPortName() override { return backend_->virtualPortName(); }

    std::unique_ptr<OutputBackend> backend_;
    Variant status_;
    Variant data1_;
    Variant data2_;
    Variant auxiliary_;
    std::optional<std::int64_t> sendTime_;
    PlayObserver* observer_ = nullptr;
};

} // namespace quorvane
