#include "link/link_clock.h"
#include "link/link_session.h"

#include "beat_waits.h"
#include "link_peer.h"
#include "private_network.h"

#include <QtTest>

#include <chrono>
#include <cmath>
#include <ctime>
#include <functional>
#include <memory>

using namespace quorvane;

namespace {

constexpr std::int64_t ms = 1'000'000;

std::int64_t steadyNow()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace

// The program in a session with another peer written with the library's own
// API, in a network namespace with loopback alone.
class LinkSessionTest : public QObject {
    Q_OBJECT

    std::unique_ptr<LinkSession> session_;
    std::unique_ptr<LinkPeer> peer_;

    // Both in one session, with start/stop sync on both sides when asked.
    void join(bool startStopSync = false)
    {
        peer_ = std::make_unique<LinkPeer>(120);
        peer_->setStartStopSync(startStopSync);
        peer_->setEnabled(true);
        session_ = std::make_unique<LinkSession>();
        session_->setStartStopSync(startStopSync);
        session_->setEnabled(true);
        QVERIFY2(waitFor([this] { return session_->peers() == 1 && peer_->peers() == 1; }), "the peers never met");
    }

private slots:
    void initTestCase() { SKIP_WITHOUT_PRIVATE_NETWORK(); }

    void cleanup()
    {
        session_.reset();
        peer_.reset();
    }

    void theClocksMeetInOnePlace()
    {
        timespec raw{};
        const std::int64_t steady = steadyNow();
        ::clock_gettime(CLOCK_MONOTONIC_RAW, &raw);
        const std::int64_t rawUs = std::int64_t{raw.tv_sec} * 1'000'000 + raw.tv_nsec / 1000;
        QVERIFY(std::abs(sessionTimeAt(steady).count() - rawUs) < 200);
        // And back, to the microsecond the session counts in.
        QVERIFY(std::abs(steadyTimeAt(sessionTimeAt(steady)) - steady) < 2000);
    }

    void nothingJoinedUntilEnabled()
    {
        peer_ = std::make_unique<LinkPeer>(120);
        peer_->setEnabled(true);
        session_ = std::make_unique<LinkSession>();
        QTest::qWait(1500);
        QCOMPARE(peer_->peers(), std::size_t{0});
        QCOMPARE(session_->status(steadyNow()).state, SourceState::NoSignal);
        QVERIFY(!session_->lineAtOrAfter(steadyNow(), GridDivision::Sixteenth));
    }

    void thePeersTempoReachesTheSource()
    {
        join();
        peer_->setTempo(124);
        QVERIFY2(waitFor([this] { return std::abs(session_->tempo() - 124) < 1e-3; }), "the tempo never came");
        const SyncStatus status = session_->status(steadyNow());
        QCOMPARE(status.state, SourceState::Running);
        QVERIFY(std::abs(status.bpm - 124) < 1e-3);
        QVERIFY(status.beat >= 1 && status.beat <= 4);
    }

    void aProposedTempoReachesThePeer()
    {
        join();
        session_->proposeTempo(97.5, steadyNow());
        QVERIFY2(waitFor([this] { return std::abs(peer_->tempo() - 97.5) < 1e-3; }), "the peer kept its tempo");
        // Out of the program's range: held to it, never sent as asked.
        session_->proposeTempo(1000, steadyNow());
        QVERIFY(waitFor([this] { return std::abs(peer_->tempo() - 300) < 1e-3; }));
    }

    void linesFallOnTheSessionsBeatsAndBars()
    {
        join();
        peer_->setTempo(133);
        QVERIFY(waitFor([this] { return std::abs(session_->tempo() - 133) < 1e-3; }));
        const std::int64_t now = steadyNow();
        // A tolerance of 20 microseconds in beats at this tempo.
        const double tolerance = 20e-6 * 133 / 60;
        for (std::int64_t t = now; t < now + 2000 * ms; t += 37 * ms) {
            const std::int64_t line = session_->lineAtOrAfter(t, GridDivision::Sixteenth).value();
            QVERIFY(line >= t - 1000);
            QVERIFY(line - t < 113 * ms); // a sixteenth at 133 bpm
            QVERIFY2(offGrid(peer_->beatAt(line), 0.25) < tolerance, "a line off the session's sixteenths");
            const std::int64_t bar = session_->barAtOrAfter(t).value();
            QVERIFY2(offGrid(peer_->beatAt(bar), LinkSession::quantum) < tolerance, "a bar off the session's bars");
        }
        // The real-time capture tells the same lines.
        const std::int64_t at = now + 500 * ms;
        const std::int64_t audioLine = session_->timelineForAudio(now).lineAtOrAfter(at, GridDivision::Eighth);
        QVERIFY(std::abs(audioLine - *session_->lineAtOrAfter(at, GridDivision::Eighth)) < 5000);
    }

    void linesComeEarlyByTheOutputsLatency()
    {
        join();
        session_->setOutputLatency(21 * ms + 333);
        const std::int64_t now = steadyNow();
        const std::int64_t line = session_->lineAtOrAfter(now, GridDivision::Quarter).value();
        QVERIFY(offGrid(peer_->beatAt(line + 21 * ms + 333), 1) < 20e-6 * 2);
        QVERIFY(offGrid(peer_->beatAt(line), 1) > 0.03);
    }

    void aRunHeldForItsBarStartsOnIt()
    {
        join();
        const std::int64_t now = steadyNow();
        const std::int64_t bar = session_->barAtOrAfter(now + 100 * ms).value();
        session_->holdLinesUntil(bar);
        // The same moment, but for the microsecond the session counts in.
        QVERIFY(std::abs(session_->lineAtOrAfter(now, GridDivision::Sixteenth).value() - bar) < 1000);
        session_->holdLinesUntil(0);
        QVERIFY(session_->lineAtOrAfter(now, GridDivision::Sixteenth).value() < bar || bar - now < 130 * ms);
    }

    void startAndStopGoBothWaysWithStartStopSync()
    {
        join(true);
        // Stopped, the session holds the runs: no lines.
        QCOMPARE(session_->status(steadyNow()).state, SourceState::Stopped);
        QVERIFY(!session_->lineAtOrAfter(steadyNow(), GridDivision::Sixteenth));
        session_->setPlaying(true, steadyNow());
        QVERIFY2(waitFor([this] { return peer_->isPlaying(); }), "the peer never started");
        QCOMPARE(session_->status(steadyNow()).state, SourceState::Running);
        QVERIFY(session_->isPlaying());
        // A run begun while the session plays starts on its next bar line;
        // its later passes are on any sixteenth.
        const std::int64_t now = steadyNow() + 300 * ms;
        const std::int64_t first = session_->firstLineAtOrAfter(now, GridDivision::Sixteenth).value();
        QVERIFY(std::abs(first - session_->barAtOrAfter(now).value()) < 1000); // the session's microsecond
        const std::int64_t sixteenth = session_->lineAtOrAfter(now, GridDivision::Sixteenth).value();
        QVERIFY(sixteenth <= first && first - now < 2000 * ms);
        const std::uint64_t heard = session_->transportChanges();
        peer_->setPlaying(false);
        QVERIFY2(waitFor([this] { return !session_->isPlaying(); }), "the peer's stop never came");
        QVERIFY(session_->transportChanges() > heard);
        peer_->setPlaying(true);
        QVERIFY2(waitFor([this] { return session_->isPlaying(); }), "the peer's start never came");
        session_->setPlaying(false, steadyNow());
        QVERIFY2(waitFor([this] { return !peer_->isPlaying(); }), "the peer never stopped");
    }

    void withoutStartStopSyncNoStartCrosses()
    {
        join(false);
        peer_->setStartStopSync(true);
        peer_->setPlaying(true);
        QTest::qWait(1500);
        QVERIFY2(!session_->isPlaying(), "a peer's start came in with start/stop sync off");
        peer_->setPlaying(false);
        session_->setPlaying(true, steadyNow());
        QTest::qWait(1500);
        QVERIFY2(!peer_->isPlaying(), "the program's start went out with start/stop sync off");
    }

    void leavingTheSessionLetsThePeerGo()
    {
        join();
        session_->setEnabled(false);
        QVERIFY2(waitFor([this] { return peer_->peers() == 0; }), "the peer still counts the program");
        QCOMPARE(session_->peers(), std::size_t{0});
        QCOMPARE(session_->status(steadyNow()).state, SourceState::NoSignal);
        QVERIFY(!session_->lineAtOrAfter(steadyNow(), GridDivision::Sixteenth));
        QVERIFY(!session_->timelineForAudio(steadyNow()).nsPerTick);
        // And comes back on the same session.
        session_->setEnabled(true);
        QVERIFY(waitFor([this] { return peer_->peers() == 1; }));
    }
};

QTEST_GUILESS_MAIN(LinkSessionTest)
#include "test_link_session.moc"
