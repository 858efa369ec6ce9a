#pragma once

#include "ui/main/frm_main.h"
#include "ui/setup/midi_setup.h"
#include "engine/qt_host.h"
#include "midi/midi_system.h"

#include <memory>

namespace quorvane {

// The running program: the host, the main window with its two MIDI devices,
// and the device dialog, wired together as they work for the user.
class Program {
public:
    // The devices of this desktop: the built-in synthesizer and the MIDI
    // system's ports for output, the MIDI system's ports for input.
    Program();
    // Other devices, such as the in-memory ones of tests.
    Program(std::unique_ptr<OutputBackend> output, std::unique_ptr<InputBackend> input);

    static std::unique_ptr<OutputBackend> desktopOutput(MidiSystem& system);
    static std::unique_ptr<InputBackend> desktopInput(MidiSystem& system);

    // The start-up sequence (with the device dialog), the takes a killed
    // program left unwritten offered for recovery, then the window shows.
    void start();

    QtHost& host() { return host_; }
    FrmMain& window() { return window_; }
    MidiSetup& setup() { return setup_; }

private:
    void connectParts();

    MidiSystem system_; // made first: the devices talk to it until they are gone
    QtHost host_;
    FrmMain window_;
    MidiSetup setup_;
};

} // namespace quorvane
