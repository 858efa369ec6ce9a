#include "devices/jack_port.h"

#include <QCoreApplication>

namespace quorvane {

JackPort::JackPort(MidiSystem& system, bool forInput) : system_(system), forInput_(forInput) { }

JackPort::~JackPort()
{
    system_.removeLossListener(this);
    close();
}

int JackPort::list()
{
    JackClient* client = system_.jack();
    listed_ = client ? client->otherPorts(forInput_) : QStringList();
    return static_cast<int>(std::min<qsizetype>(listed_.size(), 32767));
}

void JackPort::open(JackClient::Port port, int device, JackClient::Receiver receiver)
{
    close();
    JackClient* client = system_.jack();
    if (!client)
        throw system_.missing();
    if (device >= 0 && listed_.isEmpty())
        list(); // opened by number without a list shown: the list of now
    const QString name = device >= 0 ? listedName(device) : QString();
    if (device >= 0 && name.isEmpty())
        throw MidiFailure(MidiErrorCode::InvalidDevice,
                          QCoreApplication::translate("JackPorts", "There is no MIDI port number %1.").arg(device));
    ticket_ = client->openPort(port, name, std::move(receiver));
    client_ = client;
    port_ = port;
}

void JackPort::close()
{
    if (client_)
        client_->closePort(port_, ticket_);
    client_ = nullptr;
}

bool JackPort::isOpen() const
{
    return client_ && client_->isOpen(port_, ticket_);
}

void JackPort::send(const MidiBytes& message)
{
    // Nothing waits on a server that has gone.
    if (!client_ || !client_->alive())
        throw system_.lost();
    try {
        client_->send(port_, message);
    } catch (const MidiFailure& failure) {
        if (failure.code() == MidiErrorCode::DeviceLost)
            throw system_.lost();
        throw;
    }
}

void JackPort::setLossNotifier(PortBackend::LossNotifier notifier)
{
    lossNotifier_ = std::move(notifier);
    system_.addLossListener(this, [this] {
        if (isOpen() && lossNotifier_)
            lossNotifier_(MidiSystem::lost());
    });
}

} // namespace quorvane
