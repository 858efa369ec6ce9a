#pragma once

#include "devices/clock_in_tracker.h"
#include "devices/clock_out_plan.h"
#include "devices/jack_clock_out.h"
#include "devices/jack_frame_clock.h"
#include "devices/jack_thru_events.h"
#include "devices/jack_transport_follower.h"
#include "midi/input_thru.h"
#include "midi/midi_message.h"
#include "midi/stereo_playback.h"
#include "sync/beat_timeline.h"
#include "sync/snapshot_cell.h"

#include <QString>
#include <QStringList>
#include <jack/jack.h>
#include <jack/ringbuffer.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <semaphore.h>
#include <thread>

namespace quorvane {

// The program's one JACK client, owner of every port the program uses: the
// output to the chosen device, the virtual output others patch from, and the
// input. All MIDI goes through its process callback, by lock-free rings in
// both directions and a delivery thread of its own for the input; how a note
// and an input message travel, and on which thread, is in ARCHITECTURE.md.
class JackClient {
public:
    enum class Port { Output, VirtualOutput, Input };
    // forwarded: the process callback already wrote the message to the
    // output, in the cycle it came in.
    using Receiver = std::function<void(const MidiBytes& message, bool forwarded)>;

    // What the process callback shares with the rest of the program, owned
    // by the MIDI system so that it outlives every client.
    struct Shares {
        const SnapshotCell<ClockOutPlan>* clockPlan;
        const SnapshotCell<BeatTimeline>* ownBeat; // null: no beat of the program's own
        const AudioBeat* sessionBeat;              // null: no network session
        ClockInTracker* clockIn;                   // fed the clock at the input, at its frames
        SnapshotCell<BeatReading>* transport;      // the transport's beat: each cycle it is followed, else every 50 ms
        const InputThru* thru;                     // null: the input is never forwarded in the cycle
    };

    // Connects to the running server; nullptr when no server answers.
    static std::unique_ptr<JackClient> open(const QString& name, std::function<void()> onShutdown,
                                            const Shares& shares);
    ~JackClient();
    JackClient(const JackClient&) = delete;
    JackClient& operator=(const JackClient&) = delete;

    bool alive() const { return alive_; }
    QString portPrefix() const; // "Quorvane:", with the name the server gave us
    int sampleRate() const;
    // The rate of the running server, asked by a client of that name for the
    // moment; 0 when no server answers.
    static int serverSampleRate(const QString& name);

    // The MIDI ports of other clients that take MIDI in (forInput false) or
    // give it out (forInput true), named "client:port".
    QStringList otherPorts(bool forInput) const;

    // Registers our port and connects it to the named port of another client
    // (none for the virtual output), looked up at this moment. Returns the
    // ticket of this open: a later open of the same port, by another
    // component, makes it stale. Throws MidiFailure.
    unsigned openPort(Port port, const QString& connectTo, Receiver receiver = nullptr);
    // Unregisters our port once the process callback can no longer touch it;
    // nothing when the ticket is stale.
    void closePort(Port port, unsigned ticket);
    bool isOpen(Port port, unsigned ticket) const;

    // Queues one message on an open output, to be heard at atNs on the
    // steady clock, or one period after now when untimed; a message is never
    // heard before one queued earlier on the same port. Waits a bounded time
    // for room. Throws MidiFailure.
    void send(Port port, const MidiBytes& message, std::optional<std::int64_t> atNs = std::nullopt);
    // One period of the server: how long after an untimed send it is heard.
    std::int64_t periodNs() const;
    // How long after a message is written to our port its sound is played:
    // the playback latency the server reckons for the port, the most along
    // the ports it is connected to, up to the sound card.
    std::int64_t playbackLatencyNs(Port port) const;
    // Plays a renderer through two audio ports of this client, "<name> left"
    // and "<name> right", patched to the speakers, in the same process
    // callback as the MIDI. One at a time; null when another plays, the
    // server is gone or the ports cannot be registered.
    std::unique_ptr<StereoPlayback> playStereo(StereoRenderer& renderer, const QString& name,
                                               std::function<void()> onLoss);

    // How long before its time a timed message must be queued: the process
    // callback writes the next period's output, and the user-interface
    // thread that sends needs a margin for its own lateness.
    std::int64_t schedulingLeadNs() const;

private:
    struct Slot {
        std::atomic<jack_port_t*> port{nullptr}; // published to the process callback
        std::atomic<bool> silent{false};         // closing: the callback passes nothing
        jack_ringbuffer_t* ring = nullptr;       // messages on their way to or from the callback
        Receiver receiver;                       // inputs only; under receiverMutex_
        std::mutex sendMutex;                    // one writer at a time on the ring
        std::int64_t lastAtNs = 0;               // the time of the message queued last; under sendMutex
        std::atomic<unsigned> opens{0};          // the ticket of the latest open; asked on the loss thread too
    };

    JackClient(jack_client_t* client, const Shares& shares);
    static int process(jack_nframes_t frames, void* self);
    static void shutdown(void* self);
    void* inputBuffer(jack_nframes_t frames);
    // Whether this cycle may pass with its outputs cleared alone: no input,
    // nothing queued, no clock to send or transport to follow, and a cycle
    // was made lately.
    bool nothingDue(void* input) const;
    void playCycle(void* input, jack_nframes_t frames);
    // The output's buffer, emptied; null when it is not open or closing.
    void* clearedOutput(Slot& slot, jack_nframes_t frames);
    void clearOutputs(jack_nframes_t frames);
    void followClockIn(void* input, const JackFrameClock& clock);
    Slot* thruTarget();
    void writeDue(Slot& slot, const JackFrameClock& clock, CycleEvents* forwarded);
    void takeInput(void* input, const ForwardedInput& forwarded);
    void deliverInput();    // the delivery thread's loop
    void passQueuedInput(); // with receiverMutex_ held
    bool waitForCallbackToPass();
    void renderStereo(jack_nframes_t frames);
    bool stopStereo();
    void connectToSpeakers(jack_port_t* const (&ports)[2]);
    class Playback;
    void waitForConnection(jack_port_t* handle);
    Slot& slot(Port port) { return slots_[static_cast<int>(port)]; }
    const Slot& slot(Port port) const { return slots_[static_cast<int>(port)]; }

    jack_client_t* client_;
    std::atomic<bool> alive_{true};
    std::atomic<unsigned> cycles_{0};
    JackTimeline timeline_;  // the process callback's alone
    JackClockOut clockOut_; // likewise
    ClockInTracker* clockIn_;
    const InputThru* thru_;
    JackTransportFollower transport_; // the process callback's alone
    const jack_nframes_t restFrames_;
    jack_nframes_t framesAtRest_ = 0; // since the callback last made a cycle; its alone
    std::function<void()> onShutdown_;
    Slot slots_[3];
    std::mutex receiverMutex_;
    // The sound played through the client's audio ports: the ports are
    // published before the renderer, and taken back after it.
    struct Stereo {
        std::atomic<StereoRenderer*> renderer{nullptr};
        std::atomic<jack_port_t*> ports[2] = {nullptr, nullptr};
        std::function<void()> onLoss; // under mutex
        std::mutex mutex;             // one playStereo or stopStereo at a time
    } stereo_;
    sem_t inputArrived_; // posted by the callback: real-time safe
    std::atomic<bool> stopping_{false};
    std::thread deliverer_;
};

} // namespace quorvane
