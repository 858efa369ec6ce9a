// The MIDI clock the program sends while the Link session is its source,
// under a JACK server of the test's own, beside a peer written with the
// library's own API, in a network namespace with loopback alone: ticks at
// the session's tempo, on the session's beat, and following a peer's change.

#include "beat_waits.h"
#include "jack_peer.h"
#include "jack_server.h"
#include "link/link_session.h"
#include "link_peer.h"
#include "midi/steady_time.h"
#include "private_network.h"
#include "sync_rig.h"

#include <QtTest>

#include <algorithm>
#include <cmath>

using namespace quorvane;

namespace {

constexpr double rate = 48000;

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

} // namespace

class LinkClockOutTest : public QObject {
    Q_OBJECT

    JackServer server;
    LinkSession session; // read by the rig's JACK client: made before it, gone after
    std::unique_ptr<SyncRig> rig;
    JackPeer listener{"listener"};

    // The ticks heard over a while, as the moments of their frames on the
    // steady clock, each taken soon after it was heard: JACK tells a frame's
    // moment from its latest cycle and its estimate of the rate, so a frame
    // a second old is off by the rate's error times a second.
    std::vector<std::int64_t> tickTimesDuring(int ms)
    {
        std::vector<std::int64_t> times;
        std::size_t from = listener.heardCount();
        for (QDeadlineTimer end(ms); !end.hasExpired();) {
            QTest::qWait(50);
            // JACK's clock and the steady one, read side by side.
            const std::int64_t steadyMinusJackNs = steadyNowNs() - std::int64_t(jack_get_time()) * 1000;
            const std::vector<JackPeer::Heard> heard = listener.heard();
            for (; from < heard.size(); ++from)
                if (heard[from].bytes == JackPeer::Bytes{0xF8})
                    times.push_back(std::int64_t(listener.frameTime(heard[from].frame)) * 1000 + steadyMinusJackNs);
        }
        return times;
    }
    static double medianSpacingFrames(const std::vector<std::int64_t>& times)
    {
        std::vector<double> spacings;
        for (std::size_t i = 1; i < times.size(); ++i)
            spacings.push_back((times[i] - times[i - 1]) * rate / 1e9);
        return median(spacings);
    }

private slots:
    void initTestCase()
    {
        const QString fault = privateNetworkFault();
        if (!fault.isEmpty())
            QSKIP(qPrintable(QStringLiteral("no private network: ") + fault));
        server.setRealtime(true);
        QVERIFY2(server.start(256), "jackd with the dummy driver did not start");
        rig = std::make_unique<SyncRig>(&session);
        QVERIFY(listener.open());
    }

    void cleanupTestCase()
    {
        rig.reset();
        listener.close();
        session.setEnabled(false);
        server.stop();
    }

    // At 90 bpm a tick every 1333.3 frames, each on the session's own tick
    // (a 24th of its beat); after the peer's change to 140 bpm, every 857.1.
    void theClockKeepsToTheSessionsTempoAndBeat()
    {
        LinkPeer peer(90);
        peer.setEnabled(true);
        session.setEnabled(true);
        QVERIFY2(waitFor([&] { return session.peers() == 1 && peer.peers() == 1; }), "the peers never met");
        peer.setTempo(90); // who met whom decides the tempo they meet at
        QVERIFY(waitFor([&] { return std::abs(session.tempo() - 90) < 0.01; }));
        QVERIFY(rig->openOutputOn(listener.inPort()));
        rig->clockOut->follow(ClockFollows::Session);
        rig->clockOut->setSending(true);
        QTest::qWait(300);
        const std::vector<std::int64_t> at90 = tickTimesDuring(1500);
        // Where they lie in the session's beats, while the session still
        // keeps the tempo they were sent at.
        std::vector<double> offMs;
        for (std::int64_t t : at90)
            offMs.push_back(offGrid(peer.beatAt(t), 1.0 / 24) * 60e3 / 90);
        peer.setTempo(140);
        QVERIFY(waitFor([&] { return std::abs(session.tempo() - 140) < 0.01; }));
        QTest::qWait(300);
        const std::vector<std::int64_t> at140 = tickTimesDuring(1000);
        rig->clockOut->setSending(false);
        rig->closeBoth();

        QVERIFY2(at90.size() > 40, qPrintable(QString::number(at90.size())));
        QVERIFY2(std::abs(medianSpacingFrames(at90) - 1333.3) < 1,
                 qPrintable(QString::number(medianSpacingFrames(at90))));
        QVERIFY2(at140.size() > 40, qPrintable(QString::number(at140.size())));
        QVERIFY2(std::abs(medianSpacingFrames(at140) - 857.1) < 1,
                 qPrintable(QString::number(medianSpacingFrames(at140))));
        // On the session's ticks: nine in ten within half a millisecond of
        // theirs (a tick at 90 bpm is 27.8 ms), as the peer reckons them.
        std::sort(offMs.begin(), offMs.end());
        QVERIFY2(!offMs.empty() && offMs[offMs.size() * 9 / 10] < 0.5,
                 qPrintable(QStringLiteral("%1 ms").arg(offMs.empty() ? 0 : offMs[offMs.size() * 9 / 10])));
    }
};

QTEST_GUILESS_MAIN(LinkClockOutTest)
#include "test_link_clock_out.moc"
