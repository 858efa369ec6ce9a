#pragma once

#include <QString>
#include <stdexcept>

namespace quorvane {

// Codes of the MIDI components' error notification. 0 and 8 are quiet: the
// program shows nothing for them. Every other code is shown to the user.
namespace MidiErrorCode {
constexpr int None = 0;          // nothing went wrong (quiet)
constexpr int NoMidiSystem = 1;  // neither the ALSA sequencer nor a JACK server is there
constexpr int OpenFailed = 2;    // the device could not be opened (busy, gone, refused)
constexpr int InvalidDevice = 3; // the device number names no device
constexpr int SendFailed = 4;    // a message could not be put on the wire
constexpr int DeviceLost = 5;    // the device or the MIDI server went away while open
constexpr int CloseFailed = 6;   // the device did not close cleanly; it counts as closed
constexpr int AudioLost = 7;     // the built-in synthesizer has no sound server; it stays open and comes back by itself
constexpr int Warning = 8;       // a remark of the MIDI system that needs no action (quiet)
} // namespace MidiErrorCode

inline bool isQuietMidiError(int code)
{
    return code == MidiErrorCode::None || code == MidiErrorCode::Warning;
}

// Thrown by the port back ends, and caught inside the MIDI components.
class MidiFailure : public std::runtime_error {
public:
    MidiFailure(int code, const QString& text) : std::runtime_error(text.toStdString()), code_(code), text_(text) { }
    int code() const { return code_; }
    const QString& text() const { return text_; }

private:
    int code_;
    QString text_;
};

} // namespace quorvane
