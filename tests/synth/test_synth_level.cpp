#include "synth/synth_limiter.h"
#include "synth/synth_output.h"

#include <QFileInfo>
#include <QtTest>
#include <cmath>

using namespace quorvane;

namespace {

float peakOf(const std::vector<float>& samples, std::size_t from = 0)
{
    float peak = 0.0f;
    for (std::size_t i = from; i < samples.size(); ++i)
        peak = std::max(peak, std::abs(samples[i]));
    return peak;
}

std::vector<float> sine(float amplitude, int frames)
{
    std::vector<float> s(static_cast<std::size_t>(frames));
    for (int i = 0; i < frames; ++i)
        s[std::size_t(i)] = amplitude * float(std::sin(2 * M_PI * 440.0 * i / 48000.0));
    return s;
}

double decibels(double level)
{
    return 20 * std::log10(level);
}

} // namespace

// How loud the built-in synthesizer plays, and that it never clips.
class SynthLevelTest : public QObject {
    Q_OBJECT

    static std::unique_ptr<SynthOutput> openSynth(const QString& font)
    {
        SynthOptions options;
        options.renderOnly = true;
        options.soundFonts = {font};
        auto synth = std::make_unique<SynthOutput>(options);
        synth->open(SynthOutput::deviceName());
        return synth;
    }

private slots:
    // The figures belong to each sound font's own piano samples.
    void oneNoteIsAsLoudAsOtherPlayers_data()
    {
        QTest::addColumn<QString>("font");
        QTest::addColumn<double>("expectedDb");
        QTest::newRow("FluidR3_GM") << QStringLiteral("/usr/share/sounds/sf2/FluidR3_GM.sf2") << -12.0;
        QTest::newRow("TimGM6mb") << QStringLiteral("/usr/share/sounds/sf2/TimGM6mb.sf2") << -17.0;
    }

    void oneNoteIsAsLoudAsOtherPlayers()
    {
        QFETCH(QString, font);
        QFETCH(double, expectedDb);
        if (!QFileInfo::exists(font))
            QSKIP("sound font not installed");
        auto synth = openSynth(font);
        synth->send({0x90, 60, 100});
        const StereoAudio audio = synth->render(48000);
        const double peak = decibels(std::max(peakOf(audio.left), peakOf(audio.right)));
        QVERIFY2(std::abs(peak - expectedDb) < 2.0, qPrintable(QStringLiteral("%1 dBFS").arg(peak)));
    }

    // Hundreds of loud notes on loud instruments, as a fast formula run piles
    // them up: turned down below full scale, but still loud.
    void pileOfVoicesStaysBelowFullScale()
    {
        auto synth = openSynth(QStringLiteral("/usr/share/sounds/sf2/TimGM6mb.sf2"));
        float peak = 0.0f;
        for (int block = 0; block < 300; ++block) {
            synth->send({std::uint8_t(0xC0 | (block % 16)), std::uint8_t(56 + block % 32)}); // brass, reeds, leads
            synth->send({std::uint8_t(0x90 | (block % 16)), std::uint8_t(36 + block % 60), 127});
            const StereoAudio audio = synth->render(64);
            peak = std::max({peak, peakOf(audio.left), peakOf(audio.right)});
        }
        QVERIFY2(peak <= SynthLimiter::ceiling, qPrintable(QString::number(peak)));
        QVERIFY2(peak > 0.5f * SynthLimiter::ceiling, qPrintable(QString::number(peak)));
    }

    void limiterLeavesQuietSoundAloneAndRecoversAfterALoudOne()
    {
        SynthLimiter limiter(48000);
        std::vector<float> quiet = sine(0.5f, 4800);
        std::vector<float> right = quiet;
        limiter.process(quiet.data(), right.data(), 4800);
        QCOMPARE(quiet, sine(0.5f, 4800));

        std::vector<float> loud = sine(4.0f, 4800);
        right = loud;
        limiter.process(loud.data(), right.data(), 4800);
        QVERIFY(peakOf(loud) <= SynthLimiter::ceiling);
        QVERIFY(peakOf(loud) > 0.8f * SynthLimiter::ceiling);

        // A second later the quiet sound is back at nearly its own level.
        std::vector<float> after = sine(0.5f, 48000);
        right = after;
        limiter.process(after.data(), right.data(), 48000);
        QVERIFY2(peakOf(after, 43200) > 0.95f * 0.5f, qPrintable(QString::number(peakOf(after, 43200))));
        QVERIFY(peakOf(after, 0) <= 0.5f);
    }
};

QTEST_GUILESS_MAIN(SynthLevelTest)
#include "test_synth_level.moc"
