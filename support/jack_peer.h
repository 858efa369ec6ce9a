#pragma once

#include <jack/jack.h>

#include <cstdint>
#include <mutex>
#include <vector>

// An outside JACK client of the test's own, "peer": it plays raw events into
// its "peer:out" (one JACK event per entry, as a device would deliver them)
// and keeps what reaches "peer:in" with the frame each event was heard at.
class JackPeer {
public:
    using Bytes = std::vector<std::uint8_t>;
    struct Heard {
        Bytes bytes;
        jack_nframes_t frame;
    };

    JackPeer() = default;
    ~JackPeer();
    JackPeer(const JackPeer&) = delete;
    JackPeer& operator=(const JackPeer&) = delete;

    bool open(); // on the server of JACK_DEFAULT_SERVER
    void close();
    void play(std::vector<Bytes> events);
    std::vector<Heard> heard();
    std::size_t heardCount();
    void forget();

private:
    static int process(jack_nframes_t frames, void* self);

    jack_client_t* client_ = nullptr;
    jack_port_t* out_ = nullptr;
    jack_port_t* in_ = nullptr;
    std::mutex mutex_;
    std::vector<Bytes> toPlay_;
    std::vector<Heard> heard_;
};
