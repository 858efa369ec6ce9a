#pragma once

#include "midi/port_backend.h"

#include <memory>
#include <mutex>

namespace quorvane {

// An output back end whose every call is made under one lock, so that a
// thread of the program's own can send through it beside the user-interface
// thread (the MIDI clock under the ALSA sequencer) and a message is never
// interleaved with another.
class GuardedOutput : public OutputBackend {
public:
    explicit GuardedOutput(std::unique_ptr<OutputBackend> inner) : inner_(std::move(inner)) { }

    QStringList devices() override;
    void open(const QString& device) override;
    void openVirtualPort() override;
    QString virtualPortName() override;
    void close() override;
    bool isOpen() const override;
    void send(const MidiBytes& message) override;
    void sendAt(const MidiBytes& message, std::int64_t atNs) override;
    std::int64_t schedulingLeadNs() const override;
    std::int64_t latencyNs() const override;
    std::int64_t soundLatencyNs() const override;
    void setLossNotifier(LossNotifier notifier) override;

    // From any thread: sends when a device is open. A failure is left for
    // the user-interface thread's next send to find and report.
    void sendIfOpen(const MidiBytes& message);
    // From any thread: sends when a device is open that plays what it is
    // handed at once (no scheduling lead), and says whether it went out; a
    // failure is left to the user-interface thread, which sends it again and
    // reports. Waits a few milliseconds at most for the lock: the caller may
    // hold a lock of its MIDI system that an open or a close under this one
    // waits for, and then the window forwards the message instead.
    bool sendIfPlaysAtOnce(const MidiBytes& message);

private:
    mutable std::timed_mutex mutex_;
    std::unique_ptr<OutputBackend> inner_;
};

} // namespace quorvane
