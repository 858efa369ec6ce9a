#include "app/synth_first_backend.h"

#include "midi/midi_errors.h"

#include <QCoreApplication>
#include <algorithm>
#include <utility>

namespace quorvane {

SynthFirstOutputBackend::SynthFirstOutputBackend(std::unique_ptr<SynthOutput> synth,
                                                 std::unique_ptr<OutputBackend> system)
    : synth_(std::move(synth)), system_(std::move(system))
{ }

SynthFirstOutputBackend::~SynthFirstOutputBackend()
{
    try {
        close();
    } catch (const MidiFailure&) { }
}

int SynthFirstOutputBackend::count()
{
    int systemCount = 0;
    try {
        systemCount = system_->count();
    } catch (const MidiFailure&) {
        // Without a MIDI system there are no ports to list, but the synthesizer
        // plays all the same; opening the virtual port will say what is missing.
    }
    return 1 + std::clamp(systemCount, 0, 32766); // the device number stays a 16-bit integer
}

QString SynthFirstOutputBackend::name(int device)
{
    if (device < -1)
        return QString();
    if (device == 0)
        return synth_->name(0);
    return system_->name(device == -1 ? -1 : device - 1);
}

void SynthFirstOutputBackend::open(int device)
{
    close();
    if (device == 0) {
        synth_->open(0);
        opened_ = synth_.get();
        return;
    }
    system_->open(device == -1 ? -1 : device - 1);
    opened_ = system_.get();
}

void SynthFirstOutputBackend::close()
{
    OutputBackend* opened = std::exchange(opened_, nullptr);
    if (opened)
        opened->close();
}

void SynthFirstOutputBackend::setLossNotifier(LossNotifier notifier)
{
    system_->setLossNotifier(notifier);
    synth_->setLossNotifier(std::move(notifier));
}

bool SynthFirstOutputBackend::isOpen() const
{
    return opened_ && opened_->isOpen();
}

void SynthFirstOutputBackend::send(const MidiBytes& message)
{
    if (!opened_)
        throw MidiFailure(MidiErrorCode::SendFailed,
                          QCoreApplication::translate("SynthFirstOutputBackend", "No MIDI output device is open."));
    opened_->send(message);
}

} // namespace quorvane
