#include "app/read_ahead.h"

#include <QDBusConnection>
#include <fontconfig/fontconfig.h>

namespace quorvane {

ReadAhead readFontConfiguration()
{
    return ReadAhead([] { FcInit(); });
}

ReadAhead connectDesktopBus()
{
    // Qt keeps the connection for the whole program; this only makes it early.
    return ReadAhead([] { QDBusConnection::sessionBus(); });
}

} // namespace quorvane
