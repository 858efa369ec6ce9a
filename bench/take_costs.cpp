#include "take_costs.h"

#include "bench_table.h"
#include "midi/midi_bytes.h"
#include "take/take_file.h"
#include "app/program.h"
#include "ui/main/window_names.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTimer>
#include <cmath>

using namespace quorvane;

namespace {

constexpr double mb = 1024.0 * 1024.0;

struct Recorded {
    double seconds = 0;
    double messages = 0;
    double fileBytes = 0;
};

// Plays Wondrousness for `ms` with a take running, as a musician would with
// the window's settings, and reads the size of the file it left.
Recorded recordRun(Program& program, const QString& delay, int ms)
{
    FrmMain& window = program.window();
    QTemporaryDir folder;
    program.recording().folder = folder.path();
    window.setText(controls::Delay, delay);
    long long sent = 0;
    struct Counter : PlayObserver {
        long long* sent;
        void messageSent(const MidiBytes&, std::int64_t) override { ++*sent; }
    } counter;
    counter.sent = &sent;
    program.playObservers().add(&counter);
    auto* record = window.findChild<QAction*>(menus::Record);
    record->trigger();
    QTimer::singleShot(ms, &window, [&] { program.composer().stopWondrousness(); });
    QElapsedTimer clock;
    clock.start();
    program.composer().runWondrousness();
    const double seconds = clock.nsecsElapsed() / 1e9;
    record->trigger();
    program.recording().finishWriting();
    program.playObservers().remove(&counter);

    Recorded r;
    r.seconds = seconds;
    r.messages = double(sent);
    for (const QFileInfo& file : QDir(folder.path()).entryInfoList({QStringLiteral("*.mid")}, QDir::Files))
        r.fileBytes += double(file.size());
    return r;
}

struct Written {
    double ms = 0;
    qint64 bytes = 0;
    QString failure;
};

// Writes a take of `count` note messages 1 ms apart, timed.
Written writeTake(std::size_t count)
{
    Take take(0, QDateTime::currentDateTime());
    for (std::size_t i = 0; i < count; ++i) {
        const auto key = static_cast<std::uint8_t>(i / 2 % 128);
        take.add({midi::NoteOn, key, static_cast<std::uint8_t>(i % 2 ? 0 : 60)}, std::int64_t(i) * 1000000);
    }
    take.end(std::int64_t(count) * 1000000);

    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("take.mid"));
    QElapsedTimer clock;
    clock.start();
    Written w;
    w.failure = writeTakeFile(take, path);
    w.ms = clock.nsecsElapsed() / 1e6;
    w.bytes = QFileInfo(path).size();
    return w;
}

struct NoteOnGaps {
    double largestMs = 0;
    long long noteOns = 0;
    long long over5Ms = 0;
    int takesWritten = 0; // full ones, while the formula played
};

// Wondrousness at delay 0 for `ms`, with a take running or not: the largest
// gap between two note-ons the output sent, which a take written on the
// thread that plays would stretch to the length of its write.
NoteOnGaps noteOnGaps(Program& program, bool recording, int ms)
{
    FrmMain& window = program.window();
    QTemporaryDir folder;
    program.recording().folder = folder.path();
    window.setText(controls::Delay, QStringLiteral("0"));
    struct NoteOns : PlayObserver {
        std::int64_t last = 0;
        std::int64_t largest = 0;
        long long count = 0;
        long long over5Ms = 0;
        void messageSent(const MidiBytes& m, std::int64_t timeNs) override
        {
            if (!midi::isNoteOn(m))
                return;
            if (count++ > 0) {
                largest = std::max(largest, timeNs - last);
                over5Ms += timeNs - last > 5'000'000;
            }
            last = timeNs;
        }
    } noteOns;
    program.playObservers().add(&noteOns);
    auto* record = window.findChild<QAction*>(menus::Record);
    if (recording)
        record->trigger();
    QTimer::singleShot(ms, &window, [&] { program.composer().stopWondrousness(); });
    program.composer().runWondrousness();
    program.playObservers().remove(&noteOns);
    NoteOnGaps gaps{noteOns.largest / 1e6, noteOns.count, noteOns.over5Ms, 0};
    if (recording) {
        record->trigger();
        program.recording().finishWriting();
        // All but the take that "Record" ended filled up while the formula played.
        gaps.takesWritten = int(QDir(folder.path()).entryList({QStringLiteral("*.mid")}, QDir::Files).size()) - 1;
    }
    return gaps;
}

void noteOnGapsWhileWriting(Program& program)
{
    constexpr int runMs = 8000;
    const NoteOnGaps plain = noteOnGaps(program, false, runMs);
    const NoteOnGaps recorded = noteOnGaps(program, true, runMs);
    printFigure({QStringLiteral("largest gap between note-ons, delay 0 (%1 s)").arg(runMs / 1000),
                 QStringLiteral("%1 ms (%2 of %3 over 5 ms), %4 full takes written")
                     .arg(fixed(recorded.largestMs, 2))
                     .arg(recorded.over5Ms)
                     .arg(recorded.noteOns)
                     .arg(recorded.takesWritten),
                 QStringLiteral("%1 ms (%2 of %3) without a take")
                     .arg(fixed(plain.largestMs, 2))
                     .arg(plain.over5Ms)
                     .arg(plain.noteOns),
                 QStringLiteral("< 5 ms")});
}

void fullTakeWrite()
{
    const Written full = writeTake(Take::maxEvents);
    const Written larger = writeTake(Take::maxEvents * 4);
    printFigure(
        {QStringLiteral("writing a full take (%1 messages)").arg(Take::maxEvents),
         full.failure.isEmpty() ? QStringLiteral("%1 ms, %2 MB file").arg(fixed(full.ms, 0), fixed(full.bytes / mb, 2))
                                : full.failure,
         QStringLiteral("%1 ms at 4 times the messages").arg(fixed(larger.ms, 0)), QStringLiteral("a short pause")});
}

} // namespace

void benchTakeCosts(Program& program)
{
    FrmMain& window = program.window();
    printSection(QStringLiteral("A recorded take over the in-memory devices (pitch mode and Note Off, as at start-up; "
                                "%1 bytes a message in memory)")
                     .arg(sizeof(Take::Event)));
    for (Mode mode : {Mode::Velocity, Mode::ProgrammeChange, Mode::Pan})
        window.findChild<QCheckBox*>(controls::doMode(mode))->setChecked(false);
    window.findChild<QCheckBox*>(controls::doMode(Mode::Pitch))->setChecked(true);
    window.findChild<QCheckBox*>(controls::UseNoteOff)->setChecked(true);
    window.findChild<QCheckBox*>(controls::RandomDelay)->setChecked(true);
    program.composer().refreshModeFlags();

    const auto costs = [](double messages, double fileBytesPerMessage) {
        // The running take and, while it is written, the one before.
        const double held = 2 * std::min(messages, double(Take::maxEvents));
        return QStringLiteral("%1 msgs, %2 takes, %3 MB files, at most %4 MB held")
            .arg(fixed(messages, 0), fixed(std::ceil(messages / double(Take::maxEvents)), 0),
                 fixed(messages * fileBytesPerMessage / mb, 2), fixed(held * sizeof(Take::Event) / mb, 2));
    };
    const Recorded slow = recordRun(program, QStringLiteral("60"), 10000);
    printFigure({QStringLiteral("delay 60, random, one hour"),
                 costs(slow.messages / slow.seconds * 3600, slow.fileBytes / slow.messages), QStringLiteral("-"),
                 QStringLiteral("well under 10 MB")});
    const Recorded fast = recordRun(program, QStringLiteral("0"), 3000);
    printFigure({QStringLiteral("delay 0, one minute"),
                 costs(fast.messages / fast.seconds * 60, fast.fileBytes / fast.messages), QStringLiteral("-"),
                 QStringLiteral("-")});
    noteOnGapsWhileWriting(program);
    window.setText(controls::Delay, QStringLiteral("60"));
    fullTakeWrite();
}
