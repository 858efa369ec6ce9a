#include "midi/guarded_output.h"

#include <chrono>

namespace quorvane {

QStringList GuardedOutput::devices()
{
    std::lock_guard<std::timed_mutex> lock(mutex_);
    return inner_->devices();
}

void GuardedOutput::open(const QString& device)
{
    std::lock_guard<std::timed_mutex> lock(mutex_);
    inner_->open(device);
}

void GuardedOutput::openVirtualPort()
{
    std::lock_guard<std::timed_mutex> lock(mutex_);
    inner_->openVirtualPort();
}

QString GuardedOutput::virtualPortName()
{
    std::lock_guard<std::timed_mutex> lock(mutex_);
    return inner_->virtualPortName();
}

void GuardedOutput::close()
{
    std::lock_guard<std::timed_mutex> lock(mutex_);
    inner_->close();
}

bool GuardedOutput::isOpen() const
{
    std::lock_guard<std::timed_mutex> lock(mutex_);
    return inner_->isOpen();
}

void GuardedOutput::send(const MidiBytes& message)
{
    std::lock_guard<std::timed_mutex> lock(mutex_);
    inner_->send(message);
}

void GuardedOutput::sendAt(const MidiBytes& message, std::int64_t atNs)
{
    std::lock_guard<std::timed_mutex> lock(mutex_);
    inner_->sendAt(message, atNs);
}

std::int64_t GuardedOutput::schedulingLeadNs() const
{
    std::lock_guard<std::timed_mutex> lock(mutex_);
    return inner_->schedulingLeadNs();
}

std::int64_t GuardedOutput::latencyNs() const
{
    std::lock_guard<std::timed_mutex> lock(mutex_);
    return inner_->latencyNs();
}

std::int64_t GuardedOutput::soundLatencyNs() const
{
    std::lock_guard<std::timed_mutex> lock(mutex_);
    return inner_->soundLatencyNs();
}

void GuardedOutput::setLossNotifier(LossNotifier notifier)
{
    std::lock_guard<std::timed_mutex> lock(mutex_);
    inner_->setLossNotifier(std::move(notifier));
}

void GuardedOutput::sendIfOpen(const MidiBytes& message)
{
    std::lock_guard<std::timed_mutex> lock(mutex_);
    if (!inner_->isOpen())
        return;
    try {
        inner_->send(message);
    } catch (const MidiFailure&) { }
}

bool GuardedOutput::sendIfPlaysAtOnce(const MidiBytes& message)
{
    std::unique_lock<std::timed_mutex> lock(mutex_, std::chrono::milliseconds(5));
    if (!lock.owns_lock() || !inner_->isOpen() || inner_->schedulingLeadNs() != 0)
        return false;
    try {
        inner_->send(message);
        return true;
    } catch (const MidiFailure&) {
        return false;
    }
}

} // namespace quorvane
