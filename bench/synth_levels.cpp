#include "synth_levels.h"

#include "synth/synth_limiter.h"
#include "synth/synth_output.h"

#include <QFileInfo>
#include <cmath>
#include <cstdio>
#include <random>

using namespace quorvane;

namespace {

struct Level {
    float peak = 0.0f;
    long atCeiling = 0; // samples the limiter held at its ceiling
};

void measure(SynthOutput& synth, int frames, Level& level)
{
    const StereoAudio audio = synth.render(frames);
    for (std::size_t i = 0; i < audio.left.size(); ++i) {
        const float sample = std::max(std::abs(audio.left[i]), std::abs(audio.right[i]));
        level.peak = std::max(level.peak, sample);
        level.atCeiling += sample >= SynthLimiter::ceiling * 0.999f ? 1 : 0;
    }
}

Level oneNote(SynthOutput& synth, int velocity)
{
    synth.send({0xFF});
    synth.render(4800);
    synth.send({0x90, 60, std::uint8_t(velocity)});
    Level level;
    measure(synth, 96000, level);
    return level;
}

// A formula run with all four modes and delay 0, as the synthesizer receives
// it: a pass every 0.1 ms, each switching off the last pass's note and then,
// by turns, a note at the default velocity 60, a note at the pass's value as
// velocity, a programme change and a pan; the values at random over 0..126.
Level allModesAtDelayZero(SynthOutput& synth, int seconds)
{
    synth.send({0xFF});
    std::mt19937 random(1);
    Level level;
    int previous = -1, pitch = 60;
    long pass = 0;
    for (int block = 0; block < seconds * 48000 / 64; ++block) {
        for (int i = 0; i < 13; ++i, ++pass) { // 64 frames at 48 kHz are 1.33 ms
            const auto value = std::uint8_t(random() % 127);
            if (previous >= 0)
                synth.send({0x90, std::uint8_t(previous), 0});
            switch (pass % 4) {
            case 0: synth.send({0x90, value, 60}), pitch = value; break;
            case 1: synth.send({0x90, std::uint8_t(pitch), value}); break;
            case 2: synth.send({0xC0, value}); break;
            default: synth.send({0xB0, 10, value}); break;
            }
            previous = value;
        }
        measure(synth, 64, level);
    }
    synth.send({0xFF});
    return level;
}

double dbfs(float level)
{
    return 20 * std::log10(std::max(level, 1e-9f));
}

} // namespace

void benchSynthLevels()
{
    std::printf("\nLevels (peak of both channels, rendered at 48 kHz; the limiter's ceiling is %.1f dBFS)\n",
                dbfs(SynthLimiter::ceiling));
    for (const char* font : {"/usr/share/sounds/sf2/FluidR3_GM.sf2", "/usr/share/sounds/sf2/TimGM6mb.sf2"}) {
        if (!QFileInfo::exists(QString::fromLatin1(font))) {
            std::printf("  %s: not installed\n", font);
            continue;
        }
        SynthOptions options;
        options.renderOnly = true;
        options.soundFonts = {QString::fromLatin1(font)};
        SynthOutput synth(options);
        synth.open(SynthOutput::deviceName());
        const Level loud = oneNote(synth, 100);
        const Level usual = oneNote(synth, 60);
        const Level run = allModesAtDelayZero(synth, 10);
        std::printf("  %s\n    piano middle C, velocity 100: %6.1f dBFS (goal about -12)\n"
                    "    piano middle C, velocity 60:  %6.1f dBFS\n"
                    "    all four modes, delay 0, 10 s: %6.1f dBFS, %ld samples held at the ceiling (none above it)\n",
                    font, dbfs(loud.peak), dbfs(usual.peak), dbfs(run.peak), run.atCeiling);
    }
}
