#include "smf_reading.h"
#include "take/take_file.h"
#include "take/take_recorder.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

using namespace quorvane;

namespace {

constexpr std::int64_t second = 1000000000;
constexpr double tickSeconds = 1.0 / takeTicksPerSecond;
const QDateTime someStart(QDate(2026, 3, 14), QTime(9, 26, 53));

// The files this process has open.
int openFiles()
{
    return int(QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::NoDotAndDotDot | QDir::System).size());
}

QString hex(const MidiBytes& bytes)
{
    QStringList parts;
    for (std::uint8_t b : bytes)
        parts << QStringLiteral("%1").arg(b, 2, 16, QLatin1Char('0'));
    return parts.join(QLatin1Char(' '));
}

} // namespace

class TakeTest : public QObject {
    Q_OBJECT
private slots:
    void fileHoldsEveryChannelMessageWithinHalfATick()
    {
        const std::int64_t start = 7 * second;
        Take take(start, someStart);
        QRandomGenerator random(2718);
        QStringList expected;
        std::vector<double> times;
        std::int64_t t = start;
        const MidiBytes kinds[] = {{0x90, 60, 100}, {0x80, 60, 0}, {0xB3, 10, 64}, {0xC0, 5},
                                   {0xD2, 30},      {0xE1, 0, 64}, {0xA0, 60, 9},  {0x9F, 127, 127}};
        for (int i = 0; i < 300; ++i) {
            t += random.bounded(80000000); // 0 to 80 ms, often within one tick
            const MidiBytes& message = kinds[i % 8];
            take.add(message, t);
            expected << hex(message);
            times.push_back(double(t - start) / second);
        }
        // Messages of the live connection have no place in the file.
        take.add({0xF8}, t);
        take.add({0xFF}, t);
        take.add({0xF2, 1, 2}, t);
        const std::int64_t end = t + 2 * second;
        take.end(end);

        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("take.mid"));
        QCOMPARE(writeTakeFile(take, path), QString());
        const ReadFile file = readMidiFile(path);
        QVERIFY(file.loaded);
        QCOMPARE(file.format, 0);
        QCOMPARE(file.tracks, 1);
        QCOMPARE(file.ppqn, 960);
        QCOMPARE(file.events.size(), std::size_t(1 + 300 + 1 + 1));
        QCOMPARE(file.events.front().bytes, QStringLiteral("ff 51 03 07 a1 20")); // 120 bpm
        QCOMPARE(file.events.front().tick, 0);
        QCOMPARE(file.byteTexts().mid(1, 300), expected);
        for (int i = 0; i < 300; ++i) {
            const double error = std::abs(file.events[i + 1].seconds - times[i]);
            QVERIFY2(error <= tickSeconds / 2 + 1e-9,
                     qPrintable(QStringLiteral("message %1 off by %2 s").arg(i).arg(error)));
        }
        // Channel 16's key 127 was struck and never ended.
        QCOMPARE(file.events[301].bytes, QStringLiteral("8f 7f 00"));
        QCOMPARE(file.events.back().bytes, QStringLiteral("ff 2f 00"));
        QVERIFY(std::abs(file.events.back().seconds - double(end - start) / second) <= tickSeconds / 2 + 1e-9);
        QVERIFY(!QFile::exists(path + QStringLiteral(".part")));
    }

    void notesStillSoundingEndWithTheTake()
    {
        Take take(0, someStart);
        take.add({0x90, 60, 90}, 1 * second);
        take.add({0x91, 64, 90}, 1 * second);
        take.add({0x90, 67, 90}, 2 * second);
        take.add({0x99, 70, 90}, 2 * second);
        take.add({0x90, 60, 0}, 3 * second);  // a note-on of velocity 0 ends the note
        take.add({0xB1, 123, 0}, 3 * second); // all notes off on channel 2
        take.add({0x99, 70, 90}, 3 * second); // struck again without an end between
        take.add({0x90, 72, 90}, 3 * second);
        take.add({0x80, 72, 64}, 4 * second);
        take.end(5 * second);

        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("take.mid"));
        QCOMPARE(writeTakeFile(take, path), QString());
        const ReadFile file = readMidiFile(path);
        const QStringList bytes = file.byteTexts();
        QCOMPARE(bytes.mid(10), QStringList({"80 43 00", "89 46 00", "ff 2f 00"}));
        for (std::size_t i = 10; i < file.events.size(); ++i)
            QCOMPARE(file.events[i].tick, 5 * 1920);
    }

    void aFullTakeIsHandedOnFromTheQueueAndTheNextBegins()
    {
        TakeRecorder recorder;
        std::vector<Take> full;
        recorder.takeFull = [&](Take&& take) { full.push_back(std::move(take)); };
        recorder.start();
        const std::int64_t t = steadyNowNs();
        recorder.messageSent({0x90, 60, 90}, t);
        for (std::size_t i = 1; i < Take::maxEvents; ++i)
            recorder.messageSent({0xB0, 10, std::uint8_t(i % 128)}, t);
        recorder.messageSent({0x90, 62, 90}, t + second);
        QVERIFY(full.empty()); // never from inside the send
        QCoreApplication::processEvents();
        QCOMPARE(full.size(), std::size_t(1));

        // A program that ends right after a take filled up does not wait for
        // the event queue; each full take is handed on once.
        for (std::size_t i = 1; i < Take::maxEvents; ++i) // the next take holds its note and these
            recorder.messageSent({0xB0, 7, 100}, t + second);
        recorder.messageSent({0x90, 62, 90}, t + 2 * second);
        recorder.handFullTakesOn();
        QCOMPARE(full.size(), std::size_t(2));
        QCoreApplication::processEvents();
        QCOMPARE(full.size(), std::size_t(2));
        QVERIFY(recorder.recording());
        const std::vector<Take::Event>& events = full[0].events();
        QCOMPARE(events.size(), Take::maxEvents + 1); // and the note-off of the note sounding at the limit
        QCOMPARE(events.back().bytes[0], 0x80);
        QCOMPARE(events.back().bytes[1], 60);
        QCOMPARE(full[0].endTick(), events.back().tick);

        std::optional<Take> rest = recorder.stop();
        QVERIFY(rest && !recorder.recording());
        QCOMPARE(rest->events().size(), std::size_t(2));
        QCOMPARE(rest->events()[0].bytes[1], 62);
        QCOMPARE(rest->events()[0].tick, 0u);
        QVERIFY(!recorder.stop());
    }

    void aTakeEndsAtItsLongestLength()
    {
        Take take(0, someStart);
        take.add({0x90, 60, 90}, second);
        QVERIFY(!take.full(Take::maxDurationNs - 1));
        QVERIFY(take.full(Take::maxDurationNs + 10 * second));
        take.end(Take::maxDurationNs + 10 * second);
        QCOMPARE(take.endTick(), std::uint32_t(24 * 3600 * 1920));
        Take forgotten(0, someStart); // left running for months
        forgotten.end(std::int64_t(200) * 24 * 3600 * second);
        QCOMPARE(forgotten.endTick(), std::uint32_t(24 * 3600 * 1920));
    }

    void failuresSayWhyAndLeaveNothingBehind()
    {
        QTemporaryDir dir;
        Take take(0, someStart);
        take.add({0x90, 60, 90}, second);
        take.end(2 * second);

        // A file where the folder should be.
        QFile blocker(dir.filePath(QStringLiteral("blocker")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        const QString blocked = dir.filePath(QStringLiteral("blocker/Quorvane/take.mid"));
        QVERIFY(!writeTakeFile(take, blocked).isEmpty());
        QVERIFY(!QFile::exists(blocked));

        // A full disk: the partial file is the kernel's always-full device.
        // Small files fail as they are closed, larger ones (beyond a stream's
        // buffer) as they are written.
        Take larger(0, someStart);
        for (int i = 0; i < 4000; ++i)
            larger.add({0x90, std::uint8_t(i % 128), std::uint8_t(i % 2 ? 0 : 90)}, i * second / 100);
        larger.end(50 * second);
        const QString path = dir.filePath(QStringLiteral("take.mid"));
        const int filesBefore = openFiles();
        for (const Take* attempt : {&take, &larger, &larger}) {
            QVERIFY(QFile::link(QStringLiteral("/dev/full"), path + QStringLiteral(".part")));
            QCOMPARE(writeTakeFile(*attempt, path), QString::fromLocal8Bit(std::strerror(ENOSPC)));
            QVERIFY(!QFileInfo(path + QStringLiteral(".part")).isSymLink());
            QVERIFY(!QFile::exists(path));
        }
        // Nothing of the failed writes is left open.
        QCOMPARE(openFiles(), filesBefore);
    }

    void takesNeverOverwriteEachOther()
    {
        QTemporaryDir dir;
        Take take(0, someStart);
        take.end(second);
        const QString first = freeTakePath(dir.path(), someStart);
        QCOMPARE(QFileInfo(first).fileName(), QStringLiteral("quorvane-20260314-092653.mid"));
        QCOMPARE(writeTakeFile(take, first), QString());
        const QString next = freeTakePath(dir.path(), someStart);
        QCOMPARE(QFileInfo(next).fileName(), QStringLiteral("quorvane-20260314-092653-2.mid"));
        QCOMPARE(writeTakeFile(take, next), QString());
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 2);

        // Written over an existing take only when the user chose that.
        Take other(0, someStart);
        other.add({0x90, 61, 90}, 0);
        other.end(second);
        QVERIFY(!writeTakeFile(other, first).isEmpty());
        QCOMPARE(readMidiFile(first).byteTexts().size(), 2);
        QCOMPARE(writeTakeFile(other, first, true), QString());
        QCOMPARE(readMidiFile(first).byteTexts().value(1), QStringLiteral("90 3d 5a"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 2);
    }
};

QTEST_GUILESS_MAIN(TakeTest)
#include "test_take.moc"
