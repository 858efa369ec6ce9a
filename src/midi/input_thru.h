#pragma once

#include "midi/forwarding_rule.h"
#include "midi/midi_message.h"

#include <atomic>
#include <cstddef>
#include <cstdint>

namespace quorvane {

class GuardedOutput;

// Forwarding an input message on the thread it arrives on, ahead of the
// user-interface thread: the JACK process callback when the input and the
// output are both the program's JACK ports, otherwise the thread that
// delivers the input (JACK's delivery thread, RtMidi's input thread) into an
// output that plays what it is handed at once (the built-in synthesizer, the
// ALSA sequencer). The user-interface thread sets what it reads, as atomics;
// the message still reaches the input's queue, marked as forwarded, so that
// the window does everything else with it but send it a second time.
class InputThru {
public:
    // What the rule needs, taken once for a cycle or a message.
    struct Settings {
        bool receiving = false;
        int programChannel = 0;
        bool ownClockOut = false;
        // By the one rule the window forwards with; Drop while the input
        // does not receive.
        Forwarding forwardingOf(const std::uint8_t* bytes, std::size_t size) const;
    };

    // User-interface thread.
    void setReceiving(bool on) { receiving_.store(on, std::memory_order_release); }
    void setProgramChannel(int channel) { programChannel_.store(channel, std::memory_order_release); }
    void setOwnClockOut(bool on) { ownClockOut_.store(on, std::memory_order_release); }
    // The output the delivering thread forwards into, while it plays at
    // once; null: none.
    void setOutput(GuardedOutput* output) { output_.store(output, std::memory_order_release); }

    // Any thread, real-time safe.
    Settings settings() const;

    // On the thread that delivers the input: forwards the message now when
    // the output plays at once and the rule lets it through; whether it did.
    bool forwardOnArrival(const MidiBytes& message) const;

private:
    std::atomic<bool> receiving_{false};
    std::atomic<int> programChannel_{0};
    std::atomic<bool> ownClockOut_{false};
    std::atomic<GuardedOutput*> output_{nullptr};
};

} // namespace quorvane
