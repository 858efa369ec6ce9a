#pragma once

#include <jack/jack.h>

#include <QString>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <utility>

// A JACK client that listens on two audio ports, "<name>:left" and
// "<name>:right", and keeps the loudest sample heard since the last reset and
// the moment the first audible block arrived.
class SynthAudioListener {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr float audible = 1e-3f; // about -60 dBFS

    explicit SynthAudioListener(const char* name = "synth-listener") : name_(name) { }
    ~SynthAudioListener()
    {
        if (client_)
            jack_client_close(client_);
    }
    SynthAudioListener(const SynthAudioListener&) = delete;
    SynthAudioListener& operator=(const SynthAudioListener&) = delete;

    bool open()
    {
        client_ = jack_client_open(name_, JackNoStartServer, nullptr);
        if (!client_)
            return false;
        ports_[0] = jack_port_register(client_, "left", JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0);
        ports_[1] = jack_port_register(client_, "right", JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0);
        jack_set_process_callback(client_, &SynthAudioListener::process, this);
        return ports_[0] && ports_[1] && jack_activate(client_) == 0;
    }

    // Patches the two ports of a stereo sound to the listener's.
    bool listenTo(const QString& left, const QString& right)
    {
        bool connected = true;
        for (const auto& [from, side] : {std::pair{left, "left"}, std::pair{right, "right"}}) {
            const QByteArray to = QByteArray(name_) + ':' + side;
            const int result = jack_connect(client_, from.toUtf8().constData(), to.constData());
            connected = connected && (result == 0 || result == EEXIST);
        }
        return connected;
    }
    // A client's ports "left" and "right" (FluidSynth's own JACK client).
    bool listenTo(const QString& client)
    {
        return listenTo(client + QStringLiteral(":left"), client + QStringLiteral(":right"));
    }

    float peak() const { return peak_; }
    // Resets the peak and the first audible moment.
    void reset()
    {
        peak_ = 0.0f;
        firstAudible_ = notYet;
    }
    bool heard() const { return firstAudible_ != notYet; }
    Clock::time_point firstAudible() const { return Clock::time_point(Clock::duration(firstAudible_)); }

private:
    static int process(jack_nframes_t frames, void* self)
    {
        auto* listener = static_cast<SynthAudioListener*>(self);
        float loudest = listener->peak_;
        for (jack_port_t* port : listener->ports_) {
            const auto* samples = static_cast<const float*>(jack_port_get_buffer(port, frames));
            for (jack_nframes_t i = 0; i < frames; ++i)
                loudest = std::max(loudest, std::abs(samples[i]));
        }
        listener->peak_ = loudest;
        if (loudest > audible && !listener->heard())
            listener->firstAudible_ = Clock::now().time_since_epoch().count();
        return 0;
    }

    const char* name_;
    jack_client_t* client_ = nullptr;
    jack_port_t* ports_[2] = {nullptr, nullptr};
    std::atomic<float> peak_{0.0f};
    static constexpr Clock::rep notYet = 0; // the steady clock counts from boot, never from now
    std::atomic<Clock::rep> firstAudible_{notYet};
};
