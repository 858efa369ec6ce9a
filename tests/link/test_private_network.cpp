#include "private_network.h"

#include <QtTest>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>

namespace {

// A group of the organisation-local scope: not one any real service listens on.
constexpr const char* testGroup = "239.255.42.99";

class Socket {
public:
    Socket() : fd_(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0)) { }
    ~Socket()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    int fd() const { return fd_; }

private:
    int fd_;
};

} // namespace

// The namespace the session tests run in: it must hold loopback alone, and
// multicast must go round on it, or peers would never find each other there.
class PrivateNetworkTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { SKIP_WITHOUT_PRIVATE_NETWORK(); }

    void aMulticastDatagramComesBackOnLoopback()
    {
        Socket listener;
        Socket sender;
        QVERIFY(listener.fd() >= 0 && sender.fd() >= 0);
        const int yes = 1;
        QCOMPARE(::setsockopt(listener.fd(), SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes), 0);
        sockaddr_in bound{};
        bound.sin_family = AF_INET;
        bound.sin_addr.s_addr = htonl(INADDR_ANY);
        QCOMPARE(::bind(listener.fd(), reinterpret_cast<sockaddr*>(&bound), sizeof bound), 0);
        socklen_t length = sizeof bound;
        QCOMPARE(::getsockname(listener.fd(), reinterpret_cast<sockaddr*>(&bound), &length), 0);

        ip_mreq membership{};
        ::inet_pton(AF_INET, testGroup, &membership.imr_multiaddr);
        membership.imr_interface.s_addr = htonl(INADDR_LOOPBACK);
        QCOMPARE(::setsockopt(listener.fd(), IPPROTO_IP, IP_ADD_MEMBERSHIP, &membership, sizeof membership), 0);

        sockaddr_in group{};
        group.sin_family = AF_INET;
        group.sin_port = bound.sin_port;
        ::inet_pton(AF_INET, testGroup, &group.sin_addr);
        const char message[] = "beat";
        QCOMPARE(::sendto(sender.fd(), message, sizeof message, 0, reinterpret_cast<sockaddr*>(&group), sizeof group),
                 static_cast<ssize_t>(sizeof message));

        pollfd waiting{listener.fd(), POLLIN, 0};
        QCOMPARE(::poll(&waiting, 1, 2000), 1);
        char received[16] = {};
        QCOMPARE(::recv(listener.fd(), received, sizeof received, 0), static_cast<ssize_t>(sizeof message));
        QCOMPARE(QByteArray(received), QByteArray(message));
    }
};

QTEST_GUILESS_MAIN(PrivateNetworkTest)
#include "test_private_network.moc"
