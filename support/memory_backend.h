#pragma once

#include "midi/device_numbers.h"
#include "midi/midi_component.h"
#include "midi/midi_input.h"
#include "midi/port_backend.h"

#include <QElapsedTimer>
#include <QStringList>
#include <map>
#include <optional>
#include <mutex>
#include <vector>

namespace quorvane {

// In-memory MIDI devices for tests: named devices, opens that can be made to
// fail, and a record of every message on the wire and, once given to the
// component as its recorder, of every property write, each with the
// nanoseconds since the first in-memory device was made.
class MemoryDevices : public PropertyWriteRecorder {
public:
    struct Write {
        PropertyWrite write;
        qint64 nanoseconds;
    };

    explicit MemoryDevices(QStringList names);

    QStringList names;
    std::map<int, QString> failingOpens; // position in names (-1 the virtual port) -> reason its open fails with
    std::vector<Write> writes;
    int openDevice = device::NothingOpen; // position in names, or device::VirtualPort

    // The writes as "Member=value" texts, the form tests compare against.
    QStringList writeLog() const;
    void clearLog() { writes.clear(); }

    // Tells the component of a loss, as a MIDI system's thread does.
    void notifyLoss(const MidiFailure& failure) const
    {
        if (lossNotifier)
            lossNotifier(failure);
    }
    PortBackend::LossNotifier lossNotifier;

    void propertyWritten(const PropertyWrite& write) override;

protected:
    void openNamed(const QString& device); // throws deviceGone() for a name not in names
    void openAt(int position);
    static qint64 now();
};

class MemoryOutputBackend : public OutputBackend, public MemoryDevices {
public:
    struct WireMessage {
        MidiBytes bytes;
        int device;
        qint64 nanoseconds;
        std::optional<std::int64_t> atNs; // a timed send's time, on the steady clock
    };

    explicit MemoryOutputBackend(QStringList names = {QStringLiteral("Memory Out A"), QStringLiteral("Memory Out B")});

    QStringList devices() override { return names; }
    void open(const QString& device) override { openNamed(device); }
    void openVirtualPort() override { openAt(device::VirtualPort); }
    QString virtualPortName() override { return QStringLiteral("Memory virtual port"); }
    void close() override { openDevice = device::NothingOpen; }
    bool isOpen() const override { return openDevice != device::NothingOpen; }
    void send(const MidiBytes& message) override;
    // Plays at once, as a device without a clock of its own does, and
    // records the time the message was meant for.
    void sendAt(const MidiBytes& message, std::int64_t atNs) override;
    std::int64_t schedulingLeadNs() const override { return leadNs; }
    std::int64_t latencyNs() const override { return latency; }
    std::int64_t soundLatencyNs() const override { return soundLatency; }
    void setLossNotifier(LossNotifier notifier) override { lossNotifier = std::move(notifier); }

    std::vector<WireMessage> wire;
    bool failSends = false; // every send fails as if the device had vanished
    // What the device says of its timing, as a JACK port would say it.
    std::int64_t leadNs = 0;
    std::int64_t latency = 0;
    std::int64_t soundLatency = 0; // from the stamp to the sound

    // The messages on the wire as hex texts such as "90 3c 3c".
    QStringList wireLog() const;
};

class MemoryInputBackend : public InputBackend, public MemoryDevices {
public:
    explicit MemoryInputBackend(QStringList names = {QStringLiteral("Memory In A"), QStringLiteral("Memory In B")});

    QStringList devices() override { return names; }
    void open(const QString& device, Receiver receiver) override;
    void close() override;
    bool isOpen() const override { return openDevice != device::NothingOpen; }
    void setLossNotifier(LossNotifier notifier) override { lossNotifier = std::move(notifier); }

    // Delivers a message as the device would, from any thread; dropped while
    // the device is closed.
    // forwarded: as a system that already passed it to the output itself.
    void inject(const MidiBytes& message, bool forwarded = false);

private:
    std::mutex receiverMutex_;
    Receiver receiver_;
};

QString hexText(const MidiBytes& bytes);

// An input component over an in-memory device, opened and receiving, as the
// device dialog leaves it; the test injects into the device.
struct ReceivingMemoryInput {
    MemoryInputBackend* device;
    MidiInput input;
    ReceivingMemoryInput();
};

} // namespace quorvane
