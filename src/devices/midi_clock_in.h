#pragma once

#include "devices/clock_in_tracker.h"
#include "sync/sync_source.h"

namespace quorvane {

// "MIDI Clock In" as a source of the runs' beat: what the tracker of the
// input's clock last published, read on the user-interface thread. A clock
// that has run but sent nothing for half a second counts as gone, and the
// runs hold until it comes back.
class MidiClockIn : public SyncSource {
public:
    static constexpr std::int64_t silenceNs = 500'000'000;

    explicit MidiClockIn(const SnapshotCell<ClockInReading>& reading) : reading_(reading) { }

    SyncStatus status(std::int64_t nowNs) const override;
    std::optional<std::int64_t> lineAtOrAfter(std::int64_t timeNs, GridDivision division) const override;

    // The beat as it stands at nowNs: no signal once the clock went silent.
    BeatTimeline beatAt(std::int64_t nowNs) const;

private:
    const SnapshotCell<ClockInReading>& reading_;
};

} // namespace quorvane
