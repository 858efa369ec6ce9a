#include "midi/rtmidi_backend.h"

#include "midi/midi_errors.h"
#include "midi/midi_system.h"

#include <QCoreApplication>
#include <thread>

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
RtMidiDevice<Port>::RtMidiDevice(QString clientName) : clientName_(std::move(clientName))
{
    MidiSystem::addLossListener(this, [this] {
        if (open_ && lossNotifier_)
            lossNotifier_();
    });
}

template <class Port>
RtMidiDevice<Port>::~RtMidiDevice()
{
    MidiSystem::removeLossListener(this);
    if (!MidiSystem::alive())
        (void)port_.release(); // its server is gone: closing it could wait on that server for ever
}

template <class Port>
Port& RtMidiDevice<Port>::port()
{
    const RtMidi::Api api = MidiSystem::api();
    if (api == RtMidi::UNSPECIFIED)
        throw MidiSystem::missing();
    const int generation = MidiSystem::generation();
    if (!port_ || generation != generation_) {
        (void)port_.release(); // made under a server that is gone: left alone, see the destructor
        try {
            port_ = std::make_unique<Port>(api, clientName_.toStdString());
        } catch (const RtMidiError& e) {
            throw MidiFailure(MidiErrorCode::NoMidiSystem, QString::fromStdString(e.getMessage()));
        }
        port_->setErrorCallback(&RtMidiDevice::onError, this);
        generation_ = generation;
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
    if (!MidiSystem::alive() || MidiSystem::generation() != generation_)
        return; // the next use makes a fresh port on the MIDI system of then
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
int RtMidiDevice<Port>::portCount()
{
    unsigned int count = 0;
    guarded(MidiErrorCode::NoMidiSystem, [&](Port& p) { count = p.getPortCount(); });
    return static_cast<int>(std::min(count, 32767u));
}

template <class Port>
QString RtMidiDevice<Port>::portName(int device)
{
    if (device < 0)
        return QString();
    std::string name;
    guarded(MidiErrorCode::InvalidDevice, [&](Port& p) { name = p.getPortName(static_cast<unsigned>(device)); });
    return QString::fromStdString(name);
}

template class RtMidiDevice<RtMidiOut>;
template class RtMidiDevice<RtMidiIn>;

RtMidiOutputBackend::RtMidiOutputBackend() : RtMidiDevice(MidiSystem::clientName()) { }

RtMidiOutputBackend::~RtMidiOutputBackend()
{
    try {
        close();
    } catch (const MidiFailure&) { }
    // RtMidi frees a JACK output's message buffer before it stops the client
    // whose process callback reads that buffer, and a callback that began just
    // before the port was closed may still be running.
    if (played_)
        std::this_thread::sleep_for(MidiSystem::jackSettleTime());
}

MidiFailure RtMidiOutputBackend::lossFailure()
{
    return MidiSystem::lost();
}

QString RtMidiOutputBackend::name(int device)
{
    return device == -1 ? virtualPortName() : portName(device);
}

void RtMidiOutputBackend::open(int device)
{
    close();
    guarded(MidiErrorCode::OpenFailed, [&](RtMidiOut& p) {
        if (device == -1)
            p.openVirtualPort("virtual out");
        else
            p.openPort(static_cast<unsigned>(device), "out");
    });
    setOpen(true);
    played_ = true;
}

void RtMidiOutputBackend::close()
{
    closePort([](RtMidiOut& p) { p.closePort(); });
}

void RtMidiOutputBackend::send(const MidiBytes& message)
{
    // With JACK, RtMidi waits for room in its buffer for ever once the server
    // is gone, so nothing is handed to it without a live server.
    if (!open_ || !MidiSystem::alive())
        throw MidiSystem::lost();
    guarded(MidiErrorCode::SendFailed, [&](RtMidiOut& p) { p.sendMessage(message.data(), message.size()); });
}

RtMidiInputBackend::RtMidiInputBackend() : RtMidiDevice(MidiSystem::clientName() + QStringLiteral(" In")) { }

RtMidiInputBackend::~RtMidiInputBackend()
{
    try {
        close();
    } catch (const MidiFailure&) { }
}

MidiFailure RtMidiInputBackend::lossFailure()
{
    return MidiSystem::lost();
}

void RtMidiInputBackend::open(int device, Receiver receiver)
{
    close();
    receiver_ = std::move(receiver);
    guarded(MidiErrorCode::OpenFailed, [&](RtMidiIn& p) {
        // System exclusive cannot travel through the three message fields, so
        // it is left out; clock and active sensing pass through like the rest.
        p.ignoreTypes(true, false, false);
        p.setCallback(&RtMidiInputBackend::onMessage, this);
        p.openPort(static_cast<unsigned>(device), "in");
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
    if (message && backend->receiver_)
        backend->receiver_(*message);
}

} // namespace quorvane
