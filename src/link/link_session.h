#pragma once

#include "sync/audio_beat.h"
#include "sync/beat_timeline.h"
#include "sync/sync_source.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>

namespace quorvane {

// A Link session on the local network as the beat of the program's grid:
// tempo, beat and bar phase shared with every peer, with a bar of four beats.
// Nothing goes on the network until the session is joined (setEnabled), and
// nothing after it is left.
//
// The user-interface thread joins, leaves, proposes a tempo, starts and stops
// the session's transport and reads the lines (the library's application
// capture). The JACK process callback reads the beat with timelineForAudio
// (the library's real-time capture). The library's own threads only store
// what peers changed in atomics here, which the sync window polls.
class LinkSession : public SyncSource, public AudioBeat {
public:
    // Beats to the bar: the phase all peers share.
    static constexpr double quantum = 4;

    LinkSession();
    ~LinkSession() override;
    LinkSession(const LinkSession&) = delete;
    LinkSession& operator=(const LinkSession&) = delete;

    // Joins the session, or leaves it. User-interface thread.
    void setEnabled(bool on);
    bool isEnabled() const { return enabled_.load(std::memory_order_relaxed); }
    // Whether the session's start and stop reach this program, and its own
    // reach the session.
    void setStartStopSync(bool on);
    bool startStopSync() const { return startStopSync_.load(std::memory_order_relaxed); }

    // Asks every peer to change to this tempo from the given moment. Held to
    // the program's 20..300 bpm.
    void proposeTempo(double bpm, std::int64_t atNs);
    // Starts or stops the session's transport (with start/stop sync, every
    // peer's). A start keeps the bar phase: beat 0 of the session's bar falls
    // at the first bar line from `atNs`.
    void setPlaying(bool playing, std::int64_t atNs);

    // As last heard from the session, on any thread.
    std::size_t peers() const { return peers_.load(std::memory_order_relaxed); }
    double tempo() const { return tempo_.load(std::memory_order_relaxed); }
    bool isPlaying() const { return playing_.load(std::memory_order_relaxed); }
    // Counts every start and stop heard from the session, so a poller sees
    // one it has not handled even when it missed the state in between.
    std::uint64_t transportChanges() const { return transportChanges_.load(std::memory_order_acquire); }
    // The moment the session's transport last started or stopped.
    std::int64_t transportChangedAt() const;

    // How long after the moment a message is stamped for its sound comes
    // out (the output's sound latency): lines are given that much early, so
    // that their notes sound on the session's beat.
    void setOutputLatency(std::int64_t ns) { outputLatencyNs_.store(ns, std::memory_order_relaxed); }
    // The first lines of a run wait for this moment (a bar line the run is
    // to start on), for the lines of runs started until it is cleared.
    void holdLinesUntil(std::int64_t timeNs) { linesFromNs_ = timeNs; }
    // The first bar line (beat 1 of 4) at or after a moment, also while
    // the session's transport is stopped.
    std::optional<std::int64_t> barAtOrAfter(std::int64_t timeNs) const;

    // Bar and beat counted in the session's bars (beat 1 to 4). Stopped
    // while the session's transport is, with start/stop sync on; no lines
    // then.
    SyncStatus status(std::int64_t nowNs) const override;
    std::optional<std::int64_t> lineAtOrAfter(std::int64_t timeNs, GridDivision division) const override;
    // With start/stop sync a run starts on a bar line, as the peers' do:
    // "Do it" while the session plays waits for its next bar.
    std::optional<std::int64_t> firstLineAtOrAfter(std::int64_t timeNs, GridDivision division) const override;

    // The beat at a moment as a timeline, from the real-time capture: for
    // the thread that sends the MIDI clock. Never locks or allocates.
    BeatTimeline timelineForAudio(std::int64_t nowNs) const override;

private:
    struct Peer;
    // The beat around a moment as the user-interface thread sees it.
    BeatTimeline timelineAt(std::int64_t timeNs) const;

    std::unique_ptr<Peer> peer_; // made when first joined
    std::atomic<Peer*> audioPeer_{nullptr};
    std::atomic<bool> enabled_{false};
    std::atomic<bool> startStopSync_{false};
    std::atomic<std::size_t> peers_{0};
    std::atomic<double> tempo_{120};
    std::atomic<bool> playing_{false};
    std::atomic<std::uint64_t> transportChanges_{0};
    std::atomic<std::int64_t> outputLatencyNs_{0};
    std::int64_t linesFromNs_ = 0;
};

} // namespace quorvane
