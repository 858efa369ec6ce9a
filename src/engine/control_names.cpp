#include "engine/control_names.h"

namespace quorvane::controls {

QString element(const char* array, int index)
{
    return QStringLiteral("%1(%2)").arg(QLatin1String(array)).arg(index);
}

QString doMode(Mode mode)
{
    return element("CheckDoMode", indexOf(mode));
}

QString result(Mode mode)
{
    return element("TextVal", indexOf(mode));
}

QString transposition(Mode mode)
{
    return element("TextTranspose", indexOf(mode));
}

QString velocity()
{
    return result(Mode::Velocity);
}

QString velocityModeNote()
{
    return result(Mode::Pitch);
}

QString formulaFrame(Formula formula)
{
    return element("FrameFormula", indexOf(formula));
}

} // namespace quorvane::controls
