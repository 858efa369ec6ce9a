#include "heard_lines.h"

#include <cmath>
#include <limits>

namespace {

// A MIDI clock counts 6 ticks to the sixteenth note (and the Song Position
// Pointer sixteenths).
constexpr int ticksPerLine = 6;

} // namespace

HeardClock readClock(const std::vector<JackPeer::Heard>& heard)
{
    HeardClock clock;
    int position = -1;
    bool running = false;
    jack_nframes_t lastTick = 0;
    double spacing = 0; // the last tick spacing, in frames
    for (const JackPeer::Heard& h : heard) {
        const JackPeer::Bytes& b = h.bytes;
        if (b == JackPeer::Bytes{0xFA}) {
            ++clock.starts;
            position = -1;
            running = true;
        } else if (b == JackPeer::Bytes{0xFB}) {
            running = true;
            if (!clock.stops.empty())
                clock.stops.back().second = h.frame;
        } else if (b == JackPeer::Bytes{0xFC}) {
            // jack_midi_clock sends a Stop before each Continue too.
            if (running)
                clock.stops.push_back({h.frame, ~jack_nframes_t(0)});
            running = false;
        } else if (b.size() == 3 && b[0] == 0xF2) {
            position = (b[1] | b[2] << 7) * ticksPerLine - 1;
        } else if (b == JackPeer::Bytes{0xF8} && running) {
            // A tick lost on the way (a spacing of two) is counted as a
            // device that keeps to the tempo counts it.
            if (lastTick != 0 && spacing > 0 && std::abs(double(h.frame - lastTick) / spacing - 2) < 0.25)
                if (++position % ticksPerLine == 0)
                    clock.lineFrames.push_back(lastTick + spacing);
            if (lastTick != 0 && (spacing == 0 || h.frame - lastTick < 1.5 * spacing))
                spacing = h.frame - lastTick;
            if (++position % ticksPerLine == 0)
                clock.lineFrames.push_back(h.frame);
            lastTick = h.frame;
        }
    }
    return clock;
}

std::vector<double> transportLineFrames(const std::vector<JackPeer::TransportBeat>& beats)
{
    std::vector<double> lines;
    for (std::size_t c = 1; c < beats.size(); ++c) {
        const double from = beats[c - 1].beats * 4, to = beats[c].beats * 4;
        const double frames = static_cast<double>(beats[c].frame - beats[c - 1].frame);
        for (double line = std::ceil(from); line < to; ++line)
            lines.push_back(beats[c - 1].frame + (line - from) / (to - from) * frames);
    }
    return lines;
}

double offLine(double frame, const std::vector<double>& lineFrames)
{
    double nearest = std::numeric_limits<double>::infinity();
    for (double line : lineFrames)
        if (std::abs(frame - line) < std::abs(nearest))
            nearest = frame - line;
    return nearest;
}

std::vector<JackPeer::Heard> noteOnsOf(const std::vector<JackPeer::Heard>& heard)
{
    std::vector<JackPeer::Heard> notes;
    for (const JackPeer::Heard& h : heard)
        if (h.bytes.size() == 3 && h.bytes[0] == 0x90 && h.bytes[2] > 0)
            notes.push_back(h);
    return notes;
}
