#include "composer.h"

namespace quorvane {

Composer::Composer(Panel& panel, Host& host, MidiOutput& output)
    : panel_(panel), host_(host), output_(output)
{
}

void Composer::refreshModeFlags()
{
    panel_.setText(QStringLiteral("TextDoMode"), QString());
    QString shown;
    for (int i = 0; i < 4; ++i) {
        doMode[i] = panel_.checkValue(QStringLiteral("CheckDoMode(%1)").arg(i));
        shown += QStringLiteral(", %1").arg(doMode[i]);
        panel_.setText(QStringLiteral("TextDoMode"), shown);
    }
}

void Composer::delayTextChanged()
{
    if (panel_.text(QStringLiteral("DelayText")).isEmpty())
        panel_.setText(QStringLiteral("DelayText"), QStringLiteral("0"));
}

void Composer::transposeTextChanged(int mode)
{
    const QString box = QStringLiteral("TextTranspose(%1)").arg(mode);
    if (panel_.text(box).isEmpty())
        panel_.setText(box, QStringLiteral("0"));
}

void Composer::moduloTextChanged()
{
    // An empty or non-numeric modulo is left for the formulas to treat as
    // "no folding"; only a number above the cap is replaced.
    const std::optional<double> modulo = textToNumber(panel_.text(QStringLiteral("TextModulo")));
    if (modulo && *modulo > 30000.0)
        panel_.setText(QStringLiteral("TextModulo"), QStringLiteral("30000"));
}

} // namespace quorvane
