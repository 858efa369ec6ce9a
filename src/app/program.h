#pragma once

#include "ui/main/frm_main.h"
#include "ui/setup/midi_setup.h"
#include "engine/qt_host.h"

#include <memory>

namespace quorvane {

// The running program: the host, the main window with its two MIDI devices,
// and the device dialog, wired together as they work for the user.
class Program {
public:
    Program(std::unique_ptr<OutputBackend> output, std::unique_ptr<InputBackend> input);

    // The devices of this desktop: the built-in synthesizer and the MIDI
    // system's ports for output, the MIDI system's ports for input.
    static std::unique_ptr<OutputBackend> desktopOutput();
    static std::unique_ptr<InputBackend> desktopInput();

    // The start-up sequence (with the device dialog), then the window shows.
    void start();

    QtHost& host() { return host_; }
    FrmMain& window() { return window_; }
    MidiSetup& setup() { return setup_; }

private:
    QtHost host_;
    FrmMain window_;
    MidiSetup setup_;
};

} // namespace quorvane
