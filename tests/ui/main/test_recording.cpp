#include "../modal_poll.h"
#include "main_window_fixture.h"
#include "smf_reading.h"
#include "take/take_file.h"
#include "take/take_journal.h"
#include "ui/monitor/monitor_window.h"
#include "ui/record/take_recovery.h"

#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

using namespace quorvane;

namespace {

constexpr double tickNs = 1e9 / 1920;

// The in-memory devices' clock, which stamps the wire.
struct MemoryClock : MemoryDevices {
    using MemoryDevices::now;
};

// How far the steady clock, which times what the output sends, is ahead of
// the in-memory devices' clock.
std::int64_t memoryClockOffset()
{
    std::int64_t best = 0, bracket = INT64_MAX;
    for (int i = 0; i < 20; ++i) {
        const std::int64_t a = steadyNowNs();
        const std::int64_t m = MemoryClock::now();
        const std::int64_t b = steadyNowNs();
        if (b - a < bracket) {
            bracket = b - a;
            best = (a + b) / 2 - m;
        }
    }
    return best;
}

QStringList takesIn(const QString& folder)
{
    QStringList paths;
    for (const QString& name : QDir(folder).entryList({QStringLiteral("*.mid")}, QDir::Files))
        paths << QDir(folder).filePath(name);
    return paths;
}

QStringList hexTexts(const std::vector<MemoryOutputBackend::WireMessage>& wire)
{
    QStringList texts;
    for (const auto& message : wire)
        texts << hexText(message.bytes);
    return texts;
}

// Answers the windows that a take which cannot be written opens: message
// boxes are noted and closed, each save dialog gets the next of `paths` (an
// empty one cancels), and each question whether to discard the take gets the
// next of `discard`. A save dialog that stays open after its answer is noted.
struct SaveAnswers {
    QStringList paths;
    QList<bool> discard;
    QStringList messages;
    QStringList suggested;
    bool dialogRefused = false;

    void run(const std::function<void()>& call)
    {
        QPointer<QFileDialog> answered;
        answerModalsDuring(call, [&](QWidget& modal) {
            if (auto* box = qobject_cast<QMessageBox*>(&modal)) {
                if (box->button(QMessageBox::Discard)) {
                    const bool yes = !discard.isEmpty() && discard.takeFirst();
                    box->button(yes ? QMessageBox::Discard : QMessageBox::Cancel)->click();
                } else {
                    messages << box->text();
                    if (QAbstractButton* ok = box->button(QMessageBox::Ok))
                        ok->click();
                    else
                        box->reject(); // a box of the file dialog's own
                }
            } else if (auto* dialog = qobject_cast<QFileDialog*>(&modal)) {
                if (dialog == answered) {
                    dialogRefused = true;
                    dialog->reject();
                    return;
                }
                answered = dialog;
                suggested << dialog->selectedFiles().value(0);
                const QString path = paths.isEmpty() ? QString() : paths.takeFirst();
                if (path.isEmpty()) {
                    dialog->reject();
                } else {
                    dialog->selectFile(path);
                    static_cast<QDialog*>(dialog)->accept(); // as its Save button does
                }
            }
        });
    }
};

} // namespace

class RecordingTest : public QObject {
    Q_OBJECT

    QTemporaryDir home_;

private slots:
    void initTestCase()
    {
        // Nothing here may reach the real music folder.
        qputenv("HOME", home_.path().toLocal8Bit());
        qputenv("XDG_CONFIG_HOME", home_.filePath(QStringLiteral("config")).toLocal8Bit());
    }

    void aWondrousnessRunIsKeptMessageForMessage()
    {
        MainWindowFixture f;
        QTemporaryDir folder;
        f.program->recording().folder = folder.path();
        f.box(controls::Delay)->setText(QStringLiteral("4"));
        auto* record = f.find<QAction>(menus::Record);
        QVERIFY(record->isCheckable());
        QCOMPARE(record->shortcut(), QKeySequence(QStringLiteral("Ctrl+R")));
        const std::int64_t offset = memoryClockOffset();

        const std::int64_t before = steadyNowNs();
        record->trigger();
        const std::int64_t after = steadyNowNs();
        QVERIFY(record->isChecked());
        QCOMPARE(f.window->windowTitle(), QStringLiteral("Quorvane - recording"));
        auto* keyboard = new QTimer(f.window);
        QObject::connect(keyboard, &QTimer::timeout, [&] {
            if (f.out->wire.size() >= 10) {
                keyboard->stop();
                f.in->inject({0x99, 36, 127});
            }
        });
        keyboard->start(1);
        f.stopWondrousnessAfter(80);
        f.button(controls::DoIt)->click();
        QTest::mousePress(f.button(controls::TestNote), Qt::LeftButton); // still sounding at the end
        const auto wire = f.out->wire;
        QVERIFY(hexTexts(wire).contains(QStringLiteral("99 24 7f")));
        QVERIFY(takesIn(folder.path()).isEmpty());

        record->trigger();
        QCOMPARE(f.window->windowTitle(), QStringLiteral("Quorvane"));
        QTest::mouseRelease(f.button(controls::TestNote), Qt::LeftButton); // after the take
        f.program->recording().finishWriting();
        const QStringList takes = takesIn(folder.path());
        QCOMPARE(takes.size(), 1);
        QVERIFY(QRegularExpression(QStringLiteral("/quorvane-\\d{8}-\\d{6}\\.mid$")).match(takes[0]).hasMatch());

        const ReadFile file = readMidiFile(takes[0]);
        QVERIFY(file.loaded);
        QCOMPARE(file.format, 0);
        QCOMPARE(file.tracks, 1);
        QCOMPARE(file.ppqn, 960);
        const QStringList bytes = file.byteTexts();
        QCOMPARE(bytes.value(0), QStringLiteral("ff 51 03 07 a1 20"));
        // The instrument chosen at start-up, then what was played.
        QCOMPARE(bytes.value(1), QStringLiteral("c0 00"));
        QCOMPARE(file.events[1].tick, 0);
        QCOMPARE(bytes.mid(2, int(wire.size())), hexTexts(wire));
        // The test note and the forwarded drum note were never ended.
        QCOMPARE(bytes.mid(2 + int(wire.size())), QStringList({"80 3c 00", "89 24 00", "ff 2f 00"}));

        // Each message at the time the output put it on the wire, or the
        // pass's time it was sent for, within one tick beyond what is unknown
        // of the take's start.
        for (std::size_t i = 0; i < wire.size(); ++i) {
            const double onWire = double(wire[i].atNs.value_or(wire[i].nanoseconds + offset) - before);
            const double inFile = file.events[i + 2].seconds * 1e9;
            QVERIFY2(
                std::abs(inFile - onWire) <= tickNs + double(after - before),
                qPrintable(
                    QStringLiteral("message %1: %2 ns in the file, %3 ns on the wire").arg(i).arg(inFile).arg(onWire)));
        }
        QVERIFY(file.events.back().seconds * 1e9 >= double(wire.back().nanoseconds + offset - after) - tickNs);
    }

    // The passes cost one atomic load while the monitor is closed; the
    // output is heard all along, since a take begins with the programme and
    // controllers sent before "Record".
    void onlyTheMonitorHearsThePasses()
    {
        MainWindowFixture f;
        QTemporaryDir folder;
        f.program->recording().folder = folder.path();
        const PlayObservers& messages = f.program->playObservers();
        const PassObservers& passes = f.program->passObservers();
        QVERIFY(messages.listened() && !passes.listened());
        auto* record = f.find<QAction>(menus::Record);
        record->trigger();
        QVERIFY(!passes.listened());
        record->trigger();

        f.find<QAction>(menus::Monitor)->trigger();
        QVERIFY(passes.listened());
        f.window->findChild<MonitorWindow*>()->close();
        QVERIFY(messages.listened() && !passes.listened());
    }

    void switchingDevicesDoesNotEndATake()
    {
        MainWindowFixture f;
        QTemporaryDir folder;
        f.program->recording().folder = folder.path();
        auto* record = f.find<QAction>(menus::Record);
        record->trigger();
        QTest::mouseClick(f.button(controls::TestNote), Qt::LeftButton);
        MidiOutput& output = f.window->MIDIOutput1();
        output.setAction(MidiOutput::Close);
        output.setDeviceNumber(1);
        output.setAction(MidiOutput::Open);
        QTest::mouseClick(f.button(controls::TestNote), Qt::RightButton);
        QVERIFY(record->isChecked());
        QCOMPARE(f.window->windowTitle(), QStringLiteral("Quorvane - recording"));
        record->trigger();
        f.program->recording().finishWriting();
        const QStringList takes = takesIn(folder.path());
        QCOMPARE(takes.size(), 1);
        QCOMPARE(readMidiFile(takes[0]).byteTexts().mid(1),
                 QStringList({"c0 00", "90 3c 3c", "90 3c 00", "90 3c 3c", "90 3c 00", "ff 2f 00"}));
    }

    // A long session becomes a series of takes, each of which starts with
    // the instrument chosen before "Record"; each is kept in a journal beside
    // the takes while it runs, which goes once the take is written.
    void aSplitTakeStartsWithTheProgrammeChosenBefore()
    {
        MainWindowFixture f;
        QTemporaryDir folder;
        f.program->recording().folder = folder.path();
        f.patches()->setCurrentIndex(5);
        auto* record = f.find<QAction>(menus::Record);
        record->trigger();
        QTest::mouseClick(f.button(controls::TestNote), Qt::LeftButton);
        QTRY_COMPARE(QDir(folder.path()).entryList({QStringLiteral("*.journal")}).size(), 1);
        // The output of a long session, at the speed of the fastest formula.
        PlayObservers& output = f.program->playObservers();
        const std::int64_t t = steadyNowNs();
        for (std::size_t i = 0; i < Take::maxEvents; ++i)
            output.messageSent({0x90, std::uint8_t(40 + i % 40), std::uint8_t(i % 2 ? 0 : 70)},
                               t + std::int64_t(i) * 30000);
        QTest::mouseClick(f.button(controls::TestNote), Qt::LeftButton);
        record->trigger();
        f.program->recording().finishWriting();

        const QStringList takes = takesIn(folder.path());
        QCOMPARE(takes.size(), 2);
        for (const QString& take : takes) {
            const ReadFile file = readMidiFile(take);
            QVERIFY2(file.byteTexts().value(1) == QStringLiteral("c0 05"), qPrintable(file.byteTexts().value(1)));
            QCOMPARE(file.events[1].tick, 0);
        }
        QCOMPARE(QDir(folder.path()).entryList({QStringLiteral("*.journal")}), QStringList());
    }

    void aTakeThatCannotBeWrittenIsOfferedUntilItIs()
    {
        MainWindowFixture f;
        QTemporaryDir dir;
        QFile blocker(dir.filePath(QStringLiteral("blocker")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        const QString blocked = dir.filePath(QStringLiteral("blocker/Quorvane"));
        f.program->recording().folder = blocked;
        auto* record = f.find<QAction>(menus::Record);
        record->trigger();
        QTest::mouseClick(f.button(controls::TestNote), Qt::LeftButton);

        SaveAnswers answers;
        // The place chosen first is full: its partial file is the kernel's always-full device.
        const QString full = dir.filePath(QStringLiteral("full.mid"));
        QVERIFY(QFile::link(QStringLiteral("/dev/full"), full + QStringLiteral(".part")));
        const QString chosen = dir.filePath(QStringLiteral("take.mid"));
        answers.paths = {QString(), full, chosen};
        answers.discard = {false};
        answers.run([&] {
            record->trigger();
            f.program->recording().finishWriting();
        });

        QCOMPARE(answers.messages.size(), 2);
        QVERIFY2(answers.messages[0].contains(QDir::toNativeSeparators(blocked)), qPrintable(answers.messages[0]));
        QVERIFY(answers.messages[0].contains(QString::fromLocal8Bit(std::strerror(ENOTDIR))));
        QVERIFY(answers.messages[1].contains(QDir::toNativeSeparators(full)));
        QVERIFY(answers.messages[1].contains(QString::fromLocal8Bit(std::strerror(ENOSPC))));
        QVERIFY(!answers.dialogRefused);
        QCOMPARE(answers.suggested.size(), 3);
        QVERIFY(answers.suggested[0].startsWith(QDir::homePath()));
        QCOMPARE(readMidiFile(chosen).byteTexts().mid(1), QStringList({"c0 00", "90 3c 3c", "90 3c 00", "ff 2f 00"}));
        QCOMPARE(f.window->windowTitle(), QStringLiteral("Quorvane"));
    }

    void aTakeIsDroppedOnlyWhenTheUserSaysSo()
    {
        MainWindowFixture f;
        f.program->recording().folder = QStringLiteral("/proc/quorvane-takes");
        auto* record = f.find<QAction>(menus::Record);
        record->trigger();
        SaveAnswers answers;
        answers.discard = {true};
        answers.run([&] {
            record->trigger();
            f.program->recording().finishWriting();
        });
        QCOMPARE(answers.messages.size(), 1);
        QCOMPARE(answers.suggested.size(), 1);
        QVERIFY(QApplication::activeModalWidget() == nullptr);
        QVERIFY(!record->isChecked());
    }

    void exitFromInsideARunWritesTheTakeFirst()
    {
        MainWindowFixture f;
        QTemporaryDir folder;
        f.program->recording().folder = folder.path();
        f.box(controls::Delay)->setText(QStringLiteral("2"));
        f.find<QAction>(menus::Record)->trigger();
        auto* timer = new QTimer(f.window);
        QObject::connect(timer, &QTimer::timeout, [&] {
            if (f.out->wire.size() >= 9 && f.programEnds == 0)
                f.find<QAction>(menus::Exit)->trigger();
        });
        timer->start(1);
        f.button(controls::MixDoIt)->click();
        timer->stop();
        QCOMPARE(f.programEnds, 1);
        const QStringList takes = takesIn(folder.path());
        QCOMPARE(takes.size(), 1);
        const QStringList wire = hexTexts(f.out->wire);
        QVERIFY(wire.last().startsWith(QStringLiteral("90 ")) && wire.last().endsWith(QStringLiteral(" 00")));
        const QStringList bytes = readMidiFile(takes[0]).byteTexts();
        QCOMPARE(bytes.mid(1, 1 + wire.size()), QStringList{"c0 00"} + wire);
        // Then only note-offs of notes the formula left sounding, and the end.
        QCOMPARE(bytes.last(), QStringLiteral("ff 2f 00"));
        for (const QString& closing : bytes.mid(2 + wire.size()).mid(0, bytes.size() - wire.size() - 3))
            QVERIFY2(QRegularExpression(QStringLiteral("^8[0-9a-f] [0-7][0-9a-f] 00$")).match(closing).hasMatch(),
                     qPrintable(closing));
    }

    // At start, the takes that a killed program left in their journals are
    // offered one by one, by name: "Recover" writes one beside the takes
    // (and keeps its journal when it cannot), "Discard" lets it go. A
    // journal that a running program holds is not offered.
    void leftTakesAreOfferedByNameAtStart()
    {
        QTemporaryDir dir;
        const QString folder = dir.filePath(QStringLiteral("Quorvane"));
        const QDateTime first(QDate(2026, 5, 1), QTime(20, 15, 0));
        const QDateTime second(QDate(2026, 5, 1), QTime(21, 0, 0));
        DiskQueue disk;
        for (const auto& [start, note] : {std::pair{first, 60}, std::pair{second, 62}}) {
            TakeJournal journal(disk, folder, start);
            Take take(0, start);
            for (const MidiBytes& m : std::vector<MidiBytes>{{0xC0, 5}, {0x90, std::uint8_t(note), 90}}) {
                take.add(m, steadyNowNs() - take.startNs());
                journal.append(take.events().back());
            }
        } // left without a remove, as by a killed program
        TakeJournal running(disk, folder, QDateTime(QDate(2026, 5, 1), QTime(22, 0, 0)));
        disk.waitUntilIdle();
        const QStringList journals = QDir(folder).entryList({QStringLiteral("*.journal")}, QDir::Files, QDir::Name);
        QCOMPARE(journals.size(), 3);
        const QString firstJournal = QDir(folder).filePath(journals[0]);

        // Offered and recovered where the disk is full: kept for the next start.
        const QString firstTake = QDir(folder).filePath(QStringLiteral("quorvane-20260501-201500.mid"));
        QVERIFY(QFile::link(QStringLiteral("/dev/full"), firstTake + QStringLiteral(".part")));
        QStringList offers, warnings;
        QStringList answers = {QStringLiteral("Recover"), QStringLiteral("Discard")};
        auto answer = [&](QWidget& modal) {
            auto* box = qobject_cast<QMessageBox*>(&modal);
            if (!box)
                return;
            if (QAbstractButton* ok = box->button(QMessageBox::Ok)) {
                warnings << box->text();
                ok->click();
                return;
            }
            offers << box->text();
            const QString choice = answers.takeFirst();
            for (QAbstractButton* button : box->buttons()) {
                if (button->text() == choice)
                    button->click();
            }
        };
        answerModalsDuring([&] { offerLeftTakes(nullptr, folder); }, answer);
        QCOMPARE(offers.size(), 2);
        QVERIFY2(offers[0].contains(QDir::toNativeSeparators(firstJournal)), qPrintable(offers[0]));
        QCOMPARE(warnings.size(), 1);
        QVERIFY(warnings[0].contains(QString::fromLocal8Bit(std::strerror(ENOSPC))));
        QVERIFY(warnings[0].contains(QDir::toNativeSeparators(firstJournal)));
        QCOMPARE(QDir(folder).entryList({QStringLiteral("*.journal")}, QDir::Files, QDir::Name),
                 QStringList({journals[0], journals[2]}));
        QCOMPARE(takesIn(folder), QStringList());

        answers = {QStringLiteral("Recover")};
        offers.clear();
        answerModalsDuring([&] { offerLeftTakes(nullptr, folder); }, answer);
        QCOMPARE(offers.size(), 1);
        QCOMPARE(takesIn(folder), QStringList({firstTake}));
        QCOMPARE(readMidiFile(firstTake).byteTexts().mid(1),
                 QStringList({"c0 05", "90 3c 5a", "80 3c 00", "ff 2f 00"}));
        QCOMPARE(QDir(folder).entryList({QStringLiteral("*.journal")}), QStringList({journals[2]}));
        running.remove();
    }

    void pathsShowTheTakesFolderAndOpenIt()
    {
        MainWindowFixture f;
        QTemporaryDir dir;
        const QString folder = dir.filePath(QStringLiteral("Music/Quorvane"));
        f.program->recording().folder = folder;
        QList<QUrl> opened;
        f.window->openWithDesktop = [&](const QUrl& url) { opened << url; };
        QString shown;
        whenModalOpens([&](QWidget* dialog) {
            shown = dialog->findChild<QLabel*>(QStringLiteral("TakesPath"))->text();
            dialog->findChild<QPushButton*>(QStringLiteral("OpenTakesFolder"))->click();
        });
        f.find<QAction>(menus::Paths)->trigger();
        QVERIFY2(shown.contains(QDir::toNativeSeparators(folder)), qPrintable(shown));
        QCOMPARE(opened, QList<QUrl>({QUrl::fromLocalFile(folder)}));
        QVERIFY(QFileInfo(folder).isDir());
    }

    void takesGoToTheMusicFolder()
    {
        QCOMPARE(takesFolder(), home_.filePath(QStringLiteral("Music/Quorvane")));
        QDir().mkpath(home_.filePath(QStringLiteral("config")));
        QFile dirs(home_.filePath(QStringLiteral("config/user-dirs.dirs")));
        QVERIFY(dirs.open(QIODevice::WriteOnly));
        dirs.write("XDG_MUSIC_DIR=\"$HOME/Tunes\"\n");
        dirs.close();
        QCOMPARE(takesFolder(), home_.filePath(QStringLiteral("Tunes/Quorvane")));
        QCOMPARE(MainWindowFixture().program->recording().folder, home_.filePath(QStringLiteral("Tunes/Quorvane")));
    }
};

QTEST_MAIN(RecordingTest)
#include "test_recording.moc"
