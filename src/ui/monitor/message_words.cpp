#include "ui/monitor/message_words.h"

#include "midi/midi_bytes.h"

#include <QByteArray>

namespace quorvane {

using namespace midi;

namespace {

QString controllerName(int controller)
{
    switch (controller) {
    case 0: return QStringLiteral("Bank select");
    case 1: return QStringLiteral("Modulation");
    case 2: return QStringLiteral("Breath");
    case 4: return QStringLiteral("Foot pedal");
    case 5: return QStringLiteral("Portamento time");
    case 6: return QStringLiteral("Data entry");
    case 7: return QStringLiteral("Volume");
    case 8: return QStringLiteral("Balance");
    case 10: return QStringLiteral("Pan");
    case 11: return QStringLiteral("Expression");
    case 32: return QStringLiteral("Bank select LSB");
    case 64: return QStringLiteral("Sustain pedal");
    case 65: return QStringLiteral("Portamento");
    case 66: return QStringLiteral("Sostenuto");
    case 67: return QStringLiteral("Soft pedal");
    case 91: return QStringLiteral("Reverb");
    case 93: return QStringLiteral("Chorus");
    case 120: return QStringLiteral("All sound off");
    case 121: return QStringLiteral("Reset all controllers");
    case 123: return QStringLiteral("All notes off");
    default: return QString();
    }
}

QString systemName(std::uint8_t status)
{
    switch (status) {
    case SystemExclusive: return QStringLiteral("System exclusive");
    case TimeCodeQuarterFrame: return QStringLiteral("Time code quarter frame");
    case SongPosition: return QStringLiteral("Song position");
    case SongSelect: return QStringLiteral("Song select");
    case TuneRequest: return QStringLiteral("Tune request");
    case EndOfExclusive: return QStringLiteral("End of exclusive");
    case Clock: return QStringLiteral("Clock");
    case Start: return QStringLiteral("Start");
    case Continue: return QStringLiteral("Continue");
    case Stop: return QStringLiteral("Stop");
    case ActiveSensing: return QStringLiteral("Active sensing");
    case SystemReset: return QStringLiteral("System reset");
    default: return QStringLiteral("Undefined system message");
    }
}

// A complete system message.
QString systemWords(const MidiBytes& m)
{
    const QString name = systemName(m[0]);
    switch (m[0]) {
    case SystemExclusive: return name + QStringLiteral("  %1 bytes").arg(m.size());
    case TimeCodeQuarterFrame:
    case SongSelect: return name + QStringLiteral("  %1").arg(m[1]);
    case SongPosition: return name + QStringLiteral("  %1").arg(fourteenBits(m[1], m[2]));
    default: return name;
    }
}

QString channelKind(std::uint8_t status)
{
    switch (kindOf(status)) {
    case NoteOff: return QStringLiteral("Note off");
    case NoteOn: return QStringLiteral("Note on ");
    case KeyPressure: return QStringLiteral("Key pressure");
    case ControlChange: return QStringLiteral("Control change");
    case ProgramChange: return QStringLiteral("Program change");
    case ChannelPressure: return QStringLiteral("Channel pressure");
    default: return QStringLiteral("Pitch bend");
    }
}

QString keyWords(int note)
{
    return QStringLiteral("%1 (%2)").arg(noteName(note)).arg(note);
}

} // namespace

QString noteName(int note)
{
    static const char* const names[] = {"C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"};
    if (note < 0 || note > 127) // a broken data byte from an input
        return QStringLiteral("?");
    return QString::fromLatin1(names[note % 12]) + QString::number(note / 12 - 1);
}

QString hexBytes(const MidiBytes& message)
{
    return QString::fromLatin1(
        QByteArray(reinterpret_cast<const char*>(message.data()), static_cast<qsizetype>(message.size()))
            .toHex(' ')
            .toUpper());
}

QString messageWords(const MidiBytes& m, const QStringList& patchNames)
{
    if (m.empty())
        return QStringLiteral("(empty)");
    const std::uint8_t status = m[0];
    if (!isStatus(status))
        return QStringLiteral("Data without a status byte");
    const int length = status == SystemExclusive ? 1 : messageLength(status);
    if (length == 0)
        return systemWords(m);
    const bool forChannel = isChannelStatus(status);
    const QString channel = forChannel ? QStringLiteral(" ch %1").arg(channelOf(status) + 1) : QString();
    if (static_cast<int>(m.size()) < length)
        return (forChannel ? channelKind(status).trimmed() + channel : systemName(status)) +
               QStringLiteral("  (cut short)");
    if (!forChannel)
        return systemWords(m);

    const QString head = channelKind(status) + channel + QStringLiteral("  ");
    switch (kindOf(status)) {
    case NoteOff: return head + keyWords(m[1]) + QStringLiteral("  vel %1").arg(m[2]);
    case NoteOn:
        if (m[2] == 0) // the running-status way of ending a note
            return QStringLiteral("Note off") + channel + QStringLiteral("  ") + keyWords(m[1]) +
                   QStringLiteral("  (note on, vel 0)");
        return head + keyWords(m[1]) + QStringLiteral("  vel %1").arg(m[2]);
    case KeyPressure: return head + keyWords(m[1]) + QStringLiteral("  %1").arg(m[2]);
    case ControlChange: {
        const QString name = controllerName(m[1]);
        return head + QString::number(m[1]) + (name.isEmpty() ? QString() : QLatin1Char(' ') + name) +
               QStringLiteral("  %1").arg(m[2]);
    }
    case ProgramChange:
        return head + QString::number(m[1]) +
               (m[1] < patchNames.size() ? QLatin1Char(' ') + patchNames[m[1]] : QString());
    case ChannelPressure: return head + QString::number(m[1]);
    default: {
        const int bend = fourteenBits(m[1], m[2]) - 8192;
        return head + (bend > 0 ? QStringLiteral("+%1") : QStringLiteral("%1")).arg(bend);
    }
    }
}

} // namespace quorvane
