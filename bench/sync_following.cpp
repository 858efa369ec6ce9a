#include "sync_following.h"

#include "bench_table.h"
#include "devices/outside_beat.h"
#include "heard_lines.h"
#include "jack_peer.h"
#include "jack_server.h"
#include "sync_rig.h"

#include <QProcess>
#include <QThread>
#include <QTimer>

#include <cmath>

using namespace quorvane;

namespace {

constexpr int notesWanted = 500;
constexpr int lineMs = 125; // 1/16 at 120 bpm
constexpr int sampleRate = 48000;

enum class Follow { SteadyClock, JitteredClock, Transport };

// One server with jack_transport as its timebase master at 120 bpm, and,
// for a clock, jack_midi_clock following it into the program's input and
// the listener.
class Studio {
public:
    Studio(JackServer& server, Follow follow) : server_(server), follow_(follow) { }
    ~Studio()
    {
        for (QProcess* process : {clock_, master_})
            if (process) {
                process->kill();
                process->waitForFinished(2000);
            }
    }

    bool setUp()
    {
        if (!ears_.open())
            return false;
        master_ = server_.startClient(QStringLiteral("jack_transport"), {});
        master_->write("master\ntempo 120\nstop\nlocate 0\n");
        if (follow_ != Follow::Transport) {
            QStringList arguments{QStringLiteral("-b"), QStringLiteral("120")};
            if (follow_ == Follow::JitteredClock)
                arguments << QStringLiteral("-J") << QStringLiteral("10");
            clock_ = server_.startClient(QStringLiteral("jack_midi_clock"), arguments);
            const QString clockOut = QStringLiteral("jack_midi_clock:mclk_out");
            if (!server_.waitForPort(clockOut) || !rig_.openInputOn(clockOut) ||
                !server_.connect(clockOut, ears_.inPort()))
                return false;
        }
        QThread::msleep(300);
        return rig_.openOutputOn(ears_.inPort());
    }

    // Plays runMs from the transport's start; tempo 90 after changeMs if given.
    void play(int runMs, int changeMs = 0)
    {
        ears_.forget();
        const SnapshotCell<BeatReading>& cell =
            follow_ == Follow::Transport ? rig_.system.transport() : rig_.system.clockIn();
        const OutsideBeat source(cell);
        QTimer::singleShot(100, [this] { ears_.rollTransport(); });
        if (changeMs > 0)
            QTimer::singleShot(changeMs, [this] { master_->write("tempo 90\n"); });
        rig_.runOnGrid(source, runMs);
        QThread::msleep(100);
        ears_.stopTransport();
        rig_.closeBoth();
    }

    // Each note-on's distance from its line, in frames, in the order played.
    std::vector<double> offLines()
    {
        const std::vector<JackPeer::Heard> heard = ears_.heard();
        const std::vector<double> lines = follow_ == Follow::Transport ? transportLineFrames(ears_.transportBeats())
                                                                       : readClock(heard).lineFrames;
        std::vector<double> off;
        if (lines.empty())
            return off;
        for (const JackPeer::Heard& note : noteOnsOf(heard))
            off.push_back(offLine(note.frame, lines));
        return off;
    }

    // The error of the clock's own tick spacings against 120 bpm, in frames.
    std::vector<double> clockSpacingErrors()
    {
        std::vector<double> errors;
        jack_nframes_t last = 0;
        for (const JackPeer::Heard& h : ears_.heard())
            if (h.bytes == JackPeer::Bytes{0xF8}) {
                if (last != 0)
                    errors.push_back(std::abs(double(h.frame - last) - sampleRate * 60.0 / 120 / 24));
                last = h.frame;
            }
        return errors;
    }

    int xruns() const { return ears_.xruns(); }

private:
    JackServer& server_;
    Follow follow_;
    SyncRig rig_;
    JackPeer ears_{"ears"};
    QProcess* master_ = nullptr;
    QProcess* clock_ = nullptr;
};

QString msText(std::vector<double> frames)
{
    for (double& f : frames)
        f = std::abs(f) * 1000.0 / sampleRate;
    const Spread s = spreadOf(frames);
    return QStringLiteral("%1 / %2 / %3 ms").arg(fixed(s.median, 3), fixed(s.p99, 3), fixed(s.max, 3));
}

QString framesText(std::vector<double> frames)
{
    for (double& f : frames)
        f = std::abs(f);
    const Spread s = spreadOf(frames);
    return QStringLiteral("%1 / %2 / %3 frames").arg(fixed(s.median, 1), fixed(s.p99, 1), fixed(s.max, 1));
}

bool started(JackServer& server, int period)
{
    if (server.start(period))
        return true;
    printNote(QStringLiteral("left out: jackd did not start with a %1-frame period").arg(period));
    return false;
}

// 500 notes on the lines of an outside beat.
void following(JackServer& server, int period, Follow follow, const QString& what, const QString& goal)
{
    if (!started(server, period))
        return;
    {
        Studio studio(server, follow);
        if (!studio.setUp()) {
            printNote(QStringLiteral("left out: %1 could not be set up").arg(what));
        } else {
            studio.play(notesWanted * lineMs + 300);
            const std::vector<double> off = studio.offLines();
            const bool clock = follow != Follow::Transport;
            printFigure({QStringLiteral("%1 frames, %2, %3 notes").arg(period).arg(what).arg(off.size()),
                         off.empty() ? QStringLiteral("no notes on lines") : clock ? msText(off) : framesText(off),
                         clock ? QStringLiteral("ticks: ") + msText(studio.clockSpacingErrors())
                               : QStringLiteral("-"),
                         goal});
            if (studio.xruns() > 0)
                printNote(QStringLiteral("the server had %1 xruns meanwhile").arg(studio.xruns()));
        }
    }
    server.stop();
}

// The tempo jumps from 120 to 90 bpm: the lines until the notes sit on the
// new grid (within a frame) and stay there.
void tempoChange(JackServer& server, Follow follow, const QString& what)
{
    if (!started(server, 1024))
        return;
    {
        Studio studio(server, follow);
        if (studio.setUp()) {
            studio.play(4000, 2000);
            const std::vector<double> off = studio.offLines();
            // The notes around and after the change that were off their
            // line, from the first to the last: the lines the grid took.
            const std::size_t beforeChange = 2000 / lineMs - 2;
            std::size_t firstOff = 0, lastOff = 0;
            for (std::size_t i = beforeChange; i < off.size(); ++i)
                if (std::abs(off[i]) > 1) {
                    firstOff = firstOff ? firstOff : i + 1;
                    lastOff = i + 1;
                }
            printFigure({QStringLiteral("1024 frames, %1").arg(what),
                         off.size() <= beforeChange ? QStringLiteral("no notes")
                                                    : QStringLiteral("%1 lines").arg(firstOff ? lastOff - firstOff + 1 : 0),
                         QStringLiteral("-"), QStringLiteral("by the next beat (4 lines)")});
        }
    }
    server.stop();
}

} // namespace

void benchSyncFollowing(JackServer& server)
{
    server.stop();
    server.setRealtime(true);
    printSection(QStringLiteral("Following MIDI clock (jack_midi_clock -b 120 under jack_transport as timebase master): "
                                "each note-on's distance from the frame of its line's tick, Wondrousness at delay 60 "
                                "on 1/16, median / p99 / max (anchor: the clock's own tick spacing error)"));
    following(server, 1024, Follow::SteadyClock, QStringLiteral("steady clock"), QStringLiteral("p99 <= 0.1 ms"));
    following(server, 1024, Follow::JitteredClock, QStringLiteral("clock with -J 10"), QStringLiteral("-"));
    following(server, 64, Follow::SteadyClock, QStringLiteral("steady clock"), QStringLiteral("p99 <= 0.1 ms"));
    printSection(QStringLiteral("Following JACK transport (jack_transport as timebase master, 120 bpm): each note-on's "
                                "distance from the frame where its line falls by bar/beat/tick, median / p99 / max"));
    following(server, 1024, Follow::Transport, QStringLiteral("transport"), QStringLiteral("max <= 1 frame"));
    following(server, 64, Follow::Transport, QStringLiteral("transport"), QStringLiteral("max <= 1 frame"));
    printSection(QStringLiteral("Tempo change 120 -> 90 bpm at the timebase master: lines until the notes fall on the "
                                "new grid"));
    tempoChange(server, Follow::SteadyClock, QStringLiteral("MIDI clock in"));
    tempoChange(server, Follow::Transport, QStringLiteral("JACK transport"));
    server.setRealtime(false);
}
