#include "devices/jack_port.h"

namespace quorvane {

JackPort::JackPort(MidiSystem& system, bool forInput) : system_(system), forInput_(forInput) { }

JackPort::~JackPort()
{
    system_.removeLossListener(this);
    close();
}

QStringList JackPort::others()
{
    JackClient* client = system_.jack();
    return client ? client->otherPorts(forInput_) : QStringList();
}

void JackPort::open(JackClient::Port port, const QString& connectTo, JackClient::Receiver receiver)
{
    close();
    JackClient* client = system_.jack();
    if (!client)
        throw system_.missing();
    ticket_ = client->openPort(port, connectTo, std::move(receiver));
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

void JackPort::send(const MidiBytes& message, std::optional<std::int64_t> atNs)
{
    // Nothing waits on a server that has gone.
    if (!client_ || !client_->alive())
        throw system_.lost();
    try {
        client_->send(port_, message, atNs);
    } catch (const MidiFailure& failure) {
        if (failure.code() == MidiErrorCode::DeviceLost)
            throw system_.lost();
        throw;
    }
}

std::int64_t JackPort::schedulingLeadNs() const
{
    return client_ && client_->alive() ? client_->schedulingLeadNs() : 0;
}

std::int64_t JackPort::latencyNs() const
{
    return client_ && client_->alive() ? client_->periodNs() : 0;
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
