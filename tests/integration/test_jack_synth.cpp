#include "jack_server.h"
#include "midi/message_writer.h"
#include "midi/midi_output.h"
#include "app/desktop_devices.h"
#include "app/synth_first_backend.h"
#include "devices/jack_client.h"
#include "devices/system_backend.h"
#include "synth/synth_output.h"
#include "synth_audio_listener.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QtTest>

using namespace quorvane;

// The program's output with the built-in synthesizer as device 0, playing into
// a JACK server of the test's own.
class JackSynthTest : public QObject {
    Q_OBJECT

    JackServer server;
    MidiSystem system; // outlives the components that talk to it
    // A client of a server that died is left unclosed: closing it would wait on that server.
    std::unique_ptr<SynthAudioListener> listener = std::make_unique<SynthAudioListener>();
    std::unique_ptr<MidiOutput> output;
    float onePeak = 0.0f; // one piano note at velocity 100, as heard
    // The synthesizer's sound: two ports of the program's own JACK client.
    QString synthLeft, synthRight;

    void send(int status, int data1, int data2) { sendMessage(*output, FieldOrder::Data2First, status, data1, data2); }

private slots:
    void initTestCase()
    {
        QVERIFY2(server.start(), "jackd with the dummy driver did not start");
        // Whatever sound server this machine runs, the desktop's one must be
        // missing here, so that the synthesizer falls through to JACK as it
        // does on a machine with JACK alone.
        qputenv("PULSE_SERVER", "unix:/nonexistent/quorvane-test-pulse");
        output = std::make_unique<MidiOutput>(desktopOutput(system));
        QVERIFY(listener->open());
        QCOMPARE(system.current(), MidiSystem::Kind::Jack);
        const QString ports = system.jack()->portPrefix() + SynthOutput::jackPortsName();
        synthLeft = ports + QStringLiteral(" left");
        synthRight = ports + QStringLiteral(" right");
    }

    // The loudest sample heard over the next `ms` milliseconds.
    float peakOver(int ms)
    {
        listener->reset();
        QTest::qWait(ms);
        return listener->peak();
    }

    void cleanupTestCase()
    {
        output.reset();
        listener.reset();
        server.stop();
    }

    // The program's client plays a renderer's frames on two ports of its
    // own, one renderer at a time; once stopped, the renderer is never called
    // again (it may be gone) and the ports are gone.
    void stereoPlaybackPlaysUntilStopped()
    {
        struct Tone : StereoRenderer {
            std::atomic<int> calls{0};
            void renderStereo(float* left, float* right, int frames) override
            {
                ++calls;
                std::fill(left, left + frames, 0.5f);
                std::fill(right, right + frames, 0.5f);
            }
        } tone;
        const QString ports = system.jack()->portPrefix() + QStringLiteral("Tone");
        std::unique_ptr<StereoPlayback> playback = system.playStereo(tone, QStringLiteral("Tone"), [] {});
        QVERIFY(playback);
        QVERIFY(!system.playStereo(tone, QStringLiteral("Second"), [] {}));
        QVERIFY(listener->listenTo(ports + QStringLiteral(" left"), ports + QStringLiteral(" right")));
        QVERIFY2(qAbs(peakOver(200) - 0.5f) < 1e-6f, qPrintable(QString::number(listener->peak())));

        QVERIFY(playback->stop());
        const int calls = tone.calls;
        QTest::qWait(100);
        QCOMPARE(tone.calls.load(), calls);
        QVERIFY(!server.ports().contains(ports + QStringLiteral(" left")));
        QVERIFY(system.playStereo(tone, QStringLiteral("Tone"), [] {})); // free for the next one
        listener->reset();
    }

    void synthComesFirstAndOpensItsAudioPorts()
    {
        server.startClient(QStringLiteral("jack_midi_dump"), {});
        QVERIFY(server.waitForPort(QStringLiteral("midi-monitor:input")));
        QCOMPARE(output->deviceCount(), 2); // the synthesizer has no MIDI port of its own
        output->setDeviceNumber(1);
        QCOMPARE(output->deviceName(), QStringLiteral("midi-monitor:input"));
        output->setDeviceNumber(-1);
        QCOMPARE(output->deviceName(), MidiSystem::virtualPortName(MidiSystem::Kind::Jack));

        QSignalSpy errors(output.get(), &MidiOutput::errorReported);
        output->setDeviceNumber(0);
        QCOMPARE(output->deviceName(), QStringLiteral("Quorvane GM Synth"));
        output->setAction(1);
        QVERIFY2(errors.isEmpty(), errors.isEmpty() ? "" : qPrintable(errors.at(0).at(1).toString()));
        QCOMPARE(output->openState(), 1);
        QVERIFY(server.waitForPort(synthLeft));
        QVERIFY(server.waitForPort(synthRight));
        // The program's one client plays it: no second client for the
        // server to wake every period.
        for (const QString& port : server.ports())
            QVERIFY2(!port.startsWith(SynthOutput::deviceName() + QLatin1Char(':')), qPrintable(port));
        // Patched to the speakers by itself, or nobody would hear it.
        QVERIFY(runJackTool(QStringLiteral("jack_lsp"), {QStringLiteral("-c"), synthLeft})
                    .contains(QStringLiteral("system:playback_")));
    }

    void noteIsHeardAndEnds()
    {
        QVERIFY(listener->listenTo(synthLeft, synthRight));
        QTest::qWait(300);
        QVERIFY2(listener->peak() < 1e-4f, qPrintable(QString::number(listener->peak()))); // silent before the note

        send(0x90, 60, 100);
        QTRY_VERIFY_WITH_TIMEOUT(listener->peak() > 0.01f, 3000);
        QTest::qWait(300);
        const float sounding = listener->peak();
        onePeak = sounding;

        send(0x80, 60, 64);
        QTest::qWait(3000); // release and reverberation
        listener->reset();
        QTest::qWait(300);
        QVERIFY2(listener->peak() < 0.05f * sounding,
                 qPrintable(QStringLiteral("%1 against %2").arg(listener->peak()).arg(sounding)));

        // Silent that long, the output renders nothing any more; the next
        // note wakes it and is heard whole.
        listener->reset();
        send(0x90, 60, 100);
        QTRY_VERIFY_WITH_TIMEOUT(listener->peak() > 0.8f * sounding, 3000);
        send(0x80, 60, 64);
        QTest::qWait(3000);
    }

    void closingRemovesTheAudioPorts()
    {
        output->setAction(2);
        QCOMPARE(output->openState(), 0);
        QTRY_VERIFY_WITH_TIMEOUT(!server.ports().contains(synthLeft), 5000);
        QVERIFY(server.isRunning());

        // Opened again, it plays at once: the sound font stayed loaded.
        output->setAction(1);
        QCOMPARE(output->openState(), 1);
        QVERIFY(server.waitForPort(synthLeft));
        QVERIFY(listener->listenTo(synthLeft, synthRight));
        listener->reset();
        send(0x90, 67, 100);
        QTRY_VERIFY_WITH_TIMEOUT(listener->peak() > 0.01f, 3000);
        send(0xB0, 123, 0);
    }

    // As the program starts it: the sound font is read in the background,
    // and a note played before it is there waits for it and is heard.
    void noteSentWhileTheFontLoadsIsHeard()
    {
        output->setAction(2); // one synthesizer at a time owns the client's name
        QTRY_VERIFY_WITH_TIMEOUT(!server.ports().contains(synthLeft), 5000);
        SynthOptions options;
        options.loadInBackground = true;
        auto synth = std::make_unique<SynthOutput>(onSystem(system, options));
        SynthOutput& loading = *synth;
        MidiOutput early(std::make_unique<SynthFirstOutputBackend>(std::move(synth),
                                                                   std::make_unique<SystemOutputBackend>(system)));
        early.setDeviceNumber(0);
        early.setAction(1);
        QCOMPARE(early.openState(), 1);
        QVERIFY2(loading.loading(), "the font was read before the note could wait for it");
        sendMessage(early, FieldOrder::Data2First, 0x90, 60, 100);
        QVERIFY(server.waitForPort(synthLeft));
        QVERIFY(listener->listenTo(synthLeft, synthRight));
        listener->reset();
        QTRY_VERIFY_WITH_TIMEOUT(listener->peak() > 0.01f, 3000);
        sendMessage(early, FieldOrder::Data2First, 0xB0, 123, 0);
        early.setAction(2);
        QTRY_VERIFY_WITH_TIMEOUT(!server.ports().contains(synthLeft), 5000);
        output->setAction(1);
        QVERIFY(server.waitForPort(synthLeft));
        QVERIFY(listener->listenTo(synthLeft, synthRight));
    }

    void serverKilledAndRestartedToldOnceAndSoundComesBackClean()
    {
        QSignalSpy errors(output.get(), &MidiOutput::errorReported);
        send(0x90, 60, 100); // sounding when the server goes
        QTest::qWait(200);
        server.kill();
        (void)listener.release(); // its client died with the server
        QTRY_COMPARE_WITH_TIMEOUT(errors.count(), 1, 5000);
        QCOMPARE(errors.at(0).at(0).toInt(), int(MidiErrorCode::AudioLost));
        const QString told = errors.at(0).at(1).toString();
        QVERIFY2(told.contains(QStringLiteral("JACK server has gone away")), qPrintable(told));
        QCOMPARE(output->openState(), 1);

        // A formula plays on with no server; none of it may wait in the
        // synthesizer and sound all at once when the server comes back.
        for (int i = 0; i < 200; ++i)
            send(0x90, 36 + i % 48, 100);
        QVERIFY2(server.start(), "jackd did not start again");
        listener = std::make_unique<SynthAudioListener>();
        QVERIFY(listener->open());
        QTest::qWait(1100); // past the pause between attempts to start the sound
        send(0x90, 60, 100);
        QVERIFY(server.waitForPort(synthLeft));
        QVERIFY(listener->listenTo(synthLeft, synthRight));
        const float firstSecond = peakOver(1000);
        QVERIFY2(firstSecond > 0.01f, qPrintable(QString::number(firstSecond))); // the sound is back
        QVERIFY2(firstSecond < 1.5f * onePeak,
                 qPrintable(QStringLiteral("%1 against one note's %2").arg(firstSecond).arg(onePeak)));
        send(0x80, 60, 64);
        QTest::qWait(3000); // the release and the reverberation: no voice left hanging
        QVERIFY2(peakOver(300) < 0.05f * onePeak, qPrintable(QString::number(listener->peak())));
        QCOMPARE(errors.count(), 1);

        // The synthesizer's first client, of the server that died, must not
        // hold up the end.
        QElapsedTimer closing;
        closing.start();
        output.reset();
        QVERIFY2(closing.elapsed() < 1000, qPrintable(QString::number(closing.elapsed())));
    }
};

QTEST_GUILESS_MAIN(JackSynthTest)
#include "test_jack_synth.moc"
