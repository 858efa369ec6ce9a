#pragma once

#include <QStringList>

namespace quorvane {

// The 128 instruments of the General MIDI sound set, in programme order: the
// position of a name is its programme number (0 = Acoustic Grand Piano).
const QStringList& generalMidiPatchNames();

} // namespace quorvane
