#include "sync_rig.h"

#include "devices/system_backend.h"
#include "engine/composer.h"
#include "engine/qt_host.h"
#include "engine_fakes.h"
#include "midi/steady_time.h"
#include "open_by_name.h"

#include <QTimer>

using namespace quorvane;

SyncRig::SyncRig(const AudioBeat* session) : ownTempo(steadyNowNs())
{
    system.setOwnBeat(&ownTempo.timeline());
    system.setSessionBeat(session);
    auto guarded = std::make_unique<GuardedOutput>(std::make_unique<SystemOutputBackend>(system));
    GuardedOutput& guardedOutput = *guarded;
    output = std::make_unique<MidiOutput>(std::move(guarded));
    input = std::make_unique<MidiInput>(std::make_unique<SystemInputBackend>(system));
    clockOut = std::make_unique<SystemClockOut>(system, ownTempo, guardedOutput, system.inputThru());
}

SyncRig::~SyncRig()
{
    clockOut.reset();
    input.reset();
    output.reset();
}

bool SyncRig::openOutputOn(const QString& port)
{
    return openByName(*output, port);
}

bool SyncRig::openInputOn(const QString& port)
{
    return openByName(*input, port);
}

void SyncRig::closeBoth()
{
    output->setAction(MidiOutput::Close);
    input->setAction(MidiInput::Close);
}

void SyncRig::runOnGrid(const SyncSource& source, int runMs)
{
    testing::FakePanel panel;
    panel.check(controls::RandomDelay, 0);
    panel.check(controls::DisplayResults, 0);
    QtHost host;
    Composer composer(panel, host, *output);
    composer.setModeOn(Mode::Pitch, true);
    composer.setGrid(&source, GridDivision::Sixteenth);
    composer.setRunMarks(clockOut.get());
    QTimer::singleShot(runMs, [&] { composer.stopWondrousness(); });
    composer.runWondrousness();
}
