#include "app/program.h"

#include "ui/about/about_box.h"
#include "app/desktop_devices.h"

#include <QCoreApplication>

namespace quorvane {

Program::Program()
    : window_(desktopOutput(system_), desktopInput(system_), host_),
      setup_(window_.MIDIOutput1(), window_.MIDIInput1(), &window_)
{
    connectParts();
}

Program::Program(std::unique_ptr<OutputBackend> output, std::unique_ptr<InputBackend> input)
    : window_(std::move(output), std::move(input), host_), setup_(window_.MIDIOutput1(), window_.MIDIInput1(), &window_)
{
    connectParts();
}

void Program::connectParts()
{
    // Told once for both devices: the MIDI system that is missing or went away.
    window_.MIDIOutput1().setErrorPolicy(system_.errorPolicy());
    window_.MIDIInput1().setErrorPolicy(system_.errorPolicy());
    window_.showSetupDialog = [this] { setup_.showModal(); };
    window_.showAbout = [this] { showAboutBox(&window_); };
    // Closing the main window ends the program at once, also from inside a
    // running formula: its loop sees the host ending and returns.
    window_.endProgram = [this] {
        host_.setEnding();
        QCoreApplication::exit(0);
    };
    // Once the MIDI system has gone, the next device dialog lists afresh.
    auto forgetDevices = [this](int code) {
        if (code == MidiErrorCode::DeviceLost)
            setup_.discard();
    };
    QObject::connect(&window_.MIDIOutput1(), &MidiOutput::errorReported, &window_, forgetDevices);
    QObject::connect(&window_.MIDIInput1(), &MidiInput::errorReported, &window_, forgetDevices);
}

void Program::start()
{
    window_.load();
    window_.show();
}

} // namespace quorvane
