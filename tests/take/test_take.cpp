#include "smf_reading.h"
#include "take/take_file.h"
#include "take/channel_state.h"
#include "take/take_journal.h"
#include "take/take_recorder.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThread>
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

    void keySignaturesAreSpeltWithTheFewerAccidentals()
    {
        QList<int> major, minor;
        for (int tonic = 0; tonic < 12; ++tonic) {
            major << KeySignature::of(tonic, false).accidentals;
            minor << KeySignature::of(tonic, true).accidentals;
            QVERIFY(KeySignature::of(tonic, true).minor && !KeySignature::of(tonic, false).minor);
        }
        // C, Db, D, Eb, E, F, F#, G, Ab, A, Bb, B; then c, c#, d, d#, e, f, f#, g, g#, a, bb, b.
        QCOMPARE(major, QList<int>({0, -5, 2, -3, 4, -1, 6, 1, -4, 3, -2, 5}));
        QCOMPARE(minor, QList<int>({-3, 4, -1, 6, 1, -4, 3, -2, 5, 0, -5, 2}));
    }

    // The key in force at the start is written at tick 0; a change is written
    // among the messages where it came; the key already written is not
    // repeated, and a key without a signature writes none.
    void keySignaturesGoWhereTheKeyChanged()
    {
        Take take(0, someStart);
        take.setKey(KeySignature::of(0, false), 0);
        take.add({0x90, 60, 90}, 1 * second);
        take.setKey(KeySignature::of(0, false), 1 * second);
        take.setKey(KeySignature::of(1, false), 1 * second);
        take.add({0x90, 61, 90}, 1 * second);
        take.setKey(KeySignature::of(9, true), 2 * second);
        take.end(3 * second);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("take.mid"));
        QCOMPARE(writeTakeFile(take, path), QString());
        const ReadFile file = readMidiFile(path);
        QCOMPARE(file.byteTexts(), QStringList({"ff 51 03 07 a1 20", "ff 59 02 00 00", "90 3c 5a", "ff 59 02 fb 00",
                                                "90 3d 5a", "ff 59 02 00 01", "80 3c 00", "80 3d 00", "ff 2f 00"}));
        QList<int> ticks;
        for (const ReadEvent& e : file.events)
            ticks << e.tick;
        QCOMPARE(ticks, QList<int>({0, 0, 1920, 1920, 1920, 3840, 5760, 5760, 5760}));
    }

    // A take begins with the key and the sound in force (programme,
    // controllers, bend, pressure), the takes after a split at the limit
    // too, and each one is written to its own file off the recording thread.
    void everyTakeStartsWithTheChannelStateAndIsWrittenAsItEnds()
    {
        QTemporaryDir folder;
        TakeRecorder recorder;
        int failures = 0;
        recorder.writeFailed = [&](UnwrittenTake&&) { ++failures; };
        const std::int64_t t = steadyNowNs();
        for (const MidiBytes& before : std::vector<MidiBytes>{{0xC0, 5},
                                                              {0xB0, 10, 20},
                                                              {0xB0, 7, 100},
                                                              {0xB1, 64, 127},
                                                              {0xE0, 0, 80},
                                                              {0xD1, 33},
                                                              {0xB0, 101, 0},
                                                              {0xB0, 100, 0},
                                                              {0xB0, 6, 12},
                                                              {0xB0, 0, 1},
                                                              {0xB0, 32, 2},
                                                              {0x90, 60, 90},
                                                              {0xB0, 123, 0},
                                                              {0xC1, 200},
                                                              {0xF8}})
            recorder.messageSent(before, t);
        QVERIFY(!recorder.recording());

        recorder.setKey(KeySignature::of(9, true));
        recorder.start(folder.path());
        QVERIFY(recorder.recording());
        recorder.messageSent({0x90, 62, 90}, t + second);
        recorder.messageSent({0xC0, 7}, t + second);
        const QStringList state = {"b0 00 01", "b0 20 02", "c0 05",    "b0 07 64",
                                   "b0 0a 14", "e0 00 50", "b1 40 7f", "d1 21"};
        const std::size_t pans = Take::maxEvents - std::size_t(state.size()) - 2; // up to the limit
        for (std::size_t i = 0; i < pans; ++i)
            recorder.messageSent({0xB0, 10, std::uint8_t(i % 128)}, t + second);
        recorder.messageSent({0x90, 64, 90}, t + 2 * second); // the first of the next take
        recorder.setKey(KeySignature::of(2, false));
        recorder.setKey(std::nullopt); // a scale without a signature: D major stands
        recorder.stop();
        QVERIFY(!recorder.recording());
        recorder.finishWriting();
        QCOMPARE(failures, 0);

        QStringList takes = QDir(folder.path()).entryList(QDir::Files, QDir::Name);
        QCOMPARE(takes.size(), 2); // and no journal left
        // Started within the same second, the second take's name ends in -2.
        if (QFileInfo(takes[0]).completeBaseName().endsWith(QStringLiteral("-2")))
            takes.swapItemsAt(0, 1);
        const QStringList first = readMidiFile(QDir(folder.path()).filePath(takes[0])).byteTexts();
        QCOMPARE(first.mid(1, 1 + state.size()), QStringList("ff 59 02 00 01") + state);
        QCOMPARE(first.mid(2 + state.size(), 2), QStringList({"90 3e 5a", "c0 07"}));
        QCOMPARE(first.size(), 2 + int(Take::maxEvents) + 1 + 1); // tempo, key, full, the closing note-off, end
        QCOMPARE(first.at(first.size() - 2), QStringLiteral("80 3e 00"));

        const ReadFile second = readMidiFile(QDir(folder.path()).filePath(takes[1]));
        const QString lastPan = QStringLiteral("b0 0a %1").arg((pans - 1) % 128, 2, 16, QLatin1Char('0'));
        QCOMPARE(second.byteTexts().mid(1),
                 QStringList({"ff 59 02 00 01", "b0 00 01", "b0 20 02", "c0 07", "b0 07 64", lastPan, "e0 00 50",
                              "b1 40 7f", "d1 21", "90 40 5a", "ff 59 02 02 00", "80 40 00", "ff 2f 00"}));
        QCOMPARE(second.events[1].tick, 0);
        QCOMPARE(second.events[2].tick, 0);
    }

    // A take that cannot be written comes back to the recording thread
    // through its event queue, never from inside a send, with the reason.
    void aTakeThatCannotBeWrittenComesBackThroughTheQueue()
    {
        QTemporaryDir dir;
        QFile blocker(dir.filePath(QStringLiteral("blocker")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        TakeRecorder recorder;
        std::vector<UnwrittenTake> failed;
        recorder.writeFailed = [&](UnwrittenTake&& take) { failed.push_back(std::move(take)); };
        recorder.start(dir.filePath(QStringLiteral("blocker/Quorvane")));
        recorder.messageSent({0x90, 60, 90}, steadyNowNs());
        recorder.stop();
        QThread::msleep(50);
        QVERIFY(failed.empty());
        QTRY_COMPARE(failed.size(), std::size_t(1));
        QVERIFY(failed[0].path.startsWith(dir.filePath(QStringLiteral("blocker/Quorvane/quorvane-"))));
        QCOMPARE(failed[0].failure, QString::fromLocal8Bit(std::strerror(ENOTDIR)));
        QCOMPARE(failed[0].take.events().size(), std::size_t(2)); // the note and its closing note-off
    }

    // Controllers reset by the receiver are not restated; a system reset
    // forgets everything.
    void resetsForgetTheStateTheyClear()
    {
        ChannelState state;
        for (const MidiBytes& m :
             std::vector<MidiBytes>{{0xC2, 9}, {0xB2, 10, 0}, {0xE2, 1, 2}, {0xD2, 3}, {0xB2, 121, 0}})
            state.see(m);
        QCOMPARE(state.restatement(), std::vector<MidiBytes>({{0xC2, 9}}));
        state.see({0xB3, 91, 40});
        state.see({0xFF});
        QVERIFY(state.restatement().empty());
    }

    // While a take is recorded its journal keeps every message on disk and is
    // held by this program; left behind by a program that ended, it gives the
    // take back, with the notes that were sounding ended.
    void aJournalKeepsTheTakeOnDisk()
    {
        QTemporaryDir dir;
        const QString folder = dir.filePath(QStringLiteral("Music/Quorvane"));
        DiskQueue disk;
        Take take(0, someStart);
        QString path;
        {
            TakeJournal journal(disk, folder, someStart);
            for (const MidiBytes& m :
                 std::vector<MidiBytes>{{0xC0, 5}, {0x90, 60, 90}, {0xF8}, {0x90, 60, 0}, {0x91, 64, 80}}) {
                if (take.add(m, take.events().size() * second / 3))
                    journal.append(take.events().back());
            }
            disk.waitUntilIdle();
            const QStringList journals = QDir(folder).entryList({QStringLiteral("*.journal")});
            QCOMPARE(journals, QStringList({"quorvane-20260314-092653.journal"}));
            path = QDir(folder).filePath(journals[0]);
            QCOMPARE(leftJournals(folder), QStringList()); // held while recording

            TakeJournal sameSecond(disk, folder, someStart);
            disk.waitUntilIdle();
            QVERIFY(QFile::exists(QDir(folder).filePath(QStringLiteral("quorvane-20260314-092653-2.journal"))));
            sameSecond.remove();
            disk.waitUntilIdle();
            QCOMPARE(QDir(folder).entryList({QStringLiteral("*.journal")}).size(), 1);
        } // gone without a remove, as when the program is killed
        disk.waitUntilIdle();
        QCOMPARE(leftJournals(folder), QStringList({path}));

        QFile file(path);
        QVERIFY(file.open(QIODevice::Append));
        file.write("\x10\x00\x00", 3); // a message cut short as the program ended
        file.close();
        const std::optional<Take> back = readJournal(path);
        QVERIFY(back);
        QCOMPARE(back->startedAt(), someStart);
        const QString written = dir.filePath(QStringLiteral("back.mid"));
        QCOMPARE(writeTakeFile(*back, written), QString());
        const ReadFile read = readMidiFile(written);
        QCOMPARE(read.byteTexts().mid(1),
                 QStringList({"c0 05", "90 3c 5a", "90 3c 00", "91 40 50", "81 40 00", "ff 2f 00"}));
        QCOMPARE(read.events[4].tick, 3 * 1920 / 3);
        QCOMPARE(read.events[5].tick, read.events[4].tick); // ended at its last message

        // A journal that ended before its first bytes holds a take of
        // nothing; a file that is no journal gives none.
        QFile empty(QDir(folder).filePath(QStringLiteral("quorvane-20260314-092654.journal")));
        QVERIFY(empty.open(QIODevice::WriteOnly));
        empty.close();
        const std::optional<Take> nothing = readJournal(empty.fileName());
        QVERIFY(nothing && nothing->events().empty());
        QVERIFY(empty.open(QIODevice::WriteOnly));
        empty.write("MThd\0\0\0\6\0\0\0\1\3\xc0");
        empty.close();
        QVERIFY(!readJournal(empty.fileName()));
    }

    // A take given back by its journal keeps its key signatures where they
    // came, as the take written at its end does.
    void aJournalKeepsTheKeySignatures()
    {
        QTemporaryDir folder;
        TakeRecorder recorder;
        recorder.messageSent({0xC0, 5}, steadyNowNs());
        recorder.setKey(KeySignature::of(9, true));
        recorder.start(folder.path());
        recorder.messageSent({0x90, 57, 90}, steadyNowNs());
        recorder.setKey(KeySignature::of(2, false));
        recorder.messageSent({0x90, 62, 90}, steadyNowNs());
        recorder.finishWriting(); // the journal is on disk; the take goes on
        const QStringList journals = QDir(folder.path()).entryList({QStringLiteral("*.journal")});
        QCOMPARE(journals.size(), 1);
        const std::optional<Take> back = readJournal(QDir(folder.path()).filePath(journals[0]));
        QVERIFY(back);
        const QString recovered = folder.filePath(QStringLiteral("recovered.mid"));
        QCOMPARE(writeTakeFile(*back, recovered), QString());
        const QStringList expected = {"ff 51 03 07 a1 20", "ff 59 02 00 01", "c0 05",    "90 39 5a", "ff 59 02 02 00",
                                      "90 3e 5a",          "80 39 00",       "80 3e 00", "ff 2f 00"};
        QCOMPARE(readMidiFile(recovered).byteTexts(), expected);

        recorder.stop();
        recorder.finishWriting();
        const QStringList takes = QDir(folder.path()).entryList({QStringLiteral("quorvane-*.mid")});
        QCOMPARE(takes.size(), 1);
        QCOMPARE(readMidiFile(QDir(folder.path()).filePath(takes[0])).byteTexts(), expected);

        // A key record a reader cannot spell is left out, the rest kept.
        const QString odd = folder.filePath(QStringLiteral("odd.journal"));
        QFile file(odd);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray("QVTAKEJ1", 8) + QByteArray(8, '\0'));
        // Records of tick, three bytes, length: nine sharps; three sharps in a
        // mode 2; a note.
        file.write(QByteArray::fromHex("00000000 ff0900 03  00000000 ff0302 03  00000000 903c5a 03"));
        file.close();
        const std::optional<Take> oddTake = readJournal(odd);
        QVERIFY(oddTake);
        QCOMPARE(oddTake->keyChanges().size(), std::size_t(0));
        QCOMPARE(oddTake->events().size(), std::size_t(2)); // the note and its closing note-off
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
