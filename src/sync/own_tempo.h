#pragma once

#include "sync/snapshot_cell.h"
#include "sync/sync_source.h"

namespace quorvane {

// The program's own beat at the tempo of the sync window's box: it always
// runs. Its ticks are the ones the program sends as MIDI clock, so notes on
// its lines and the clock's ticks fall together. Set on the user-interface
// thread; the JACK process callback reads the timeline.
class OwnTempo : public SyncSource {
public:
    static constexpr double defaultBpm = 120;
    static constexpr double lowestBpm = 20;
    static constexpr double highestBpm = 300;
    // A change of tempo takes effect at the first tick this far ahead, so
    // that the ticks already on their way keep theirs.
    static constexpr std::int64_t changeAheadNs = 50'000'000;

    explicit OwnTempo(std::int64_t nowNs);

    // Held to 20..300 bpm.
    void setBpm(double bpm, std::int64_t nowNs);
    double bpm() const { return timeline_.load().bpm(); }
    const SnapshotCell<BeatTimeline>& timeline() const { return timeline_; }

    SyncStatus status(std::int64_t nowNs) const override;
    std::optional<std::int64_t> lineAtOrAfter(std::int64_t timeNs, GridDivision division) const override;

private:
    SnapshotCell<BeatTimeline> timeline_;
};

// The status of a source whose beat a timeline describes.
SyncStatus statusOf(const BeatTimeline& timeline, std::int64_t nowNs);

} // namespace quorvane
