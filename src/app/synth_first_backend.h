#pragma once

#include "midi/port_backend.h"
#include "synth/synth_output.h"

#include <memory>

namespace quorvane {

// Puts the built-in synthesizer in front of the system's MIDI outputs, so that
// the default choice, device 0, is heard on any desktop: the synthesizer is
// listed first, the system's devices after it, and the virtual port stays the
// system's (ARCHITECTURE.md, "Device numbers").
class SynthFirstOutputBackend : public OutputBackend {
public:
    SynthFirstOutputBackend(std::unique_ptr<SynthOutput> synth, std::unique_ptr<OutputBackend> system);
    ~SynthFirstOutputBackend() override;

    QStringList devices() override;
    void open(const QString& device) override;
    void openVirtualPort() override;
    QString virtualPortName() override { return system_->virtualPortName(); }
    void close() override;
    bool isOpen() const override;
    void send(const MidiBytes& message) override;
    void sendAt(const MidiBytes& message, std::int64_t atNs) override;
    std::int64_t schedulingLeadNs() const override { return opened_ ? opened_->schedulingLeadNs() : 0; }
    std::int64_t latencyNs() const override { return opened_ ? opened_->latencyNs() : 0; }
    std::int64_t soundLatencyNs() const override { return opened_ ? opened_->soundLatencyNs() : 0; }
    // The MIDI system's ports can vanish with it; the synthesizer loses only
    // its sound server, and stays open. Each notice carries which it was.
    void setLossNotifier(LossNotifier notifier) override;

private:
    OutputBackend& opened() const; // throws when no device is open

    std::unique_ptr<SynthOutput> synth_;
    std::unique_ptr<OutputBackend> system_;
    OutputBackend* opened_ = nullptr; // the synthesizer or the system, while a device is open
};

} // namespace quorvane
