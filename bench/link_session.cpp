// The program in a Link session, in a network namespace with loopback alone
// (support/in_private_network.sh): its notes against the session's beat, how
// soon they follow a peer's tempo change, and how long joining takes, beside
// the reference peer LinkHut on the same private JACK server.
#include "app/program.h"
#include "bench_table.h"
#include "devices/system_backend.h"
#include "jack_peer.h"
#include "jack_server.h"
#include "link_peer.h"
#include "open_by_name.h"
#include "private_network.h"
#include "sync_window_part.h"
#include "ui/main/window_names.h"
#include "ui/sync/sync_names.h"
#include "ui/sync/sync_window.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QThread>
#include <QTimer>

#include <jack/jack.h>

#include <chrono>
#include <cmath>
#include <ctime>
#include <mutex>

using namespace quorvane;

namespace {

constexpr int period = 1024;
constexpr double rate = 48000;
constexpr double sessionBpm = 120;
constexpr std::size_t notesWanted = 500;
constexpr std::int64_t ms = 1'000'000;

std::int64_t clockNs(clockid_t clock)
{
    timespec now{};
    ::clock_gettime(clock, &now);
    return std::int64_t{now.tv_sec} * 1'000'000'000 + now.tv_nsec;
}

// JACK's clock against the steady one: jack_get_time() is read between two
// reads of each system clock, and the clock it matches is the one it is on.
struct JackClock {
    bool raw = false;
    std::int64_t steadyNs(jack_time_t jackUs) const
    {
        const std::int64_t ns = static_cast<std::int64_t>(jackUs) * 1000;
        return raw ? ns + clockNs(CLOCK_MONOTONIC) - clockNs(CLOCK_MONOTONIC_RAW) : ns;
    }
};

JackClock findJackClock()
{
    const std::int64_t steady = clockNs(CLOCK_MONOTONIC);
    const std::int64_t raw = clockNs(CLOCK_MONOTONIC_RAW);
    const std::int64_t jack = static_cast<std::int64_t>(jack_get_time()) * 1000;
    JackClock found;
    found.raw = std::abs(jack - raw) < std::abs(jack - steady);
    printNote(QStringLiteral("jack_get_time() is on %1 (%2 us from it, %3 us from the other)")
                  .arg(found.raw ? QStringLiteral("CLOCK_MONOTONIC_RAW") : QStringLiteral("CLOCK_MONOTONIC"))
                  .arg(std::abs(jack - (found.raw ? raw : steady)) / 1000)
                  .arg(std::abs(jack - (found.raw ? steady : raw)) / 1000));
    return found;
}

// An audio input of its own that notes the frame of every click: the first
// sample above a threshold after 20 ms of quiet.
class ClickListener {
public:
    bool open()
    {
        client_ = jack_client_open("clicks", JackNoStartServer, nullptr);
        if (!client_)
            return false;
        in_ = jack_port_register(client_, "in", JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0);
        jack_set_process_callback(client_, &ClickListener::process, this);
        return in_ && jack_activate(client_) == 0;
    }
    ~ClickListener()
    {
        if (client_)
            jack_client_close(client_);
    }
    // The moments of the clicks heard since the last look, while JACK's
    // estimate of the cycles still holds for their frames.
    void collect(const JackClock& clock, std::vector<std::int64_t>& times)
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        for (jack_nframes_t frame : clicks_)
            times.push_back(clock.steadyNs(jack_frames_to_time(client_, frame)));
        clicks_.clear();
    }
    // The playback latency JACK reports for LinkHut's output, which it
    // writes its clicks ahead by.
    std::int64_t latencyNs() const
    {
        jack_latency_range_t range{0, 0};
        if (jack_port_t* port = jack_port_by_name(client_, "LinkHut:out_1"))
            jack_port_get_latency_range(port, JackPlaybackLatency, &range);
        return std::llround(range.max / rate * 1e9);
    }

private:
    static int process(jack_nframes_t frames, void* self)
    {
        auto* me = static_cast<ClickListener*>(self);
        const auto* samples = static_cast<const float*>(jack_port_get_buffer(me->in_, frames));
        const jack_nframes_t first = jack_last_frame_time(me->client_);
        for (jack_nframes_t i = 0; i < frames; ++i) {
            if (std::abs(samples[i]) > 0.05f) {
                if (me->quiet_ >= 960) {
                    const std::unique_lock<std::mutex> lock(me->mutex_, std::try_to_lock);
                    if (lock.owns_lock())
                        me->clicks_.push_back(first + i);
                }
                me->quiet_ = 0;
            } else {
                ++me->quiet_;
            }
        }
        return 0;
    }

    jack_client_t* client_ = nullptr;
    jack_port_t* in_ = nullptr;
    std::mutex mutex_;
    std::vector<jack_nframes_t> clicks_;
    int quiet_ = 0;
};

std::vector<jack_nframes_t> noteOnFrames(JackPeer& peer)
{
    std::vector<jack_nframes_t> frames;
    for (const JackPeer::Heard& h : peer.heard())
        if (h.bytes.size() == 3 && (h.bytes[0] & 0xF0) == 0x90 && h.bytes[2] > 0)
            frames.push_back(h.frame);
    return frames;
}

// How far a moment is from the session's nearest line of `step` beats, in
// ms: after it when positive.
double msPastLine(const LinkPeer& session, std::int64_t heardNs, double step)
{
    const double beat = session.beatAt(heardNs);
    return (beat - std::round(beat / step) * step) * 60000 / session.tempo();
}

double msOffLine(const LinkPeer& session, std::int64_t heardNs, double step)
{
    return std::abs(msPastLine(session, heardNs, step));
}

QString spreadText(const std::vector<double>& samples)
{
    if (samples.empty())
        return QStringLiteral("none heard");
    const Spread s = spreadOf(samples);
    return QStringLiteral("%1 / %2 / %3").arg(fixed(s.median, 3), fixed(s.p99, 3), fixed(s.max, 3));
}

// Until the condition holds, the event loop running; false after timeoutMs.
template <class Condition>
bool waitFor(Condition condition, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QApplication::processEvents(QEventLoop::AllEvents, 2);
        QThread::usleep(500);
    }
    return true;
}

struct Rig {
    JackServer& server;
    JackPeer notes{"notes"};
    MidiSystem system;
    std::unique_ptr<Program> program;
    SyncWindow* sync = nullptr;
    LinkPeer session{sessionBpm}; // the bench's own look at the session
    JackClock jackClock;

    explicit Rig(JackServer& s) : server(s) { }

    bool open()
    {
        if (!notes.open())
            return false;
        jackClock = findJackClock(); // libjack's clock is there once a client is

        program = std::make_unique<Program>(std::make_unique<SystemOutputBackend>(system),
                                            std::make_unique<SystemInputBackend>(system));
        FrmMain& window = program->window();
        window.showSetupDialog = nullptr;
        window.endProgram = nullptr;
        if (!openByName(window.MIDIOutput1(), notes.inPort()))
            return false;
        window.load();
        window.show();
        window.findChild<QLineEdit*>(controls::Delay)->setText(QStringLiteral("60"));
        window.findChild<QCheckBox*>(controls::RandomDelay)->setChecked(false);
        window.findChild<QAction*>(menus::Sync)->trigger();
        sync = window.findChild<SyncWindow*>();
        syncPart<QRadioButton>(*sync, syncnames::Sixteenth)->click();
        session.setEnabled(true);
        return true;
    }

    void choose(const char* source) { syncPart<QRadioButton>(*sync, source)->click(); }
    // The moments the note-ons of a run were heard: the frame's time, taken
    // while JACK's estimate still holds for it (it extrapolates its latest
    // cycle, so a frame a minute old is off by its rate error times a
    // minute), after the output's latency.
    std::vector<std::int64_t> noteOnTimes;
    void collect()
    {
        const std::vector<jack_nframes_t> frames = noteOnFrames(notes);
        for (std::size_t i = noteOnTimes.size(); i < frames.size(); ++i)
            noteOnTimes.push_back(jackClock.steadyNs(notes.frameTime(frames[i])) +
                                  program->window().MIDIOutput1().soundLatencyNs());
    }

    // Wondrousness until `wanted` note-ons were heard, `during` called
    // every few milliseconds meanwhile.
    template <class During>
    void play(std::size_t wanted, During during)
    {
        notes.forget();
        noteOnTimes.clear();
        FrmMain& window = program->window();
        auto* stopIt = window.findChild<QPushButton*>(controls::StopIt);
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, [&] {
            collect();
            during();
            if (noteOnTimes.size() >= wanted)
                stopIt->click();
        });
        watch.start(5);
        window.findChild<QPushButton*>(controls::DoIt)->click(); // returns once stopped
    }
};

void notesAgainstTheBeat(Rig& rig, ClickListener& clicks)
{
    std::vector<std::int64_t> clickTimes;
    rig.play(notesWanted, [&] { clicks.collect(rig.jackClock, clickTimes); });
    std::vector<double> ours;
    for (std::int64_t heard : rig.noteOnTimes)
        ours.push_back(msOffLine(rig.session, heard, 0.25));
    // LinkHut's clicks, on the beats, after the latency it reckons with.
    std::vector<double> anchor;
    for (std::int64_t heard : clickTimes)
        anchor.push_back(msOffLine(rig.session, heard + clicks.latencyNs(), 1));
    printFigure({QStringLiteral("%1 note-ons, 1/16, %2 frames (sound latency %3 ms)")
                     .arg(ours.size())
                     .arg(period)
                     .arg(fixed(rig.program->window().MIDIOutput1().soundLatencyNs() / 1e6, 2)),
                 spreadText(ours), spreadText(anchor) + QStringLiteral(" (%1 clicks)").arg(anchor.size()),
                 QStringLiteral("p99 <= 0.5")});
}

void followingATempoChange(Rig& rig)
{
    // The bench's peer changes the session from 120 to 90 bpm during the run.
    std::int64_t changedAt = 0;
    rig.play(40, [&] {
        if (!changedAt && rig.noteOnTimes.size() >= 12) {
            rig.session.setTempo(90);
            changedAt = clockNs(CLOCK_MONOTONIC);
        }
    });
    int linesBefore = 0;
    int offGrid = 0;
    for (std::int64_t heard : rig.noteOnTimes) {
        if (heard < changedAt)
            continue;
        const bool onNewGrid = msOffLine(rig.session, heard, 0.25) < 0.5;
        if (!onNewGrid) {
            ++offGrid;
            linesBefore = offGrid;
        }
    }
    printFigure({QStringLiteral("120 -> 90 bpm by the peer: notes off the new grid after the change"),
                 QStringLiteral("%1").arg(linesBefore), QStringLiteral("-"),
                 QStringLiteral("by the next beat (<= 4 at 1/16)")});
    rig.session.setTempo(sessionBpm);
}

// From choosing "Ableton Link" to the status line showing both peers
// (LinkHut and the bench's own), in ms; -1 when it never did.
double joinTime(Rig& rig)
{
    QElapsedTimer timer;
    timer.start();
    rig.choose(syncnames::LinkSource);
    auto* status = syncPart<QLabel>(*rig.sync, syncnames::Status);
    if (!waitFor([&] { return status->text().startsWith(QStringLiteral("Link: 2 peers")); }, 10000))
        return -1;
    return timer.nsecsElapsed() / 1e6;
}

void joinTimes(Rig& rig, double firstJoinMs)
{
    std::vector<double> joins;
    for (int i = 0; i < 5; ++i) {
        rig.choose(syncnames::FreeSource);
        waitFor([&] { return rig.session.peers() == 1; }, 5000); // LinkHut alone left
        joins.push_back(joinTime(rig));
    }
    printFigure({QStringLiteral("join: \"Ableton Link\" chosen to the status line's peers (ms)"),
                 QStringLiteral("first %1, again after leaving %2 (5 times)").arg(fixed(firstJoinMs, 0), spreadText(joins)),
                 QStringLiteral("-"), QStringLiteral("< 2000")});
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("link_session"));
    printTableHeader();
    printSection(QStringLiteral("A Link session with LinkHut at %1 bpm: each note-on's distance from its line of the "
                                "session (timeAtBeat, on JACK's clock), ms median / p99 / max (anchor: LinkHut's "
                                "clicks from its beats, captured by JACK)")
                     .arg(sessionBpm));
    const QString fault = privateNetworkFault();
    if (!fault.isEmpty()) {
        printNote(QStringLiteral("left out: no private network: ") + fault);
        return 0;
    }
    qputenv("JACK_NO_START_SERVER", "1");
    JackServer server;
    server.setRealtime(true);
    if (!server.start(period)) {
        printNote(QStringLiteral("left out: jackd did not start with a %1-frame period").arg(period));
        return 0;
    }
    Rig rig(server);
    ClickListener clicks;
    if (!rig.open() || !clicks.open()) {
        printNote(QStringLiteral("left out: the program or the listeners did not open on the server"));
        return 0;
    }
    // LinkHut: Link on ("a"), its transport playing (space), into the listener.
    QProcess* hut = server.startClient(QStringLiteral("LinkHut"), {});
    server.waitForPort(QStringLiteral("LinkHut:out_1"));
    server.connect(QStringLiteral("LinkHut:out_1"), QStringLiteral("clicks:in"));
    hut->write("a");
    QThread::msleep(300);
    hut->write(" ");
    if (!waitFor([&] { return rig.session.peers() == 1; }, 10000))
        printNote(QStringLiteral("LinkHut was not seen in the session"));
    const double firstJoinMs = joinTime(rig);
    if (firstJoinMs < 0)
        printNote(QStringLiteral("the program did not see both peers"));

    notesAgainstTheBeat(rig, clicks);
    followingATempoChange(rig);
    joinTimes(rig, firstJoinMs);
    hut->write("q");
    return 0;
}
