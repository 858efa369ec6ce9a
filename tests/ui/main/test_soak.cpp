#include "main_window_fixture.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>
#include <random>
#include <set>

using namespace quorvane;

namespace {

// A host whose every yield and pause lets the soak take its next random
// action, as a user clicking and typing during a run would.
class SoakHost : public Host {
public:
    std::function<void()> act;
    void yield() override
    {
        QCoreApplication::processEvents();
        if (act)
            act();
    }
    std::int64_t now() const override { return steadyNowNs(); }
    void pauseUntil(std::int64_t) override { QCoreApplication::processEvents(); }
    float random() override { return std::uniform_real_distribution<float>(0.0f, 1.0f)(generator) * 0.999999f; }
    bool ending() const override { return ending_; }
    void setEnding() override { ending_ = true; }
    bool ending_ = false;
    std::mt19937 generator{7};
};

QStringList editableBoxes()
{
    QStringList boxes = {controls::StartNote, controls::Delay, controls::Modulo, controls::PitchMin,
                         controls::PitchMax};
    for (Mode mode : allModes)
        boxes << controls::result(mode) << controls::transposition(mode);
    return boxes;
}

QStringList checkBoxes()
{
    QStringList boxes = {controls::UseNoteOff, controls::UseModulo, controls::RandomDelay, controls::DisplayResults,
                         controls::UseMinMax};
    for (Mode mode : allModes)
        boxes << controls::doMode(mode);
    return boxes;
}

} // namespace

// Ten thousand seeded random actions on the real window: any text in any box,
// check boxes, both formulas started (nested too) and stopped, patches, input
// messages and the panic items. Every message on the wire must be valid MIDI,
// and the running flags must follow what was started and stopped.
class SoakTest : public QObject {
    Q_OBJECT

    SoakHost host;
    MemoryOutputBackend* out = nullptr;
    MemoryInputBackend* in = nullptr;
    std::unique_ptr<Program> program;
    FrmMain* window = nullptr;
    std::mt19937 random{20261208};
    int actions = 0;
    int depth = 0;
    bool expectWondrous = false;
    bool expectMix = false;
    std::size_t checkedUpTo = 0;
    std::set<std::pair<int, int>> sounding; // (channel, note) with a note-on not yet ended

    static constexpr int total = 10000;
    static constexpr int maxDepth = 8;

    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random); }

    QString randomText()
    {
        static const QStringList specials = {"",
                                             "-",
                                             "+",
                                             ".",
                                             "1e308",
                                             "-1e308",
                                             "1e999",
                                             "nan",
                                             "inf",
                                             "99999999999999999999",
                                             "-2147483649",
                                             "63.5",
                                             "0",
                                             "127",
                                             "30000",
                                             "40000",
                                             " 60 ",
                                             "abc",
                                             "1e-320",
                                             "0x10",
                                             "六十"};
        switch (pick(3)) {
        case 0: return specials[pick(specials.size())];
        case 1: return QString::number(std::uniform_int_distribution<int>(-300, 300)(random));
        default: {
            static const QString alphabet = QStringLiteral("0123456789+-.eE aZ");
            QString text;
            for (int i = pick(8); i > 0; --i)
                text += alphabet[pick(alphabet.size())];
            return text;
        }
        }
    }

    MidiBytes randomMessage()
    {
        const int channel = pick(3); // mostly the program's own channel and its neighbours
        switch (pick(7)) {
        case 0: return {std::uint8_t(0x80 | channel), std::uint8_t(pick(128)), std::uint8_t(pick(128))};
        case 1: return {std::uint8_t(0xC0 | channel), std::uint8_t(pick(128))};
        case 2: return {std::uint8_t(0xB0 | channel), std::uint8_t(pick(128)), std::uint8_t(pick(128))};
        case 3: return {std::uint8_t(0xE0 | channel), std::uint8_t(pick(128)), std::uint8_t(pick(128))};
        case 4: return {std::uint8_t(0xD0 | channel), std::uint8_t(pick(128))};
        case 5: return {0xF8};
        default: return {std::uint8_t(0x90 | channel), std::uint8_t(pick(128)), 0};
        }
    }

    void click(const char* name) { window->findChild<QPushButton*>(QString::fromLatin1(name))->click(); }

    void startFormula(bool mixmaster)
    {
        if (depth >= maxDepth)
            return;
        // Wondrousness refuses a start note that is no number and starts nothing.
        const QString startNote = window->findChild<QLineEdit*>(controls::StartNote)->text();
        if (mixmaster)
            expectMix = true;
        else if (textToNumber(startNote))
            expectWondrous = true;
        ++depth;
        click(mixmaster ? controls::MixDoIt : controls::DoIt); // returns once this loop has ended
        --depth;
    }

    void act()
    {
        if (actions >= total || QTest::currentTestFailed()) {
            // Wind down: every loop ends at its next pass boundary.
            expectMix = expectWondrous = false;
            click(controls::StopIt);
            click(controls::MixStopIt);
            return;
        }
        ++actions;
        switch (pick(12)) {
        case 0:
        case 1:
            window->findChild<QLineEdit*>(editableBoxes()[pick(int(editableBoxes().size()))])->setText(randomText());
            break;
        case 2:
        case 3: window->findChild<QCheckBox*>(checkBoxes()[pick(int(checkBoxes().size()))])->click(); break;
        case 4: startFormula(pick(2) == 1); break;
        case 5:
            if (pick(2)) {
                expectWondrous = false;
                click(controls::StopIt);
            } else {
                expectMix = false;
                click(controls::MixStopIt);
            }
            break;
        case 6: window->findChild<QComboBox*>(controls::PatchList)->setCurrentIndex(pick(128)); break;
        case 7:
        case 8:
            for (int i = pick(4); i >= 0; --i)
                in->inject(randomMessage());
            QCoreApplication::processEvents();
            break;
        case 9:
            window->findChild<QAction*>(pick(2) ? QString(menus::AllOff) : QString(menus::AllChannelsAllOff))
                ->trigger();
            break;
        case 10:
            QTest::mousePress(window->findChild<QPushButton*>(controls::TestNote), Qt::LeftButton);
            QTest::mouseRelease(window->findChild<QPushButton*>(controls::TestNote), Qt::LeftButton);
            break;
        default: window->findChild<QLineEdit*>(controls::Delay)->setText(QString::number(pick(3))); break;
        }
        checkWire();
        QCOMPARE(program->composer().wondrousRunning(), expectWondrous);
        QCOMPARE(program->composer().mixRunning(), expectMix);
    }

    void checkWire()
    {
        for (; checkedUpTo < out->wire.size(); ++checkedUpTo) {
            const MidiBytes& m = out->wire[checkedUpTo].bytes;
            QVERIFY2(!m.empty() && m[0] >= 0x80, qPrintable(hexText(m)));
            QCOMPARE(int(m.size()), messageLength(m[0]));
            for (std::size_t i = 1; i < m.size(); ++i)
                QVERIFY2(m[i] < 0x80, qPrintable(hexText(m)));
            track(m);
        }
    }

    void track(const MidiBytes& m)
    {
        const int kind = m[0] & 0xF0;
        const int channel = m[0] & 0x0F;
        if (kind == 0x90 && m[2] > 0)
            sounding.insert({channel, m[1]});
        else if (kind == 0x80 || kind == 0x90)
            sounding.erase({channel, m[1]});
        else if (kind == 0xB0 && (m[1] == 123 || m[1] == 120)) {
            for (int note = 0; note < 128; ++note)
                sounding.erase({channel, note});
        }
    }

private slots:
    void tenThousandRandomActions()
    {
        auto output = std::make_unique<MemoryOutputBackend>();
        auto input = std::make_unique<MemoryInputBackend>();
        out = output.get();
        in = input.get();
        program = std::make_unique<Program>(std::move(output), std::move(input), host);
        window = &program->window();
        // Message boxes (a start note that is no number) are answered at once.
        QTimer closer;
        connect(&closer, &QTimer::timeout, [] {
            if (QWidget* modal = QApplication::activeModalWidget())
                modal->close();
        });
        closer.start(0);
        window->showSetupDialog = [this] { openFirstDevices(*window); };
        window->load();
        host.act = [this] { act(); };
        while (actions < total && !QTest::currentTestFailed())
            act();
        host.act = nullptr;
        QVERIFY(!QTest::currentTestFailed());
        QCOMPARE(actions, total);
        QVERIFY(!program->composer().wondrousRunning() && !program->composer().mixRunning());
        QVERIFY(out->wire.size() > std::size_t(total));

        // With "Note Off" on, a run that is stopped leaves no note of its own sounding.
        if (!window->findChild<QCheckBox*>(controls::UseNoteOff)->isChecked())
            window->findChild<QCheckBox*>(controls::UseNoteOff)->click();
        window->findChild<QAction*>(menus::AllChannelsAllOff)->trigger();
        checkWire();
        sounding.clear();
        for (Mode mode : {Mode::Pitch, Mode::Velocity}) {
            if (!window->findChild<QCheckBox*>(controls::doMode(mode))->isChecked())
                window->findChild<QCheckBox*>(controls::doMode(mode))->click();
        }
        window->findChild<QLineEdit*>(controls::Delay)->setText(QStringLiteral("0"));
        int passes = 0;
        host.act = [&] {
            if (++passes == 50)
                click(controls::StopIt);
        };
        click(controls::DoIt);
        host.act = nullptr;
        checkWire();
        QVERIFY2(sounding.empty(), qPrintable(QStringLiteral("%1 notes still sounding").arg(sounding.size())));
    }
};

QTEST_MAIN(SoakTest)
#include "test_soak.moc"
