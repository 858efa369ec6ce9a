#include "memory_backend.h"
#include "midi/midi_output.h"
#include "app/synth_first_backend.h"
#include "devices/sound_libraries.h"

#include <QSignalSpy>
#include <QTemporaryFile>
#include <QtTest>
#include <cmath>
#include <unistd.h>

using namespace quorvane;

namespace {

const QString timGm = QStringLiteral("/usr/share/sounds/sf2/TimGM6mb.sf2");

// The system's MIDI outputs as they behave when there is no MIDI system at
// all: nothing to count, and nothing to open.
class NoMidiSystemBackend : public MemoryOutputBackend {
public:
    QStringList devices() override { throw missing(); }
    void open(const QString&) override { throw missing(); }
    void openVirtualPort() override { throw missing(); }

private:
    static MidiFailure missing()
    {
        return MidiFailure(MidiErrorCode::NoMidiSystem, QStringLiteral("No MIDI system was found."));
    }
};

// System outputs whose MIDI system can go away, as a JACK server does.
class LosableBackend : public MemoryOutputBackend {
public:
    void setLossNotifier(LossNotifier notifier) override { notifier_ = std::move(notifier); }
    void loseDevice() { notifier_(MidiFailure(MidiErrorCode::DeviceLost, QStringLiteral("The MIDI system stopped."))); }

private:
    LossNotifier notifier_;
};

SynthOptions renderOnly()
{
    SynthOptions options;
    options.renderOnly = true;
    return options;
}

double peak(const StereoAudio& audio)
{
    float p = 0.0f;
    for (float s : audio.left)
        p = std::max(p, std::abs(s));
    return p;
}

// Everything written to the terminal's error stream while it is alive.
class StderrCapture {
public:
    StderrCapture()
    {
        file_.open();
        std::fflush(stderr);
        saved_ = dup(STDERR_FILENO);
        dup2(file_.handle(), STDERR_FILENO);
    }
    QString text()
    {
        std::fflush(stderr);
        dup2(saved_, STDERR_FILENO);
        close(saved_);
        file_.seek(0);
        return QString::fromLocal8Bit(file_.readAll());
    }

private:
    QTemporaryFile file_;
    int saved_ = -1;
};

} // namespace

// The built-in synthesizer in front of the system's outputs, seen through the
// output component as the setup dialog sees it.
class SynthFirstBackendTest : public QObject {
    Q_OBJECT

    SynthOutput* synth = nullptr;
    MemoryOutputBackend* system = nullptr;
    std::unique_ptr<MidiOutput> output;

    void make(SynthOptions options,
              std::unique_ptr<MemoryOutputBackend> wrapped = std::make_unique<MemoryOutputBackend>())
    {
        auto s = std::make_unique<SynthOutput>(std::move(options));
        synth = s.get();
        system = wrapped.get();
        output =
            std::make_unique<MidiOutput>(std::make_unique<SynthFirstOutputBackend>(std::move(s), std::move(wrapped)));
        output->setRecorder(system);
    }

    void openDevice(int device)
    {
        output->setDeviceNumber(device);
        output->setAction(1);
    }

    void sendNote()
    {
        output->setStatus(0x90);
        output->setData2(100);
        output->setData1(60);
        output->setAuxiliary(0);
        output->setAction(7);
    }

    QStringList deviceList()
    {
        QStringList names;
        for (int d = -1; d < output->deviceCount(); ++d) {
            output->setDeviceNumber(d);
            names << output->deviceName();
        }
        return names;
    }

private slots:
    void synthIsDeviceZeroBeforeTheSystemDevices()
    {
        make(renderOnly());
        QCOMPARE(output->deviceCount(), 3);
        QCOMPARE(deviceList(), (QStringList{QStringLiteral("Memory virtual port"), QStringLiteral("Quorvane GM Synth"),
                                            QStringLiteral("Memory Out A"), QStringLiteral("Memory Out B")}));
        output->setDeviceNumber(3);
        QCOMPARE(output->deviceName(), QString());
    }

    void eachDeviceNumberOpensItsOwnDevice()
    {
        make(renderOnly());
        QSignalSpy errors(output.get(), &MidiOutput::errorReported);

        openDevice(2);
        QCOMPARE(system->openDevice, 1);
        sendNote();
        QCOMPARE(system->wireLog(), QStringList{QStringLiteral("90 3c 64")});
        QVERIFY(synth->render(64).left.empty()); // the synthesizer stays closed meanwhile

        openDevice(0);
        QVERIFY(!system->isOpen());
        QCOMPARE(output->openState(), 1);
        sendNote();
        QCOMPARE(system->wire.size(), std::size_t(1)); // the note went to the synthesizer only
        QVERIFY(peak(synth->render(4410)) > 0.01);

        openDevice(-1);
        QCOMPARE(system->openDevice, -1);
        QVERIFY(synth->render(64).left.empty());

        output->setAction(2);
        QCOMPARE(output->openState(), 0);
        QVERIFY(!system->isOpen());
        QCOMPARE(errors.count(), 0);
        // The record keeps every property write, in order.
        QVERIFY(system->writeLog().contains(QStringLiteral("DeviceNumber=-1")));
        QCOMPARE(system->writeLog().last(), QStringLiteral("Action=2"));
    }

    void missingSoundServerIsReportedOnceAndTheSynthStaysOpen()
    {
        SynthOptions options;
        options.audioDrivers = {QStringLiteral("no-such-audio-driver")};
        make(options);
        QSignalSpy errors(output.get(), &MidiOutput::errorReported);

        openDevice(0);
        QCOMPARE(output->openState(), 1); // it plays once a server runs
        QTRY_COMPARE(errors.count(), 1);
        QCOMPARE(errors.at(0).at(0).toInt(), MidiErrorCode::AudioLost);
        const QStringList lines = errors.at(0).at(1).toString().split(QLatin1Char('\n'));
        QVERIFY2(lines.first().contains(QStringLiteral("No sound server")) &&
                     lines.first().contains(QStringLiteral("PipeWire")) &&
                     !lines.first().contains(QStringLiteral("no-such-audio-driver")),
                 qPrintable(lines.first()));
        QVERIFY2(lines.join(QLatin1Char(' ')).contains(QStringLiteral("no-such-audio-driver")),
                 qPrintable(lines.join(QLatin1Char('\n'))));

        // Neither the next notes nor "Ok" in the dialog say it again.
        sendNote();
        openDevice(0);
        sendNote();
        QTest::qWait(50);
        QCOMPARE(errors.count(), 1);
        QCOMPARE(output->openState(), 1);

        openDevice(1);
        QCOMPARE(system->openDevice, 0);
        sendNote();
        QCOMPARE(system->wire.size(), std::size_t(1));
        QCOMPARE(errors.count(), 1);
    }

    void lossOfTheMidiSystemStillClosesItsDevice()
    {
        auto losable = std::make_unique<LosableBackend>();
        LosableBackend& midiSystem = *losable;
        make(renderOnly(), std::move(losable));
        QSignalSpy errors(output.get(), &MidiOutput::errorReported);
        openDevice(1);
        midiSystem.loseDevice();
        QTRY_COMPARE(errors.count(), 1);
        QCOMPARE(errors.at(0).at(0).toInt(), MidiErrorCode::DeviceLost);
        QCOMPARE(output->openState(), 0);
    }

    void soundFontIsTheFirstOnePresent_data()
    {
        QTest::addColumn<QStringList>("candidates");
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("error");
        QTest::newRow("larger font missing")
            << QStringList{QStringLiteral("/nonexistent/FluidR3_GM.sf2"), timGm} << timGm << QString();
        QTest::newRow("no font at all") << QStringList{QStringLiteral("/nonexistent/FluidR3_GM.sf2")} << QString()
                                        << QStringLiteral("timgm6mb-soundfont");
        QTest::newRow("not a sound font, then one")
            << QStringList{QStringLiteral("/etc/hostname"), timGm} << timGm << QString();
        QTest::newRow("not a sound font")
            << QStringList{QStringLiteral("/etc/hostname")} << QString() << QStringLiteral("timgm6mb-soundfont");
    }

    void soundFontIsTheFirstOnePresent()
    {
        QFETCH(QStringList, candidates);
        QFETCH(QString, chosen);
        QFETCH(QString, error);
        SynthOptions options = renderOnly();
        options.soundFonts = candidates;
        make(options);
        QSignalSpy errors(output.get(), &MidiOutput::errorReported);
        openDevice(0);
        QCOMPARE(synth->soundFont(), chosen);
        QCOMPARE(output->openState(), chosen.isEmpty() ? 0 : 1);
        QCOMPARE(errors.count(), error.isEmpty() ? 0 : 1);
        if (!error.isEmpty())
            QVERIFY2(errors.at(0).at(1).toString().contains(error), qPrintable(errors.at(0).at(1).toString()));
    }

    void damagedSoundFontIsReportedEachTime()
    {
        QFile whole(timGm);
        QVERIFY(whole.open(QIODevice::ReadOnly));
        QTemporaryFile damaged;
        QVERIFY(damaged.open());
        damaged.write(whole.read(4096)); // the header of a sound font, then nothing
        damaged.flush();
        SynthOptions options = renderOnly();
        options.soundFonts = {damaged.fileName()};
        make(options);
        QSignalSpy errors(output.get(), &MidiOutput::errorReported);
        for (int attempt = 1; attempt <= 2; ++attempt) {
            openDevice(0);
            QCOMPARE(output->openState(), 0);
            QCOMPARE(errors.count(), attempt);
            QVERIFY(errors.last().at(1).toString().contains(QStringLiteral("could not load the sound font")));
        }
    }

    void synthPlaysWithoutAMidiSystem()
    {
        make(renderOnly(), std::make_unique<NoMidiSystemBackend>());
        QSignalSpy errors(output.get(), &MidiOutput::errorReported);
        QCOMPARE(output->deviceCount(), 1);
        output->setDeviceNumber(0);
        QCOMPARE(output->deviceName(), SynthOutput::deviceName());
        openDevice(0);
        QCOMPARE(output->openState(), 1);
        QCOMPARE(errors.count(), 0);

        // Choosing the virtual port must say why it cannot open.
        openDevice(-1);
        QCOMPARE(output->openState(), 0);
        QCOMPARE(errors.count(), 1);
        QVERIFY(!isQuietMidiError(errors.at(0).at(0).toInt()));
        QCOMPARE(errors.at(0).at(1).toString(), QStringLiteral("No MIDI system was found."));
    }

    void audioLibrariesKeepTheTerminalClean()
    {
        // No JACK server by this name runs, and without a sound card ALSA
        // fails too; libjack and alsa-lib would print a dozen lines each,
        // were they not quieted as the program does for the whole process.
        setUpSoundLibraries();
        const QByteArray server = qgetenv("JACK_DEFAULT_SERVER");
        qputenv("JACK_DEFAULT_SERVER", "quorvane-no-such-server");
        SynthOptions options;
        options.audioDrivers = {QStringLiteral("jack"), QStringLiteral("alsa")};
        make(options);
        QSignalSpy errors(output.get(), &MidiOutput::errorReported);
        StderrCapture terminal;
        openDevice(0);
        QCoreApplication::processEvents(); // the report arrives queued
        output->setAction(2);
        const QString printed = terminal.text();
        qputenv("JACK_DEFAULT_SERVER", server);
        QVERIFY2(printed.isEmpty(), qPrintable(printed));
        // Where ALSA has a sound card the open succeeds; otherwise the report
        // carries FluidSynth's own account of each failure.
        if (!errors.isEmpty())
            QVERIFY2(errors.at(0).at(1).toString().contains(QStringLiteral("Jack")),
                     qPrintable(errors.at(0).at(1).toString()));
    }
};

QTEST_GUILESS_MAIN(SynthFirstBackendTest)
#include "test_synth_first_backend.moc"
