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

// Thrown by the port back ends and caught inside the MIDI components; also
// what a back end's loss notice carries.
class MidiFailure : public std::runtime_error {
public:
    // Most failures belong to the try that met them. A lasting one (no sound
    // server runs) is met again by every later try until the machine changes,
    // so telling it again would say nothing new.
    enum class Span { Attempt, Lasting };

    MidiFailure(int code, const QString& text, Span span = Span::Attempt)
        : std::runtime_error(text.toStdString()), code_(code), text_(text), span_(span)
    { }
    int code() const { return code_; }
    const QString& text() const { return text_; }
    bool lasting() const { return span_ == Span::Lasting; }

private:
    int code_;
    QString text_;
    Span span_;
};

// The device of this name, chosen from a list, is no longer among the
// system's devices.
MidiFailure deviceGone(const QString& name);

} // namespace quorvane
