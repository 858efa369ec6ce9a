#include "ui/main/window_title.h"

#include "ui/main/scale_menus.h"

#include <QStringList>

namespace quorvane {

QString mainWindowTitle(const ScaleChoice& scale, bool recording)
{
    QStringList parts{QStringLiteral("Quorvane")};
    const QString scaleName = scaleTitle(scale);
    if (!scaleName.isEmpty())
        parts << scaleName;
    if (recording)
        parts << QStringLiteral("recording");
    return parts.join(QStringLiteral(" - "));
}

} // namespace quorvane
