#include "memory_backend.h"

#include "midi/midi_errors.h"

namespace quorvane {

QString hexText(const MidiBytes& bytes)
{
    QStringList parts;
    for (std::uint8_t b : bytes)
        parts << QStringLiteral("%1").arg(b, 2, 16, QLatin1Char('0'));
    return parts.join(QLatin1Char(' '));
}

MemoryDevices::MemoryDevices(QStringList deviceNames) : names(std::move(deviceNames)) { }

qint64 MemoryDevices::now()
{
    // One clock for every in-memory device, so that the records of an output
    // and an input can be put in one order.
    static const QElapsedTimer clock = [] {
        QElapsedTimer started;
        started.start();
        return started;
    }();
    return clock.nsecsElapsed();
}

QStringList MemoryDevices::writeLog() const
{
    QStringList log;
    for (const Write& w : writes)
        log << w.write.member + QLatin1Char('=') + w.write.value.toText();
    return log;
}

void MemoryDevices::openNamed(const QString& device)
{
    const int position = static_cast<int>(names.indexOf(device));
    if (position < 0)
        throw deviceGone(device);
    openAt(position);
}

void MemoryDevices::openAt(int position)
{
    const auto failing = failingOpens.find(position);
    if (failing != failingOpens.end())
        throw MidiFailure(MidiErrorCode::OpenFailed, failing->second);
    openDevice = position;
}

void MemoryDevices::propertyWritten(const PropertyWrite& write)
{
    writes.push_back(Write{write, now()});
}

MemoryOutputBackend::MemoryOutputBackend(QStringList deviceNames) : MemoryDevices(std::move(deviceNames)) { }

void MemoryOutputBackend::send(const MidiBytes& message)
{
    if (failSends)
        throw MidiFailure(MidiErrorCode::DeviceLost, QStringLiteral("The memory device went away."));
    wire.push_back(WireMessage{message, openDevice, now(), std::nullopt});
}

void MemoryOutputBackend::sendAt(const MidiBytes& message, std::int64_t atNs)
{
    send(message);
    wire.back().atNs = atNs;
}

QStringList MemoryOutputBackend::wireLog() const
{
    QStringList log;
    for (const WireMessage& m : wire)
        log << hexText(m.bytes);
    return log;
}

MemoryInputBackend::MemoryInputBackend(QStringList deviceNames) : MemoryDevices(std::move(deviceNames)) { }

void MemoryInputBackend::open(const QString& device, Receiver receiver)
{
    openNamed(device);
    std::lock_guard<std::mutex> lock(receiverMutex_);
    receiver_ = std::move(receiver);
}

void MemoryInputBackend::close()
{
    openDevice = device::NothingOpen;
    std::lock_guard<std::mutex> lock(receiverMutex_);
    receiver_ = nullptr;
}

void MemoryInputBackend::inject(const MidiBytes& message, bool forwarded)
{
    std::lock_guard<std::mutex> lock(receiverMutex_);
    if (receiver_)
        receiver_(message, forwarded);
}

namespace {

std::unique_ptr<MemoryInputBackend> memoryInput(MemoryInputBackend*& device)
{
    auto backend = std::make_unique<MemoryInputBackend>();
    device = backend.get();
    return backend;
}

} // namespace

ReceivingMemoryInput::ReceivingMemoryInput() : input(memoryInput(device))
{
    input.setDeviceNumber(0);
    input.setAction(MidiInput::Open);
    input.setAction(MidiInput::Start);
}

} // namespace quorvane
