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
        send(0x80, 64, 64);
        send(0x90, 65, 100); // played into the void, and nothing more said

        QVERIFY2(server.restart(), qPrintable(server.failure()));
        QVERIFY(recorder.start());
        // The formula goes on playing; a later note brings the sound back.
        float heard = 0.0f;
        for (int note = 0; note < 20 && heard < 0.05f; ++note) {
            send(0x90, 60 + note, 100);
            QTest::qWait(250);
            heard = std::max(heard, recorder.peakSinceLastCall());
            send(0x80, 60 + note, 64);
        }
        QVERIFY2(heard > 0.05f, qPrintable(QString::number(heard)));
        QCOMPARE(errors->count(), 1);
        send(0xB0, 123, 0);
    }
};

QTEST_GUILESS_MAIN(PipewireSynthTest)
#include "test_pipewire_synth.moc"
