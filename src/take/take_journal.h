#pragma once

#include "take/disk_queue.h"
#include "take/take.h"

#include <QStringList>
#include <memory>
#include <optional>

namespace quorvane {

// A take kept on disk message by message while it is recorded, so that a
// program that is killed or crashes, or a power cut, loses at most its last
// moments: the next start offers to write what was kept as a take. It lies
// beside the takes as quorvane-YYYYMMDD-HHMMSS.journal and is locked while
// it is written, so that another Quorvane running meanwhile leaves it alone.
// Its file work is all done on the disk queue; a journal that cannot be made
// (no folder, a full disk) only means that the take is not kept this way.
// Copies are the same journal.
class TakeJournal {
public:
    TakeJournal(DiskQueue& disk, const QString& folder, const QDateTime& startedAt);

    // Keeps a message of the take; it reaches the disk soon after.
    void append(const Take::Event& event);
    // Keeps a change of the take's key the same way.
    void appendKey(const Take::KeyChange& change);
    // The take has ended: what is kept is pushed to the disk, and stays
    // there until remove().
    void finish();
    // The take is safe (written as a file, or let go): the journal goes.
    void remove();

private:
    struct File;
    DiskQueue* disk_;
    std::shared_ptr<File> file_;
};

// The journals in folder that no running program holds: takes that a
// program which ended without writing them left behind.
QStringList leftJournals(const QString& folder);

// The take a journal holds, with its key signatures, ending at its last
// message (a take of no messages when the program ended before it wrote
// any); none when the file cannot be read or is no journal. A message cut
// short at the end (the program ended while writing it) is left out.
std::optional<Take> readJournal(const QString& path);

} // namespace quorvane
