#pragma once

#include "midi_errors.h"
#include "port_backend.h"

#include <QObject>
#include <atomic>
#include <deque>
#include <memory>
#include <mutex>

namespace quorvane {

// The MIDI input component. Messages arrive on the MIDI system's thread and
// wait in an unbounded queue, oldest first; the arrival notification reaches
// the user-interface thread as a queued signal. The program reads the oldest
// message through status/data1/data2 and drops it with action 6.
class MidiInput : public QObject {
    Q_OBJECT
public:
    enum Action { Open = 1, Close = 2, Start = 4, Stop = 5, Next = 6 };

    explicit MidiInput(std::unique_ptr<InputBackend> backend, QObject* parent = nullptr);
    ~MidiInput() override;

    void setAction(const Variant& code);           // member 0x01
    QString deviceName();                          // member 0x05
    int count() const;                             // member 0x06: messages waiting
    int status() const;                            // member 0x07
    int data1() const;                             // member 0x08
    int data2() const;                             // member 0x09
    MidiBytes currentMessage() const;              // the whole oldest message
    int deviceCount();                             // member 0x0D
    int openState() const;                         // member 0x0E
    void setDeviceNumber(const Variant& device);   // member 0x10
    Variant deviceNumber() const { return device_; }
    bool isReceiving() const { return receiving_; }

    InputBackend& backend() { return *backend_; }

    // The most recent failure, kept even while notifications are blocked, so
    // that a caller who words a failed action itself can give the reason.
    const MidiFailure& lastFailure() const { return lastFailure_; }

signals:
    void messageArrived();
    void errorReported(int code, const QString& text);

private:
    void write(const char* member, const Variant& value);
    void open();
    void close();
    void receive(const MidiBytes& message); // any thread
    void notifyArrival();                   // user-interface thread
    int currentByte(std::size_t index) const;
    void report(const MidiFailure& failure);
    void deviceLost();

    std::unique_ptr<InputBackend> backend_;
    MidiFailure lastFailure_{MidiErrorCode::None, QString()};
    Variant device_ = 0;
    std::atomic<bool> receiving_{false};
    std::atomic<bool> notificationPending_{false};
    mutable std::mutex queueMutex_;
    std::deque<MidiBytes> queue_;
};

} // namespace quorvane
