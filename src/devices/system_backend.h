#pragma once

#include "devices/midi_system.h"
#include "midi/port_backend.h"

#include <memory>

namespace quorvane {

// The back end of whichever MIDI system is in use, chosen afresh whenever the
// devices are listed or one is opened: each system has back ends of its own
// (system_choice.cpp), and a system that changed since (a JACK server that
// came or went) gets its back end then. Closing, sending and the open state
// stay with the back end that opened.
template <class Backend>
class ChosenBackend {
public:
    using Make = std::unique_ptr<Backend> (*)(MidiSystem&, MidiSystem::Kind);

    ChosenBackend(MidiSystem& system, Make make) : system_(system), make_(make) { }

    Backend& now();                                  // the back end of the system in use now
    Backend* last() const { return backend_.get(); } // the one chosen last, if any
    MidiSystem& system() const { return system_; }
    void close();
    bool isOpen() const { return backend_ && backend_->isOpen(); }
    void setLossNotifier(PortBackend::LossNotifier notifier);

private:
    MidiSystem& system_;
    Make make_;
    MidiSystem::Kind kind_ = MidiSystem::Kind::None;
    std::unique_ptr<Backend> backend_;
    PortBackend::LossNotifier lossNotifier_;
};

class SystemOutputBackend : public OutputBackend {
public:
    explicit SystemOutputBackend(MidiSystem& system);

    QStringList devices() override { return chosen_.now().devices(); }
    void open(const QString& device) override;
    void openVirtualPort() override;
    QString virtualPortName() override { return chosen_.now().virtualPortName(); }
    void close() override { chosen_.close(); }
    bool isOpen() const override { return chosen_.isOpen(); }
    void send(const MidiBytes& message) override;
    void sendAt(const MidiBytes& message, std::int64_t atNs) override;
    std::int64_t schedulingLeadNs() const override;
    std::int64_t latencyNs() const override;
    std::int64_t soundLatencyNs() const override;
    void setLossNotifier(LossNotifier notifier) override { chosen_.setLossNotifier(std::move(notifier)); }

private:
    OutputBackend& opened() const; // throws the system's loss when none was chosen

    ChosenBackend<OutputBackend> chosen_;
};

class SystemInputBackend : public InputBackend {
public:
    explicit SystemInputBackend(MidiSystem& system);

    QStringList devices() override { return chosen_.now().devices(); }
    void open(const QString& device, Receiver receiver) override;
    InputThru* thru() override { return &chosen_.system().inputThru(); }
    void close() override { chosen_.close(); }
    bool isOpen() const override { return chosen_.isOpen(); }
    void setLossNotifier(LossNotifier notifier) override { chosen_.setLossNotifier(std::move(notifier)); }

private:
    ChosenBackend<InputBackend> chosen_;
};

} // namespace quorvane
