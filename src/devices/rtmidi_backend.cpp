#include "devices/rtmidi_backend.h"

#include "devices/midi_system.h"
#include "midi/steady_time.h"

namespace quorvane {

namespace {

int codeFor(RtMidiError::Type type)
{
    switch (type) {
    case RtMidiError::WARNING:
    case RtMidiError::DEBUG_WARNING: return MidiErrorCode::Warning;
    case RtMidiError::INVALID_DEVICE:
    case RtMidiError::NO_DEVICES_FOUND: return MidiErrorCode::InvalidDevice;
    default: return MidiErrorCode::OpenFailed;
    }
}

} // namespace

template <class Port>
Port& RtMidiDevice<Port>::port()
{
    if (!port_) {
        try {
            port_ = std::make_unique<Port>(RtMidi::LINUX_ALSA, clientName_.toStdString());
        } catch (const RtMidiError& e) {
            throw MidiFailure(MidiErrorCode::NoMidiSystem, QString::fromStdString(e.getMessage()));
        }
        port_->setErrorCallback(&RtMidiDevice::onError, this);
    }
    return *port_;
}

template <class Port>
template <class Close>
void RtMidiDevice<Port>::closePort(Close close)
{
    if (!open_)
        return;
    open_ = false;
    guarded(MidiErrorCode::CloseFailed, close);
}

template <class Port>
void RtMidiDevice<Port>::onError(RtMidiError::Type type, const std::string& text, void* self)
{
    // Warnings (a port that could not be listed, a client name in use) need no
    // action; errors are kept for guarded() to raise once the call returns.
    if (codeFor(type) != MidiErrorCode::Warning)
        static_cast<RtMidiDevice*>(self)->error_ = text;
}

template <class Port>
template <class Call>
void RtMidiDevice<Port>::guarded(int failureCode, Call call)
{
    error_.reset();
    try {
        call(port());
    } catch (const RtMidiError& e) {
        throw MidiFailure(failureCode, QString::fromStdString(e.getMessage()));
    }
    if (error_) {
        const QString text = QString::fromStdString(*error_);
        error_.reset();
        throw MidiFailure(failureCode, text);
    }
}

template <class Port>
QStringList RtMidiDevice<Port>::portNames()
{
    // Our own ports (output and input are two clients: "Quorvane" and
    // "Quorvane In") would make a feedback loop.
    const std::string own = clientName_.section(QLatin1Char(' '), 0, 0).toStdString();
    QStringList names;
    guarded(MidiErrorCode::NoMidiSystem, [&](Port& p) {
        const unsigned count = p.getPortCount();
        for (unsigned i = 0; i < count; ++i) {
            const std::string name = p.getPortName(i);
            if (name.rfind(own, 0) != 0)
                names << QString::fromStdString(name);
        }
    });
    return names;
}

template <class Port>
unsigned RtMidiDevice<Port>::portNumber(const QString& name)
{
    const std::string wanted = name.toStdString();
    unsigned found = 0;
    bool there = false;
    guarded(MidiErrorCode::OpenFailed, [&](Port& p) {
        const unsigned count = p.getPortCount();
        for (unsigned i = 0; i < count && !there; ++i) {
            there = !wanted.empty() && p.getPortName(i) == wanted;
            found = i;
        }
    });
    if (!there)
        throw deviceGone(name);
    return found;
}

template class RtMidiDevice<RtMidiOut>;
template class RtMidiDevice<RtMidiIn>;

RtMidiOutputBackend::RtMidiOutputBackend() : RtMidiDevice(MidiSystem::clientName()) { }

RtMidiOutputBackend::~RtMidiOutputBackend()
{
    try {
        close();
    } catch (const MidiFailure&) { }
}

void RtMidiOutputBackend::open(const QString& device)
{
    close();
    const unsigned port = portNumber(device);
    guarded(MidiErrorCode::OpenFailed, [&](RtMidiOut& p) { p.openPort(port, "out"); });
    setOpen(true);
}

void RtMidiOutputBackend::openVirtualPort()
{
    close();
    guarded(MidiErrorCode::OpenFailed, [&](RtMidiOut& p) { p.openVirtualPort("virtual out"); });
    setOpen(true);
}

void RtMidiOutputBackend::close()
{
    closePort([](RtMidiOut& p) { p.closePort(); });
}

void RtMidiOutputBackend::send(const MidiBytes& message)
{
    guarded(MidiErrorCode::SendFailed, [&](RtMidiOut& p) { p.sendMessage(message.data(), message.size()); });
}

RtMidiInputBackend::RtMidiInputBackend(ClockInTracker* clockIn)
    : RtMidiDevice(MidiSystem::clientName() + QStringLiteral(" In")), clockIn_(clockIn)
{ }

RtMidiInputBackend::~RtMidiInputBackend()
{
    try {
        close();
    } catch (const MidiFailure&) { }
}

void RtMidiInputBackend::open(const QString& device, Receiver receiver)
{
    close();
    receiver_ = std::move(receiver);
    const unsigned port = portNumber(device);
    guarded(MidiErrorCode::OpenFailed, [&](RtMidiIn& p) {
        // System exclusive cannot travel through the three message fields, so
        // it is left out; clock and active sensing pass through like the rest.
        p.ignoreTypes(true, false, false);
        p.setCallback(&RtMidiInputBackend::onMessage, this);
        p.openPort(port, "in");
    });
    setOpen(true);
}

void RtMidiInputBackend::close()
{
    closePort([](RtMidiIn& p) {
        p.closePort();
        p.cancelCallback();
    });
}

void RtMidiInputBackend::onMessage(double, std::vector<unsigned char>* message, void* self)
{
    auto* backend = static_cast<RtMidiInputBackend*>(self);
    // The sequencer hands each event over as it arrives: its moment is now.
    if (message && backend->clockIn_)
        backend->clockIn_->take(message->data(), message->size(), steadyNowNs());
    if (message && backend->receiver_)
        backend->receiver_(*message, false);
}

} // namespace quorvane
