#include "ui/setup/midi_setup.h"

#include "ui/setup/midi_setup_form.h"

namespace quorvane {

MidiSetup::MidiSetup(MidiOutput& output, MidiInput& input, QWidget* parent)
    : output_(output), input_(input), parent_(parent)
{ }

MidiSetup::~MidiSetup()
{
    delete form_.data();
}

void MidiSetup::showModal()
{
    inUse_ = true;
    if (!form_) {
        form_ = new MIDISetupForm(output_, input_, parent_);
        form_->load();
    }
    const bool accepted = form_ && form_->exec() == QDialog::Accepted;
    inUse_ = false;
    if (!accepted || stale_)
        delete form_.data();
    stale_ = false;
}

void MidiSetup::discard()
{
    if (inUse_)
        stale_ = true;
    else
        delete form_.data();
}

} // namespace quorvane
