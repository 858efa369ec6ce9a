#include "engine/control_names.h"

namespace quorvane::controls {

QString doMode(int mode)
{
    return QStringLiteral("CheckDoMode(%1)").arg(mode);
}

QString result(int mode)
{
    return QStringLiteral("TextVal(%1)").arg(mode);
}

QString transposition(int mode)
{
    return QStringLiteral("TextTranspose(%1)").arg(mode);
}

QString formulaFrame(int formula)
{
    return QStringLiteral("FrameFormula(%1)").arg(formula);
}

} // namespace quorvane::controls
