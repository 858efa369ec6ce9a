#include "app/program.h"
#include "jack_peer.h"
#include "jack_server.h"
#include "memory_backend.h"
#include "ui/main/window_names.h"

#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

using namespace quorvane;

namespace {

constexpr int periodFrames = 256;

struct SentLog : PlayObserver {
    std::mutex mutex;
    QStringList sent;
    QStringList received;
    void messageSent(const MidiBytes& message, std::int64_t) override
    {
        std::lock_guard<std::mutex> lock(mutex);
        sent << hexText(message);
    }
    void messageReceived(const MidiBytes& message, std::int64_t) override
    {
        std::lock_guard<std::mutex> lock(mutex);
        received << hexText(message);
    }
    QStringList sentNow()
    {
        std::lock_guard<std::mutex> lock(mutex);
        return sent;
    }
};

QStringList texts(const std::vector<JackPeer::Heard>& heard)
{
    QStringList list;
    for (const JackPeer::Heard& h : heard)
        list << hexText(MidiBytes(h.bytes.begin(), h.bytes.end()));
    return list;
}

} // namespace

// The whole program between a keyboard and a synthesizer on a JACK server of
// the test's own: keys:out -> the program's input, its output -> synth:in. A
// key is heard in the cycle it was played in, at its own frame, once.
class JackThruTest : public QObject {
    Q_OBJECT

    QTemporaryDir home;
    JackServer server;
    JackPeer keys{"keys"};
    JackPeer synth{"synth"};
    std::unique_ptr<Program> program;
    SentLog log;

    // Answers the next device dialog: the synthesizer as output, the keys as
    // input, then "Ok".
    void chooseKeysAndSynthInNextDialog()
    {
        auto* timer = new QTimer(this);
        connect(timer, &QTimer::timeout, this, [timer] {
            QWidget* modal = QApplication::activeModalWidget();
            auto* outputs = modal ? modal->findChild<QComboBox*>(QStringLiteral("ComboMidiOut")) : nullptr;
            auto* inputs = modal ? modal->findChild<QComboBox*>(QStringLiteral("ComboMidiIn")) : nullptr;
            if (!outputs || !inputs || !outputs->isEnabled()) // greyed until its ports are listed
                return;
            timer->stop();
            timer->deleteLater();
            outputs->setCurrentIndex(outputs->findText(QStringLiteral("synth:in")));
            inputs->setCurrentIndex(inputs->findText(QStringLiteral("keys:out")));
            modal->findChild<QPushButton*>(QStringLiteral("CmdOk"))->click();
        });
        timer->start(10);
    }

    // Plays the events at the offset until the synthesizer hears something
    // (a freshly connected port may miss the very first cycle), then waits
    // long enough for a second sending to show.
    bool playUntilHeard(const std::vector<JackPeer::Bytes>& events, jack_nframes_t offset)
    {
        for (int attempt = 0; attempt < 10; ++attempt) {
            keys.forget();
            synth.forget();
            keys.play(events, offset);
            for (int k = 0; k < 10 && synth.heardCount() == 0; ++k)
                QTest::qWait(20);
            if (synth.heardCount() > 0) {
                QTest::qWait(200); // the window's own turn comes and goes
                return true;
            }
        }
        return false;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(home.isValid());
        qputenv("HOME", home.path().toLocal8Bit());
        QVERIFY(server.start(periodFrames));
        QVERIFY(keys.open());
        QVERIFY(synth.open());
        program = std::make_unique<Program>();
        program->playObservers().add(&log);
        chooseKeysAndSynthInNextDialog();
        program->start();
        QCOMPARE(program->window().MIDIOutput1().openState(), 1);
        QCOMPARE(program->window().MIDIInput1().openState(), 1);
        QVERIFY(server.waitForPort(QStringLiteral("Quorvane:in")));
    }

    void cleanupTestCase()
    {
        program->playObservers().remove(&log);
        program.reset();
        keys.close();
        synth.close();
        server.stop();
    }

    void aKeyIsHeardAtItsFrameInTheCycleItWasPlayedIn()
    {
        for (jack_nframes_t offset : {jack_nframes_t(0), jack_nframes_t(137), jack_nframes_t(periodFrames - 1)}) {
            QVERIFY(playUntilHeard({{0x90, 60, 100}}, offset));
            const std::vector<JackPeer::Heard> heard = synth.heard();
            const std::vector<jack_nframes_t> played = keys.playedFrames();
            QCOMPARE(texts(heard), QStringList({"90 3c 64"})); // once: the window did not send it again
            QCOMPARE(played.size(), std::size_t(1));
            QCOMPARE(heard.front().frame, played.front() + offset);
        }
    }

    void eventsOfOneCycleKeepTheirOrderAndFrames()
    {
        QVERIFY(playUntilHeard({{0x90, 64, 80}, {0x80, 64, 0}, {0xB1, 7, 90}}, 40));
        const std::vector<JackPeer::Heard> heard = synth.heard();
        QCOMPARE(texts(heard), QStringList({"90 40 50", "80 40 00", "b1 07 5a"}));
        for (const JackPeer::Heard& h : heard)
            QCOMPARE(h.frame, keys.playedFrames().front() + 40);
    }

    void theWindowStillSeesWhatWasForwarded()
    {
        log.sent.clear();
        QVERIFY(playUntilHeard({{0x91, 50, 60}}, 10));
        QTRY_COMPARE(program->window().MIDIInput1().count(), 0);
        // Told as sent once, for the take and the monitor.
        QCOMPARE(log.sentNow().count(QStringLiteral("91 32 3c")), 1);
    }

    void thePatchListFollowsAForwardedProgrammeChange()
    {
        auto* patches = program->window().findChild<QComboBox*>(controls::PatchList);
        synth.forget();
        patches->setCurrentIndex(3); // sends c0 03 itself
        QTRY_COMPARE(texts(synth.heard()), QStringList({"c0 03"}));
        QVERIFY(playUntilHeard({{0xC0, 40}}, 100));
        QCOMPARE(texts(synth.heard()), QStringList({"c0 28"}));
        QCOMPARE(synth.heard().front().frame, keys.playedFrames().front() + 100);
        QTRY_COMPARE(patches->currentIndex(), 40);
        QCOMPARE(program->composer().channelPatch(0), 40);
        QTest::qWait(100);
        QCOMPARE(texts(synth.heard()), QStringList({"c0 28"})); // and not a second time
    }

    void nothingIsForwardedOnceTheInputStops()
    {
        program->window().MIDIInput1().setAction(5);
        keys.forget();
        synth.forget();
        keys.play({{0x90, 60, 100}}, 0);
        QTRY_COMPARE(keys.playedFrames().size(), std::size_t(1));
        QTest::qWait(100);
        QCOMPARE(synth.heardCount(), std::size_t(0));
        program->window().MIDIInput1().setAction(4);
    }
};

QTEST_MAIN(JackThruTest)
#include "test_jack_thru.moc"
