#include "midi_output.h"

#include <QMetaObject>

namespace quorvane {

MidiOutput::MidiOutput(std::unique_ptr<OutputBackend> backend, QObject* parent)
    : QObject(parent), backend_(std::move(backend))
{
    // The MIDI system tells of a lost device on its own thread; the loss is
    // handled here, in order with everything else the program does.
    backend_->setLossNotifier([this] { QMetaObject::invokeMethod(this, &MidiOutput::deviceLost, Qt::QueuedConnection); });
}

void MidiOutput::deviceLost()
{
    if (!backend_->isOpen())
        return;
    close();
    report(backend_->lossFailure());
}

void MidiOutput::write(const char* member, const Variant& value)
{
    backend_->propertyWritten(PropertyWrite{QString::fromLatin1(member), value});
}

void MidiOutput::setAction(const Variant& code)
{
    write("Action", code);
    switch (toInteger16(code).value_or(0)) {
    case Open: open(); break;
    case Close: close(); break;
    case Send: send(); break;
    default: break; // other codes mean nothing to an output
    }
}

void MidiOutput::setDeviceNumber(const Variant& device)
{
    write("DeviceNumber", device);
    device_ = device;
}

QString MidiOutput::deviceName()
{
    const std::optional<int> device = toInteger16(device_);
    if (!device || *device < -1)
        return QString();
    try {
        return backend_->name(*device);
    } catch (const MidiFailure& failure) {
        report(failure);
        return QString();
    }
}

void MidiOutput::setStatus(const Variant& status)
{
    write("Status", status);
    status_ = status;
}

void MidiOutput::setData1(const Variant& data1)
{
    write("Data1", data1);
    data1_ = data1;
}

void MidiOutput::setData2(const Variant& data2)
{
    write("Data2", data2);
    data2_ = data2;
}

void MidiOutput::setAuxiliary(const Variant& auxiliary)
{
    write("Auxiliary", auxiliary);
    auxiliary_ = auxiliary;
}

int MidiOutput::deviceCount()
{
    try {
        return backend_->count();
    } catch (const MidiFailure& failure) {
        report(failure);
        return 0;
    }
}

int MidiOutput::openState() const
{
    return backend_->isOpen() ? 1 : 0;
}

void MidiOutput::open()
{
    const std::optional<int> device = toInteger16(device_);
    try {
        if (!device || *device < -1 || *device >= backend_->count())
            throw MidiFailure(MidiErrorCode::InvalidDevice,
                              tr("There is no MIDI output device number %1.").arg(device_.toText()));
        backend_->close(); // a second open replaces the device that is open
        backend_->open(*device);
    } catch (const MidiFailure& failure) {
        backend_->close();
        report(failure);
    }
}

void MidiOutput::close()
{
    try {
        backend_->close();
    } catch (const MidiFailure& failure) {
        report(failure);
    }
}

void MidiOutput::send()
{
    // A closed output swallows messages: the formulas may run before any
    // device is chosen, and that must never be an error.
    if (!backend_->isOpen())
        return;
    const MidiBytes message = assembleMessage(status_, data1_, data2_);
    if (message.empty())
        return;
    try {
        backend_->send(message);
    } catch (const MidiFailure& failure) {
        // Report a lost device once, then stay closed so that the following
        // sends of a running formula go nowhere quietly.
        close();
        report(failure);
    }
}

void MidiOutput::report(const MidiFailure& failure)
{
    lastFailure_ = failure;
    emit errorReported(failure.code(), failure.text());
}

} // namespace quorvane
