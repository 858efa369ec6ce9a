#pragma once

#include "engine/formulas_and_modes.h"
#include "engine/host.h"
#include "engine/note_range.h"
#include "engine/panel.h"
#include "engine/pass_clock.h"
#include "engine/pass_observer.h"
#include "engine/scale.h"

#include "midi/midi_bytes.h"
#include "midi/midi_output.h"
#include "values/variant.h"

#include <array>
#include <optional>

namespace quorvane {

// The composition state of the main window and everything that plays it: the
// mode flags, the settings guards, the MIDI message senders, the pause and the
// two formula loops. It keeps no copy of the settings: it reads the panel's
// boxes when it needs them.
class Composer {
public:
    Composer(Panel& panel, Host& host, MidiOutput& output);

    // Program-wide: the channel added to every status byte (always 0, so
    // channel 1) and the patch last chosen for a channel.
    int midiChannel() const { return midiChannel_; }
    int channelPatch(int channel) const;

    // The number a pass computed and plays (StartNote), the note the next
    // pass switches off (StartNoteOff) and the number of the pass before
    // (PrevStartNote). The senders play StartNote, so setting it and calling
    // one plays that sender on its own.
    const Variant& startNote() const { return startNote_; }
    void setStartNote(const Variant& number) { startNote_ = number; }
    const Variant& startNoteOff() const { return startNoteOff_; }
    void setStartNoteOff(const Variant& note) { startNoteOff_ = note; }
    const Variant& prevStartNote() const { return prevStartNote_; }

    // Whether a pass plays this mode when its turn comes (DoMode).
    bool modeOn(Mode mode) const { return doMode_[static_cast<std::size_t>(indexOf(mode))]; }
    void setModeOn(Mode mode, bool on) { doMode_[static_cast<std::size_t>(indexOf(mode))] = on; }
    // Click of any CheckDoMode box: reads all four and shows them in
    // TextDoMode as ", 1, 0, 0, 1".
    void refreshModeFlags();

    // Text-change guards of the settings boxes: an emptied delay or
    // transposition becomes "0", a modulo above 30000 becomes "30000", and a
    // box that holds no usable number is marked until it holds one again.
    void delayTextChanged();
    void transposeTextChanged(Mode mode);
    void moduloTextChanged();
    // The same live mark for the other boxes the engine reads as numbers:
    // the start note and the result boxes of the pitch and velocity modes
    // (the note of the velocity mode and the velocity of the pitch mode). The
    // other results are only shown, never read, so they are never marked.
    void startNoteTextChanged();
    void resultTextChanged(Mode mode);
    // PitchMin and PitchMax: each a whole note number 0..127, the minimum
    // not above the maximum; both marked while they hold no usable range,
    // and while "Use Min/Max" holds the notes in a range without a note of
    // the chosen scale.
    void noteRangeTextChanged();

    // The scale and key the pitch mode keeps its notes to, from the next
    // note on; chromatic (the default) moves nothing. A range of "Use
    // Min/Max" without a note of the new scale is marked at once.
    void setScale(const ScaleChoice& choice);
    const ScaleChoice& scale() const { return scale_; }

    // The senders: transposition, the message written field by field, the
    // display of the value played; and the pause between sends.
    void PitchOn();
    void VelOn();
    void ProgOn();
    void PanOn();
    void PitchOff();
    void DoSleep();

    // The "Test" button: middle C at this velocity, 0 to end it.
    void testNote(int velocity);

    // Switches off the note a formula struck last, if it still sounds. Unlike
    // PitchOff, which switches off the note of the pass before, this is right
    // at any moment of a pass, also during its pause: it is what the end of
    // the program sends.
    void silenceSoundingNote();

    // Selection of entry index in the patch list: records it for the channel
    // and sends the programme change.
    void patchSelected(int index);
    // The same for a programme change the output already has: recorded only.
    void patchFollowed(int index);

    // The formula loops run inside the click of their "Do it" and return when
    // their running flag is cleared by "Stop it" (the pass under way is
    // finished first). Each pass begins with the host's yield, where every
    // click is handled: a second "Do it" of the same formula runs a second
    // loop nested in the first that shares its flag, so one "Stop it" ends
    // both; the other formula's "Do it" runs that loop nested in this one.
    // When the host says the program is ending, a loop returns at once and
    // sends nothing more.
    void runMixmaster();
    void stopMixmaster();
    void runWondrousness();
    void stopWondrousness();
    bool mixRunning() const { return mixRunning_; }
    bool wondrousRunning() const { return wondrousRunning_; }

    // Told of the numbers of every pass; nullptr for nobody.
    void setObserver(PassObserver* observer) { observer_ = observer; }

    // The grid the runs keep to, from the next pause on: every pause ends on
    // a line of the source, and the messages of a pass are sent for its
    // line. No source: "Free (Delay)", each pause its own delay. While the
    // source does not run, a run holds at its next pass: the note that
    // sounds is switched off, and the run goes on at the next line once the
    // source runs again. "Stop it" and the program's end work meanwhile.
    void setGrid(const SyncSource* source, GridDivision division) { passClock_.setGrid(source, division); }
    // Told when the first run starts and the last one ends; nullptr for nobody.
    void setRunMarks(RunMarks* marks) { runMarks_ = marks; }

    MidiOutput& output() { return output_; }

private:
    // A box read as a number: its value, or designValue when it holds no
    // number; the box is marked while its text is unusable.
    double numberInBox(const QString& box, double designValue);
    // The modulo of this pass, or nothing (no folding) when TextModulo holds
    // no usable number; marks the box accordingly.
    std::optional<double> moduloInBox();
    bool checked(const char* checkBox) const;
    // The range "Use Min/Max" holds the pitch mode's notes in, or nothing
    // when it is off or its boxes hold no usable range (they are marked).
    std::optional<NoteRange> noteRangeInBoxes();
    // The note PitchOn strikes for StartNote: kept to the scale, then to the
    // range of "Use Min/Max".
    Variant pitchNote();
    void noteOff(const Variant& note);
    void transpose(Mode mode);
    void display(Mode mode, const Variant& played);
    // What the next pass switches off: the number just played, except where
    // the sender struck another note: the velocity mode's note from
    // TextVal(0), or the pitch mode's note folded into its range.
    void rememberNoteOff();
    // Step 8 of a pass: the sender whose turn it is, then the pause. False
    // when the program started ending during the pause.
    bool playTurn(Mode modeTurn);
    // The note-off and the modulo fold of a pass; Mixmaster folds by the
    // number in TextModulo, Wondrousness always by 127.
    void noteOffAndFold(Formula formula);
    void fold(Formula formula);
    // The end of a run that was stopped (not one cut short by the program's
    // end): switch off the note the next pass would have switched off.
    void endRun();

    // At the start of a pass: holds while the grid's source does not run,
    // and waits for the first line of a run. False when the run was stopped
    // or the program started ending meanwhile.
    bool awaitPassTime(const bool& running);
    // The moment the pass under way is heard at.
    std::int64_t passHeardAt() const;

    // The span of a run, for the marks of the first start and the last end.
    class RunSpan {
    public:
        explicit RunSpan(Composer& composer);
        ~RunSpan();
        RunSpan(const RunSpan&) = delete;
        RunSpan& operator=(const RunSpan&) = delete;

    private:
        Composer& composer_;
    };

    // The messages of one pass are sent timed, at the pass's time; whatever
    // is sent outside a pass (the test note, the patch list, forwarded
    // input, the end of a run) as soon as possible.
    class PassSends {
    public:
        explicit PassSends(Composer& composer);
        ~PassSends() { composer_.output_.setSendTime(std::nullopt); }
        PassSends(const PassSends&) = delete;
        PassSends& operator=(const PassSends&) = delete;

    private:
        Composer& composer_;
    };

    Panel& panel_;
    Host& host_;
    MidiOutput& output_;
    int midiChannel_ = 0;
    std::array<int, midi::ChannelCount> channelPatch_{};
    Variant startNote_;
    Variant startNoteOff_;
    Variant prevStartNote_;
    bool mixRunning_ = false;
    bool wondrousRunning_ = false;
    std::array<bool, allModes.size()> doMode_{};
    std::optional<Variant> struckNote_;   // the note PitchOn or VelOn struck in this pass
    std::optional<Variant> soundingNote_; // struck by PitchOn or VelOn and not yet switched off
    PassObserver* observer_ = nullptr;
    ScaleChoice scale_;
    PassClock passClock_;
    RunMarks* runMarks_ = nullptr;
    int runsUnderWay_ = 0;
};

} // namespace quorvane
