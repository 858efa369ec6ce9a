// Playing in time with the studio, against a JACK server of the test's own:
// the clock the program sends, read by an outside clock reader, and the runs
// on the program's own beat.

#include "devices/system_backend.h"
#include "devices/system_clock_out.h"
#include "engine/composer.h"
#include "engine/qt_host.h"
#include "engine_fakes.h"
#include "jack_peer.h"
#include "jack_server.h"
#include "midi/guarded_output.h"
#include "midi/midi_output.h"
#include "midi/steady_time.h"
#include "sync/own_tempo.h"

#include <QRegularExpression>
#include <QTimer>
#include <QtTest>

using namespace quorvane;
using namespace quorvane::testing;

namespace {

// The samples between ticks, as jack_mclk_dump prints each ("dt: 1000[sm]").
std::vector<int> tickSpacings(const QString& dump)
{
    static const QRegularExpression spacing(QStringLiteral(R"(dt:\s*(\d+)\[sm\])"));
    std::vector<int> frames;
    for (auto m = spacing.globalMatch(dump); m.hasNext();)
        frames.push_back(m.next().captured(1).toInt());
    return frames;
}

} // namespace

class JackSyncTest : public QObject {
    Q_OBJECT

    JackServer server;
    MidiSystem system; // outlives everything that talks to it
    OwnTempo ownTempo{steadyNowNs()};
    GuardedOutput* guarded = nullptr;
    std::unique_ptr<MidiOutput> output;
    std::unique_ptr<SystemClockOut> clockOut;
    JackPeer peer;

    bool openOutputOn(const QString& port)
    {
        const int count = output->deviceCount();
        for (int d = 0; d < count; ++d) {
            output->setDeviceNumber(d);
            if (output->deviceName() == port) {
                output->setAction(MidiOutput::Open);
                return output->openState() == 1;
            }
        }
        return false;
    }

private slots:
    void initTestCase()
    {
        // Frame-exact figures need a server whose cycles come on time: one
        // scheduled as ordinary threads on a busy machine drops cycles and
        // falls behind real time.
        server.setRealtime(true);
        QVERIFY2(server.start(256), "jackd with the dummy driver did not start");
        system.setOwnBeat(&ownTempo.timeline());
        auto backend = std::make_unique<GuardedOutput>(std::make_unique<SystemOutputBackend>(system));
        guarded = backend.get();
        output = std::make_unique<MidiOutput>(std::move(backend));
        clockOut = std::make_unique<SystemClockOut>(system, ownTempo, *guarded);
        QVERIFY(peer.open());
    }

    void cleanupTestCase()
    {
        clockOut.reset();
        output.reset();
        peer.close();
        server.stop();
    }

    // Sample-accurate: at 120 bpm every tick 1000 frames after the last, at
    // 90 bpm 1333 or 1334, the new tempo within a beat of the change.
    void ourClockIsReadByAnOutsideClockReaderAtItsTempo()
    {
        QProcess* dump = server.startClient(QStringLiteral("stdbuf"), {QStringLiteral("-oL"),
                                                                      QStringLiteral("jack_mclk_dump")});
        QVERIFY(server.waitForPort(QStringLiteral("jack_mclk_dump:mclk_in")));
        QVERIFY(openOutputOn(QStringLiteral("jack_mclk_dump:mclk_in")));
        clockOut->setSending(true);
        QString printed;
        QTRY_VERIFY_WITH_TIMEOUT(tickSpacings(printed += QString::fromLocal8Bit(dump->readAllStandardOutput())).size()
                                     >= 60,
                                 10000);
        for (int frames : tickSpacings(printed))
            QVERIFY2(std::abs(frames - 1000) <= 1, qPrintable(QString::number(frames)));

        ownTempo.setBpm(90, steadyNowNs());
        clockOut->beatChanged();
        printed.clear();
        dump->readAllStandardOutput();
        QTRY_VERIFY_WITH_TIMEOUT(tickSpacings(printed += QString::fromLocal8Bit(dump->readAllStandardOutput())).size()
                                     >= 60,
                                 10000);
        const std::vector<int> spacings = tickSpacings(printed);
        // The change came within the first beat (24 ticks) of what was read.
        for (std::size_t i = 24; i < spacings.size(); ++i)
            QVERIFY2(std::abs(spacings[i] - 1333.3) <= 1, qPrintable(QString::number(spacings[i])));
        clockOut->setSending(false);
        ownTempo.setBpm(120, steadyNowNs());
        output->setAction(MidiOutput::Close);
    }

    // A run on the program's own beat: each note on a tick of the clock the
    // program sends, Start right before the tick of the first note, Stop
    // when the run ends.
    void aRunOnOurOwnBeatSitsOnTheTicksOfOurClock()
    {
        QVERIFY(openOutputOn(peer.inPort()));
        peer.forget();
        clockOut->setSending(true);
        FakePanel panel;
        panel.check(controls::RandomDelay, 0);
        panel.check(controls::DisplayResults, 0);
        QtHost host;
        Composer composer(panel, host, *output);
        composer.setModeOn(Mode::Pitch, true);
        composer.setGrid(&ownTempo, GridDivision::Sixteenth);
        composer.setRunMarks(clockOut.get());
        QTimer::singleShot(1500, [&] { composer.stopWondrousness(); });
        composer.runWondrousness();
        QTest::qWait(300); // the last note's period, and the Stop
        clockOut->setSending(false);
        output->setAction(MidiOutput::Close);

        const std::vector<JackPeer::Heard> heard = peer.heard();
        std::vector<jack_nframes_t> ticks, noteOns;
        int starts = 0, stops = 0;
        jack_nframes_t startFrame = 0;
        std::size_t startAt = 0;
        for (std::size_t i = 0; i < heard.size(); ++i) {
            const JackPeer::Bytes& b = heard[i].bytes;
            if (b == JackPeer::Bytes{0xF8})
                ticks.push_back(heard[i].frame);
            else if (b == JackPeer::Bytes{0xFA}) {
                ++starts;
                startFrame = heard[i].frame;
                startAt = i;
            } else if (b == JackPeer::Bytes{0xFC})
                ++stops;
            else if (b.size() == 3 && b[0] == 0x90 && b[2] > 0)
                noteOns.push_back(heard[i].frame);
        }
        QCOMPARE(starts, 1);
        QCOMPARE(stops, 1);
        QVERIFY2(noteOns.size() >= 8, qPrintable(QString::number(noteOns.size())));
        QCOMPARE(heard[startAt + 1].bytes, JackPeer::Bytes{0xF8});
        QCOMPARE(heard[startAt + 1].frame, startFrame);
        QCOMPARE(noteOns.front(), startFrame);
        for (jack_nframes_t note : noteOns)
            QVERIFY2(std::find(ticks.begin(), ticks.end(), note) != ticks.end(),
                     qPrintable(QStringLiteral("a note at frame %1 on no tick").arg(note)));
        // At 120 bpm a 1/16 is 6000 frames: delay 60 leaves one line between notes.
        for (std::size_t i = 1; i < noteOns.size(); ++i)
            QVERIFY2(std::abs(int(noteOns[i] - noteOns[i - 1]) - 6000) <= 1,
                     qPrintable(QString::number(noteOns[i] - noteOns[i - 1])));
    }
};

QTEST_GUILESS_MAIN(JackSyncTest)
#include "test_jack_sync.moc"
