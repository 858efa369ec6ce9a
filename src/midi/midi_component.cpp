#include "midi/midi_component.h"

#include "midi/device_numbers.h"

#include <QMetaObject>

namespace quorvane {

MidiComponent::MidiComponent(PortBackend& port, int lowestDevice, QObject* parent)
    : QObject(parent), port_(port), lowestDevice_(lowestDevice)
{
    // The MIDI system tells of a lost device on its own thread; the loss is
    // handled here, in order with everything else the program does.
    port_.setLossNotifier([this](const MidiFailure& failure) {
        QMetaObject::invokeMethod(
            this, [this, failure] { deviceLost(failure); }, Qt::QueuedConnection);
    });
}

void MidiComponent::deviceLost(const MidiFailure& failure)
{
    if (!port_.isOpen())
        return;
    if (failure.code() != MidiErrorCode::AudioLost)
        close(); // a built-in synthesizer without its sound server still takes notes, and is heard again later
    const bool toTell = policy_->tell(failure);
    if (failure.lasting() && !toTell)
        return; // met again by a later open: nothing new to report
    publish(failure, toTell);
}

void MidiComponent::write(const char* member, const Variant& value)
{
    if (recorder_)
        recorder_->propertyWritten(PropertyWrite{QString::fromLatin1(member), value});
}

void MidiComponent::setDeviceNumber(const Variant& device)
{
    write("DeviceNumber", device);
    device_ = device;
}

QStringList MidiComponent::listDevices()
{
    QStringList names = port_.devices();
    if (names.size() > device::MaxCount)
        names.resize(device::MaxCount);
    return names;
}

QString MidiComponent::deviceName()
{
    const std::optional<int> device = toInteger16(device_);
    if (!device || *device < lowestDevice_)
        return QString();
    try {
        if (*device == device::VirtualPort)
            return virtualPortName();
        if (shown_.isEmpty())
            shown_ = listDevices();
        return shown_.value(*device);
    } catch (const MidiFailure& failure) {
        report(failure);
        return QString();
    }
}

int MidiComponent::deviceCount()
{
    try {
        shown_ = listDevices();
    } catch (const MidiFailure& failure) {
        shown_.clear();
        report(failure);
    }
    return static_cast<int>(shown_.size());
}

int MidiComponent::openState() const
{
    return port_.isOpen() ? 1 : 0;
}

std::optional<QString> MidiComponent::deviceToOpen(const QString& noSuchDeviceText)
{
    const std::optional<int> device = toInteger16(device_);
    if (!device || *device < lowestDevice_)
        throw MidiFailure(MidiErrorCode::InvalidDevice, noSuchDeviceText.arg(device_.toText()));
    if (*device == device::VirtualPort)
        return std::nullopt;
    if (shown_.isEmpty())
        shown_ = listDevices(); // numbered by a list nobody was shown: the list of now
    if (*device >= shown_.size())
        throw MidiFailure(MidiErrorCode::InvalidDevice, noSuchDeviceText.arg(device_.toText()));
    return shown_.at(*device);
}

void MidiComponent::report(const MidiFailure& failure)
{
    publish(failure, policy_->tell(failure));
}

void MidiComponent::publish(const MidiFailure& failure, bool toTell)
{
    lastFailure_ = failure;
    lastFailureToTell_ = toTell;
    emit errorReported(failure.code(), failure.text());
    if (lastFailureToTell_)
        emit failureToTell(failure.text());
}

} // namespace quorvane
