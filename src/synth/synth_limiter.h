#pragma once

namespace quorvane {

// Keeps the synthesizer's stereo output below full scale. Loud enough for one
// note, the synthesizer would clip with dozens of voices at once (a fast
// formula run piles them up); the limiter turns the level down at once where a
// sample would pass the ceiling and lets it back up over a fifth of a second.
class SynthLimiter {
public:
    static constexpr float ceiling = 0.891f; // -1 dBFS

    explicit SynthLimiter(double sampleRate);

    // Both channels of the same frames, in place; `step` is the distance between
    // consecutive samples of one channel (2 for interleaved stereo).
    void process(float* left, float* right, int frames, int step = 1);

private:
    float gain_ = 1.0f;
    float release_; // the share of the way back to unity gain made per frame
};

} // namespace quorvane
