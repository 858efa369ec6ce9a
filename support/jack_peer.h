#pragma once

#include <QString>
#include <jack/jack.h>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

// An outside JACK client of the test's own, "peer" unless named otherwise: it
// plays raw events into its "out" at the start of a cycle (one JACK event per
// entry, as a device would deliver them), noting that cycle's first frame, and
// keeps what reaches its "in" with the frame each event was heard at.
class JackPeer {
public:
    using Bytes = std::vector<std::uint8_t>;
    struct Heard {
        Bytes bytes;
        jack_nframes_t frame;
    };

    explicit JackPeer(const char* name = "peer") : name_(name) { }
    ~JackPeer();
    JackPeer(const JackPeer&) = delete;
    JackPeer& operator=(const JackPeer&) = delete;

    bool open(); // on the server of JACK_DEFAULT_SERVER
    QString inPort() const { return QString::fromLatin1(name_) + QStringLiteral(":in"); }
    QString outPort() const { return QString::fromLatin1(name_) + QStringLiteral(":out"); }
    void close();
    // In the next cycle, at this frame offset within it.
    void play(std::vector<Bytes> events, jack_nframes_t offset = 0);
    std::vector<Heard> heard();
    std::size_t heardCount();
    std::vector<jack_nframes_t> playedFrames(); // one per play() that went out
    int xruns() const { return xruns_; }        // the server's, since open()
    // Cycles whose start the server placed off its period by more than a
    // fifth of a millisecond (a late wake-up of its driver that it does not
    // report as an xrun): its clock then moves against the frames, and every
    // client's mapping of the two with it.
    int lateCycles() const { return lateCycles_; }
    void forget();
    // Sets the server's transport rolling from the start, as a user's
    // transport control does (the timebase, if any, is another client's).
    void rollTransport();
    // Stops the transport where it stands, and sets it rolling on from there.
    void stopTransport();
    void continueTransport();
    // While the transport rolls with a timebase master: its position in
    // beats at the start of each cycle (since open() or forget()).
    struct TransportBeat {
        jack_nframes_t frame;
        double beats;
    };
    std::vector<TransportBeat> transportBeats();
    // A frame of the server as a moment of JACK's own clock, in microseconds.
    jack_time_t frameTime(jack_nframes_t frame) const { return jack_frames_to_time(client_, frame); }

private:
    static int process(jack_nframes_t frames, void* self);
    void exchange(jack_nframes_t frames); // the callback's work, under the lock
    static int xrun(void* self);

    const char* name_;
    jack_client_t* client_ = nullptr;
    jack_port_t* out_ = nullptr;
    jack_port_t* in_ = nullptr;
    std::mutex mutex_;
    std::vector<Bytes> toPlay_;
    jack_nframes_t playOffset_ = 0;
    std::vector<Heard> heard_;
    std::vector<jack_nframes_t> played_;
    std::atomic<int> xruns_{0};
    std::atomic<int> lateCycles_{0};
    jack_time_t lastCycleUs_ = 0; // the callback's own
    std::vector<TransportBeat> transport_;
};
