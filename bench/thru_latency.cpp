#include "thru_latency.h"

#include "bench_table.h"
#include "app/program.h"
#include "jack_peer.h"
#include "jack_server.h"
#include "app/desktop_devices.h"
#include "devices/jack_client.h"
#include "devices/system_backend.h"
#include "rtmidi_thru.h"
#include "synth/synth_output.h"
#include "synth_audio_listener.h"
#include "midi/midi_bytes.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QRegularExpression>
#include <QTimer>

#include <functional>
#include <limits>
#include <random>

using namespace quorvane;

namespace {

const QString tool = QStringLiteral("jack_midi_latency_test");
const QString toolOut = tool + QStringLiteral(":out");
const QString toolIn = tool + QStringLiteral(":in");
constexpr double periodMs = 64 * 1000.0 / 48000;
// The tool gives up on its whole run when a message goes missing, which an
// xrun of the dummy driver on a busy machine can cause; short runs lose little.
constexpr int messagesPerRun = 100;
constexpr int messagesWanted = 1000;
constexpr int runsAllowed = 40;
constexpr int runTimeoutMs = 10000;

// The window's own forwarding, its devices chosen by name as in the device dialog.
class WindowThru : public Thru {
public:
    explicit WindowThru(FrmMain& window) : window_(window) { }

    bool open(const QString& from, const QString& to) override
    {
        MidiOutput& output = window_.MIDIOutput1();
        MidiInput& input = window_.MIDIInput1();
        // The input listens before the output connects: the tool sends its
        // first message as soon as both its ports are connected, and an open
        // waits until the server's graph carries the connection, long enough
        // for that message to arrive at an input not yet started.
        input.setDeviceNumber(deviceNamed(input, from));
        input.setAction(MidiInput::Open);
        input.setAction(MidiInput::Start);
        output.setDeviceNumber(deviceNamed(output, to));
        output.setAction(MidiOutput::Open);
        return output.openState() == 1 && input.openState() == 1;
    }

    void close() override
    {
        window_.MIDIInput1().setAction(MidiInput::Close);
        window_.MIDIOutput1().setAction(MidiOutput::Close);
    }

private:
    // As the dialog numbers them; -2, no device, when none has that name.
    static int deviceNamed(MidiComponent& component, const QString& name)
    {
        const int count = component.deviceCount();
        for (int i = 0; i < count; ++i) {
            component.setDeviceNumber(i);
            if (component.deviceName() == name)
                return i;
        }
        return -2;
    }

    FrmMain& window_;
};

// What the tool's runs add up to: each message's latency as the upper edge of
// its 0.1 ms bin in the tool's latency plot (beyond the plot: infinity).
struct Latencies {
    std::vector<double> binned;
    int xruns = 0;
    int failedRuns = 0;

    void addRun(const QString& report)
    {
        const int plot = report.indexOf(QStringLiteral("Latency Plot:"));
        if (plot < 0 || !report.contains(QStringLiteral("Messages received: %1").arg(messagesPerRun))) {
            ++failedRuns;
            return;
        }
        static const QRegularExpression bin(QStringLiteral(R"(^\s*[\d.]+ - ([\d.]+) ms: (\d+)$)"));
        static const QRegularExpression beyond(QStringLiteral(R"(^\s*> [\d.]+ ms: (\d+)$)"));
        for (const QString& line : report.mid(plot).split(QLatin1Char('\n'))) {
            if (const auto m = bin.match(line); m.hasMatch())
                binned.insert(binned.end(), m.captured(2).toInt(), m.captured(1).toDouble());
            else if (const auto m = beyond.match(line); m.hasMatch())
                binned.insert(binned.end(), m.captured(1).toInt(), std::numeric_limits<double>::infinity());
        }
        static const QRegularExpression xrun(QStringLiteral(R"(Xruns: (\d+))"));
        xruns += xrun.match(report).captured(1).toInt();
    }
};

// Runs the tool again and again through the thru until enough messages made
// the round trip. Asynchronous, so that it works under whatever event loop
// runs: the idle window's or a formula's.
class LatencyRuns {
public:
    LatencyRuns(JackServer& server, Thru& thru, std::function<void()> done)
        : server_(server), thru_(thru), done_(std::move(done))
    { }

    void start()
    {
        if (static_cast<int>(result.binned.size()) >= messagesWanted || runs_ == runsAllowed) {
            done_();
            return;
        }
        ++runs_;
        process_ = std::make_unique<QProcess>();
        process_->setProcessChannelMode(QProcess::MergedChannels);
        QObject::connect(
            process_.get(), &QProcess::finished, process_.get(), [this] { finishRun(); }, Qt::QueuedConnection);
        // Through stdbuf, so that the tool's client (and port) names are its
        // plain name rather than the path QProcess would give it.
        process_->start(QStringLiteral("stdbuf"),
                        {QStringLiteral("-oL"), tool, QStringLiteral("-s"), QString::number(messagesPerRun)});
        // A run that never sees both connections waits for ever.
        QTimer::singleShot(runTimeoutMs, process_.get(), &QProcess::kill);
        if (!server_.waitForPort(toolIn) || !server_.waitForPort(toolOut) || !thru_.open(toolOut, toolIn))
            process_->kill();
    }

    Latencies result;

private:
    void finishRun()
    {
        thru_.close();
        result.addRun(QString::fromLocal8Bit(process_->readAll()));
        process_.release()->deleteLater(); // it is the sender of this very call
        start();
    }

    JackServer& server_;
    Thru& thru_;
    std::function<void()> done_;
    std::unique_ptr<QProcess> process_;
    int runs_ = 0;
};

Latencies measureIdle(JackServer& server, Thru& thru)
{
    QEventLoop loop;
    LatencyRuns runs(server, thru, [&] { loop.quit(); });
    QTimer::singleShot(0, [&] { runs.start(); });
    loop.exec();
    return runs.result;
}

// The same while Wondrousness plays with delay 60 in pitch mode: the runs
// start and end inside the formula's yields, as the user's clicks would.
Latencies measureWhilePlaying(JackServer& server, WindowThru& thru, Composer& composer)
{
    LatencyRuns runs(server, thru, [&] { composer.stopWondrousness(); });
    QTimer::singleShot(0, [&] { runs.start(); });
    composer.runWondrousness();
    return runs.result;
}

// The program over the MIDI system's ports and the bench's host, loaded and
// on screen without the device dialog (the runs choose the devices), its
// window's close ending no program, since the bench goes on.
std::unique_ptr<Program> loadedProgram(MidiSystem& system, QtHost& host,
                                       std::unique_ptr<OutputBackend> output = nullptr)
{
    auto program =
        std::make_unique<Program>(output ? std::move(output) : std::make_unique<SystemOutputBackend>(system),
                                  std::make_unique<SystemInputBackend>(system), host);
    program->window().showSetupDialog = nullptr;
    program->window().endProgram = nullptr;
    program->window().load();
    program->window().show();
    return program;
}

QString ms(double value)
{
    return std::isinf(value) ? QStringLiteral(">10") : fixed(value, 1);
}

QString latencyText(const Latencies& l)
{
    const Spread s = spreadOf(l.binned);
    return QStringLiteral("%1 / %2 / %3 (n=%4)").arg(ms(s.median), ms(s.p99), ms(s.max)).arg(l.binned.size());
}

void printLatency(const QString& what, const Latencies& program, const Latencies& anchor)
{
    const Spread a = spreadOf(anchor.binned);
    printFigure({what, latencyText(program), latencyText(anchor),
                 QStringLiteral("p99 <= anchor's: %1").arg(ms(a.p99))});
    printNote(
        QStringLiteral(
            "xruns of the dummy driver: %1 here, %2 in the anchor; tool runs lost to them: %3 here, %4 in the anchor")
            .arg(program.xruns)
            .arg(anchor.xruns)
            .arg(program.failedRuns)
            .arg(anchor.failedRuns));
}

// A plain chain, as a musician patches it: "keys" plays a note into the thru at
// a random frame of a cycle and "synth" hears it, with no loop between them.
// The event loop runs between the notes, which come 5 to 15 ms apart. The
// note is on channel 16, which the formulas never play, so that it is told
// apart from a formula playing into the same synth.
struct Chain {
    std::vector<double> latencies;
    int lost = 0; // not heard within a second
    int xruns = 0;
};

constexpr std::uint8_t chainNote = 0x9F;

std::vector<JackPeer::Heard> chainNotesHeard(JackPeer& synth)
{
    std::vector<JackPeer::Heard> notes;
    for (const JackPeer::Heard& h : synth.heard())
        if (!h.bytes.empty() && h.bytes[0] == chainNote)
            notes.push_back(h);
    return notes;
}

class ChainRun {
public:
    ChainRun(Thru& thru, int periodFrames, double frameMs, std::function<void()> done)
        : thru_(thru), periodFrames_(periodFrames), frameMs_(frameMs), done_(std::move(done)), keys_("keys"),
          synth_("synth")
    { }

    void start()
    {
        if (!keys_.open() || !synth_.open() || !thru_.open(QStringLiteral("keys:out"), QStringLiteral("synth:in"))) {
            done_();
            return;
        }
        next_.setSingleShot(true);
        QObject::connect(&next_, &QTimer::timeout, [this] { step(); });
        next_.start(0);
    }

    Chain result;

private:
    void step()
    {
        constexpr int notes = 300;
        if (played_ > 0) {
            const std::vector<jack_nframes_t> playedAt = keys_.playedFrames();
            const std::vector<JackPeer::Heard> heard = chainNotesHeard(synth_);
            if (!heard.empty() && !playedAt.empty()) {
                const auto frames = static_cast<std::int32_t>(heard.back().frame - (playedAt.back() + offset_));
                result.latencies.push_back(frames * frameMs_);
            } else if (waiting_.elapsed() < 1000) {
                next_.start(1); // not through yet
                return;
            } else {
                ++result.lost;
            }
            keys_.forget();
            synth_.forget();
        }
        if (played_ == notes) {
            result.xruns = keys_.xruns();
            thru_.close();
            done_();
            return;
        }
        offset_ = static_cast<jack_nframes_t>(random_() % static_cast<unsigned>(periodFrames_));
        keys_.play({{chainNote, 60, 100}}, offset_);
        ++played_;
        waiting_.start();
        next_.start(5 + static_cast<int>(random_() % 11));
    }

    Thru& thru_;
    int periodFrames_;
    double frameMs_;
    std::function<void()> done_;
    JackPeer keys_;
    JackPeer synth_;
    QTimer next_;
    std::mt19937 random_{7};
    int played_ = 0;
    jack_nframes_t offset_ = 0;
    QElapsedTimer waiting_;
};

Chain chainLatencies(Thru& thru, int periodFrames, double frameMs)
{
    QEventLoop loop;
    ChainRun run(thru, periodFrames, frameMs, [&] { loop.quit(); });
    QTimer::singleShot(0, [&] { run.start(); });
    loop.exec();
    return run.result;
}

// The same while Wondrousness plays into the synth (delay 60, as the window
// starts): the chain
// runs inside the formula's yields.
Chain chainWhilePlaying(Thru& thru, int periodFrames, double frameMs, Composer& composer)
{
    ChainRun run(thru, periodFrames, frameMs, [&] { composer.stopWondrousness(); });
    QTimer::singleShot(0, [&] { run.start(); });
    composer.runWondrousness();
    return run.result;
}

QString chainText(const Chain& chain)
{
    const Spread s = spreadOf(chain.latencies);
    return QStringLiteral("%1 / %2 / %3 (n=%4)")
        .arg(fixed(s.median, 2), fixed(s.p99, 2), fixed(s.max, 2))
        .arg(chain.latencies.size());
}

} // namespace

void benchThruChain(QtHost& host, JackServer& server)
{
    printSection(QStringLiteral(
        "Thru latency in a chain, keys -> thru -> synth, no loop: ms from the frame a note is played at "
        "(random within its cycle) to the frame it is heard at, median / p99 / max (anchor: a bare RtMidi thru)"));
    for (int period : {64, 256, 1024}) {
        server.stop();
        if (!server.start(period)) {
            printNote(QStringLiteral("left out: jackd with the dummy driver did not start"));
            break;
        }
        const double frameMs = 1000.0 / 48000;
        const auto anchorThru = std::make_shared<RtMidiThru>();
        server.keepUntilStopped(anchorThru);
        const Chain anchor = chainLatencies(*anchorThru, period, frameMs);
        MidiSystem system;
        const std::unique_ptr<Program> thruProgram = loadedProgram(system, host);
        WindowThru thru(thruProgram->window());
        const Chain idle = chainLatencies(thru, period, frameMs);
        const Chain playing = chainWhilePlaying(thru, period, frameMs, thruProgram->composer());
        thruProgram->window().close();
        const QString goal = QStringLiteral("0 periods, <= 1 frame (%1 ms)").arg(fixed(frameMs, 3));
        const QString label = QStringLiteral("%1 frames (%2 ms)").arg(period).arg(fixed(period * frameMs, 2));
        printFigure({label + QStringLiteral(", idle"), chainText(idle), chainText(anchor), goal});
        printFigure({label + QStringLiteral(", Wondrousness playing"), chainText(playing), chainText(anchor), goal});
        printNote(QStringLiteral("notes not heard: %1 idle, %2 playing, %3 in the anchor; xruns of the dummy driver "
                                 "meanwhile: %4 idle, %5 playing, %6 in the anchor")
                      .arg(idle.lost)
                      .arg(playing.lost)
                      .arg(anchor.lost)
                      .arg(idle.xruns)
                      .arg(playing.xruns)
                      .arg(anchor.xruns));
    }
    server.stop();
    server.start();
}

void benchThruLatency(QtHost& host, JackServer& server)
{
    printSection(
        QStringLiteral("Thru latency over JACK (dummy driver, 48 kHz, 64-frame period = %1 ms), in ms: "
                       "median / p99 / max, upper edges of the tool's 0.1 ms bins (anchor: a bare RtMidi thru)")
            .arg(fixed(periodMs, 2)));
    if (!server.isRunning()) {
        printNote(QStringLiteral("left out: jackd with the dummy driver did not start"));
        return;
    }
    const auto anchorThru = std::make_shared<RtMidiThru>();
    server.keepUntilStopped(anchorThru);
    const Latencies anchor = measureIdle(server, *anchorThru);
    MidiSystem system;
    const std::unique_ptr<Program> program = loadedProgram(system, host);
    WindowThru thru(program->window());
    printLatency(QStringLiteral("thru in the cycle, idle"), measureIdle(server, thru), anchor);
    printLatency(QStringLiteral("thru in the cycle, Wondrousness playing"),
                 measureWhilePlaying(server, thru, program->composer()), anchor);
    program->window().close();
}

namespace {

using Clock = std::chrono::steady_clock;

// Key to sound: "keys" is handed a note, plays it in its next cycle into the
// program's input, the synthesizer renders it into JACK and the listener
// hears its first audible block. All Sound Off and silence between notes.
// Driven by a timer, so that it runs inside a formula's yields as well.
class KeyToSoundRun {
public:
    KeyToSoundRun(JackPeer& keys, SynthAudioListener& listener, std::function<void()> done)
        : keys_(keys), listener_(listener), done_(std::move(done))
    {
        next_.setSingleShot(true);
        QObject::connect(&next_, &QTimer::timeout, [this] { step(); });
        next_.start(0);
    }

    std::vector<double> latencies;
    int lost = 0;
    int ringing = 0; // left out: sound was still heard before the note

private:
    enum class Stage { Silence, Listen, Play, Wait };

    void step()
    {
        constexpr int notes = 100;
        switch (stage_) {
        case Stage::Silence:
            if (played_ == notes) {
                done_();
                return;
            }
            keys_.play({{midi::ControlChange | 0x0F, midi::controller::AllSoundOff, 0}});
            stage_ = Stage::Listen;
            next_.start(40);
            return;
        case Stage::Listen:
            listener_.reset();
            stage_ = Stage::Play;
            next_.start(10);
            return;
        case Stage::Play:
            ++played_;
            if (listener_.heard()) { // still ringing: left out
                ++ringing;
                stage_ = Stage::Silence;
                next_.start(0);
                return;
            }
            handed_ = Clock::now();
            keys_.play({{midi::NoteOn | 0x0F, 60, 100}});
            stage_ = Stage::Wait;
            next_.start(1);
            return;
        case Stage::Wait:
            if (listener_.heard()) {
                latencies.push_back(
                    std::chrono::duration<double, std::milli>(listener_.firstAudible() - handed_).count());
            } else if (Clock::now() - handed_ < std::chrono::seconds(1)) {
                next_.start(1);
                return;
            } else {
                ++lost;
            }
            stage_ = Stage::Silence;
            next_.start(0);
            return;
        }
    }

    JackPeer& keys_;
    SynthAudioListener& listener_;
    std::function<void()> done_;
    QTimer next_;
    Stage stage_ = Stage::Silence;
    int played_ = 0;
    Clock::time_point handed_;
};

struct KeyToSound {
    std::vector<double> latencies;
    int lost = 0;
    int ringing = 0;
    bool ran = true; // false: the formula's run ended before the notes
};

KeyToSound keyToSound(JackPeer& keys, SynthAudioListener& listener)
{
    QEventLoop loop;
    KeyToSoundRun run(keys, listener, [&] { loop.quit(); });
    loop.exec();
    return {run.latencies, run.lost, run.ringing};
}

// The same while Wondrousness plays into the same synthesizer (delay 60,
// as the window starts), its channel turned down to nothing so that the
// listener hears only the keys: the synthesizer renders the formula's voices
// all the same, and the user-interface thread is busy with the run.
KeyToSound keyToSoundWhilePlaying(JackPeer& keys, SynthAudioListener& listener, Composer& composer)
{
    constexpr std::uint8_t channelVolume = 7; // the controller number
    keys.play({{midi::ControlChange, channelVolume, 0}});
    bool done = false;
    KeyToSoundRun run(keys, listener, [&] {
        done = true;
        composer.stopWondrousness();
    });
    composer.runWondrousness();
    keys.play({{midi::ControlChange, channelVolume, 100}});
    return {run.latencies, run.lost, run.ringing, done};
}

QString keyToSoundText(const KeyToSound& k)
{
    const Spread s = spreadOf(k.latencies);
    if (!k.ran)
        return QStringLiteral("the formula's run ended first");
    return QStringLiteral("%1 / %2 / %3 (n=%4, %5 lost, %6 still ringing)")
        .arg(fixed(s.median, 2), fixed(s.p99, 2), fixed(s.max, 2))
        .arg(k.latencies.size())
        .arg(k.lost)
        .arg(k.ringing);
}

} // namespace

void benchThruIntoSynth(QtHost& host, JackServer& server)
{
    printSection(QStringLiteral("Thru into the built-in synthesizer, keys -> Quorvane -> its synthesizer on JACK "
                                "(64 frames): ms from the note handed to keys to the first audible block, "
                                "median / p99 / max (anchor: the same forwarded by the window)"));
    if (!server.isRunning()) {
        printNote(QStringLiteral("left out: jackd with the dummy driver did not start"));
        return;
    }
    JackPeer keys("keys");
    SynthAudioListener listener;
    SynthOptions options;
    options.audioDrivers = {QStringLiteral("jack")};
    MidiSystem system;
    const std::unique_ptr<Program> program =
        loadedProgram(system, host, std::make_unique<SynthOutput>(onSystem(system, options)));
    WindowThru thru(program->window());
    const QString sound = system.jack() ? system.jack()->portPrefix() + SynthOutput::jackPortsName() : QString();
    if (!keys.open() || !listener.open() || !thru.open(QStringLiteral("keys:out"), SynthOutput::deviceName()) ||
        !listener.listenTo(sound + QStringLiteral(" left"), sound + QStringLiteral(" right"))) {
        printNote(QStringLiteral("left out: the chain did not connect"));
        return;
    }
    const KeyToSound here = keyToSound(keys, listener);
    const KeyToSound herePlaying = keyToSoundWhilePlaying(keys, listener, program->composer());
    // The window's own forwarding, as before: nothing forwarded on arrival.
    system.inputThru().setOutput(nullptr);
    const KeyToSound there = keyToSound(keys, listener);
    const KeyToSound therePlaying = keyToSoundWhilePlaying(keys, listener, program->composer());
    printFigure({QStringLiteral("from the delivery thread, idle"), keyToSoundText(here), keyToSoundText(there),
                 QStringLiteral("p99 <= anchor's")});
    printFigure({QStringLiteral("the same, Wondrousness playing"), keyToSoundText(herePlaying),
                 keyToSoundText(therePlaying), QStringLiteral("p99 <= anchor's")});
    thru.close();
    program->window().close();
}
