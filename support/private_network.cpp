#include "private_network.h"

#include <QStringList>

#include <net/if.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>

namespace {

// The flags of an interface, or -1 when they cannot be read.
int interfaceFlags(const char* name)
{
    const int probe = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (probe < 0)
        return -1;
    ifreq request{};
    std::strncpy(request.ifr_name, name, IFNAMSIZ - 1);
    const int result = ::ioctl(probe, SIOCGIFFLAGS, &request);
    ::close(probe);
    return result < 0 ? -1 : request.ifr_flags;
}

} // namespace

QString privateNetworkFault()
{
    const QString advice = QStringLiteral(" (run it through support/in_private_network.sh, as root)");
    struct if_nameindex* interfaces = ::if_nameindex();
    if (!interfaces)
        return QStringLiteral("the network interfaces cannot be listed") + advice;
    QStringList others;
    bool loopbackReady = false;
    for (const struct if_nameindex* i = interfaces; i->if_index != 0; ++i) {
        const int flags = interfaceFlags(i->if_name);
        if (flags >= 0 && (flags & IFF_LOOPBACK))
            loopbackReady = (flags & IFF_UP) && (flags & IFF_MULTICAST);
        else
            others << QString::fromLocal8Bit(i->if_name);
    }
    ::if_freenameindex(interfaces);
    if (!others.isEmpty())
        return QStringLiteral("the machine's own interfaces are in reach (%1)").arg(others.join(QStringLiteral(", ")))
               + advice;
    if (!loopbackReady)
        return QStringLiteral("loopback is down or has no multicast") + advice;
    return QString();
}
