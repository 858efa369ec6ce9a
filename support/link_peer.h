#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>

// Another program in the session, written with the session library's own
// API and its own clock, for the tests and the bench: what it hears and what
// it asks of the session are the library's, not the program's. Only ever
// made where privateNetworkFault() is empty.
class LinkPeer {
public:
    explicit LinkPeer(double bpm);
    ~LinkPeer();

    void setEnabled(bool on);
    void setStartStopSync(bool on);
    std::size_t peers() const;
    double tempo() const;
    void setTempo(double bpm);
    bool isPlaying() const;
    void setPlaying(bool playing);
    // The session's beat with a bar of four, at a moment of the steady
    // clock (converted by this peer's own reading of both clocks).
    double beatAt(std::int64_t steadyNs) const;

private:
    struct Session;
    std::unique_ptr<Session> session_;
};
