#include "link_peer.h"

#include <ableton/Link.hpp>

#include <ctime>

namespace {

constexpr double quantum = 4;

std::int64_t nowNs(clockid_t clock)
{
    timespec now{};
    ::clock_gettime(clock, &now);
    return std::int64_t{now.tv_sec} * 1'000'000'000 + now.tv_nsec;
}

} // namespace

struct LinkPeer::Session {
    explicit Session(double bpm) : link(bpm) { }
    ableton::Link link;
};

LinkPeer::LinkPeer(double bpm) : session_(std::make_unique<Session>(bpm)) { }

LinkPeer::~LinkPeer()
{
    session_->link.enable(false);
}

void LinkPeer::setEnabled(bool on)
{
    session_->link.enable(on);
}

void LinkPeer::setStartStopSync(bool on)
{
    session_->link.enableStartStopSync(on);
}

std::size_t LinkPeer::peers() const
{
    return session_->link.numPeers();
}

double LinkPeer::tempo() const
{
    return session_->link.captureAppSessionState().tempo();
}

void LinkPeer::setTempo(double bpm)
{
    auto state = session_->link.captureAppSessionState();
    state.setTempo(bpm, session_->link.clock().micros());
    session_->link.commitAppSessionState(state);
}

bool LinkPeer::isPlaying() const
{
    return session_->link.captureAppSessionState().isPlaying();
}

void LinkPeer::setPlaying(bool playing)
{
    auto state = session_->link.captureAppSessionState();
    state.setIsPlayingAndRequestBeatAtTime(playing, session_->link.clock().micros(), 0, quantum);
    session_->link.commitAppSessionState(state);
}

double LinkPeer::beatAt(std::int64_t steadyNs) const
{
    const std::int64_t rawNs = steadyNs - (nowNs(CLOCK_MONOTONIC) - nowNs(CLOCK_MONOTONIC_RAW));
    const auto at = std::chrono::microseconds(rawNs / 1000);
    // The microsecond cut off, as beats.
    const double tempo = session_->link.captureAppSessionState().tempo();
    return session_->link.captureAppSessionState().beatAtTime(at, quantum) + (rawNs % 1000) * tempo / 60e12;
}
