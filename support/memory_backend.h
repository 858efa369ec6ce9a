#pragma once

#include "midi/midi_component.h"
#include "midi/port_backend.h"

#include <QStringList>
#include <QElapsedTimer>
#include <map>
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
    std::map<int, QString> failingOpens; // device -> reason its open fails with
    std::vector<Write> writes;
    int openDevice = -2; // -2: nothing open

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
    int checkedCount() const { return names.size(); }
    QString checkedName(int device, const QString& virtualName) const;
    void checkedOpen(int device);
    static qint64 now();
};

class MemoryOutputBackend : public OutputBackend, public MemoryDevices {
public:
    struct WireMessage {
        MidiBytes bytes;
        int device;
        qint64 nanoseconds;
    };

    explicit MemoryOutputBackend(QStringList names = {QStringLiteral("Memory Out A"), QStringLiteral("Memory Out B")});

    int count() override { return checkedCount(); }
    QString name(int device) override { return checkedName(device, QStringLiteral("Memory virtual port")); }
    void open(int device) override { checkedOpen(device); }
    void close() override { openDevice = -2; }
    bool isOpen() const override { return openDevice != -2; }
    void send(const MidiBytes& message) override;
    void setLossNotifier(LossNotifier notifier) override { lossNotifier = std::move(notifier); }

    std::vector<WireMessage> wire;
    bool failSends = false; // every send fails as if the device had vanished

    // The messages on the wire as hex texts such as "90 3c 3c".
    QStringList wireLog() const;
};

class MemoryInputBackend : public InputBackend, public MemoryDevices {
public:
    explicit MemoryInputBackend(QStringList names = {QStringLiteral("Memory In A"), QStringLiteral("Memory In B")});

    int count() override { return checkedCount(); }
    QString name(int device) override { return checkedName(device, QString()); }
    void open(int device, Receiver receiver) override;
    void close() override;
    bool isOpen() const override { return openDevice != -2; }
    void setLossNotifier(LossNotifier notifier) override { lossNotifier = std::move(notifier); }

    // Delivers a message as the device would, from any thread; dropped while
    // the device is closed.
    void inject(const MidiBytes& message);

private:
    std::mutex receiverMutex_;
    Receiver receiver_;
};

QString hexText(const MidiBytes& bytes);

} // namespace quorvane
