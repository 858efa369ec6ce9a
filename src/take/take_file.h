#pragma once

#include "take/take.h"

#include <QString>

namespace quorvane {

// Where takes go: the user's music folder (else the home folder), sub-folder
// Quorvane.
QString takesFolder();

// A path in folder for the take, named quorvane-YYYYMMDD-HHMMSS.mid from its
// start; "-2", "-3" and so on are added rather than overwrite another take.
QString freeTakePath(const QString& folder, const QDateTime& startedAt);

// Writes the take as a Standard MIDI File (format 0, one track, a tempo event
// at the start, its key signatures where they came, the end of track at the
// take's end) to path, making its folder
// if needed. It is written under a temporary name and renamed, so the final
// name never holds half a file. A file already there is kept (the write
// fails) unless `replace` says the user chose to overwrite it. Returns why it
// failed, or an empty text.
QString writeTakeFile(const Take& take, const QString& path, bool replace = false);

} // namespace quorvane
