#pragma once

#include "midi/error_policy.h"
#include "midi/midi_errors.h"
#include "midi/port_backend.h"
#include "values/variant.h"

#include <QObject>
#include <QStringList>
#include <optional>

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
    // Numbers 0.. pick a name from the devices as last listed by
    // deviceCount() (the list as shown to the user); ARCHITECTURE.md,
    // "Device numbers", tells the whole numbering.
    void setDeviceNumber(const Variant& device);
    Variant deviceNumber() const { return device_; }
    QString deviceName();  // of the device whose number was written last
    int deviceCount();     // lists the devices afresh
    int openState() const; // 1 while a device is open

    // The most recent failure, kept even while notifications are blocked, so
    // that a caller who words a failed action itself can give the reason, and
    // whether the musician is to be told of it.
    const MidiFailure& lastFailure() const { return lastFailure_; }
    bool lastFailureToTell() const { return lastFailureToTell_; }

    // The policy shared with the other component; each has one of its own
    // until the program sets the one of its MIDI system.
    void setErrorPolicy(ErrorPolicy& policy) { policy_ = &policy; }

    // nullptr for nobody.
    void setRecorder(PropertyWriteRecorder* recorder) { recorder_ = recorder; }

signals:
    // Every failure, quiet ones included; a lasting one that a loss notice
    // brings again once it was told is no new failure.
    void errorReported(int code, const QString& text);
    // The failures the musician is to be told of, as the policy decides.
    void failureToTell(const QString& text);

protected:
    // lowestDevice: device::VirtualPort where the program's own virtual port
    // counts as a device.
    MidiComponent(PortBackend& port, int lowestDevice, QObject* parent);

    void write(const char* member, const Variant& value);
    void report(const MidiFailure& failure);
    // The name of the device whose number was written, nothing for the
    // virtual port; throws when the number names no device.
    std::optional<QString> deviceToOpen(const QString& noSuchDeviceText);
    virtual QString virtualPortName() { return QString(); }
    virtual void close() = 0;

private:
    void deviceLost(const MidiFailure& failure);
    void publish(const MidiFailure& failure, bool toTell);
    QStringList listDevices(); // throws MidiFailure

    PortBackend& port_;
    int lowestDevice_;
    Variant device_ = 0;
    QStringList shown_; // names of devices 0.., as last listed
    MidiFailure lastFailure_{MidiErrorCode::None, QString()};
    PropertyWriteRecorder* recorder_ = nullptr;
    bool lastFailureToTell_ = false;
    ErrorPolicy ownPolicy_;
    ErrorPolicy* policy_ = &ownPolicy_;
};

} // namespace quorvane
