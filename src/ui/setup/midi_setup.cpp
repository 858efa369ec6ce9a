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
        form_->loadOnceDrawn();
    } else {
        form_->refreshLists(); // ports come and go while the dialog is hidden
    }
    const bool accepted = form_ && form_->exec() == QDialog::Accepted;
    // Closed before it was ever drawn: the defaults are in use all the same.
    if (form_)
        form_->finishLoad();
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
