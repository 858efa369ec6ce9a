#include "app/program.h"

#include "app/desktop_devices.h"
#include "ui/about/about_box.h"
#include "ui/record/take_recovery.h"

#include <QApplication>
#include <QTimer>
#include <QWindow>

namespace quorvane {

namespace {

SynthOptions backgroundLoading(SynthOptions synth)
{
    synth.loadInBackground = true;
    return synth;
}

} // namespace

Program::Program() : Program(SynthOptions()) { }

Program::Program(SynthOptions synth) : Program(nullptr, nullptr, nullptr, std::move(synth)) { }

Program::Program(std::unique_ptr<OutputBackend> output, std::unique_ptr<InputBackend> input)
    : Program(std::move(output), std::move(input), nullptr)
{ }

Program::Program(std::unique_ptr<OutputBackend> output, std::unique_ptr<InputBackend> input, Host& host)
    : Program(std::move(output), std::move(input), &host)
{ }

Program::Program(std::unique_ptr<OutputBackend> output, std::unique_ptr<InputBackend> input, Host* host,
                 SynthOptions synth)
    : desktop_(!output), ownHost_(host ? nullptr : std::make_unique<QtHost>()), host_(host ? *host : *ownHost_),
      ownTempo_(host_.now()), systemFound_(findSystem()),
      output_(guarded(desktop_ ? desktopOutput(system_, backgroundLoading(std::move(synth))) : std::move(output))),
      input_(input ? std::move(input) : desktopInput(system_)),
      thru_(input_.backend().thru() ? *input_.backend().thru() : system_.inputThru()),
      window_(desktop_ ? FrmMain::Build::Later : FrmMain::Build::Now), composer_(window_, host_, output_),
      recording_(
          playObservers_, [this](const QString& text) { window_.showMessage(text); }, &window_),
      setup_(output_, input_, &window_), clockOut_(system_, ownTempo_, *guardedOutput_, thru_),
      clockIn_(system_.clockIn()), transport_(system_.transport())
{
    connectParts();
}

Program::~Program()
{
    // The MIDI system may outlive the program (a bench's, a test's): its
    // threads must not forward into an output that is gone.
    thru_.setOutput(nullptr);
}

std::unique_ptr<OutputBackend> Program::guarded(std::unique_ptr<OutputBackend> output)
{
    auto guarded = std::make_unique<GuardedOutput>(std::move(output));
    guardedOutput_ = guarded.get();
    return guarded;
}

std::future<void> Program::findSystem()
{
    system_.setOwnBeat(&ownTempo_.timeline());
    system_.setSessionBeat(&link_);
    if (!desktop_)
        return {};
    return std::async(std::launch::async, [this] { system_.current(); });
}

void Program::connectParts()
{
    // Told once for both devices: the MIDI system that is missing or went away.
    output_.setErrorPolicy(system_.errorPolicy());
    input_.setErrorPolicy(system_.errorPolicy());
    output_.setObserver(&playObservers_);
    input_.setObserver(&playObservers_);
    // A key is forwarded on the thread it arrives on; the window still sees it.
    input_.setThru(&thru_);
    thru_.setOutput(guardedOutput_);
    thru_.setProgramChannel(composer_.midiChannel());
    composer_.setObserver(&passObservers_);
    composer_.setRunMarks(&clockOut_);
    window_.attach({output_, input_, composer_, recording_, playObservers_, passObservers_, clockOut_});

    window_.showSetupDialog = [this] { setup_.showModal(); };
    window_.showAbout = [this] { showAboutBox(&window_); };
    window_.showSync = [this] {
        const auto jackInUse = [this] { return system_.current() == MidiSystem::Kind::Jack; };
        showSyncWindow(syncWindow_, {composer_, ownTempo_, clockOut_, clockIn_, transport_, jackInUse, host_, link_}, &window_);
    };
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
    QObject::connect(&output_, &MidiOutput::errorReported, &window_, forgetDevices);
    QObject::connect(&input_, &MidiInput::errorReported, &window_, forgetDevices);
}

void Program::start()
{
    if (!window_.built())
        buildWindowBehindTheDialog();
    // Each step may end the program (a signal, the session's end) while its
    // window is open; what is left then is not shown.
    window_.load();
    if (!host_.ending())
        offerLeftTakes(&window_, recording_.folder);
    if (!host_.ending())
        window_.show();
}

// The device dialog comes on screen first: the main window's controls and
// menus (some tens of milliseconds of widgets and fonts) are built once it
// has been drawn, while the musician reads it.
void Program::buildWindowBehindTheDialog()
{
    auto* wait = new QTimer(&window_);
    wait->setInterval(1);
    QObject::connect(wait, &QTimer::timeout, &window_, [this, wait] {
        const QWidget* dialog = QApplication::activeModalWidget();
        if (dialog && !(dialog->windowHandle() && dialog->windowHandle()->isExposed()))
            return; // not drawn yet
        wait->deleteLater();
        wait->stop();
        window_.build();
    });
    wait->start();
}

} // namespace quorvane
