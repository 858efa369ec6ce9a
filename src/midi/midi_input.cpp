#include "midi_input.h"

#include <QMetaObject>

namespace quorvane {

MidiInput::MidiInput(std::unique_ptr<InputBackend> backend, QObject* parent)
    : QObject(parent), backend_(std::move(backend))
{
    // The MIDI system tells of a lost device on its own thread; the loss is
    // handled here, in order with everything else the program does.
    backend_->setLossNotifier([this] { QMetaObject::invokeMethod(this, &MidiInput::deviceLost, Qt::QueuedConnection); });
}

void MidiInput::deviceLost()
{
    if (!backend_->isOpen())
        return;
    close();
    report(backend_->lossFailure());
}

MidiInput::~MidiInput()
{
    // The back end's thread must not call into a half-destroyed object.
    try {
        backend_->close();
    } catch (const MidiFailure&) {
    }
}

void MidiInput::write(const char* member, const Variant& value)
{
    backend_->propertyWritten(PropertyWrite{QString::fromLatin1(member), value});
}

void MidiInput::setAction(const Variant& code)
{
    write("Action", code);
    switch (toInteger16(code).value_or(0)) {
    case Open: open(); break;
    case Close: close(); break;
    case Start: receiving_ = backend_->isOpen(); break;
    case Stop: receiving_ = false; break;
    case Next: {
        std::lock_guard<std::mutex> lock(queueMutex_);
        if (!queue_.empty())
            queue_.pop_front();
        break;
    }
    default: break;
    }
}

void MidiInput::setDeviceNumber(const Variant& device)
{
    write("DeviceNumber", device);
    device_ = device;
}

QString MidiInput::deviceName()
{
    const std::optional<int> device = toInteger16(device_);
    if (!device || *device < 0)
        return QString();
    try {
        return backend_->name(*device);
    } catch (const MidiFailure& failure) {
        report(failure);
        return QString();
    }
}

int MidiInput::count() const
{
    std::lock_guard<std::mutex> lock(queueMutex_);
    return static_cast<int>(queue_.size());
}

MidiBytes MidiInput::currentMessage() const
{
    std::lock_guard<std::mutex> lock(queueMutex_);
    return queue_.empty() ? MidiBytes() : queue_.front();
}

int MidiInput::currentByte(std::size_t index) const
{
    std::lock_guard<std::mutex> lock(queueMutex_);
    if (queue_.empty() || queue_.front().size() <= index)
        return 0;
    return queue_.front()[index];
}

int MidiInput::status() const { return currentByte(0); }
int MidiInput::data1() const { return currentByte(1); }
int MidiInput::data2() const { return currentByte(2); }

int MidiInput::deviceCount()
{
    try {
        return backend_->count();
    } catch (const MidiFailure& failure) {
        report(failure);
        return 0;
    }
}

int MidiInput::openState() const
{
    return backend_->isOpen() ? 1 : 0;
}

void MidiInput::open()
{
    const std::optional<int> device = toInteger16(device_);
    try {
        if (!device || *device < 0 || *device >= backend_->count())
            throw MidiFailure(MidiErrorCode::InvalidDevice,
                              tr("There is no MIDI input device number %1.").arg(device_.toText()));
        close();
        backend_->open(*device, [this](const MidiBytes& message) { receive(message); });
    } catch (const MidiFailure& failure) {
        close();
        report(failure);
    }
}

void MidiInput::close()
{
    receiving_ = false;
    try {
        backend_->close();
    } catch (const MidiFailure& failure) {
        report(failure);
    }
}

void MidiInput::receive(const MidiBytes& message)
{
    if (!receiving_ || message.empty())
        return;
    {
        std::lock_guard<std::mutex> lock(queueMutex_);
        queue_.push_back(message);
    }
    // One queued notification covers every message that arrives before the
    // user-interface thread gets to it; the handler drains the whole queue.
    if (!notificationPending_.exchange(true))
        QMetaObject::invokeMethod(this, &MidiInput::notifyArrival, Qt::QueuedConnection);
}

void MidiInput::notifyArrival()
{
    notificationPending_ = false;
    if (count() > 0)
        emit messageArrived();
}

void MidiInput::report(const MidiFailure& failure)
{
    lastFailure_ = failure;
    emit errorReported(failure.code(), failure.text());
}

} // namespace quorvane
