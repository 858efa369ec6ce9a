#include "devices/system_backend.h"

#include "devices/rtmidi_backend.h"

#include <QCoreApplication>

namespace quorvane {

int JackPorts::listPorts()
{
    JackClient* client = system_.jack();
    listed_ = client ? client->otherPorts(input_) : QStringList();
    return static_cast<int>(std::min<qsizetype>(listed_.size(), 32767));
}

void JackPorts::openPort(JackClient::Port port, int device, JackClient::Receiver receiver)
{
    JackClient* client = system_.jack();
    if (!client)
        throw system_.missing();
    if (device >= 0 && listed_.isEmpty())
        listPorts(); // opened by number without a list shown: the list of now
    const QString name = device >= 0 ? listedName(device) : QString();
    if (device >= 0 && name.isEmpty())
        throw MidiFailure(MidiErrorCode::InvalidDevice,
                          QCoreApplication::translate("JackPorts", "There is no MIDI port number %1.").arg(device));
    ticket_ = client->openPort(port, name, std::move(receiver));
    client_ = client;
    port_ = port;
}

void JackPorts::closePort()
{
    if (client_)
        client_->closePort(port_, ticket_);
    client_ = nullptr;
}

SystemOutputBackend::SystemOutputBackend(MidiSystem& system)
    : JackPorts(system, false), alsa_(std::make_unique<RtMidiOutputBackend>(system))
{ }

SystemOutputBackend::~SystemOutputBackend()
{
    system_.removeLossListener(this);
    closePort();
}

int SystemOutputBackend::count()
{
    return underJack() ? listPorts() : alsa_->count();
}

QString SystemOutputBackend::name(int device)
{
    if (!underJack())
        return alsa_->name(device);
    return device == -1 ? MidiSystem::virtualPortName(MidiSystem::Kind::Jack) : listedName(device);
}

void SystemOutputBackend::open(int device)
{
    close();
    if (underJack())
        openPort(device == -1 ? JackClient::Port::VirtualOutput : JackClient::Port::Output, device);
    else
        alsa_->open(device);
}

void SystemOutputBackend::close()
{
    closePort();
    alsa_->close();
}

bool SystemOutputBackend::isOpen() const
{
    return portOpen() || alsa_->isOpen();
}

void SystemOutputBackend::send(const MidiBytes& message)
{
    if (!client_) {
        alsa_->send(message);
        return;
    }
    // Nothing waits on a server that has gone.
    if (!client_->alive())
        throw system_.lost();
    try {
        client_->send(port_, message);
    } catch (const MidiFailure& failure) {
        if (failure.code() == MidiErrorCode::DeviceLost)
            throw system_.lost();
        throw;
    }
}

void SystemOutputBackend::setLossNotifier(std::function<void()> notifier)
{
    lossNotifier_ = notifier;
    alsa_->setLossNotifier(notifier);
    system_.addLossListener(this, [this] {
        if (portOpen() && lossNotifier_)
            lossNotifier_();
    });
}

SystemInputBackend::SystemInputBackend(MidiSystem& system)
    : JackPorts(system, true), alsa_(std::make_unique<RtMidiInputBackend>(system))
{ }

SystemInputBackend::~SystemInputBackend()
{
    system_.removeLossListener(this);
    closePort();
}

int SystemInputBackend::count()
{
    return underJack() ? listPorts() : alsa_->count();
}

QString SystemInputBackend::name(int device)
{
    return underJack() ? listedName(device) : alsa_->name(device);
}

void SystemInputBackend::open(int device, Receiver receiver)
{
    close();
    if (underJack())
        openPort(JackClient::Port::Input, device, std::move(receiver));
    else
        alsa_->open(device, std::move(receiver));
}

void SystemInputBackend::close()
{
    closePort();
    alsa_->close();
}

bool SystemInputBackend::isOpen() const
{
    return portOpen() || alsa_->isOpen();
}

void SystemInputBackend::setLossNotifier(std::function<void()> notifier)
{
    lossNotifier_ = notifier;
    alsa_->setLossNotifier(notifier);
    system_.addLossListener(this, [this] {
        if (portOpen() && lossNotifier_)
            lossNotifier_();
    });
}

} // namespace quorvane
