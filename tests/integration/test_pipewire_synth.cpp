#include "midi/message_writer.h"
#include "memory_backend.h"
#include "midi/midi_output.h"
#include "app/synth_first_backend.h"
#include "pipewire_server.h"

#include <QSignalSpy>
#include <QtTest>

using namespace quorvane;

// The built-in synthesizer playing to a private PipeWire through its
// PulseAudio service, heard at the null sink's monitor.
class PipewireSynthTest : public QObject {
    Q_OBJECT

    PipewireServer server;
    SinkRecorder recorder;
    std::unique_ptr<MidiOutput> output;
    std::unique_ptr<QSignalSpy> errors;
    float onePeak = 0.0f; // one piano note at velocity 100, at the sink

    void send(int status, int data1, int data2) { sendMessage(*output, FieldOrder::Data2First, status, data1, data2); }

    QString sinkInputs() const { return server.pactl({QStringLiteral("list"), QStringLiteral("sink-inputs")}); }

    QString errorTexts() const
    {
        QStringList texts;
        for (const QList<QVariant>& error : *errors)
            texts << error.at(1).toString();
        return texts.join(QLatin1Char('\n'));
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(server.start(), qPrintable(server.failure()));
        SynthOptions options;
        // The sound server only: neither JACK nor a sound card may stand in
        // for it once it has gone.
        options.audioDrivers = {QStringLiteral("pulseaudio")};
        output = std::make_unique<MidiOutput>(std::make_unique<SynthFirstOutputBackend>(
            std::make_unique<SynthOutput>(options), std::make_unique<MemoryOutputBackend>()));
        errors = std::make_unique<QSignalSpy>(output.get(), &MidiOutput::errorReported);
        output->setDeviceNumber(0);
        output->setAction(1);
        QCOMPARE(output->openState(), 1);
        QVERIFY(recorder.start());
    }

    void cleanupTestCase()
    {
        output.reset();
        server.stop();
    }

    void noteIsHeardUnderTheProgramsNameAndTheStreamStopsInSilence()
    {
        QTest::qWait(300);
        recorder.peakSinceLastCall();
        send(0x90, 60, 100);
        // The monitor reaches the recorder some tens of milliseconds late.
        float sounding = 0.0f;
        QTRY_VERIFY_WITH_TIMEOUT((sounding = std::max(sounding, recorder.peakSinceLastCall())) > 0.05f, 3000);
        QTest::qWait(300);
        onePeak = std::max(sounding, recorder.peakSinceLastCall());

        const QString stream = sinkInputs();
        for (const char* property : {"application.name = \"Quorvane\"", "media.name = \"Quorvane\"",
                                     "node.name = \"Quorvane\"", "float32le 2ch 48000Hz"})
            QVERIFY2(stream.contains(QLatin1String(property)), qPrintable(stream));

        send(0x80, 60, 64);
        QTest::qWait(2000); // the piano's release and the reverberation
        recorder.peakSinceLastCall();
        QTest::qWait(300);
        const float after = recorder.peakSinceLastCall();
        QVERIFY2(after < 1e-4f, qPrintable(QString::number(after)));
        // Silent, the synthesizer leaves the server alone.
        QTRY_VERIFY_WITH_TIMEOUT(!sinkInputs().contains(QStringLiteral("Quorvane")), 3000);
        QVERIFY2(errors->isEmpty(), qPrintable(errorTexts()));
    }

    void soundComesBackAfterTheServerRestarts()
    {
        send(0x90, 64, 100);
        QTRY_VERIFY_WITH_TIMEOUT(sinkInputs().contains(QStringLiteral("Quorvane")), 3000);

        server.kill();
        QTRY_COMPARE_WITH_TIMEOUT(errors->count(), 1, 3000);
        QCOMPARE(errors->at(0).at(0).toInt(), MidiErrorCode::AudioLost);
        QVERIFY2(errorTexts().contains(QStringLiteral("sound server has gone away")), qPrintable(errorTexts()));
        QCOMPARE(output->openState(), 1);
        // Played into the void, and nothing more said; none of it may wait
        // in the synthesizer and sound all at once when the server is back.
        for (int i = 0; i < 200; ++i)
            send(0x90, 36 + i % 48, 100);

        QVERIFY2(server.restart(), qPrintable(server.failure()));
        QVERIFY(recorder.start());
        QTest::qWait(1100); // past the pause between attempts to start the sound
        // The formula goes on playing; its next note brings the sound back.
        send(0x90, 60, 100);
        float firstSecond = 0.0f;
        QTRY_VERIFY_WITH_TIMEOUT((firstSecond = std::max(firstSecond, recorder.peakSinceLastCall())) > 0.05f, 3000);
        QTest::qWait(1000);
        firstSecond = std::max(firstSecond, recorder.peakSinceLastCall());
        QVERIFY2(firstSecond < 1.5f * onePeak,
                 qPrintable(QStringLiteral("%1 against one note's %2").arg(firstSecond).arg(onePeak)));
        QCOMPARE(errors->count(), 1);
        // No voice left hanging: the stream still closes once the note has died away.
        send(0x80, 60, 64);
        QTRY_VERIFY_WITH_TIMEOUT(!sinkInputs().contains(QStringLiteral("Quorvane")), 6000);
    }
};

QTEST_GUILESS_MAIN(PipewireSynthTest)
#include "test_pipewire_synth.moc"
