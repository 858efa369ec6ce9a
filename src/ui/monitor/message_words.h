#pragma once

#include "midi/midi_message.h"

#include <QString>
#include <QStringList>

namespace quorvane {

// The name of a MIDI note number with its octave, middle C (60) being C4;
// "?" for what is no note number.
QString noteName(int note);

// A message in words, as a musician reads it: "Note on  ch 1  C4 (60)  vel 60",
// "Program change ch 1  127 Gunshot". patchNames gives the programme names by
// number; messages that are cut short or lack a status byte say so.
QString messageWords(const MidiBytes& message, const QStringList& patchNames);

// The bytes in hex, "90 3C 3C".
QString hexBytes(const MidiBytes& message);

} // namespace quorvane
