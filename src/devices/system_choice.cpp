#include "devices/system_choice.h"

#include "devices/jack_backends.h"
#include "devices/rtmidi_backend.h"

namespace quorvane {

namespace {

// No MIDI system at all: nothing to list and nothing to open, and each try
// says what is missing. Device -1 is still named, as having no system.
class NoSystemOutputBackend : public OutputBackend {
public:
    explicit NoSystemOutputBackend(MidiSystem& system) : system_(system) { }

    QStringList devices() override { throw system_.missing(); }
    void open(const QString&) override { throw system_.missing(); }
    void openVirtualPort() override { throw system_.missing(); }
    QString virtualPortName() override { return MidiSystem::virtualPortName(MidiSystem::Kind::None); }
    void close() override { }
    bool isOpen() const override { return false; }
    void send(const MidiBytes&) override { throw system_.missing(); }

private:
    MidiSystem& system_;
};

class NoSystemInputBackend : public InputBackend {
public:
    explicit NoSystemInputBackend(MidiSystem& system) : system_(system) { }

    QStringList devices() override { throw system_.missing(); }
    void open(const QString&, Receiver) override { throw system_.missing(); }
    void close() override { }
    bool isOpen() const override { return false; }

private:
    MidiSystem& system_;
};

} // namespace

std::unique_ptr<OutputBackend> outputBackendOf(MidiSystem& system, MidiSystem::Kind kind)
{
    switch (kind) {
    case MidiSystem::Kind::Jack: return std::make_unique<JackOutputBackend>(system);
    case MidiSystem::Kind::Alsa: return std::make_unique<RtMidiOutputBackend>();
    case MidiSystem::Kind::None: break;
    }
    return std::make_unique<NoSystemOutputBackend>(system);
}

std::unique_ptr<InputBackend> inputBackendOf(MidiSystem& system, MidiSystem::Kind kind)
{
    switch (kind) {
    case MidiSystem::Kind::Jack: return std::make_unique<JackInputBackend>(system);
    case MidiSystem::Kind::Alsa: return std::make_unique<RtMidiInputBackend>(&system.clockInTracker());
    case MidiSystem::Kind::None: break;
    }
    return std::make_unique<NoSystemInputBackend>(system);
}

} // namespace quorvane
