#include "midi/midi_errors.h"

#include <QCoreApplication>

namespace quorvane {

MidiFailure deviceGone(const QString& name)
{
    return MidiFailure(
        MidiErrorCode::OpenFailed,
        QCoreApplication::translate("MidiFailure", "The MIDI device \"%1\" is not there any more.").arg(name));
}

} // namespace quorvane
