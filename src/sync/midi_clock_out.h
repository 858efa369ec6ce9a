#pragma once

#include "sync/sync_source.h"

#include <cstdint>

namespace quorvane {

// Whose beat the MIDI clock the program sends keeps to: its own tempo (with
// "Free (Delay)" and "Tempo"), or an outside source's, relayed: the clock at
// the input, the JACK transport or a network session.
enum class ClockFollows : std::uint8_t { OwnTempo, ClockIn, Transport, Session };

// The MIDI clock the program sends to its output: 0xF8 24 times a quarter
// note while it is on, Start right before the tick of a run's first line and
// Stop when the run ends (the RunMarks).
class MidiClockOut : public RunMarks {
public:
    virtual void setSending(bool on) = 0;
    virtual bool sending() const = 0;
    virtual void follow(ClockFollows beat) = 0;
    // The beat it keeps to changed its tempo: the next tick is looked at
    // afresh.
    virtual void beatChanged() = 0;
};

} // namespace quorvane
