#pragma once

#include "midi/midi_input.h"
#include "midi/midi_output.h"

#include <QPointer>

class QWidget;

namespace quorvane {

class MIDISetupForm;

// The one device dialog of the program and its life cycle: not loaded until
// first shown; "Ok" hides it with its lists and selections; "Cancel", Escape or
// the close box discard it, and the next show builds a new one, which puts
// the default devices into use again at once.
class MidiSetup {
public:
    MidiSetup(MidiOutput& output, MidiInput& input, QWidget* parent = nullptr);
    ~MidiSetup();
    MidiSetup(const MidiSetup&) = delete;
    MidiSetup& operator=(const MidiSetup&) = delete;

    // Shows the dialog modally, loading it first when none is loaded, and
    // returns once it is hidden or discarded.
    void showModal();

    bool isLoaded() const { return !form_.isNull(); }

    // Drops a loaded dialog, so that the next show lists the devices afresh
    // (after the MIDI system went away, its lists name ports that are gone).
    // A dialog that is loading or open is dropped once it closes: deleting it
    // then would pull it from under its own load or modal loop.
    void discard();

private:
    MidiOutput& output_;
    MidiInput& input_;
    QWidget* parent_;
    QPointer<MIDISetupForm> form_; // null when not loaded; the parent may discard it first
    bool inUse_ = false;           // loading or shown: not to be deleted now
    bool stale_ = false;           // discarded while in use: dropped when it closes
};

} // namespace quorvane
