#pragma once

#include <QString>

// Whether this process may announce itself by multicast without anything
// leaving the machine: its network namespace holds the loopback interface
// alone, up and with multicast on (support/in_private_network.sh makes one).
// Empty when so; otherwise what is wrong, for the skip message. Checked before
// any object that joins a beat-sharing session is made.
QString privateNetworkFault();

// For a test's initTestCase (with QtTest included): skips the whole test,
// saying why, where the process is not in such a namespace.
#define SKIP_WITHOUT_PRIVATE_NETWORK()                                                                                 \
    do {                                                                                                               \
        const QString privateNetworkFaultFound = privateNetworkFault();                                                \
        if (!privateNetworkFaultFound.isEmpty())                                                                       \
            QSKIP(qPrintable(QStringLiteral("no private network: ") + privateNetworkFaultFound));                      \
    } while (false)
