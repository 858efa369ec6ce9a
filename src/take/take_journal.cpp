#include "take/take_journal.h"

#include "midi/midi_bytes.h"
#include "midi/play_observer.h"
#include "take/owned_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>
#include <array>
#include <cerrno>
#include <filesystem>
#include <mutex>
#include <vector>
#include <fcntl.h>
#include <sys/file.h>

namespace quorvane {

namespace {

// The file: this mark, the take's start (milliseconds since 1970, 64 bits),
// then a record a message: tick (32 bits), three bytes, length; little-endian.
// A key signature is a record of its own whose first byte is the system
// reset's status, which no kept message has (and which a reader that knows no
// keys leaves out, as a take does), then the sharps or flats and 1 for minor,
// as in the file's meta event.
constexpr char mark[8] = {'Q', 'V', 'T', 'A', 'K', 'E', 'J', '1'};
constexpr std::size_t headerSize = sizeof mark + 8;
constexpr std::size_t recordSize = 8;

// The disk sees what was kept at least this often, so that a power cut
// loses no more; a kill or a crash loses only what was not yet written.
constexpr std::int64_t syncEveryNs = 2'000'000'000;

constexpr std::uint8_t keyRecord = midi::SystemReset;

std::array<unsigned char, recordSize> record(const Take::Event& event)
{
    std::array<unsigned char, recordSize> bytes{};
    qToLittleEndian<quint32>(event.tick, bytes.data());
    bytes[4] = event.bytes[0];
    bytes[5] = event.bytes[1];
    bytes[6] = event.bytes[2];
    bytes[7] = event.length;
    return bytes;
}

// A journal held by a running program is locked: trying the lock tells.
bool heldByAProgram(const QString& path)
{
    OwnedFile file(::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC));
    return file.isOpen() && ::flock(file.fd(), LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
}

} // namespace

struct TakeJournal::File {
    std::mutex mutex; // the waiting records and whether a flush is on its way
    std::vector<Take::Event> waiting;
    bool flushPosted = false;

    // The rest only on the disk queue.
    OwnedFile file;
    QString path;
    std::int64_t syncedNs = 0;

    void open(const QString& folder, const QDateTime& startedAt)
    {
        std::error_code madeFolder;
        std::filesystem::create_directories(QFile::encodeName(folder).toStdString(), madeFolder);
        if (madeFolder)
            return;
        const QString stem =
            QDir(folder).filePath(QStringLiteral("quorvane-") + startedAt.toString(QStringLiteral("yyyyMMdd-HHmmss")));
        // Never another journal's name: made only where none is.
        for (int n = 1; !file.isOpen() && n < 1000; ++n) {
            const QString name = stem + (n > 1 ? QStringLiteral("-%1").arg(n) : QString()) + QStringLiteral(".journal");
            file.reset(::open(QFile::encodeName(name).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644));
            if (file.isOpen())
                path = name;
            else if (errno != EEXIST)
                break;
        }
        std::array<unsigned char, headerSize> header{};
        std::copy(std::begin(mark), std::end(mark), header.begin());
        qToLittleEndian<qint64>(startedAt.toMSecsSinceEpoch(), header.data() + sizeof mark);
        if (!file.isOpen() || ::flock(file.fd(), LOCK_EX | LOCK_NB) != 0 ||
            !writeAll(file.fd(), header.data(), header.size()))
            giveUp();
        syncedNs = steadyNowNs();
    }

    void flush()
    {
        std::vector<Take::Event> events;
        {
            std::lock_guard<std::mutex> lock(mutex);
            events.swap(waiting);
            flushPosted = false;
        }
        if (!file.isOpen())
            return;
        std::vector<unsigned char> bytes;
        bytes.reserve(events.size() * recordSize);
        for (const Take::Event& event : events) {
            const auto r = record(event);
            bytes.insert(bytes.end(), r.begin(), r.end());
        }
        if (!writeAll(file.fd(), bytes.data(), bytes.size())) {
            giveUp();
            return;
        }
        if (steadyNowNs() - syncedNs >= syncEveryNs)
            sync();
    }

    void sync()
    {
        if (file.isOpen())
            ::fdatasync(file.fd());
        syncedNs = steadyNowNs();
    }

    void remove()
    {
        if (!path.isEmpty())
            QFile::remove(path);
        file.close();
    }

    // A journal that cannot be written stops: what it holds stays readable,
    // and the take itself is still written when it ends.
    void giveUp() { file.close(); }
};

TakeJournal::TakeJournal(DiskQueue& disk, const QString& folder, const QDateTime& startedAt)
    : disk_(&disk), file_(std::make_shared<File>())
{
    disk_->post([file = file_, folder, startedAt] { file->open(folder, startedAt); });
}

void TakeJournal::append(const Take::Event& event)
{
    std::lock_guard<std::mutex> lock(file_->mutex);
    file_->waiting.push_back(event);
    if (file_->flushPosted)
        return;
    file_->flushPosted = true;
    disk_->post([file = file_] { file->flush(); });
}

void TakeJournal::appendKey(const Take::KeyChange& change)
{
    append(Take::Event{change.tick,
                       {keyRecord, static_cast<std::uint8_t>(change.key.accidentals),
                        static_cast<std::uint8_t>(change.key.minor ? 1 : 0)},
                       3});
}

void TakeJournal::finish()
{
    disk_->post([file = file_] {
        file->flush();
        file->sync();
    });
}

void TakeJournal::remove()
{
    disk_->post([file = file_] { file->remove(); });
}

QStringList leftJournals(const QString& folder)
{
    const QDir dir(folder);
    QStringList left;
    for (const QString& name : dir.entryList({QStringLiteral("quorvane-*.journal")}, QDir::Files, QDir::Name)) {
        const QString path = dir.filePath(name);
        if (!heldByAProgram(path))
            left << path;
    }
    return left;
}

std::optional<Take> readJournal(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray bytes = file.readAll();
    const QByteArray ownMark(mark, sizeof mark);
    // Ended before its start was written: a journal of nothing.
    if (std::size_t(bytes.size()) < headerSize && ownMark.startsWith(bytes.left(qsizetype(sizeof mark))))
        return Take(0, QFileInfo(path).lastModified());
    if (!bytes.startsWith(ownMark))
        return std::nullopt;
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.constData());
    Take take(0, QDateTime::fromMSecsSinceEpoch(qFromLittleEndian<qint64>(data + sizeof mark)));
    // A tick's nanoseconds, which the take rounds back to the same tick.
    auto timeOf = [](quint32 tick) { return std::int64_t(tick) * 1000000000 / takeTicksPerSecond; };
    quint32 lastTick = 0;
    for (std::size_t at = headerSize; at + recordSize <= std::size_t(bytes.size()); at += recordSize) {
        const quint32 tick = qFromLittleEndian<quint32>(data + at);
        const std::uint8_t length = data[at + 7];
        if (length < 1 || length > 3)
            continue;
        if (data[at + 4] == keyRecord) {
            const auto accidentals = static_cast<std::int8_t>(data[at + 5]);
            if (length == 3 && accidentals >= -7 && accidentals <= 7 && data[at + 6] <= 1)
                take.setKey(KeySignature{accidentals, data[at + 6] == 1}, timeOf(tick));
            continue;
        }
        take.add(MidiBytes(data + at + 4, data + at + 4 + length), timeOf(tick));
        lastTick = std::max(lastTick, tick);
    }
    take.end(timeOf(lastTick));
    return take;
}

} // namespace quorvane
