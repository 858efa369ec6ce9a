#pragma once

#include "host.h"
#include "panel.h"

#include "midi_output.h"
#include "variant.h"

#include <array>

namespace quorvane {

// The composition state of the main window and everything that plays it: the
// mode flags, the settings guards, the MIDI message senders, the pause and the
// two formula loops. It keeps no copy of the settings: it reads the panel's
// boxes when it needs them.
class Composer {
public:
    Composer(Panel& panel, Host& host, MidiOutput& output);

    // Program-wide: the channel added to every status byte (always 0, so
    // channel 1) and the patch last chosen per channel.
    int midiChannel = 0;
    std::array<int, 16> channelPatch{};

    Variant startNote;
    Variant startNoteOff;
    Variant prevStartNote;

    // Mode flags: 0 pitch, 1 velocity, 2 programme change, 3 pan.
    std::array<int, 4> doMode{};

    // Click of any CheckDoMode box: reads all four into doMode and shows them
    // in TextDoMode as ", 1, 0, 0, 1".
    void refreshModeFlags();

    // Text-change guards of the settings boxes.
    void delayTextChanged();
    void transposeTextChanged(int mode);
    void moduloTextChanged();

    // The senders: transposition, the message written field by field, the
    // display of the value played; and the pause between sends.
    void PitchOn();
    void VelOn();
    void ProgOn();
    void PanOn();
    void PitchOff();
    void DoSleep();

    // Selection of entry index in the patch list: records it for the channel
    // and sends the programme change.
    void patchSelected(int index);

    // The formula loops run inside the click of their "Do it" and return when
    // their running flag is cleared by "Stop it".
    void runMixmaster();
    void stopMixmaster();
    void runWondrousness();
    void stopWondrousness();
    bool mixRunning() const { return mixRunning_; }
    bool wondrousRunning() const { return wondrousRunning_; }

    Panel& panel() { return panel_; }
    Host& host() { return host_; }
    MidiOutput& output() { return output_; }

private:
    Panel& panel_;
    Host& host_;
    MidiOutput& output_;
    bool mixRunning_ = false;
    bool wondrousRunning_ = false;
};

} // namespace quorvane
