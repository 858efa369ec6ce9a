#pragma once

#include "midi/midi_input.h"
#include "midi/midi_output.h"

#include <QDialog>

class QComboBox;

namespace quorvane {

// The device dialog: a list of the input devices, one of the output devices,
// "Ok" and "Cancel". It has no MIDI objects of its own; it lists and switches
// the two components it is given.
class MIDISetupForm : public QDialog {
    Q_OBJECT
public:
    MIDISetupForm(MidiOutput& output, MidiInput& input, QWidget* parent = nullptr);

    // Centres the dialog, lists the devices and puts the defaults (output
    // device 0, input device 0) into use before anyone has chosen.
    void load();
    // The same, with the listing left until the dialog has been drawn: the
    // MIDI system may still be starting, and the musician sees the dialog
    // meanwhile, its lists greyed until they are filled.
    void loadOnceDrawn();
    // Lists and opens the defaults now if that was still left to do.
    void finishLoad();
    // Lists the devices afresh for a dialog shown again, keeping each list's
    // choice by name; a chosen device that has gone stays, marked as gone.
    void refreshLists();

protected:
    void moveEvent(QMoveEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void centre();
    void listOutputs();
    void listInputs();
    void openDefaults();
    void CmdOk_Click();

    MidiOutput& output_;
    MidiInput& input_;
    QComboBox* ComboMidiIn;
    QComboBox* ComboMidiOut;
    // Until a window manager has framed the window its frame is not known,
    // and the load can only centre the client area; the window manager's
    // first move of the shown dialog lets the whole frame be centred.
    bool centreWhenFramed_ = false;
    bool listingLeft_ = false;
};

} // namespace quorvane
