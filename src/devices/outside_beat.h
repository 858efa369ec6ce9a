#pragma once

#include "sync/beat_timeline.h"
#include "sync/snapshot_cell.h"
#include "sync/sync_source.h"

#include <cstdint>

namespace quorvane {

// An outside beat as the real-time thread that follows it publishes it: the
// beat, and when it was last heard of (the last clock tick, the last JACK
// cycle), by which a reader tells one that went silent; and the tempo it
// states, where its position moves at a pace a little off it (the JACK
// transport of some timebase masters).
struct BeatReading {
    BeatTimeline beat;
    std::int64_t heardNs = 0;
    double statedBpm = 0; // the tempo it tells, when its beat moves otherwise; 0: the beat's
};

// An outside source of the runs' beat ("MIDI Clock In", "JACK Transport"):
// what its follower last published, read on the user-interface thread. One
// that ran but was not heard of for half a second (a clock gone quiet, a JACK
// server gone) counts as gone, and the runs hold until it comes back.
class OutsideBeat : public SyncSource {
public:
    static constexpr std::int64_t silenceNs = 500'000'000;

    explicit OutsideBeat(const SnapshotCell<BeatReading>& reading) : reading_(reading) { }

    SyncStatus status(std::int64_t nowNs) const override;
    std::optional<std::int64_t> lineAtOrAfter(std::int64_t timeNs, GridDivision division) const override;

    // The beat as it stands at nowNs: no signal once it went silent.
    BeatTimeline beatAt(std::int64_t nowNs) const;

private:
    const SnapshotCell<BeatReading>& reading_;
};

} // namespace quorvane
