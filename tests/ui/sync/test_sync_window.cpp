#include "devices/outside_beat.h"
#include "engine_fakes.h"
#include "main_window_fixture.h"
#include "sync_window_part.h"
#include "ui/main/window_names.h"
#include "ui/sync/sync_names.h"
#include "ui/sync/sync_window.h"

#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

using namespace quorvane;
using namespace quorvane::testing;

namespace {

constexpr std::int64_t ms = 1'000'000;

} // namespace

// The sync window as the user finds it under MIDI > Sync..., over the
// program with in-memory devices and a scripted clock.
class SyncWindowTest : public QObject {
    Q_OBJECT

    ScriptedHost host;
    MemoryOutputBackend* out = nullptr;
    MemoryInputBackend* in = nullptr;
    std::unique_ptr<Program> program;
    SyncWindow* sync = nullptr;

    template <class Widget>
    Widget* part(const char* name)
    {
        return syncPart<Widget>(*sync, name);
    }

    QLineEdit* tempoBox() { return part<QLineEdit>(syncnames::TempoBox); }

private slots:
    void init()
    {
        host = ScriptedHost();
        auto output = std::make_unique<MemoryOutputBackend>();
        out = output.get();
        auto input = std::make_unique<MemoryInputBackend>();
        in = input.get();
        program = std::make_unique<Program>(std::move(output), std::move(input), host);
        FrmMain& window = program->window();
        window.showSetupDialog = [&] { openFirstDevices(window); };
        window.endProgram = [] {};
        window.load();
        window.show();
        window.findChild<QAction*>(menus::Sync)->trigger();
        sync = window.findChild<SyncWindow*>();
        QVERIFY(sync);
        out->wire.clear();
    }

    void cleanup()
    {
        program.reset();
        sync = nullptr;
    }

    void theMenuShowsOneModelessWindowWithTheGivenTexts()
    {
        FrmMain& window = program->window();
        QCOMPARE(window.findChild<QAction*>(menus::Sync)->text(), QStringLiteral("S&ync..."));
        window.findChild<QAction*>(menus::Sync)->trigger(); // again: the same window
        QCOMPARE(window.findChildren<SyncWindow*>().size(), 1);
        QCOMPARE(sync->windowTitle(), QStringLiteral("Quorvane Sync"));
        QVERIFY(sync->isVisible());
        QVERIFY(sync->isWindow());
        QCOMPARE(sync->windowModality(), Qt::NonModal);
        QStringList boxes;
        for (const QGroupBox* box : sync->findChildren<QGroupBox*>())
            boxes << box->title();
        QCOMPARE(boxes, QStringList({"Source", "Grid"}));
        QStringList choices;
        for (const QRadioButton* button : sync->findChildren<QRadioButton*>())
            choices << button->text() + (button->isChecked() ? QStringLiteral("*") : QString());
        QCOMPARE(choices, QStringList({"Free (Delay)*", "Tempo", "MIDI Clock In", "JACK Transport", "Ableton Link", "1/4", "1/8", "1/16*", "1/32"}));
        QCOMPARE(part<QCheckBox>(syncnames::StartStopSync)->text(), QStringLiteral("Start/Stop Sync"));
        QVERIFY(!part<QCheckBox>(syncnames::StartStopSync)->isChecked());
        QVERIFY(!program->link().isEnabled()); // nothing on the network unless chosen
        QCOMPARE(tempoBox()->text(), QStringLiteral("120"));
        QCOMPARE(part<QCheckBox>(syncnames::SendClock)->text(), QStringLiteral("Send MIDI Clock"));
        QVERIFY(!part<QCheckBox>(syncnames::SendClock)->isChecked());
        QStringList labels;
        for (const QLabel* label : sync->findChildren<QLabel*>())
            labels << label->text();
        QVERIFY(labels.contains(QStringLiteral("Tempo (bpm)")));
        QCOMPARE(part<QLabel>(syncnames::Status)->text(), QStringLiteral("Free (Delay)"));
        // Closing hides it; the menu shows it again as it was left.
        part<QRadioButton>(syncnames::Eighth)->click();
        sync->close();
        window.findChild<QAction*>(menus::Sync)->trigger();
        QVERIFY(sync->isVisible());
        QVERIFY(part<QRadioButton>(syncnames::Eighth)->isChecked());
    }

    void aTempoBoxWithNoUsableTempoIsMarkedAndTheLastGoodOneStays()
    {
        const QColor white = tempoBox()->palette().color(QPalette::Base);
        tempoBox()->setText(QStringLiteral("97.3"));
        QCOMPARE(program->ownTempo().bpm(), 97.3);
        for (const char* bad : {"fast", "", "19.9", "300.5", "1e400"}) {
            tempoBox()->setText(QString::fromLatin1(bad));
            QVERIFY2(tempoBox()->palette().color(QPalette::Base) == QColor(255, 255, 160), bad);
            QVERIFY(!tempoBox()->toolTip().isEmpty());
            QCOMPARE(program->ownTempo().bpm(), 97.3);
        }
        tempoBox()->setText(QStringLiteral("300"));
        QCOMPARE(tempoBox()->palette().color(QPalette::Base), white);
        QVERIFY(tempoBox()->toolTip().isEmpty());
        QCOMPARE(program->ownTempo().bpm(), 300.0);
    }

    // With "Tempo" chosen a run's notes fall on the lines of the program's
    // own beat; back on "Free (Delay)" each pause is its delay again.
    void theChosenSourcePutsTheRunsOnItsGrid()
    {
        FrmMain& window = program->window();
        window.findChild<QCheckBox*>(controls::RandomDelay)->setChecked(false);
        part<QRadioButton>(syncnames::TempoSource)->click();
        part<QRadioButton>(syncnames::Eighth)->click();
        QVERIFY(part<QLabel>(syncnames::Status)->text().startsWith(QStringLiteral("Tempo: running, 120.0 bpm, bar ")));
        int yields = 0;
        host.onYield = [&](int) {
            if (++yields == 9)
                window.findChild<QPushButton*>(controls::StopIt)->click();
        };
        window.findChild<QPushButton*>(controls::DoIt)->click();
        const BeatTimeline beat = program->ownTempo().timeline().load();
        std::vector<double> lines; // where each note-on falls, in eighths of the beat
        for (const auto& m : out->wire)
            if (m.bytes[2] != 0 && m.atNs)
                lines.push_back(beat.tickAt(*m.atNs) / 12);
        QCOMPARE(lines.size(), std::size_t(3));
        for (double line : lines)
            QCOMPARE(line, std::round(line));
        QCOMPARE(lines[1] - lines[0], 1.0); // delay 60: the next line
        QCOMPARE(lines[2] - lines[1], 1.0);

        part<QRadioButton>(syncnames::FreeSource)->click();
        QCOMPARE(part<QLabel>(syncnames::Status)->text(), QStringLiteral("Free (Delay)"));
        out->wire.clear();
        host.pauses.clear();
        yields = 0;
        window.findChild<QPushButton*>(controls::DoIt)->click();
        QCOMPARE(host.pauses, (std::vector<long long>{60, 60, 60}));
    }

    // With "MIDI Clock In" chosen and no clock coming, the status says so
    // and a run holds without a note until it is stopped.
    void withNoClockComingARunHolds()
    {
        FrmMain& window = program->window();
        part<QRadioButton>(syncnames::ClockInSource)->click();
        QCOMPARE(part<QLabel>(syncnames::Status)->text(), QStringLiteral("MIDI Clock In: no clock"));
        int yields = 0;
        host.onYield = [&](int) {
            if (++yields == 20)
                window.findChild<QPushButton*>(controls::StopIt)->click();
        };
        window.findChild<QPushButton*>(controls::DoIt)->click();
        QCOMPARE(yields, 20);
        for (const auto& m : out->wire)
            QVERIFY2(m.bytes.size() < 3 || m.bytes[2] == 0, "a note played without a clock");
    }

    // The outside sources as the status line tells them: rolling with bar
    // and beat, stopped with the tempo, nothing to follow; the transport is
    // offered while JACK is in use.
    void theStatusLineTellsTheOutsideSources()
    {
        SnapshotCell<BeatReading> clockCell, transportCell;
        const OutsideBeat clockIn(clockCell), transport(transportCell);
        SyncWindow window({program->composer(), program->ownTempo(), program->clockOut(), clockIn, transport,
                           [] { return true; }, host, program->link()});
        window.show();
        QVERIFY(window.findChild<QRadioButton*>(syncnames::TransportSource)->isVisible());
        auto choose = [&](const char* source) {
            window.findChild<QRadioButton*>(source)->click();
            return window.statusText();
        };
        QCOMPARE(choose(syncnames::TransportSource), QStringLiteral("JACK Transport: no timebase master"));
        BeatReading rolling;
        rolling.beat.state = SourceState::Running;
        rolling.beat.originNs = host.clockNs;
        rolling.beat.originTick = (4 * 4 + 1) * 24; // bar 5 beat 2 of 4/4
        rolling.beat.nsPerTick = 60e9 / (128 * 24);
        rolling.heardNs = host.clockNs;
        transportCell.store(rolling);
        QCOMPARE(window.statusText(), QStringLiteral("JACK Transport: rolling, 128.0 bpm, bar 5 beat 2"));
        host.clockNs += 600 * ms; // not heard of for over half a second: gone
        QCOMPARE(window.statusText(), QStringLiteral("JACK Transport: no timebase master"));

        QCOMPARE(choose(syncnames::ClockInSource), QStringLiteral("MIDI Clock In: no clock"));
        BeatReading stopped = rolling;
        stopped.beat.state = SourceState::Stopped;
        stopped.beat.nsPerTick = 60e9 / (97.3 * 24);
        clockCell.store(stopped);
        QCOMPARE(window.statusText(), QStringLiteral("MIDI Clock In: stopped, 97.3 bpm"));
        choose(syncnames::FreeSource); // the composer lets go of the sources of this test
        window.close();
    }

    // Clock at the input is forwarded as everything is, but never twice:
    // while the program sends its own, the incoming one is left out.
    void theOwnClockReplacesTheForwardedOne()
    {
        auto forwarded = [&](const MidiBytes& message) {
            out->wire.clear();
            in->inject(message);
            QCoreApplication::processEvents();
            return out->wireLog();
        };
        QCOMPARE(forwarded({0xF8}), QStringList{"f8"});
        QCOMPARE(forwarded({0xFA}), QStringList{"fa"});
        part<QCheckBox>(syncnames::SendClock)->click();
        QVERIFY(program->clockOut().sending());
        QCOMPARE(part<QLabel>(syncnames::Status)->text(),
                 QStringLiteral("Free (Delay), sending MIDI Clock at 120.0 bpm"));
        for (const MidiBytes& clock : {MidiBytes{0xF8}, MidiBytes{0xFA}, MidiBytes{0xFB}, MidiBytes{0xFC}})
            QCOMPARE(forwarded(clock), QStringList());
        QCOMPARE(forwarded({0x90, 60, 100}), QStringList{"90 3c 64"});
        part<QCheckBox>(syncnames::SendClock)->click();
        QCOMPARE(forwarded({0xF8}), QStringList{"f8"});
    }
};

QTEST_MAIN(SyncWindowTest)
#include "test_sync_window.moc"
