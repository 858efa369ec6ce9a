#include "engine_fakes.h"
#include "main_window_fixture.h"
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
    std::unique_ptr<Program> program;
    SyncWindow* sync = nullptr;

    template <class Widget>
    Widget* part(const char* name)
    {
        auto* widget = sync->findChild<Widget*>(QString::fromLatin1(name));
        if (!widget)
            qFatal("the sync window has no %s", name);
        return widget;
    }

    QLineEdit* tempoBox() { return part<QLineEdit>(syncnames::TempoBox); }

private slots:
    void init()
    {
        host = ScriptedHost();
        auto output = std::make_unique<MemoryOutputBackend>();
        out = output.get();
        program = std::make_unique<Program>(std::move(output), std::make_unique<MemoryInputBackend>(), host);
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
        QCOMPARE(choices, QStringList({"Free (Delay)*", "Tempo", "Ableton Link", "1/4", "1/8", "1/16*", "1/32"}));
        QCOMPARE(part<QCheckBox>(syncnames::StartStopSync)->text(), QStringLiteral("Start/Stop Sync"));
        QVERIFY(!part<QCheckBox>(syncnames::StartStopSync)->isChecked());
        QVERIFY(!program->link().isEnabled()); // nothing on the network unless chosen
        QCOMPARE(tempoBox()->text(), QStringLiteral("120"));
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
};

QTEST_MAIN(SyncWindowTest)
#include "test_sync_window.moc"
