#pragma once

#include <QString>
#include <functional>
#include <memory>

namespace quorvane {

// Sound the program makes, played by an audio thread that is not its own:
// the program's JACK client asks for each period's frames in its process
// callback, beside the MIDI it writes.
class StereoRenderer {
public:
    virtual ~StereoRenderer() = default;
    // On the audio thread, once a period: the next frames, one sample per
    // frame on each side. Never waits and never allocates.
    virtual void renderStereo(float* left, float* right, int frames) = 0;
};

// A renderer being played. Destroying it stops the calls; it tells whether
// they have surely stopped (a stalled or vanished server may still be inside
// one), and only then may the renderer go.
class StereoPlayback {
public:
    virtual ~StereoPlayback() = default;
    // False once the audio server has gone away.
    virtual bool running() const = 0;
    // Stops the calls; true when none is under way any more.
    virtual bool stop() = 0;
};

// Starts playing a renderer through two ports named "<name> left" and
// "<name> right", patched to the speakers; null when there is nowhere to play
// it. onLoss is called once, on the audio server's thread, when the server
// goes away.
using StereoPlaybackHost = std::function<std::unique_ptr<StereoPlayback>(StereoRenderer& renderer, const QString& name,
                                                                         std::function<void()> onLoss)>;

} // namespace quorvane
