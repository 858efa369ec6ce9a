#include "jack_peer.h"

#include <jack/midiport.h>
#include <pthread.h>

#include <algorithm>
#include <cmath>
#include <chrono>
#include <thread>

JackPeer::~JackPeer()
{
    close();
}

bool JackPeer::open()
{
    client_ = jack_client_open(name_, JackNoStartServer, nullptr);
    if (!client_)
        return false;
    out_ = jack_port_register(client_, "out", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
    in_ = jack_port_register(client_, "in", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
    jack_set_process_callback(client_, &JackPeer::process, this);
    jack_set_xrun_callback(client_, &JackPeer::xrun, this);
    return out_ && in_ && jack_activate(client_) == 0;
}

void JackPeer::close()
{
    if (client_)
        jack_client_close(client_);
    client_ = nullptr;
    forget();
}

void JackPeer::play(std::vector<Bytes> events, jack_nframes_t offset)
{
    std::lock_guard<std::mutex> lock(mutex_);
    toPlay_ = std::move(events);
    playOffset_ = offset;
}

std::vector<JackPeer::Heard> JackPeer::heard()
{
    std::lock_guard<std::mutex> lock(mutex_);
    return heard_;
}

std::size_t JackPeer::heardCount()
{
    std::lock_guard<std::mutex> lock(mutex_);
    return heard_.size();
}

std::vector<jack_nframes_t> JackPeer::playedFrames()
{
    std::lock_guard<std::mutex> lock(mutex_);
    return played_;
}

void JackPeer::forget()
{
    std::lock_guard<std::mutex> lock(mutex_);
    heard_.clear();
    played_.clear();
    transport_.clear();
}

void JackPeer::rollTransport()
{
    // The relocation takes effect in a later cycle; a start seen before it
    // would be a Continue from where the transport stood.
    jack_transport_locate(client_, 0);
    jack_position_t position;
    for (int wait = 0; wait < 200 && (jack_transport_query(client_, &position), position.frame != 0); ++wait)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    jack_transport_start(client_);
}

std::vector<JackPeer::TransportBeat> JackPeer::transportBeats()
{
    std::lock_guard<std::mutex> lock(mutex_);
    return transport_;
}

void JackPeer::stopTransport()
{
    jack_transport_stop(client_);
}

void JackPeer::continueTransport()
{
    jack_transport_start(client_);
}

int JackPeer::process(jack_nframes_t frames, void* self)
{
    // libjack's close cancels a callback still under way at once, wherever it
    // is; not while this one holds its lock or allocates, or the lock would
    // stay held (the next heard() waits for ever) and the heap half-changed.
    int cancelState = 0;
    pthread_setcancelstate(PTHREAD_CANCEL_DISABLE, &cancelState);
    static_cast<JackPeer*>(self)->exchange(frames);
    pthread_setcancelstate(cancelState, nullptr);
    return 0;
}

void JackPeer::exchange(jack_nframes_t frames)
{
    std::lock_guard<std::mutex> lock(mutex_); // a test's client: a lock is fine here
    void* out = jack_port_get_buffer(out_, frames);
    jack_midi_clear_buffer(out);
    const jack_nframes_t start = jack_last_frame_time(client_);
    jack_nframes_t cycleFrame = 0;
    jack_time_t cycleUs = 0, nextUs = 0;
    float periodUs = 0;
    if (jack_get_cycle_times(client_, &cycleFrame, &cycleUs, &nextUs, &periodUs) == 0) {
        if (lastCycleUs_ != 0 && std::abs(double(cycleUs - lastCycleUs_) - periodUs) > 200)
            lateCycles_.fetch_add(1);
        lastCycleUs_ = cycleUs;
    }
    if (!toPlay_.empty())
        played_.push_back(start);
    for (const Bytes& event : toPlay_)
        jack_midi_event_write(out, std::min(playOffset_, frames - 1), event.data(), event.size());
    toPlay_.clear();
    jack_position_t position;
    if (jack_transport_query(client_, &position) == JackTransportRolling && (position.valid & JackPositionBBT))
        transport_.push_back({start, (position.bar - 1) * double(position.beats_per_bar) + (position.beat - 1) +
                                        position.tick / position.ticks_per_beat});
    void* in = jack_port_get_buffer(in_, frames);
    const std::uint32_t count = jack_midi_get_event_count(in);
    for (std::uint32_t i = 0; i < count; ++i) {
        jack_midi_event_t event;
        if (jack_midi_event_get(&event, in, i) == 0)
            heard_.push_back({Bytes(event.buffer, event.buffer + event.size), start + event.time});
    }
}

int JackPeer::xrun(void* self)
{
    static_cast<JackPeer*>(self)->xruns_.fetch_add(1);
    return 0;
}
