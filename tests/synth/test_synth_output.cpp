#include "midi/midi_output.h"
#include "synth/synth_limiter.h"
#include "synth/synth_output.h"
#include "synth/synth_renderer.h"

#include <QFileInfo>
#include <QtTest>
#include <cmath>
#include <fluidsynth.h>

using namespace quorvane;

namespace {

using Samples = std::vector<float>;

double rms(const Samples& samples, std::size_t from = 0, std::size_t to = SIZE_MAX)
{
    to = std::min(to, samples.size());
    if (from >= to)
        return 0.0;
    double sum = 0.0;
    for (std::size_t i = from; i < to; ++i)
        sum += double(samples[i]) * samples[i];
    return std::sqrt(sum / double(to - from));
}

Samples mono(const StereoAudio& audio)
{
    Samples sum(audio.left.size());
    for (std::size_t i = 0; i < sum.size(); ++i)
        sum[i] = audio.left[i] + audio.right[i];
    return sum;
}

// The fundamental by autocorrelation: the shortest lag at which the sound
// repeats itself. A spectrum's strongest peak is often the second or third
// harmonic of a piano or an organ, and would name the wrong octave.
double pitchOf(const Samples& s, double rate)
{
    const int minLag = int(rate / 2000.0);
    const int maxLag = int(rate / 50.0);
    const int length = int(s.size()) - maxLag - 1; // room for the largest lag tried
    std::vector<double> r(std::size_t(maxLag + 2), 0.0);
    double best = 0.0;
    for (int lag = minLag; lag <= maxLag + 1; ++lag) {
        double sum = 0.0, energyA = 0.0, energyB = 0.0;
        for (int i = 0; i < length; ++i) {
            sum += double(s[i]) * s[i + lag];
            energyA += double(s[i]) * s[i];
            energyB += double(s[i + lag]) * s[i + lag];
        }
        r[lag] = sum / std::sqrt(energyA * energyB + 1e-30);
        best = std::max(best, r[lag]);
    }
    for (int lag = minLag + 1; lag <= maxLag; ++lag) {
        if (r[lag] >= 0.9 * best && r[lag] >= r[lag - 1] && r[lag] >= r[lag + 1]) {
            // A parabola through the peak and its neighbours finds it between samples.
            const double shift = 0.5 * (r[lag - 1] - r[lag + 1]) / (r[lag - 1] - 2 * r[lag] + r[lag + 1]);
            return rate / (lag + shift);
        }
    }
    return 0.0;
}

// The strengths of the harmonics of a note against its fundamental, in
// decibels: two instruments playing the same note differ in them.
std::vector<double> harmonicProfile(const Samples& s, double rate, double fundamental)
{
    std::vector<double> strengths;
    for (int k = 1; k <= 8; ++k) {
        const double w = 2 * M_PI * k * fundamental / rate;
        double re = 0.0, im = 0.0;
        for (std::size_t i = 0; i < s.size(); ++i) {
            re += s[i] * std::cos(w * double(i));
            im -= s[i] * std::sin(w * double(i));
        }
        strengths.push_back(std::hypot(re, im) + 1e-9);
    }
    std::vector<double> profile;
    for (std::size_t k = 1; k < strengths.size(); ++k)
        profile.push_back(20 * std::log10(strengths[k] / strengths[0]));
    return profile;
}

// The mean difference of two harmonic profiles, in decibels.
double timbreDistance(const std::vector<double>& a, const std::vector<double>& b)
{
    double sum = 0.0;
    for (std::size_t i = 0; i < a.size(); ++i)
        sum += std::abs(a[i] - b[i]);
    return sum / double(a.size());
}

// Sets a variable of the environment for as long as it lives.
class EnvironmentFor {
public:
    EnvironmentFor(const char* name, const QByteArray& value) : name_(name), saved_(qgetenv(name))
    {
        qputenv(name, value);
    }
    ~EnvironmentFor()
    {
        if (saved_.isNull())
            qunsetenv(name_);
        else
            qputenv(name_, saved_);
    }

private:
    const char* name_;
    QByteArray saved_;
};

// A synthesizer that renders only, its font read on a thread of its own.
SynthOptions loadingInBackground()
{
    SynthOptions options;
    options.renderOnly = true;
    options.soundFonts = {QStringLiteral("/usr/share/sounds/sf2/TimGM6mb.sf2")};
    options.loadInBackground = true;
    return options;
}

} // namespace

using Message = QList<int>;
Q_DECLARE_METATYPE(Message)

// The synthesizer driven through the output component, rendered without an
// audio output so that what it plays can be measured.
class SynthOutputTest : public QObject {
    Q_OBJECT

    SynthOutput* synth = nullptr;
    std::unique_ptr<MidiOutput> output;

    void send(const Message& m)
    {
        output->setStatus(m.value(0));
        output->setData2(m.value(2));
        output->setData1(m.value(1));
        output->setAuxiliary(0);
        output->setAction(7);
    }

    StereoAudio render(double seconds) { return synth->render(int(seconds * synth->sampleRate())); }
    Samples renderMono(double seconds) { return mono(render(seconds)); }
    std::size_t frames(double seconds) const { return std::size_t(seconds * synth->sampleRate()); }

    // How loud it still is after three seconds: long enough for a released
    // note and its reverberation to die away.
    double loudnessAfterThreeSeconds()
    {
        const Samples after = renderMono(3.0);
        return rms(after, frames(2.8));
    }

private slots:
    // Idle for a second, the renderer hands out silence without rendering
    // (the voices are not even looked at); the next message counted wakes
    // it, and once retired it never touches the synthesizer again.
    void rendererRestsWhenIdleAndWakesOnAMessage()
    {
        std::unique_ptr<fluid_settings_t, void (*)(fluid_settings_t*)> settings(new_fluid_settings(),
                                                                               delete_fluid_settings);
        std::unique_ptr<fluid_synth_t, void (*)(fluid_synth_t*)> fluid(new_fluid_synth(settings.get()),
                                                                       delete_fluid_synth);
        QVERIFY(fluid_synth_sfload(fluid.get(), "/usr/share/sounds/sf2/TimGM6mb.sf2", 1) != FLUID_FAILED);
        SynthLimiter limiter(44100);
        std::atomic<unsigned> sent{0};
        SynthRenderer renderer(fluid.get(), limiter, 44100, sent);
        auto loudestOver = [&](int blocks) {
            float left[64], right[64], loudest = 0.0f;
            for (int i = 0; i < blocks; ++i) {
                renderer.renderStereo(left, right, 64);
                for (int j = 0; j < 64; ++j)
                    loudest = std::max({loudest, std::abs(left[j]), std::abs(right[j])});
            }
            return loudest;
        };

        QTest::qWait(int(std::chrono::milliseconds(SynthRenderer::restAfter).count()) + 100);
        fluid_synth_noteon(fluid.get(), 0, 60, 100); // into the synthesizer, but not counted
        QCOMPARE(loudestOver(20), 0.0f);
        ++sent;
        QVERIFY(loudestOver(20) > 0.01f);
        renderer.retire();
        QCOMPARE(loudestOver(20), 0.0f);
    }

    void init()
    {
        SynthOptions options;
        options.renderOnly = true;
        // The pitch and pan figures below are those of the sound font that
        // the build installs; a larger font has other samples and stereo.
        options.soundFonts = {QStringLiteral("/usr/share/sounds/sf2/TimGM6mb.sf2")};
        auto backend = std::make_unique<SynthOutput>(options);
        synth = backend.get();
        output = std::make_unique<MidiOutput>(std::move(backend));
        output->setDeviceNumber(0);
        output->setAction(1);
        QCOMPARE(output->openState(), 1);
        QVERIFY(synth->sampleRate() > 0);
    }

    void noteSoundsAtItsPitch_data()
    {
        QTest::addColumn<QList<Message>>("before");
        QTest::addColumn<int>("key");
        QTest::addColumn<double>("hertz");
        QTest::newRow("middle C") << QList<Message>{} << 60 << 261.63;
        QTest::newRow("A above middle C") << QList<Message>{} << 69 << 440.0;
        QTest::newRow("C below middle C") << QList<Message>{} << 48 << 130.81;
        QTest::newRow("middle C bent up two semitones") << QList<Message>{{0xE0, 127, 127}} << 60 << 293.66;
        QTest::newRow("middle C on an organ") << QList<Message>{{0xC0, 19, 0}} << 60 << 261.63;
    }

    void noteSoundsAtItsPitch()
    {
        QFETCH(QList<Message>, before);
        QFETCH(int, key);
        QFETCH(double, hertz);
        QVERIFY(rms(renderMono(0.1)) < 1e-6); // nothing plays before the first note
        for (const Message& m : before)
            send(m);
        send({0x90, key, 100});
        const Samples note = renderMono(0.5);
        QVERIFY2(rms(note) > 0.01, qPrintable(QString::number(rms(note))));
        const Samples steady(note.begin() + long(frames(0.1)), note.end());
        const double pitch = pitchOf(steady, synth->sampleRate());
        QVERIFY2(std::abs(pitch / hertz - 1.0) < 0.01, qPrintable(QStringLiteral("heard %1 Hz").arg(pitch)));
    }

    void noteEnds_data()
    {
        QTest::addColumn<Message>("ending");
        QTest::newRow("note-off") << Message{0x80, 60, 64};
        QTest::newRow("note-on with velocity 0") << Message{0x90, 60, 0};
        QTest::newRow("all notes off (CC 123)") << Message{0xB0, 123, 0};
        QTest::newRow("all sound off (CC 120)") << Message{0xB0, 120, 0};
        QTest::newRow("MIDI reset") << Message{0xFF};
    }

    void noteEnds()
    {
        QFETCH(Message, ending);
        send({0x90, 60, 100});
        const double sounding = rms(renderMono(0.3));
        send(ending);
        const double after = loudnessAfterThreeSeconds();
        QVERIFY2(after < 0.01 * sounding, qPrintable(QString::number(after)));
    }

    void noteOffOnAnotherKeyLeavesTheNoteSounding()
    {
        send({0xC0, 19, 0}); // an organ: its sound does not die away by itself
        send({0x90, 60, 100});
        const double sounding = rms(renderMono(0.3));
        send({0x80, 62, 64});
        const Samples after = renderMono(1.0);
        QVERIFY(rms(after, frames(0.8)) > 0.5 * sounding);
    }

    void sustainPedalHoldsTheNoteUntilReleased()
    {
        send({0xC0, 19, 0});
        send({0xB0, 64, 127});
        send({0x90, 60, 100});
        const double sounding = rms(renderMono(0.3));
        send({0x80, 60, 64});
        const Samples held = renderMono(1.0);
        QVERIFY2(rms(held, frames(0.8)) > 0.5 * sounding, "the pedal did not hold the note");
        send({0xB0, 64, 0});
        QVERIFY2(loudnessAfterThreeSeconds() < 0.01 * sounding, "releasing the pedal did not end the note");
    }

    void panPutsTheSoundOnOneSide_data()
    {
        QTest::addColumn<int>("pan");
        QTest::addColumn<double>("minLeftToRight");
        QTest::addColumn<double>("maxLeftToRight");
        QTest::newRow("hard left") << 0 << 4.0 << 1e9;
        QTest::newRow("centre") << 64 << 0.7 << 1.4;
        QTest::newRow("hard right") << 127 << 0.0 << 0.25;
    }

    void panPutsTheSoundOnOneSide()
    {
        QFETCH(int, pan);
        QFETCH(double, minLeftToRight);
        QFETCH(double, maxLeftToRight);
        send({0xB0, 10, pan});
        send({0x90, 60, 100});
        const StereoAudio audio = render(0.5);
        const double ratio = rms(audio.left) / rms(audio.right);
        QVERIFY2(ratio >= minLeftToRight && ratio <= maxLeftToRight, qPrintable(QString::number(ratio)));
    }

    void velocitySetsLoudness()
    {
        send({0x90, 60, 30});
        const double soft = rms(renderMono(0.3));
        send({0xB0, 120, 0});
        renderMono(0.1);
        send({0x90, 60, 127});
        const double loud = rms(renderMono(0.3));
        QVERIFY2(loud > 2.0 * soft, qPrintable(QStringLiteral("%1 against %2").arg(loud).arg(soft)));
    }

    void programmeChangeChangesTheTimbre_data()
    {
        QTest::addColumn<int>("programme");
        QTest::addColumn<bool>("sameTimbre");
        QTest::newRow("piano again") << 0 << true;
        QTest::newRow("church organ") << 19 << false;
        QTest::newRow("trumpet") << 56 << false;
        QTest::newRow("flute") << 73 << false;
    }

    void programmeChangeChangesTheTimbre()
    {
        QFETCH(int, programme);
        QFETCH(bool, sameTimbre);
        const auto timbre = [this](int p) {
            send({0xB0, 120, 0});
            renderMono(0.1);
            send({0xC0, p, 0});
            send({0x90, 60, 100});
            const Samples note = renderMono(0.4);
            return harmonicProfile(Samples(note.begin() + long(frames(0.1)), note.end()), synth->sampleRate(), 261.63);
        };
        const std::vector<double> piano = timbre(0);
        const double distance = timbreDistance(piano, timbre(programme));
        QVERIFY2(sameTimbre ? distance < 1.5 : distance > 5.0, qPrintable(QStringLiteral("%1 dB").arg(distance)));
    }

    void reopeningLeavesNoNoteHanging()
    {
        send({0xC0, 19, 0}); // an organ note would sound for ever if left hanging
        send({0x90, 60, 100});
        const double sounding = rms(renderMono(0.2));
        output->setAction(2);
        QCOMPARE(output->openState(), 0);
        QVERIFY(synth->render(64).left.empty()); // closed: nothing to render
        output->setAction(1);
        QCOMPARE(output->openState(), 1);
        const double after = loudnessAfterThreeSeconds(); // at most the reverberation dies away
        QVERIFY2(after < 0.01 * sounding, qPrintable(QString::number(after)));
        send({0x90, 60, 100});
        const Samples again = renderMono(0.5);
        QVERIFY(rms(again) > 0.5 * sounding); // still an organ, and it still plays
        QVERIFY(std::abs(pitchOf(again, synth->sampleRate()) / 261.63 - 1.0) < 0.01);
    }

    // A JACK server's rate is whatever it was started with: the JACK output
    // asks the program for it, and the desktop's stream keeps its own.
    void onlyTheJackOutputFollowsTheRateItIsHanded_data()
    {
        QTest::addColumn<QString>("driver");
        QTest::addColumn<int>("asked");
        QTest::addColumn<double>("rate");
        QTest::newRow("JACK") << QStringLiteral("jack") << 1 << 44100.0;
        QTest::newRow("PulseAudio") << QStringLiteral("pulseaudio") << 0 << 48000.0;
    }

    void onlyTheJackOutputFollowsTheRateItIsHanded()
    {
        QFETCH(QString, driver);
        QFETCH(int, asked);
        QFETCH(double, rate);
        // Neither server answers here: the rate is chosen before the output tries.
        const EnvironmentFor noJack("JACK_DEFAULT_SERVER", "quorvane-no-such-server");
        const EnvironmentFor noPulse("PULSE_SERVER", "unix:/nonexistent/quorvane-test-pulse");
        int questions = 0;
        SynthOptions options;
        options.audioDrivers = {driver};
        options.jackSampleRate = [&questions] {
            ++questions;
            return 44100;
        };
        SynthOutput alone(options);
        alone.open(SynthOutput::deviceName());
        QCOMPARE(questions, asked);
        QCOMPARE(alone.sampleRate(), rate);
    }
    // Read in the background, the sound font keeps nothing waiting but the
    // first message, which is played once it is there: a programme change
    // and a note sent meanwhile sound exactly as on a synthesizer that had
    // its font from the start.
    void messagesSentWhileTheFontLoadsArePlayedOnceItIs()
    {
        const SynthOptions options = loadingInBackground();
        SynthOutput loading(options);
        loading.open(SynthOutput::deviceName());
        QVERIFY(loading.isOpen());
        QVERIFY2(loading.loading(), "the font was read before the first message could wait for it");
        loading.send({0xC0, 19});
        loading.send({0x90, 60, 100});
        QVERIFY(!loading.loading());
        const Samples heard = mono(loading.render(int(frames(0.5))));

        send({0xC0, 19, 0});
        send({0x90, 60, 100});
        const Samples expected = renderMono(0.5);
        QCOMPARE(heard.size(), expected.size());
        float largestDifference = 0.0f;
        for (std::size_t i = 0; i < heard.size(); ++i)
            largestDifference = std::max(largestDifference, std::abs(heard[i] - expected[i]));
        QVERIFY2(rms(heard) > 0.01, qPrintable(QString::number(rms(heard))));
        QVERIFY2(largestDifference < 1e-6f, qPrintable(QString::number(largestDifference)));
    }
    // The background load waits for the program's first window to be on
    // screen, so as not to take the processor from it, and then begins
    // without anything else asking for the synthesizer.
    void theBackgroundLoadBeginsWhenTheFirstWindowIsExposed()
    {
        const SynthOptions options = loadingInBackground();
        SynthOutput synth(options);
        QTest::qWait(300); // a loader begun at once would be done by now
        QVERIFY(synth.loading());

        QObject window; // stands for the window: only the event's type matters
        QEvent exposed(QEvent::Expose);
        QCoreApplication::sendEvent(&window, &exposed);
        QTRY_VERIFY_WITH_TIMEOUT(!synth.loading(), 10000);
        synth.open(SynthOutput::deviceName());
        QCOMPARE(synth.soundFont(), options.soundFonts.first());
        QCOMPARE(synth.sampleRate(), double(options.sampleRate));
    }
};

QTEST_GUILESS_MAIN(SynthOutputTest)
#include "test_synth_output.moc"
