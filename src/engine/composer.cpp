#include "engine/composer.h"

#include "engine/control_names.h"
#include "values/number_rules.h"

namespace quorvane {

Composer::Composer(Panel& panel, Host& host, MidiOutput& output) : panel_(panel), host_(host), output_(output) { }

void Composer::refreshModeFlags()
{
    panel_.setText(controls::ModeFlags, QString());
    QString shown;
    for (Mode mode : allModes) {
        setModeOn(mode, panel_.checkValue(controls::doMode(mode)) == 1);
        shown += QStringLiteral(", %1").arg(modeOn(mode) ? 1 : 0);
        panel_.setText(controls::ModeFlags, shown);
    }
}

void Composer::delayTextChanged()
{
    const QString box = controls::Delay;
    if (panel_.text(box).isEmpty())
        panel_.setText(box, QStringLiteral("0"));
    panel_.setInvalidMark(box, !textToNumber(panel_.text(box)));
}

void Composer::transposeTextChanged(Mode mode)
{
    const QString box = controls::transposition(mode);
    if (panel_.text(box).isEmpty())
        panel_.setText(box, QStringLiteral("0"));
    panel_.setInvalidMark(box, !textToNumber(panel_.text(box)));
}

void Composer::moduloTextChanged()
{
    // An empty or non-numeric modulo is left for the formulas to treat as
    // "no folding"; only a number above the cap is replaced.
    const QString box = controls::Modulo;
    const std::optional<double> modulo = textToNumber(panel_.text(box));
    if (modulo && *modulo > 30000.0)
        panel_.setText(box, QStringLiteral("30000"));
    panel_.setInvalidMark(box, !usableModulo(textToNumber(panel_.text(box))));
}

void Composer::startNoteTextChanged()
{
    const QString box = controls::StartNote;
    panel_.setInvalidMark(box, !textToNumber(panel_.text(box)));
}

void Composer::resultTextChanged(Mode mode)
{
    // Only the pitch and velocity results are read back, as the note of the
    // velocity mode and the velocity of the pitch mode.
    if (mode != Mode::Pitch && mode != Mode::Velocity)
        return;
    const QString box = controls::result(mode);
    panel_.setInvalidMark(box, !textToNumber(panel_.text(box)));
}

void Composer::noteRangeTextChanged()
{
    const std::optional<double> lowest = textToNumber(panel_.text(controls::PitchMin));
    const std::optional<double> highest = textToNumber(panel_.text(controls::PitchMax));
    // Ends that are each fine but cross mark both: either may be the typo.
    const bool crossed = isNoteNumber(lowest) && isNoteNumber(highest) && *lowest > *highest;
    // A range too narrow for the scale cannot be kept to both: both ends
    // are marked, as either may be the one to widen.
    const std::optional<NoteRange> range = noteRange(lowest, highest);
    const bool noScaleNote = range && checked(controls::UseMinMax) && !rangeHoldsScaleNote(scale_, *range);
    panel_.setInvalidMark(controls::PitchMin, crossed || noScaleNote || !isNoteNumber(lowest));
    panel_.setInvalidMark(controls::PitchMax, crossed || noScaleNote || !isNoteNumber(highest));
}

void Composer::setScale(const ScaleChoice& choice)
{
    scale_ = choice;
    noteRangeTextChanged();
}

std::optional<NoteRange> Composer::noteRangeInBoxes()
{
    if (!checked(controls::UseMinMax))
        return std::nullopt;
    noteRangeTextChanged();
    return noteRange(textToNumber(panel_.text(controls::PitchMin)), textToNumber(panel_.text(controls::PitchMax)));
}

double Composer::numberInBox(const QString& box, double designValue)
{
    const std::optional<double> n = textToNumber(panel_.text(box));
    panel_.setInvalidMark(box, !n);
    return n.value_or(designValue);
}

std::optional<double> Composer::moduloInBox()
{
    const QString box = controls::Modulo;
    const std::optional<double> modulo = usableModulo(textToNumber(panel_.text(box)));
    panel_.setInvalidMark(box, !modulo);
    return modulo;
}

bool Composer::checked(const char* checkBox) const
{
    return panel_.checkValue(QLatin1String(checkBox)) == 1;
}

} // namespace quorvane
