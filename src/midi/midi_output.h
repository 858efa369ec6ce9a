#pragma once

#include "midi_errors.h"
#include "port_backend.h"

#include <QObject>
#include <memory>

namespace quorvane {

// The MIDI output component: device choice, open and close, and a short
// message assembled from status, data 1 and data 2, driven by property writes
// and action codes. Nothing the MIDI system does escapes from it: failures
// become its error notification and leave it closed.
class MidiOutput : public QObject {
    Q_OBJECT
public:
    enum Action { Open = 1, Close = 2, Send = 7 };

    explicit MidiOutput(std::unique_ptr<OutputBackend> backend, QObject* parent = nullptr);

    void setAction(const Variant& code);           // member 0x01
    void setDeviceNumber(const Variant& device);   // member 0x02
    Variant deviceNumber() const { return device_; }
    QString deviceName();                          // member 0x06
    void setStatus(const Variant& status);         // member 0x0F
    void setData1(const Variant& data1);           // member 0x10
    Variant data1() const { return data1_; }
    void setData2(const Variant& data2);           // member 0x11
    void setAuxiliary(const Variant& auxiliary);   // member 0x12
    int deviceCount();                             // member 0x14
    int openState() const;                         // member 0x15

    OutputBackend& backend() { return *backend_; }

    // The most recent failure, kept even while notifications are blocked, so
    // that a caller who words a failed action itself can give the reason.
    const MidiFailure& lastFailure() const { return lastFailure_; }

signals:
    void errorReported(int code, const QString& text);

private:
    void write(const char* member, const Variant& value);
    void open();
    void close();
    void send();
    void report(const MidiFailure& failure);
    void deviceLost();

    std::unique_ptr<OutputBackend> backend_;
    MidiFailure lastFailure_{MidiErrorCode::None, QString()};
    Variant device_ = 0;
    Variant status_;
    Variant data1_;
    Variant data2_;
    Variant auxiliary_;
};

} // namespace quorvane
