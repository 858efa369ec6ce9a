#include "app/synth_first_backend.h"

#include "midi/midi_errors.h"

#include <QCoreApplication>
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

QStringList SynthFirstOutputBackend::devices()
{
    QStringList names = synth_->devices();
    try {
        names += system_->devices();
    } catch (const MidiFailure&) {
        // Without a MIDI system there are no ports to list, but the synthesizer
        // plays all the same; opening the virtual port will say what is missing.
    }
    return names;
}

void SynthFirstOutputBackend::open(const QString& device)
{
    close();
    OutputBackend& chosen = synth_->devices().contains(device) ? static_cast<OutputBackend&>(*synth_) : *system_;
    chosen.open(device);
    opened_ = &chosen;
}

void SynthFirstOutputBackend::openVirtualPort()
{
    close();
    system_->openVirtualPort();
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

OutputBackend& SynthFirstOutputBackend::opened() const
{
    if (!opened_)
        throw MidiFailure(MidiErrorCode::SendFailed,
                          QCoreApplication::translate("SynthFirstOutputBackend", "No MIDI output device is open."));
    return *opened_;
}

void SynthFirstOutputBackend::send(const MidiBytes& message)
{
    opened().send(message);
}

void SynthFirstOutputBackend::sendAt(const MidiBytes& message, std::int64_t atNs)
{
    opened().sendAt(message, atNs);
}

} // namespace quorvane
