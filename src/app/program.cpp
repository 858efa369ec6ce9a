#include "app/program.h"

#include "ui/about/about_box.h"
#include "ui/record/take_recovery.h"
#include "midi/system_backend.h"
#include "midi/synth_first_backend.h"

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

std::unique_ptr<OutputBackend> Program::desktopOutput(MidiSystem& system)
{
    return std::make_unique<SynthFirstOutputBackend>(std::make_unique<SynthOutput>(),
                                                     std::make_unique<SystemOutputBackend>(system));
}

std::unique_ptr<InputBackend> Program::desktopInput(MidiSystem& system)
{
    return std::make_unique<SystemInputBackend>(system);
}

void Program::start()
{
    // Each step may end the program (a signal, the session's end) while its
    // window is open; what is left then is not shown.
    window_.load();
    if (!host_.ending())
        offerLeftTakes(&window_, window_.recording().folder);
    if (!host_.ending())
        window_.show();
}

} // namespace quorvane
