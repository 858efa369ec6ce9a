#pragma once

#include "devices/clock_in_tracker.h"
#include "devices/clock_out_plan.h"
#include "midi/guarded_output.h"
#include "sync/audio_beat.h"
#include "sync/beat_timeline.h"
#include "sync/snapshot_cell.h"

#include <condition_variable>
#include <mutex>
#include <thread>

namespace quorvane {

// The MIDI clock sent by a thread of its own, for a system that plays what it
// is handed at once (the ALSA sequencer): each tick at its moment of the
// beat, through the output the formulas use, guarded so that no message is
// interleaved with another. It runs from its making to its end or to the
// plan's switching the clock off, and sends the Stop a run under way needs.
class SequencerClock {
public:
    // The beats it may follow: the program's own, the clock at the input
    // (whose ticks it sends at the moments the tracker predicts) and a
    // network session's (may be null).
    SequencerClock(const SnapshotCell<ClockOutPlan>& plan, const SnapshotCell<BeatTimeline>& ownBeat,
                   const SnapshotCell<BeatReading>& clockIn, const AudioBeat* session, GuardedOutput& output);
    ~SequencerClock();
    SequencerClock(const SequencerClock&) = delete;
    SequencerClock& operator=(const SequencerClock&) = delete;

    // The plan or the beat changed: looked at again before the next tick.
    void wake();
    bool running() const;

private:
    void run();

    const SnapshotCell<ClockOutPlan>& plan_;
    BeatTimeline beatOf(const ClockOutPlan& plan) const;

    const SnapshotCell<BeatTimeline>& ownBeat_;
    const SnapshotCell<BeatReading>& clockIn_;
    const AudioBeat* session_;
    GuardedOutput& output_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    bool changed_ = false;  // under mutex_
    bool stopping_ = false; // likewise
    bool ended_ = false;    // likewise
    std::thread thread_;
};

} // namespace quorvane
