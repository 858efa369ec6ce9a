#include "midi/midi_input.h"

#include <QMetaObject>

namespace quorvane {

MidiInput::MidiInput(std::unique_ptr<InputBackend> backend, QObject* parent)
    : MidiComponent(*backend, 0, parent), backend_(std::move(backend))
{ }

MidiInput::~MidiInput()
{
    // The back end's thread must not call into a half-destroyed object.
    try {
        backend_->close();
    } catch (const MidiFailure&) { }
}

void MidiInput::setAction(const Variant& code)
{
    write("Action", code);
    switch (toInteger16(code).value_or(0)) {
    case Open: open(); break;
    case Close: close(); break;
    case Start: setReceiving(backend_->isOpen()); break;
    case Stop: setReceiving(false); break;
    case Next: {
        std::lock_guard<std::mutex> lock(queueMutex_);
        if (!queue_.empty())
            queue_.pop_front();
        break;
    }
    default: break;
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
    return queue_.empty() ? MidiBytes() : queue_.front().message;
}

bool MidiInput::currentForwarded() const
{
    std::lock_guard<std::mutex> lock(queueMutex_);
    return !queue_.empty() && queue_.front().forwarded;
}

std::int64_t MidiInput::currentArrivalNs() const
{
    std::lock_guard<std::mutex> lock(queueMutex_);
    return queue_.empty() ? 0 : queue_.front().atNs;
}

int MidiInput::currentByte(std::size_t index) const
{
    std::lock_guard<std::mutex> lock(queueMutex_);
    if (queue_.empty() || queue_.front().message.size() <= index)
        return 0;
    return queue_.front().message[index];
}

int MidiInput::status() const
{
    return currentByte(0);
}
int MidiInput::data1() const
{
    return currentByte(1);
}
int MidiInput::data2() const
{
    return currentByte(2);
}

void MidiInput::open()
{
    try {
        // Inputs have no virtual port: the lowest device is 0.
        const std::optional<QString> device = deviceToOpen(tr("There is no MIDI input device number %1."));
        close();
        backend_->open(*device, [this](const MidiBytes& message, bool forwarded) { receive(message, forwarded); });
    } catch (const MidiFailure& failure) {
        close();
        report(failure);
    }
}

void MidiInput::setReceiving(bool on)
{
    receiving_ = on;
    if (thru_)
        thru_->setReceiving(on);
}

void MidiInput::close()
{
    setReceiving(false);
    try {
        backend_->close();
    } catch (const MidiFailure& failure) {
        report(failure);
    }
}

void MidiInput::receive(const MidiBytes& message, bool forwarded)
{
    // Whatever the system: an event that is no whole message (a cut-off
    // dump, data bytes without their status) is dropped on its own, and the
    // messages after it arrive as usual.
    if (!receiving_ || !isWholeMessage(message))
        return;
    // A player hears the key at once, not once the window gets to it.
    if (!forwarded && thru_)
        forwarded = thru_->forwardOnArrival(message);
    const std::int64_t now = steadyNowNs();
    if (PlayObserver* observer = observer_.load())
        observer->messageReceived(message, now);
    {
        std::lock_guard<std::mutex> lock(queueMutex_);
        queue_.push_back({message, forwarded, now});
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

} // namespace quorvane
