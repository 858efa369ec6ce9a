// Prints how long the built-in synthesizer takes from its open to the first
// audible block, the first time (the sound font is read) and on each later
// open (what "Ok" in the setup dialog does), and how much memory it adds.
// The audio goes to a private JACK server with the dummy driver, whose
// 64-frame periods at 48 kHz are the smallest latency a desktop would have.
// Then the synthesizer's levels, and its first note after a silence on a
// private PipeWire.

#include "jack_server.h"
#include "midi/midi_bytes.h"
#include "synth/synth_output.h"
#include "synth_after_silence.h"
#include "synth_audio_listener.h"
#include "synth_levels.h"

#include <QCoreApplication>
#include <QFile>
#include <QThread>
#include <cstdio>

using namespace quorvane;
using Clock = std::chrono::steady_clock;

namespace {

long residentKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    }
    return -1;
}

double milliseconds(Clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

const MidiBytes noteOn{midi::NoteOn, 60, 100};
const MidiBytes allNotesOff{midi::ControlChange, midi::controller::AllNotesOff, 0};

// Opens the synthesizer, patches it to the listener, plays middle C and waits
// for it to be heard. Prints the open time and the time to the first sound.
bool measureOpen(SynthOutput& synth, SynthAudioListener& listener, const char* label)
{
    listener.reset();
    const Clock::time_point start = Clock::now();
    synth.open(SynthOutput::deviceName());
    const Clock::time_point opened = Clock::now();
    if (!listener.listenTo(SynthOutput::deviceName()))
        return false;
    synth.send(noteOn);
    const Clock::time_point sent = Clock::now();
    while (!listener.heard() && Clock::now() - start < std::chrono::seconds(5))
        QThread::usleep(200);
    if (!listener.heard())
        return false;
    std::printf("%-10s open %7.1f ms   note to first sound %6.1f ms   open to first sound %7.1f ms\n", label,
                milliseconds(opened - start), milliseconds(listener.firstAudible() - sent),
                milliseconds(listener.firstAudible() - start));
    synth.send(allNotesOff);
    return true;
}

// The same without any audio output: what the synthesizer itself needs.
void measureRenderOnly()
{
    SynthOptions options;
    options.renderOnly = true;
    SynthOutput synth(options);
    const Clock::time_point start = Clock::now();
    synth.open(SynthOutput::deviceName());
    const Clock::time_point opened = Clock::now();
    synth.send(noteOn);
    const Clock::time_point sent = Clock::now();
    int blocks = 0;
    for (bool audible = false; !audible && blocks < 1000; ++blocks) {
        const StereoAudio block = synth.render(64);
        for (float sample : block.left)
            audible = audible || std::abs(sample) > SynthAudioListener::audible;
    }
    std::printf("render-only: open %.1f ms; the first audible 64-frame block is number %d, %.2f ms after the note\n",
                milliseconds(opened - start), blocks, milliseconds(Clock::now() - sent));
}

// Open and first sound on the private JACK server; false when JACK failed.
bool measureOnJack()
{
    JackServer server;
    if (!server.start()) {
        std::printf("left out: jackd with the dummy driver did not start\n");
        return false;
    }
    SynthAudioListener listener;
    if (!listener.open()) {
        std::printf("left out: the listening JACK client did not start\n");
        return false;
    }

    SynthOptions options;
    options.audioDrivers = {QStringLiteral("jack")};
    SynthOutput synth(options);
    const long before = residentKiB();
    if (!measureOpen(synth, listener, "first"))
        return false;
    const long afterFirst = residentKiB();
    std::printf("sound font: %s\n", qPrintable(synth.soundFont()));
    for (int round = 1; round <= 5; ++round) {
        synth.close();
        QThread::msleep(200);
        if (!measureOpen(synth, listener, qPrintable(QStringLiteral("again %1").arg(round))))
            return false;
    }
    std::printf("resident memory: %ld KiB before the first open, %ld KiB after it and its first note (+%ld KiB), "
                "%ld KiB after the later opens\n",
                before, afterFirst, afterFirst - before, residentKiB());
    return true;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const bool jack = measureOnJack();
    measureRenderOnly();
    benchSynthLevels();
    benchSynthAfterSilence();
    return jack ? 0 : 1;
}
