#pragma once

#include "devices/clock_out_plan.h"
#include "devices/jack_event_writer.h"
#include "devices/jack_frame_clock.h"
#include "sync/audio_beat.h"
#include "sync/beat_timeline.h"
#include "sync/snapshot_cell.h"

#include <cstddef>
#include <cstdint>

namespace quorvane {

// The MIDI clock the program sends under JACK, made in the process callback
// at the frames of its ticks: on its own beat at the moments the beat's
// timeline gives, relayed from the clock at the input, or at the ticks of
// the JACK transport's bar and beat or of a network session, Start right
// before the tick of a run's first line, Stop as soon as the run ends. Each
// output port's writer merges the cycle's clock with its queued messages.
// Real-time safe: no lock, no allocation.
class JackClockOut {
public:
    // The beats outlive the client; ownBeat and session may be null (no
    // clock of its own, no network session).
    JackClockOut(const SnapshotCell<ClockOutPlan>& plan, const SnapshotCell<BeatTimeline>* ownBeat,
                 const AudioBeat* session)
        : planCell_(plan), ownBeatCell_(ownBeat), session_(session)
    { }

    // Once a cycle, before the outputs are written, with the transport's
    // beat in this cycle.
    void makeCycle(const JackFrameClock& clock, const BeatTimeline& transport);
    // Whether cycles may pass without being made: the clock is off, was off
    // when the last one was made (so no Stop is owed), and the program's
    // beat is not the transport's, whose reading the runs want every cycle.
    bool resting() const;
    // A tick of the clock at the input, heard at offset of this cycle: while
    // the clock follows it, the same tick goes out at the same frame.
    void relayTick(const JackFrameClock& clock, jack_nframes_t offset);

    // The clock of this cycle as one port's stream of events.
    class Stream : public CycleEvents {
    public:
        explicit Stream(const JackClockOut& clock) : clock_(clock) { }
        bool nextOffset(jack_nframes_t& offset) override;
        bool writeNext(void* buffer, jack_nframes_t offset) override;

    private:
        const JackClockOut& clock_;
        std::size_t next_ = 0;
    };

private:
    struct Event {
        jack_nframes_t offset;
        std::uint8_t status;
    };
    // The most a cycle can hold: 8192 frames at 22 kHz at 300 bpm is 44
    // ticks, with a Stop and a Start.
    static constexpr std::size_t maxEvents = 64;

    void add(double offset, std::uint8_t status);
    void makeTicks(const JackFrameClock& clock);

    const SnapshotCell<ClockOutPlan>& planCell_;
    const SnapshotCell<BeatTimeline>* ownBeatCell_;
    const AudioBeat* session_;
    ClockOutPlan plan_{};
    BeatTimeline beat_{};
    ClockStartStop startStop_;
    bool ticking_ = false;
    double nextTick_ = 0;
    Event events_[maxEvents] = {};
    std::size_t count_ = 0;
};

} // namespace quorvane
