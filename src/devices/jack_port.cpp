#include "devices/jack_port.h"

#include <utility>

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
    const unsigned ticket = client->openPort(port, connectTo, std::move(receiver));
    {
        std::lock_guard<std::mutex> lock(mutex_);
        client_ = client;
        port_ = port;
        ticket_ = ticket;
    }
    // The server may go away while the open waits for its connection, before
    // the port above was there for the loss to be told of. Looked at only
    // now, a loss is either seen here or told by tellLoss(), never neither.
    if (!client->alive()) {
        close();
        throw system_.lost();
    }
}

void JackPort::close()
{
    JackClient* client = nullptr;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        client = std::exchange(client_, nullptr);
    }
    // Outside the lock: the close waits for the process callback.
    if (client)
        client->closePort(port_, ticket_);
}

bool JackPort::isOpen() const
{
    std::lock_guard<std::mutex> lock(mutex_);
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

std::int64_t JackPort::playbackLatencyNs() const
{
    return client_ && client_->alive() ? client_->playbackLatencyNs(port_) : 0;
}

void JackPort::setLossNotifier(PortBackend::LossNotifier notifier)
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        lossNotifier_ = std::move(notifier);
    }
    system_.addLossListener(this, [this] { tellLoss(); });
}

void JackPort::tellLoss()
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (client_ && client_->isOpen(port_, ticket_) && lossNotifier_)
        lossNotifier_(MidiSystem::lost());
}

} // namespace quorvane
