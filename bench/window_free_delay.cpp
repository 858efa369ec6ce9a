#include "window_free_delay.h"

#include "app/program.h"
#include "bench_table.h"
#include "devices/system_backend.h"
#include "jack_peer.h"
#include "jack_server.h"
#include "open_by_name.h"
#include "jack_timing.h"
#include "ui/main/window_names.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

using namespace quorvane;

namespace {

constexpr int delayMs = 50;
constexpr int notesWanted = 301;
constexpr double frameMs = 1000.0 / 48000;

std::vector<jack_nframes_t> noteOnFrames(JackPeer& peer)
{
    std::vector<jack_nframes_t> frames;
    for (const JackPeer::Heard& h : peer.heard()) {
        if (h.bytes.size() == 3 && (h.bytes[0] & 0xF0) == 0x90 && h.bytes[2] > 0)
            frames.push_back(h.frame);
    }
    return frames;
}

// The window of the program as its user has it, with its own host and the
// MIDI system's devices; its output on the peer, "Do it" clicked, and
// "Stop it" clicked once enough note-ons were heard.
std::vector<double> windowIntervalErrors(JackPeer& peer)
{
    MidiSystem system;
    Program program(std::make_unique<SystemOutputBackend>(system), std::make_unique<SystemInputBackend>(system));
    FrmMain& window = program.window();
    window.showSetupDialog = nullptr;
    window.endProgram = nullptr;
    if (!openByName(window.MIDIOutput1(), peer.inPort()))
        return {};
    window.load();
    window.show();
    window.findChild<QLineEdit*>(controls::Delay)->setText(QString::number(delayMs));
    window.findChild<QCheckBox*>(controls::RandomDelay)->setChecked(false);
    window.findChild<QCheckBox*>(controls::DisplayResults)->setChecked(true);
    window.findChild<QAction*>(menus::Monitor)->trigger();
    QApplication::processEvents();
    peer.forget();

    auto* stopIt = window.findChild<QPushButton*>(controls::StopIt);
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (noteOnFrames(peer).size() >= std::size_t(notesWanted))
            stopIt->click();
    });
    watch.start(100);
    window.findChild<QPushButton*>(controls::DoIt)->click(); // returns once stopped
    watch.stop();

    const std::vector<jack_nframes_t> frames = noteOnFrames(peer);
    std::vector<double> errors;
    for (std::size_t i = 1; i < frames.size() && i < std::size_t(notesWanted); ++i)
        errors.push_back(std::abs(static_cast<std::int32_t>(frames[i] - frames[i - 1]) * frameMs - delayMs));
    window.close();
    return errors;
}

QString spreadText(const std::vector<double>& errors)
{
    if (errors.empty())
        return QStringLiteral("no output");
    const Spread s = spreadOf(errors);
    return QStringLiteral("%1 / %2 / %3").arg(fixed(s.median, 3), fixed(s.p99, 3), fixed(s.max, 3));
}

} // namespace

void benchWindowFreeDelay(JackServer& server)
{
    printSection(QStringLiteral("\"Free (Delay)\" through the window: error of the intervals between %1 note-ons "
                                "at delay %2 ms, \"Display Results\" on, monitor open, ms median / p99 / max "
                                "(anchor: a bare RtMidi sender sleeping to the same spacing), the server in real time")
                     .arg(notesWanted)
                     .arg(delayMs));
    // The server as musicians run it: a timing figure of a server whose
    // cycles come late measures the machine's load, not the program.
    server.setRealtime(true);
    for (const int period : {64, 256, 1024}) {
        server.stop();
        if (!server.start(period)) {
            printNote(QStringLiteral("left out: jackd did not start with a %1-frame period").arg(period));
            continue;
        }
        JackPeer peer;
        peer.open();
        const int xrunsBefore = peer.xruns();
        const std::vector<double> ours = windowIntervalErrors(peer);
        const int xruns = peer.xruns() - xrunsBefore;
        const std::vector<double> anchor = bareSenderIntervalErrors(server, peer, delayMs, 100);
        printFigure({QStringLiteral("%1 frames (%2 ms)").arg(period).arg(fixed(period * frameMs, 2)),
                     spreadText(ours), spreadText(anchor), QStringLiteral("p99 <= 0.1")});
        if (xruns > 0)
            printNote(QStringLiteral("the server had %1 xruns while the window played").arg(xruns));
        peer.close();
    }
    server.stop();
    server.setRealtime(false);
}
