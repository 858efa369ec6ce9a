#include "midi/midi_component.h"

#include <QMetaObject>

namespace quorvane {

MidiComponent::MidiComponent(PortBackend& port, int lowestDevice, QObject* parent)
    : QObject(parent), port_(port), lowestDevice_(lowestDevice)
{
    // The MIDI system tells of a lost device on its own thread; the loss is
    // handled here, in order with everything else the program does.
    port_.setLossNotifier(
        [this] { QMetaObject::invokeMethod(this, &MidiComponent::deviceLost, Qt::QueuedConnection); });
}

void MidiComponent::deviceLost()
{
    if (!port_.isOpen())
        return;
    const MidiFailure failure = port_.lossFailure();
    if (failure.code() != MidiErrorCode::AudioLost)
        close(); // a built-in synthesizer without its sound server still takes notes, and is heard again later
    report(failure);
}

void MidiComponent::write(const char* member, const Variant& value)
{
    port_.propertyWritten(PropertyWrite{QString::fromLatin1(member), value});
}

void MidiComponent::setDeviceNumber(const Variant& device)
{
    write("DeviceNumber", device);
    device_ = device;
}

QString MidiComponent::deviceName()
{
    const std::optional<int> device = toInteger16(device_);
    if (!device || *device < lowestDevice_)
        return QString();
    try {
        return port_.name(*device);
    } catch (const MidiFailure& failure) {
        report(failure);
        return QString();
    }
}

int MidiComponent::deviceCount()
{
    try {
        return port_.count();
    } catch (const MidiFailure& failure) {
        report(failure);
        return 0;
    }
}

int MidiComponent::openState() const
{
    return port_.isOpen() ? 1 : 0;
}

int MidiComponent::deviceToOpen(const QString& noSuchDeviceText)
{
    const std::optional<int> device = toInteger16(device_);
    if (!device || *device < lowestDevice_ || *device >= port_.count())
        throw MidiFailure(MidiErrorCode::InvalidDevice, noSuchDeviceText.arg(device_.toText()));
    return *device;
}

void MidiComponent::report(const MidiFailure& failure)
{
    lastFailure_ = failure;
    emit errorReported(failure.code(), failure.text());
}

} // namespace quorvane
