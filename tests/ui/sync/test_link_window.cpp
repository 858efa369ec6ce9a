#include "beat_waits.h"
#include "link_peer.h"
#include "main_window_fixture.h"
#include "private_network.h"
#include "sync_window_part.h"
#include "ui/main/window_names.h"
#include "ui/sync/sync_names.h"
#include "ui/sync/sync_window.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

#include <cmath>
#include <functional>

using namespace quorvane;

namespace {

constexpr std::int64_t ms = 1'000'000;

} // namespace

// The sync window's Link source as the user drives it, over the program with
// in-memory devices and its own clock, beside a peer written with the
// library's own API, in a network namespace with loopback alone.
class LinkWindowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<MainWindowFixture> fixture;
    std::unique_ptr<LinkPeer> peer;
    SyncWindow* sync = nullptr;

    template <class Widget>
    Widget* part(const char* name)
    {
        return syncPart<Widget>(*sync, name);
    }
    // A look every few milliseconds until `step` says it is done.
    void whenever(const std::function<bool()>& step)
    {
        auto* timer = new QTimer(sync);
        connect(timer, &QTimer::timeout, timer, [timer, step] {
            if (step()) {
                timer->stop();
                timer->deleteLater();
            }
        });
        timer->start(5);
    }
    QString status() { return part<QLabel>(syncnames::Status)->text(); }
    bool peerJoined() { return peer->peers() == 1 && status().startsWith(QStringLiteral("Link: 1 peer, ")); }

    // Wondrousness at delay 60 on the session's sixteenths, from "Do it" and
    // its first note on, until the test clicks "Stop it".
    void runOnSixteenths()
    {
        fixture->check(controls::RandomDelay)->setChecked(false);
        fixture->box(controls::Delay)->setText(QStringLiteral("60"));
        part<QRadioButton>(syncnames::Sixteenth)->click();
    }
    std::vector<std::int64_t> noteOnsHeardAt() const
    {
        std::vector<std::int64_t> heard;
        for (const auto& m : fixture->out->wire)
            if ((m.bytes[0] & 0xF0) == 0x90 && m.bytes[2] != 0 && m.atNs)
                heard.push_back(*m.atNs + fixture->out->soundLatency);
        return heard;
    }

private slots:
    void initTestCase() { SKIP_WITHOUT_PRIVATE_NETWORK(); }

    void init()
    {
        peer = std::make_unique<LinkPeer>(120);
        peer->setEnabled(true);
        fixture = std::make_unique<MainWindowFixture>();
        fixture->out->soundLatency = 7 * ms;
        fixture->window->show();
        fixture->window->findChild<QAction*>(menus::Sync)->trigger();
        sync = fixture->window->findChild<SyncWindow*>();
        QVERIFY(sync);
    }

    void cleanup()
    {
        fixture.reset();
        peer.reset();
        sync = nullptr;
    }

    void choosingLinkJoinsAndAnotherSourceLeaves()
    {
        QTest::qWait(1000);
        QCOMPARE(peer->peers(), std::size_t{0});
        part<QRadioButton>(syncnames::LinkSource)->click();
        QVERIFY2(waitFor([this] { return peerJoined(); }), qPrintable(status()));
        QVERIFY(status().contains(QRegularExpression(QStringLiteral(", 120\\.0 bpm, beat [1-4] of 4$"))));
        part<QRadioButton>(syncnames::TempoSource)->click();
        QVERIFY2(waitFor([this] { return peer->peers() == 0; }), "the program stayed in the session");
        QVERIFY(status().startsWith(QStringLiteral("Tempo: ")));
    }

    void theTempoBoxShowsAndProposesTheSessionsTempo()
    {
        part<QRadioButton>(syncnames::LinkSource)->click();
        QVERIFY(waitFor([this] { return peerJoined(); }));
        peer->setTempo(124);
        auto* box = part<QLineEdit>(syncnames::TempoBox);
        QVERIFY2(waitFor([box] { return box->text() == QStringLiteral("124"); }), qPrintable(box->text()));
        QVERIFY(status().contains(QStringLiteral("124.0 bpm")));
        box->setText(QStringLiteral("97.5"));
        QVERIFY2(waitFor([this] { return std::abs(peer->tempo() - 97.5) < 1e-3; }), "the peer kept its tempo");
        // The program's own tempo is not the session's.
        QCOMPARE(fixture->program->ownTempo().bpm(), 120.0);
    }

    void notesAreHeardOnTheSessionsSixteenths()
    {
        part<QRadioButton>(syncnames::LinkSource)->click();
        QVERIFY(waitFor([this] { return peerJoined(); }));
        peer->setTempo(131);
        QVERIFY(waitFor([this] { return std::abs(fixture->program->link().tempo() - 131) < 1e-3; }));
        runOnSixteenths();
        QTimer::singleShot(1500, fixture->button(controls::StopIt), &QPushButton::click);
        fixture->button(controls::DoIt)->click();
        const std::vector<std::int64_t> heard = noteOnsHeardAt();
        QVERIFY2(heard.size() >= 8, qPrintable(QString::number(heard.size())));
        const double sixteenth = 60e9 / 131 / 4;
        for (std::size_t i = 0; i < heard.size(); ++i) {
            QVERIFY2(offGrid(peer->beatAt(heard[i]), 0.25) < 50e-6 * 131 / 60, "a note off the session's sixteenths");
            if (i > 0) // delay 60 at 131 bpm: every sixteenth (115 ms each)
                QVERIFY(std::abs(static_cast<double>(heard[i] - heard[i - 1]) - sixteenth) < 0.1 * ms);
        }
    }

    void startStopSyncTiesTheRunsToTheSessionsTransport()
    {
        part<QRadioButton>(syncnames::LinkSource)->click();
        part<QCheckBox>(syncnames::StartStopSync)->setChecked(true);
        peer->setStartStopSync(true);
        QVERIFY(waitFor([this] { return peerJoined(); }));
        QVERIFY(status().endsWith(QStringLiteral(", stopped")));
        runOnSixteenths();
        // A run plays inside its click: what happens meanwhile is done by a
        // look every few milliseconds, and a late "Stop it" ends a run that
        // would go on for ever.
        auto* stopIt = fixture->button(controls::StopIt);
        QTimer::singleShot(10000, stopIt, &QPushButton::click);

        // "Do it" starts the peer's transport; the run's first note is on a
        // bar line; the peer's stop ends the run.
        bool peerStarted = false;
        whenever([this, &peerStarted] {
            peerStarted = peerStarted || peer->isPlaying();
            if (noteOnsHeardAt().size() < 2)
                return false;
            peer->setPlaying(false);
            return true;
        });
        fixture->button(controls::DoIt)->click();
        QVERIFY2(peerStarted, "the peer never started");
        QVERIFY(!peer->isPlaying());
        QVERIFY(noteOnsHeardAt().size() >= 2);
        QVERIFY2(offGrid(peer->beatAt(noteOnsHeardAt().front()), 4) < 50e-6 * 2, "the first note is off the bar");

        // The peer's start begins a run of the formula last played, on a
        // bar line; "Stop it" stops the peer.
        fixture->out->wire.clear();
        whenever([this, stopIt] {
            if (noteOnsHeardAt().size() < 2)
                return false;
            stopIt->click();
            return true;
        });
        peer->setPlaying(true);
        QVERIFY2(waitFor([this] { return noteOnsHeardAt().size() >= 2 && !fixture->composer().wondrousRunning(); }),
                 "no run started, or it went on");
        QVERIFY2(offGrid(peer->beatAt(noteOnsHeardAt().front()), 4) < 50e-6 * 2, "the peer's start is off the bar");
        QVERIFY2(waitFor([this] { return !peer->isPlaying(); }), "the peer played on");
    }
};

QTEST_MAIN(LinkWindowTest)
#include "test_link_window.moc"
