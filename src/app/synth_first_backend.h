#pragma once

#include "midi/port_backend.h"
#include "synth/synth_output.h"

#include <memory>

namespace quorvane {

// Puts the built-in synthesizer in front of the system's MIDI outputs, so that
// the default choice, device 0, is heard on any desktop: device 0 is the
// synthesizer, devices 1..n are the system's devices 0..n-1, and device -1
// stays the system's virtual port.
class SynthFirstOutputBackend : public OutputBackend {
public:
    SynthFirstOutputBackend(std::unique_ptr<SynthOutput> synth, std::unique_ptr<OutputBackend> system);
    ~SynthFirstOutputBackend() override;

    int count() override;
    QString name(int device) override;
    void open(int device) override;
    void close() override;
    bool isOpen() const override;
    void send(const MidiBytes& message) override;
    // The MIDI system's ports can vanish with it; the synthesizer loses only
    // its sound server, and stays open. Each notice carries which it was.
    void setLossNotifier(LossNotifier notifier) override;

    SynthOutput& synth() { return *synth_; }
    OutputBackend& system() { return *system_; }

private:
    std::unique_ptr<SynthOutput> synth_;
    std::unique_ptr<OutputBackend> system_;
    OutputBackend* opened_ = nullptr; // the synthesizer or the system, while a device is open
};

} // namespace quorvane
