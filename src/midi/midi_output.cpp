#include "midi/midi_output.h"

#include "midi/device_numbers.h"

namespace quorvane {

MidiOutput::MidiOutput(std::unique_ptr<OutputBackend> backend, QObject* parent)
    : MidiComponent(*backend, device::VirtualPort, parent), backend_(std::move(backend))
{ }

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

void MidiOutput::open()
{
    try {
        const std::optional<QString> device = deviceToOpen(tr("There is no MIDI output device number %1."));
        backend_->close(); // a second open replaces the device that is open
        if (device)
            backend_->open(*device);
        else
            backend_->openVirtualPort();
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
        if (sendTime_)
            backend_->sendAt(message, *sendTime_);
        else
            backend_->send(message);
        // A timed message is told at the moment it was meant to be sent, so
        // that takes and the monitor hold the spacing the formula chose, in
        // the same time as the untimed ones.
        if (observer_)
            observer_->messageSent(message, sendTime_ ? *sendTime_ - backend_->latencyNs() : steadyNowNs());
    } catch (const MidiFailure& failure) {
        // Report a lost device once, then stay closed so that the following
        // sends of a running formula go nowhere quietly.
        close();
        report(failure);
    }
}

} // namespace quorvane
