#pragma once

#include "engine/composer.h"
#include "engine/pass_observer.h"
#include "engine/qt_host.h"
#include "devices/midi_system.h"
#include "devices/outside_beat.h"
#include "devices/system_clock_out.h"
#include "midi/guarded_output.h"
#include "midi/midi_input.h"
#include "midi/midi_output.h"
#include "midi/play_observer.h"
#include "synth/synth_output.h"
#include "ui/main/frm_main.h"
#include "ui/record/take_recording.h"
#include "ui/setup/midi_setup.h"
#include "ui/sync/sync_window.h"
#include "link/link_session.h"
#include "sync/own_tempo.h"

#include <future>
#include <memory>

namespace quorvane {

// The running program, the one place its parts are made and wired together
// as they work for the user: the MIDI system, the host, the two MIDI
// components, the composer, the observers of what plays, the recording, the
// main window that shows them, the device dialog and the sync window with
// the beats it offers.
class Program {
public:
    // The devices of this desktop (app/desktop_devices.h): the built-in
    // synthesizer and the MIDI system's ports for output, the MIDI system's
    // ports for input. The device dialog comes on screen without waiting for
    // either: the synthesizer reads its sound font in the background, the
    // MIDI system is looked for while the dialog is built, and the main
    // window's controls are built once the dialog is drawn.
    Program();
    // The same, with a synthesizer of these options (such as another sound font).
    explicit Program(SynthOptions synth);
    // Other devices, such as the in-memory ones of tests.
    Program(std::unique_ptr<OutputBackend> output, std::unique_ptr<InputBackend> input);
    // Other devices and a host of the caller's, such as a scripted one.
    Program(std::unique_ptr<OutputBackend> output, std::unique_ptr<InputBackend> input, Host& host);
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    // The start-up sequence (with the device dialog), the takes a killed
    // program left unwritten offered for recovery, then the window shows.
    void start();

    Host& host() { return host_; }
    FrmMain& window() { return window_; }
    MidiSetup& setup() { return setup_; }
    Composer& composer() { return composer_; }
    TakeRecording& recording() { return recording_; }
    OwnTempo& ownTempo() { return ownTempo_; }
    MidiClockOut& clockOut() { return clockOut_; }
    LinkSession& link() { return link_; }
    // Whoever wants to see or keep what plays adds itself here: the
    // messages in and out, and the numbers of the passes.
    PlayObservers& playObservers() { return playObservers_; }
    PassObservers& passObservers() { return passObservers_; }

private:
    // Null devices: the desktop's, with that synthesizer; a null host: a
    // QtHost of the program's own.
    Program(std::unique_ptr<OutputBackend> output, std::unique_ptr<InputBackend> input, Host* host,
            SynthOptions synth = {});
    // The output's devices, guarded so that the clock thread can send too.
    std::unique_ptr<OutputBackend> guarded(std::unique_ptr<OutputBackend> output);
    // Hands the system the program's own beat, then looks for the desktop's
    // system on a thread of its own.
    std::future<void> findSystem();
    void connectParts();
    void buildWindowBehindTheDialog();

    const bool desktop_; // the devices of this desktop, not handed in
    std::unique_ptr<QtHost> ownHost_;
    Host& host_;
    // The beats the program's MIDI clock keeps to: the "Tempo" source's and
    // the Link session's (joined only while the sync window's source is
    // Link). Handed to the system before it is looked for, made before it
    // and gone after it: its JACK process callback and its clock thread
    // read them from the first cycle to the last.
    OwnTempo ownTempo_;
    LinkSession link_;
    MidiSystem system_; // made before the devices: they talk to it until they are gone
    // The MIDI system looked for on a thread of its own while the windows
    // are built; whoever asks for it meanwhile waits on its lock.
    std::future<void> systemFound_;
    // Made before whoever reports to them or listens, and gone after.
    PlayObservers playObservers_;
    PassObservers passObservers_;
    GuardedOutput* guardedOutput_ = nullptr; // owned by output_
    MidiOutput output_;
    MidiInput input_;
    // What the input's MIDI system forwards by as a message arrives: its
    // back end's, or the program's own for devices that bring none.
    InputThru& thru_;
    // The window is the composer's panel, so it comes before the composer.
    FrmMain window_;
    Composer composer_;
    TakeRecording recording_;
    MidiSetup setup_;
    SystemClockOut clockOut_;
    OutsideBeat clockIn_;
    OutsideBeat transport_;
    // Made on first use; goes before the window it belongs to.
    std::unique_ptr<SyncWindow> syncWindow_;
};

} // namespace quorvane
