#include "take/take_file.h"

#include "take/owned_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QObject>
#include <QStandardPaths>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <vector>
#include <fcntl.h>
#include <smf.h>
#include <sys/mman.h>
#include <unistd.h>

namespace quorvane {

namespace {

// The file library reports its failures (with the system's reason) through
// the log; while a save runs they are caught here instead of going to stderr.
class LibraryComplaints {
public:
    LibraryComplaints()
        : id_(g_log_set_handler("libsmf", GLogLevelFlags(G_LOG_LEVEL_MASK | G_LOG_FLAG_FATAL | G_LOG_FLAG_RECURSION),
                                &LibraryComplaints::note, this))
    { }
    ~LibraryComplaints() { g_log_remove_handler("libsmf", id_); }
    LibraryComplaints(const LibraryComplaints&) = delete;
    LibraryComplaints& operator=(const LibraryComplaints&) = delete;

    // The last complaint's reason: libsmf ends it with the system's text
    // after the last colon ("fwrite(3) failed: No space left on device").
    QString reason() const
    {
        const qsizetype colon = last_.lastIndexOf(QLatin1String(": "));
        return colon < 0 ? last_ : last_.mid(colon + 2);
    }

private:
    static void note(const gchar*, GLogLevelFlags level, const gchar* message, gpointer self)
    {
        if (level & (G_LOG_LEVEL_ERROR | G_LOG_LEVEL_CRITICAL | G_LOG_LEVEL_WARNING))
            static_cast<LibraryComplaints*>(self)->last_ = QString::fromUtf8(message);
    }

    guint id_;
    QString last_;
};

struct SmfDeleter {
    void operator()(smf_t* smf) const
    {
        // The library frees a track by taking its events off the front one
        // at a time, renumbering the rest each time, which grows with the
        // square of the events. Detached first, each one is simply freed.
        for (int number = 1; number <= smf->number_of_tracks; ++number) {
            smf_track_t* track = smf_get_track_by_number(smf, number);
            for (guint i = 0; i < track->events_array->len; ++i) {
                auto* event = static_cast<smf_event_t*>(g_ptr_array_index(track->events_array, i));
                event->track = nullptr;
                smf_event_delete(event);
            }
            g_ptr_array_set_size(track->events_array, 0);
            track->number_of_events = 0;
        }
        smf_delete(smf);
    }
};

// In a file, the byte that on the wire resets every receiver starts a meta
// event instead: then its type, the length of its data and the data.
constexpr unsigned char metaEvent = 0xFF;
constexpr unsigned char tempoMeta = 0x51;        // microseconds a quarter note, 24 bits
constexpr unsigned char keySignatureMeta = 0x59; // sharps (flats below 0), 1 for minor

// Adds a meta event at tick; false when the library refuses it.
bool addMeta(smf_track_t* track, int tick, unsigned char type, std::initializer_list<unsigned char> data)
{
    std::vector<unsigned char> bytes{metaEvent, type, static_cast<unsigned char>(data.size())};
    bytes.insert(bytes.end(), data.begin(), data.end());
    smf_event_t* event = smf_event_new_from_pointer(bytes.data(), static_cast<int>(bytes.size()));
    if (!event)
        return false;
    smf_track_add_event_pulses(track, event, tick);
    return true;
}

// The take as the library's song; null when the library refuses it.
std::unique_ptr<smf_t, SmfDeleter> buildSong(const Take& take)
{
    std::unique_ptr<smf_t, SmfDeleter> smf(smf_new());
    if (!smf || smf_set_format(smf.get(), 0) != 0 || smf_set_ppqn(smf.get(), takeTicksPerQuarter) != 0)
        return nullptr;
    smf_track_t* track = smf_track_new();
    if (!track)
        return nullptr;
    smf_add_track(smf.get(), track);

    if (!addMeta(track, 0, tempoMeta,
                 {static_cast<unsigned char>(takeMicrosecondsPerQuarter >> 16),
                  static_cast<unsigned char>(takeMicrosecondsPerQuarter >> 8),
                  static_cast<unsigned char>(takeMicrosecondsPerQuarter)}))
        return nullptr;

    // Each key signature goes in among the messages where it came, so that
    // the notes after a change are read in the new key.
    auto key = take.keyChanges().begin();
    auto addKeysBefore = [&](std::size_t index) {
        for (; key != take.keyChanges().end() && key->beforeEvent <= index; ++key) {
            if (!addMeta(track, static_cast<int>(key->tick), keySignatureMeta,
                         {static_cast<unsigned char>(key->key.accidentals),
                          static_cast<unsigned char>(key->key.minor ? 1 : 0)}))
                return false;
        }
        return true;
    };
    const std::vector<Take::Event>& events = take.events();
    for (std::size_t i = 0; i < events.size(); ++i) {
        const Take::Event& e = events[i];
        if (!addKeysBefore(i))
            return nullptr;
        smf_event_t* event =
            smf_event_new_from_bytes(e.bytes[0], e.length > 1 ? e.bytes[1] : -1, e.length > 2 ? e.bytes[2] : -1);
        if (!event)
            return nullptr;
        smf_track_add_event_pulses(track, event, static_cast<int>(e.tick));
    }
    if (!addKeysBefore(events.size()))
        return nullptr;
    if (smf_track_add_eot_pulses(track, static_cast<int>(take.endTick())) != 0)
        return nullptr;
    return smf;
}

QString systemReason()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

// The song as the bytes of a file. The library writes only to a path, and a
// write that fails there (a full disk) leaves its stream open for good; so it
// writes into memory of our own, which it reaches by a path, and the disk is
// written here.
QByteArray songBytes(smf_t* song, QString& failure)
{
    OwnedFile memory(::memfd_create("quorvane-take", MFD_CLOEXEC));
    if (memory.fd() < 0) {
        failure = systemReason();
        return {};
    }
    {
        // One save at a time: the library's complaints are caught process-wide.
        static std::mutex oneAtATime;
        const std::lock_guard<std::mutex> lock(oneAtATime);
        LibraryComplaints complaints;
        const QByteArray path = "/proc/self/fd/" + QByteArray::number(memory.fd());
        if (smf_save(song, path.constData()) != 0) {
            failure = complaints.reason();
            if (failure.isEmpty())
                failure = QObject::tr("the MIDI file library could not write the file");
            return {};
        }
    }
    const off_t size = ::lseek(memory.fd(), 0, SEEK_END);
    QByteArray bytes(qsizetype(std::max<off_t>(size, 0)), Qt::Uninitialized);
    if (size < 0 || ::pread(memory.fd(), bytes.data(), std::size_t(size), 0) != size) {
        failure = systemReason();
        return {};
    }
    return bytes;
}

// Writes the bytes to path and pushes them to the disk before the rename
// makes them the take, so that a power cut leaves the old state or the whole
// file.
QString writeToDisk(const QByteArray& bytes, const QString& path)
{
    OwnedFile file(::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    if (file.fd() < 0)
        return systemReason();
    if (!writeAll(file.fd(), bytes.constData(), std::size_t(bytes.size())))
        return systemReason();
    if (::fsync(file.fd()) != 0)
        return systemReason();
    if (!file.close())
        return systemReason();
    return QString();
}

} // namespace

QString takesFolder()
{
    QString base = QStandardPaths::writableLocation(QStandardPaths::MusicLocation);
    if (base.isEmpty())
        base = QDir::homePath();
    return QDir(base).filePath(QStringLiteral("Quorvane"));
}

QString freeTakePath(const QString& folder, const QDateTime& startedAt)
{
    const QString stem = QStringLiteral("quorvane-") + startedAt.toString(QStringLiteral("yyyyMMdd-HHmmss"));
    const QDir dir(folder);
    QString path = dir.filePath(stem + QStringLiteral(".mid"));
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = dir.filePath(QStringLiteral("%1-%2.mid").arg(stem).arg(n));
    return path;
}

QString writeTakeFile(const Take& take, const QString& path, bool replace)
{
    const QString folder = QFileInfo(path).absolutePath();
    std::error_code madeFolder;
    std::filesystem::create_directories(QFile::encodeName(folder).toStdString(), madeFolder);
    if (madeFolder)
        return QString::fromLocal8Bit(madeFolder.message());

    const std::unique_ptr<smf_t, SmfDeleter> song = buildSong(take);
    if (!song)
        return QObject::tr("the MIDI file library could not hold the take");

    const QString partial = path + QStringLiteral(".part");
    QString failure;
    const QByteArray bytes = songBytes(song.get(), failure);
    if (failure.isEmpty())
        failure = writeToDisk(bytes, partial);
    if (failure.isEmpty() && replace) {
        std::error_code renamed;
        std::filesystem::rename(QFile::encodeName(partial).toStdString(), QFile::encodeName(path).toStdString(),
                                renamed);
        if (renamed)
            failure = QString::fromLocal8Bit(renamed.message());
    } else if (failure.isEmpty()) {
        QFile written(partial);
        // Never replaces a file that appeared under the name meanwhile.
        if (!written.rename(path))
            failure = written.errorString();
    }
    if (!failure.isEmpty())
        QFile::remove(partial);
    return failure;
}

} // namespace quorvane
