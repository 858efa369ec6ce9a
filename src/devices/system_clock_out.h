#pragma once

#include "devices/midi_system.h"
#include "devices/sequencer_clock.h"
#include "midi/guarded_output.h"
#include "midi/input_thru.h"
#include "sync/midi_clock_out.h"
#include "sync/own_tempo.h"

#include <memory>

namespace quorvane {

// The MIDI clock the program sends, on whichever MIDI system is in use. Under
// JACK the process callback writes it at the frames of its ticks (the plan
// reaches it through the MIDI system); under the ALSA sequencer a
// SequencerClock sends it through the output the formulas use.
class SystemClockOut : public MidiClockOut {
public:
    // thru: told whether this clock is sent, so that the one coming in is
    // not forwarded meanwhile.
    SystemClockOut(MidiSystem& system, const OwnTempo& ownTempo, GuardedOutput& output, InputThru& thru);

    void setSending(bool on) override;
    bool sending() const override { return plan_.on; }
    void follow(ClockFollows beat) override;
    void beatChanged() override;
    void runStarted(std::int64_t firstPassNs) override;
    void runEnded() override;

private:
    void publish();

    MidiSystem& system_;
    const OwnTempo& ownTempo_;
    GuardedOutput& output_;
    InputThru& thru_;
    ClockOutPlan plan_; // the user-interface thread's own copy
    std::unique_ptr<SequencerClock> sequencerClock_;
};

} // namespace quorvane
