#include "link/link_session.h"

#include "link/link_clock.h"
#include "sync/own_tempo.h"

#include <ableton/Link.hpp>

#include <algorithm>
#include <cmath>

namespace quorvane {

namespace {

constexpr double lowestBpm = 20;
constexpr double highestBpm = 300;
// The session counts time in microseconds: closer than that is the same moment.
constexpr std::int64_t sessionTickNs = 1000;

// The session's beat around a moment as a straight line on the steady clock,
// for a message whose sound comes out `latencyNs` after its stamp: the tick
// a moment stands at is the session's tick when that message sounds. Ticks are
// counted from the session's beat 0, whose phase in the bar all peers share,
// so every grid line (a whole number of ticks) is a line of the session's bar.
BeatTimeline timelineOf(const ableton::Link::SessionState& state, std::int64_t timeNs, std::int64_t latencyNs)
{
    const std::chrono::microseconds heardAt = sessionTimeAt(timeNs + latencyNs);
    BeatTimeline beat;
    beat.state = SourceState::Running;
    beat.originNs = steadyTimeAt(heardAt) - latencyNs;
    beat.originTick = state.beatAtTime(heardAt, LinkSession::quantum) * clockTicksPerQuarter;
    beat.nsPerTick = 60e9 / (state.tempo() * clockTicksPerQuarter);
    beat.beatsPerBar = static_cast<int>(LinkSession::quantum);
    return beat;
}

} // namespace

struct LinkSession::Peer {
    explicit Peer(double bpm) : link(bpm) { }
    ableton::Link link;
};

LinkSession::LinkSession() = default;

LinkSession::~LinkSession()
{
    audioPeer_.store(nullptr, std::memory_order_release);
    // Gone first, with its threads, while the atomics its callbacks store
    // into are still here.
    if (peer_)
        peer_->link.enable(false);
    peer_.reset();
}

void LinkSession::setEnabled(bool on)
{
    if (on && !peer_) {
        peer_ = std::make_unique<Peer>(tempo());
        // The library's threads: store and count, nothing more.
        peer_->link.setNumPeersCallback([this](std::size_t count) { peers_.store(count, std::memory_order_relaxed); });
        peer_->link.setTempoCallback([this](double bpm) { tempo_.store(bpm, std::memory_order_relaxed); });
        peer_->link.setStartStopCallback([this](bool playing) {
            playing_.store(playing, std::memory_order_relaxed);
            transportChanges_.fetch_add(1, std::memory_order_release);
        });
        peer_->link.enableStartStopSync(startStopSync());
        audioPeer_.store(peer_.get(), std::memory_order_release);
    }
    if (peer_)
        peer_->link.enable(on);
    if (!on)
        peers_.store(0, std::memory_order_relaxed);
    enabled_.store(on, std::memory_order_relaxed);
}

void LinkSession::setStartStopSync(bool on)
{
    startStopSync_.store(on, std::memory_order_relaxed);
    if (peer_)
        peer_->link.enableStartStopSync(on);
}

void LinkSession::proposeTempo(double bpm, std::int64_t atNs)
{
    if (!std::isfinite(bpm))
        return;
    bpm = std::clamp(bpm, lowestBpm, highestBpm);
    tempo_.store(bpm, std::memory_order_relaxed);
    if (!peer_)
        return;
    auto state = peer_->link.captureAppSessionState();
    state.setTempo(bpm, sessionTimeAt(atNs));
    peer_->link.commitAppSessionState(state);
}

void LinkSession::setPlaying(bool playing, std::int64_t atNs)
{
    if (!peer_)
        return;
    auto state = peer_->link.captureAppSessionState();
    if (state.isPlaying() == playing)
        return;
    state.setIsPlayingAndRequestBeatAtTime(playing, sessionTimeAt(atNs), 0, quantum);
    peer_->link.commitAppSessionState(state);
    // Known here at once, before the library's thread tells it back.
    playing_.store(playing, std::memory_order_relaxed);
}

std::int64_t LinkSession::transportChangedAt() const
{
    if (!peer_)
        return 0;
    return steadyTimeAt(peer_->link.captureAppSessionState().timeForIsPlaying());
}

BeatTimeline LinkSession::timelineAt(std::int64_t timeNs) const
{
    if (!peer_ || !isEnabled())
        return BeatTimeline{};
    BeatTimeline beat
        = timelineOf(peer_->link.captureAppSessionState(), timeNs, outputLatencyNs_.load(std::memory_order_relaxed));
    // With start/stop sync the runs keep to the session's transport: a
    // stopped session holds them.
    if (startStopSync() && !isPlaying())
        beat.state = SourceState::Stopped;
    return beat;
}

BeatTimeline LinkSession::timelineForAudio(std::int64_t nowNs) const
{
    Peer* peer = audioPeer_.load(std::memory_order_acquire);
    if (!peer || !isEnabled())
        return BeatTimeline{};
    return timelineOf(peer->link.captureAudioSessionState(), nowNs, outputLatencyNs_.load(std::memory_order_relaxed));
}

std::optional<std::int64_t> LinkSession::barAtOrAfter(std::int64_t timeNs) const
{
    const BeatTimeline beat = timelineAt(timeNs);
    if (beat.state == SourceState::NoSignal)
        return std::nullopt;
    const double ticksPerBar = quantum * clockTicksPerQuarter;
    return beat.timeOfTick(std::ceil(beat.tickAt(timeNs - sessionTickNs) / ticksPerBar) * ticksPerBar);
}

SyncStatus LinkSession::status(std::int64_t nowNs) const
{
    const BeatTimeline beat = timelineAt(nowNs);
    SyncStatus status = statusOf(beat, nowNs);
    if (status.state == SourceState::NoSignal)
        return status;
    // The beat in the bar from the session's phase, which the peers share,
    // also while this program's beat count is below 0 (before a start).
    const double beats = beat.tickAt(nowNs) / clockTicksPerQuarter;
    const double bars = std::floor(beats / quantum);
    status.bar = static_cast<int>(bars) + 1;
    status.beat = std::clamp(static_cast<int>(std::floor(beats - bars * quantum)), 0, int(quantum) - 1) + 1;
    return status;
}

std::optional<std::int64_t> LinkSession::firstLineAtOrAfter(std::int64_t timeNs, GridDivision division) const
{
    if (!startStopSync())
        return lineAtOrAfter(timeNs, division);
    if (!lineAtOrAfter(timeNs, division))
        return std::nullopt; // the session does not run
    // The held bar line itself, read again, is the bar to start on.
    return barAtOrAfter(std::max(timeNs, linesFromNs_));
}

std::optional<std::int64_t> LinkSession::lineAtOrAfter(std::int64_t timeNs, GridDivision division) const
{
    const std::int64_t from = std::max(timeNs, linesFromNs_);
    const BeatTimeline beat = timelineAt(from);
    if (beat.state != SourceState::Running)
        return std::nullopt;
    // A line within the session's microsecond before the moment is on it:
    // the held bar line, read again, must not move on to the next line.
    return beat.lineAtOrAfter(from - sessionTickNs, division);
}

} // namespace quorvane
