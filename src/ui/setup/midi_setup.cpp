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
    if (!form_) {
        form_ = new MIDISetupForm(output_, input_, parent_);
        form_->load();
    } else {
        form_->refreshLists(); // ports come and go while the dialog is hidden
    }
    if (form_->exec() == QDialog::Rejected)
        delete form_.data();
}

void MidiSetup::discard()
{
    if (form_ && !form_->isVisible())
        delete form_.data();
}

} // namespace quorvane
