#include "devices/system_backend.h"

#include "devices/system_choice.h"

namespace quorvane {

template <class Backend>
Backend& ChosenBackend<Backend>::now()
{
    const MidiSystem::Kind kind = system_.current();
    if (!backend_ || kind != kind_) {
        close();
        backend_ = make_(system_, kind);
        backend_->setLossNotifier(lossNotifier_);
        kind_ = kind;
    }
    return *backend_;
}

template <class Backend>
void ChosenBackend<Backend>::close()
{
    if (backend_)
        backend_->close();
}

template <class Backend>
void ChosenBackend<Backend>::setLossNotifier(PortBackend::LossNotifier notifier)
{
    lossNotifier_ = std::move(notifier);
    if (backend_)
        backend_->setLossNotifier(lossNotifier_);
}

template class ChosenBackend<OutputBackend>;
template class ChosenBackend<InputBackend>;

SystemOutputBackend::SystemOutputBackend(MidiSystem& system) : chosen_(system, &outputBackendOf) { }

void SystemOutputBackend::open(const QString& device)
{
    close();
    chosen_.now().open(device);
}

void SystemOutputBackend::openVirtualPort()
{
    close();
    chosen_.now().openVirtualPort();
}

OutputBackend& SystemOutputBackend::opened() const
{
    OutputBackend* backend = chosen_.last();
    if (!backend)
        throw MidiSystem::lost();
    return *backend;
}

void SystemOutputBackend::send(const MidiBytes& message)
{
    opened().send(message);
}

void SystemOutputBackend::sendAt(const MidiBytes& message, std::int64_t atNs)
{
    opened().sendAt(message, atNs);
}

std::int64_t SystemOutputBackend::schedulingLeadNs() const
{
    return chosen_.isOpen() ? chosen_.last()->schedulingLeadNs() : 0;
}

std::int64_t SystemOutputBackend::latencyNs() const
{
    return chosen_.isOpen() ? chosen_.last()->latencyNs() : 0;
}

std::int64_t SystemOutputBackend::soundLatencyNs() const
{
    return chosen_.isOpen() ? chosen_.last()->soundLatencyNs() : 0;
}

SystemInputBackend::SystemInputBackend(MidiSystem& system) : chosen_(system, &inputBackendOf) { }

void SystemInputBackend::open(const QString& device, Receiver receiver)
{
    close();
    chosen_.now().open(device, std::move(receiver));
}

} // namespace quorvane
