#include "devices/jack_client.h"

#include "devices/jack_event_writer.h"
#include "midi/midi_bytes.h"
#include "midi/midi_errors.h"
#include "midi/steady_time.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <jack/midiport.h>

#include <algorithm>
#include <cstring>
#include <thread>
#include <utility>

namespace quorvane {

namespace {

// Room for a few seconds of the densest playing the formulas produce; a burst
// that fills it waits for the process callback to drain it.
constexpr std::size_t ringBytes = 1 << 17;
// The largest event an input takes: a short message has at most three bytes.
constexpr std::size_t largestInput = 3;
// The longest the process callback lets cycles pass unmade.
constexpr jack_nframes_t restMs = 50;
// Set in an input event's length byte when the process callback forwarded it.
constexpr std::uint8_t forwardedMark = 0x80;
// How long a send waits for room in a full ring before it reports a failure:
// many periods even at 4096 frames, short enough for a musician to see why
// the music stopped.
constexpr int fullRingWaitMs = 1000;

// How late the user-interface thread may hand over a timed message and still
// be on time: a pass's yield, its repaints and its own work, with the monitor
// open.
constexpr std::int64_t uiThreadMarginNs = 5'000'000;

QString tr(const char* text)
{
    return QCoreApplication::translate("JackClient", text);
}

const char* portName(JackClient::Port port)
{
    switch (port) {
    case JackClient::Port::Output: return "out";
    case JackClient::Port::VirtualOutput: return "virtual out";
    case JackClient::Port::Input: return "in";
    }
    return "";
}

} // namespace

std::unique_ptr<JackClient> JackClient::open(const QString& name, std::function<void()> onShutdown,
                                             const Shares& shares)
{
    jack_status_t status;
    jack_client_t* handle = jack_client_open(name.toUtf8().constData(), JackNoStartServer, &status);
    if (!handle)
        return nullptr;
    std::unique_ptr<JackClient> client(new JackClient(handle, shares));
    client->onShutdown_ = std::move(onShutdown);
    jack_set_process_callback(handle, &JackClient::process, client.get());
    jack_on_shutdown(handle, &JackClient::shutdown, client.get());
    if (jack_activate(handle) != 0)
        return nullptr; // the destructor closes the client
    return client;
}

JackClient::JackClient(jack_client_t* client, const Shares& shares)
    : client_(client), clockOut_(*shares.clockPlan, shares.ownBeat, shares.sessionBeat), clockIn_(shares.clockIn),
      thru_(shares.thru), transport_(shares.transport), restFrames_(jack_get_sample_rate(client) * restMs / 1000)
{
    for (Slot& s : slots_) {
        s.ring = jack_ringbuffer_create(ringBytes);
        jack_ringbuffer_mlock(s.ring); // used in the process callback: never paged out
    }
    sem_init(&inputArrived_, 0, 0);
    deliverer_ = std::thread([this] { deliverInput(); });
}

JackClient::~JackClient()
{
    stopping_ = true;
    sem_post(&inputArrived_);
    deliverer_.join();
    // Closing a client waits on its server; on a server that has gone, that
    // wait may never end, so such a client is left as it is, with the rings
    // and the semaphore its callback could still use.
    if (!alive_)
        return;
    jack_client_close(client_); // returns once the process callback has stopped
    sem_destroy(&inputArrived_);
    for (Slot& s : slots_)
        jack_ringbuffer_free(s.ring);
}

int JackClient::sampleRate() const
{
    return static_cast<int>(jack_get_sample_rate(client_));
}

int JackClient::serverSampleRate(const QString& name)
{
    jack_client_t* client = jack_client_open(name.toUtf8().constData(), JackNoStartServer, nullptr);
    if (!client)
        return 0;
    const int rate = static_cast<int>(jack_get_sample_rate(client));
    jack_client_close(client);
    return rate;
}

QString JackClient::portPrefix() const
{
    return QString::fromUtf8(jack_get_client_name(client_)) + QLatin1Char(':');
}

QStringList JackClient::otherPorts(bool forInput) const
{
    QStringList names;
    if (!alive_)
        return names;
    const char** ports =
        jack_get_ports(client_, nullptr, JACK_DEFAULT_MIDI_TYPE, forInput ? JackPortIsOutput : JackPortIsInput);
    const QString own = portPrefix();
    for (const char** p = ports; p && *p; ++p) {
        const QString name = QString::fromUtf8(*p);
        if (!name.startsWith(own)) // our own ports would make a feedback loop
            names << name;
    }
    jack_free(ports);
    return names;
}

bool JackClient::isOpen(Port port, unsigned ticket) const
{
    return slot(port).opens == ticket && slot(port).port.load() != nullptr;
}

unsigned JackClient::openPort(Port port, const QString& connectTo, Receiver receiver)
{
    closePort(port, slot(port).opens);
    if (!alive_)
        throw MidiFailure(MidiErrorCode::DeviceLost, tr("The JACK server has gone away."));
    // The other client's port is looked up by its name now: it may have gone
    // since the list was shown.
    const QByteArray other = connectTo.toUtf8();
    if (!connectTo.isEmpty() && !jack_port_by_name(client_, other.constData()))
        throw deviceGone(connectTo);
    const bool input = port == Port::Input;
    jack_port_t* handle = jack_port_register(client_, portName(port), JACK_DEFAULT_MIDI_TYPE,
                                             input ? JackPortIsInput : JackPortIsOutput, 0);
    if (!handle)
        throw MidiFailure(MidiErrorCode::OpenFailed, tr("JACK refused a new MIDI port."));
    if (!connectTo.isEmpty()) {
        const int connected = input ? jack_connect(client_, other.constData(), jack_port_name(handle))
                                    : jack_connect(client_, jack_port_name(handle), other.constData());
        if (connected != 0 && connected != EEXIST) {
            jack_port_unregister(client_, handle);
            throw MidiFailure(MidiErrorCode::OpenFailed, tr("JACK could not connect to \"%1\".").arg(connectTo));
        }
    }
    Slot& s = slot(port);
    {
        std::lock_guard<std::mutex> lock(receiverMutex_);
        s.receiver = std::move(receiver);
        jack_ringbuffer_reset(s.ring); // nothing left over from a port closed before
    }
    {
        std::lock_guard<std::mutex> lock(s.sendMutex);
        s.lastAtNs = 0;
    }
    s.silent = false;
    s.port.store(handle);
    if (!connectTo.isEmpty())
        waitForConnection(handle);
    return ++s.opens;
}

void JackClient::closePort(Port port, unsigned ticket)
{
    Slot& s = slot(port);
    if (s.opens != ticket || !s.port.load())
        return;
    // What was sent before the close still goes out: the note-offs of a
    // stopped piece are sent just before its output closes.
    const QDeadlineTimer deadline(500);
    while (alive_ && jack_ringbuffer_read_space(s.ring) > 0 && !deadline.hasExpired())
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    // A port keeps its buffer while the callback no longer clears it: the
    // callback empties it for good before it lets go of the port.
    s.silent = true;
    waitForCallbackToPass();
    jack_port_t* handle = s.port.exchange(nullptr);
    waitForCallbackToPass();
    {
        // Not while the delivery thread is handing the receiver a message.
        std::lock_guard<std::mutex> lock(receiverMutex_);
        s.receiver = nullptr;
    }
    if (alive_)
        jack_port_unregister(client_, handle);
}

bool JackClient::waitForCallbackToPass()
{
    // A callback that began before the port was taken back may still use it;
    // two further cycles started means it has ended. A server that stops
    // calling us (gone, or stalled) is not waited for long.
    const unsigned start = cycles_.load();
    const QDeadlineTimer deadline(500);
    while (alive_ && cycles_.load() - start < 2 && !deadline.hasExpired())
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    return cycles_.load() - start >= 2;
}

void JackClient::waitForConnection(jack_port_t* handle)
{
    // The server takes a new connection into its graph at the start of a
    // later cycle; a message written before then would go nowhere, and the
    // first message after an open is often the programme change that sets
    // the instrument.
    const QDeadlineTimer deadline(500);
    while (alive_ && jack_port_connected(handle) == 0 && !deadline.hasExpired())
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    waitForCallbackToPass();
}

std::int64_t JackClient::periodNs() const
{
    return static_cast<std::int64_t>(1e9 * jack_get_buffer_size(client_) / jack_get_sample_rate(client_));
}

std::int64_t JackClient::playbackLatencyNs(Port port) const
{
    jack_port_t* handle = slot(port).port.load();
    if (!handle)
        return 0;
    jack_latency_range_t range{0, 0};
    jack_port_get_latency_range(handle, JackPlaybackLatency, &range);
    return static_cast<std::int64_t>(1e9 * range.max / jack_get_sample_rate(client_));
}

std::int64_t JackClient::schedulingLeadNs() const
{
    return periodNs() + uiThreadMarginNs;
}

void JackClient::send(Port port, const MidiBytes& message, std::optional<std::int64_t> atNs)
{
    Slot& s = slot(port);
    if (message.empty() || message.size() > QueuedMessages::largestMessage)
        throw MidiFailure(MidiErrorCode::SendFailed,
                          tr("A MIDI message of %1 bytes cannot be sent.").arg(message.size()));
    std::lock_guard<std::mutex> lock(s.sendMutex);
    const QDeadlineTimer deadline(fullRingWaitMs);
    while (!QueuedMessages::hasRoom(s.ring, message.size())) {
        if (!alive_ || !s.port.load())
            throw MidiFailure(MidiErrorCode::DeviceLost, tr("The JACK server has gone away."));
        if (deadline.hasExpired())
            throw MidiFailure(MidiErrorCode::SendFailed,
                              tr("JACK has not taken MIDI messages for a second: the server is stalled."));
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    // Untimed: one period after now, the next cycle the callback writes.
    s.lastAtNs = std::max(atNs.value_or(steadyNowNs() + periodNs()), s.lastAtNs);
    QueuedMessages::queue(s.ring, {s.lastAtNs, static_cast<std::uint32_t>(message.size())}, message.data());
}

int JackClient::process(jack_nframes_t frames, void* self)
{
    auto* client = static_cast<JackClient*>(self);
    void* input = client->inputBuffer(frames);
    // Most cycles of a window left open carry nothing: the outputs are
    // cleared and the cycle's clock, the transport and the queues are left
    // alone, so that an idle program costs what any client's wake-up does.
    if (client->nothingDue(input)) {
        client->clearOutputs(frames);
        client->framesAtRest_ += frames;
    } else {
        client->playCycle(input, frames);
        client->framesAtRest_ = 0;
    }
    client->renderStereo(frames);
    client->cycles_.fetch_add(1);
    return 0;
}

void JackClient::playCycle(void* input, jack_nframes_t frames)
{
    const JackFrameClock clock = timeline_.cycle(client_, frames);
    // The input first: a clock tick coming in is relayed in this cycle.
    clockOut_.makeCycle(clock, transport_.follow(client_, clock));
    followClockIn(input, clock);
    // Thru within the cycle: each input event goes to the output at the
    // frame it came at, merged with what the program queued. The settings
    // are read once, so the output and the window see the same decisions.
    ForwardedInput forwarded(input, thru_ ? thru_->settings() : InputThru::Settings{});
    Slot* target = thruTarget();
    for (Port output : {Port::Output, Port::VirtualOutput}) {
        Slot& s = slot(output);
        writeDue(s, clock, &s == target ? &forwarded : nullptr);
    }
    takeInput(input, forwarded);
}

bool JackClient::nothingDue(void* input) const
{
    // Even at rest a cycle is made now and then: the frame clock keeps
    // following the server, and the transport's reading stays fresh for a
    // sync window that turns to it.
    if (framesAtRest_ >= restFrames_)
        return false;
    if (input && jack_midi_get_event_count(input) > 0)
        return false;
    for (Port output : {Port::Output, Port::VirtualOutput}) {
        const Slot& s = slot(output);
        // A message queued for a later cycle keeps every cycle up to it
        // timed, so that it lands at its frame.
        if (s.port.load() && !s.silent && jack_ringbuffer_read_space(s.ring) > 0)
            return false;
    }
    return clockOut_.resting();
}

void* JackClient::inputBuffer(jack_nframes_t frames)
{
    Slot& s = slot(Port::Input);
    jack_port_t* port = s.port.load();
    if (!port || s.silent)
        return nullptr;
    return jack_port_get_buffer(port, frames);
}

void* JackClient::clearedOutput(Slot& s, jack_nframes_t frames)
{
    jack_port_t* port = s.port.load();
    if (!port)
        return nullptr;
    void* buffer = jack_port_get_buffer(port, frames);
    jack_midi_clear_buffer(buffer);
    return s.silent ? nullptr : buffer;
}

void JackClient::clearOutputs(jack_nframes_t frames)
{
    for (Port output : {Port::Output, Port::VirtualOutput})
        clearedOutput(slot(output), frames);
}

JackClient::Slot* JackClient::thruTarget()
{
    // The output the window forwards to: the one component's port, to a
    // device or the one others patch from.
    for (Port output : {Port::Output, Port::VirtualOutput}) {
        Slot& s = slot(output);
        if (s.port.load() && !s.silent)
            return &s;
    }
    return nullptr;
}

void JackClient::writeDue(Slot& s, const JackFrameClock& clock, CycleEvents* forwarded)
{
    void* buffer = clearedOutput(s, clock.frames());
    if (!buffer)
        return;
    QueuedMessages queued(s.ring, clock);
    JackClockOut::Stream ticks(clockOut_);
    // At the same frame the clock goes first: a Start and its tick lead the
    // notes of the line they open.
    CycleEvents* streams[] = {&ticks, &queued, forwarded};
    writeInFrameOrder(buffer, streams, forwarded ? 3 : 2);
}

void JackClient::followClockIn(void* input, const JackFrameClock& clock)
{
    if (!input)
        return;
    const std::uint32_t count = jack_midi_get_event_count(input);
    for (std::uint32_t i = 0; i < count; ++i) {
        jack_midi_event_t event;
        if (jack_midi_event_get(&event, input, i) != 0 || event.size == 0 || event.size > largestInput)
            continue;
        // The clock is followed at the frame it came at, whatever becomes
        // of the event on its way to the user-interface thread.
        if (clockIn_)
            clockIn_->take(event.buffer, event.size, clock.steadyNsAt(event.time));
        if (event.size == 1 && event.buffer[0] == midi::Clock)
            clockOut_.relayTick(clock, event.time);
    }
}

void JackClient::takeInput(void* input, const ForwardedInput& forwarded)
{
    if (!input)
        return;
    Slot& s = slot(Port::Input);
    const std::uint32_t count = jack_midi_get_event_count(input);
    bool taken = false;
    for (std::uint32_t i = 0; i < count; ++i) {
        jack_midi_event_t event;
        // The ring carries short messages, at most three bytes each, led by
        // their length and whether they went out already; whether one is a
        // whole message the input component decides, as for every system.
        // The ring holds tens of thousands: it only fills if the delivery
        // thread stalls.
        if (jack_midi_event_get(&event, input, i) != 0 || event.size == 0 || event.size > largestInput)
            continue;
        const auto lead = static_cast<std::uint8_t>(event.size | (forwarded.forwarded(i) ? forwardedMark : 0));
        if (jack_ringbuffer_write_space(s.ring) < 1u + event.size)
            break;
        jack_ringbuffer_write(s.ring, reinterpret_cast<const char*>(&lead), 1);
        jack_ringbuffer_write(s.ring, reinterpret_cast<const char*>(event.buffer), event.size);
        taken = true;
    }
    if (taken)
        sem_post(&inputArrived_);
}

void JackClient::deliverInput()
{
    while (!stopping_) {
        if (sem_wait(&inputArrived_) != 0)
            continue; // interrupted by a signal
        std::lock_guard<std::mutex> lock(receiverMutex_);
        passQueuedInput();
    }
}

void JackClient::passQueuedInput()
{
    Slot& s = slot(Port::Input);
    std::uint8_t lead = 0;
    std::uint8_t bytes[largestInput];
    while (jack_ringbuffer_peek(s.ring, reinterpret_cast<char*>(&lead), 1) == 1) {
        const std::size_t size = lead & ~forwardedMark;
        if (size > sizeof bytes || jack_ringbuffer_read_space(s.ring) < 1u + size)
            return;
        jack_ringbuffer_read_advance(s.ring, 1);
        jack_ringbuffer_read(s.ring, reinterpret_cast<char*>(bytes), size);
        if (s.receiver)
            s.receiver(MidiBytes(bytes, bytes + size), (lead & forwardedMark) != 0);
    }
}

void JackClient::shutdown(void* self)
{
    auto* client = static_cast<JackClient*>(self);
    client->alive_ = false;
    if (client->onShutdown_)
        client->onShutdown_();
    std::function<void()> stereoLost;
    {
        std::lock_guard<std::mutex> lock(client->stereo_.mutex);
        stereoLost = std::exchange(client->stereo_.onLoss, nullptr);
    }
    if (stereoLost)
        stereoLost();
}

// A playing renderer; stopping it takes the renderer and the ports back.
class JackClient::Playback : public StereoPlayback {
public:
    explicit Playback(JackClient& client) : client_(client) { }
    ~Playback() override { stop(); }
    bool running() const override { return client_.alive(); }
    bool stop() override
    {
        if (!stopped_)
            passed_ = client_.stopStereo();
        stopped_ = true;
        return passed_;
    }

private:
    JackClient& client_;
    bool stopped_ = false;
    bool passed_ = false;
};

std::unique_ptr<StereoPlayback> JackClient::playStereo(StereoRenderer& renderer, const QString& name,
                                                       std::function<void()> onLoss)
{
    std::lock_guard<std::mutex> lock(stereo_.mutex);
    if (!alive_ || stereo_.renderer.load() || stereo_.ports[0].load())
        return nullptr;
    jack_port_t* ports[2] = {nullptr, nullptr};
    const char* sides[] = {" left", " right"};
    for (int side = 0; side < 2; ++side) {
        ports[side] = jack_port_register(client_, (name + QLatin1String(sides[side])).toUtf8().constData(),
                                         JACK_DEFAULT_AUDIO_TYPE, JackPortIsOutput, 0);
        if (!ports[side]) {
            if (side == 1)
                jack_port_unregister(client_, ports[0]);
            return nullptr;
        }
    }
    for (int side = 0; side < 2; ++side)
        stereo_.ports[side].store(ports[side]);
    stereo_.onLoss = std::move(onLoss);
    stereo_.renderer.store(&renderer);
    // Nobody would hear it otherwise: the speakers, as a player patched by hand would.
    connectToSpeakers(ports);
    return std::make_unique<Playback>(*this);
}

void JackClient::connectToSpeakers(jack_port_t* const (&ports)[2])
{
    const char** speakers =
        jack_get_ports(client_, nullptr, JACK_DEFAULT_AUDIO_TYPE, JackPortIsPhysical | JackPortIsInput);
    if (speakers && speakers[0]) {
        // A single speaker port (a mono card) takes both sides.
        jack_connect(client_, jack_port_name(ports[0]), speakers[0]);
        jack_connect(client_, jack_port_name(ports[1]), speakers[1] ? speakers[1] : speakers[0]);
    }
    jack_free(static_cast<void*>(speakers));
}

void JackClient::renderStereo(jack_nframes_t frames)
{
    jack_port_t* left = stereo_.ports[0].load();
    jack_port_t* right = stereo_.ports[1].load();
    if (!left || !right)
        return;
    auto* leftBuffer = static_cast<float*>(jack_port_get_buffer(left, frames));
    auto* rightBuffer = static_cast<float*>(jack_port_get_buffer(right, frames));
    if (StereoRenderer* renderer = stereo_.renderer.load()) {
        renderer->renderStereo(leftBuffer, rightBuffer, static_cast<int>(frames));
        return;
    }
    // An output port keeps what was written last: silence, or the last
    // period would be heard again and again.
    std::fill(leftBuffer, leftBuffer + frames, 0.0f);
    std::fill(rightBuffer, rightBuffer + frames, 0.0f);
}

bool JackClient::stopStereo()
{
    std::lock_guard<std::mutex> lock(stereo_.mutex);
    stereo_.renderer.store(nullptr);
    stereo_.onLoss = nullptr;
    // Once no callback can be inside the renderer, the ports go too.
    if (!waitForCallbackToPass())
        return false;
    jack_port_t* ports[2] = {stereo_.ports[0].exchange(nullptr), stereo_.ports[1].exchange(nullptr)};
    if (!waitForCallbackToPass())
        return true; // the renderer is free; the ports stay with a stalled server
    for (jack_port_t* port : ports)
        jack_port_unregister(client_, port);
    return true;
}

} // namespace quorvane
