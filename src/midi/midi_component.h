#pragma once

#include "midi/midi_errors.h"
#include "midi/port_backend.h"
#include "values/variant.h"

#include <QObject>

namespace quorvane {

// One property write of a component: the member and the value written.
struct PropertyWrite {
    QString member;
    Variant value;
};

// Told of every property write of a component, in the order they were made,
// so that a record can hold the exact sequence the program produced.
class PropertyWriteRecorder {
public:
    virtual ~PropertyWriteRecorder() = default;
    virtual void propertyWritten(const PropertyWrite& write) = 0;
};

// What the MIDI output and input components share: the device number, the
// device list as its names and count, the open state, and the one way every
// failure leaves them: as the error notification, never as an exception.
class MidiComponent : public QObject {
    Q_OBJECT
public:
    void setDeviceNumber(const Variant& device);
    Variant deviceNumber() const { return device_; }
    QString deviceName(); // of the device whose number was written last
    int deviceCount();
    int openState() const; // 1 while a device is open

    // The most recent failure, kept even while notifications are blocked, so
    // that a caller who words a failed action itself can give the reason.
    const MidiFailure& lastFailure() const { return lastFailure_; }

    // nullptr for nobody.
    void setRecorder(PropertyWriteRecorder* recorder) { recorder_ = recorder; }

signals:
    void errorReported(int code, const QString& text);

protected:
    // lowestDevice: -1 where the program's own virtual port counts as a device.
    MidiComponent(PortBackend& port, int lowestDevice, QObject* parent);

    void write(const char* member, const Variant& value);
    void report(const MidiFailure& failure);
    // The written device number when it names a device, else throws.
    int deviceToOpen(const QString& noSuchDeviceText);
    virtual void close() = 0;

private:
    void deviceLost();

    PortBackend& port_;
    int lowestDevice_;
    Variant device_ = 0;
    MidiFailure lastFailure_{MidiErrorCode::None, QString()};
    PropertyWriteRecorder* recorder_ = nullptr;
};

} // namespace quorvane
