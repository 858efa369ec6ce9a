#include "jack_server.h"

#include <QtTest>
#include <RtMidi.h>
#include <csignal>
#include <thread>

// The private JACK server of the tests and the bench, as the keeper of the
// clients that a library cannot close safely while their server runs.
class JackServerTest : public QObject {
    Q_OBJECT

private slots:
    // RtMidi's JACK outputs, played and closed as the bench's anchors are:
    // none may be dropped while the server process still runs, and every
    // one is dropped once it has stopped.
    void rtMidiOutputsKeptAreDroppedOnlyOnceTheServerHasStopped()
    {
        struct Anchor {
            RtMidiOut out{RtMidi::UNIX_JACK, "anchor"};
            qint64 serverProcess = 0;
            int* dropped = nullptr;
            int* droppedWhileServing = nullptr;
            ~Anchor()
            {
                ++*dropped;
                if (::kill(static_cast<pid_t>(serverProcess), 0) == 0)
                    ++*droppedWhileServing;
            }
        };
        JackServer server;
        QVERIFY2(server.start(), "jackd with the dummy driver did not start");
        constexpr int anchors = 20;
        int dropped = 0;
        int droppedWhileServing = 0;
        for (int i = 0; i < anchors; ++i) {
            auto anchor = std::make_shared<Anchor>();
            anchor->serverProcess = server.processId();
            anchor->dropped = &dropped;
            anchor->droppedWhileServing = &droppedWhileServing;
            server.keepUntilStopped(anchor);
            anchor->out.openVirtualPort("out");
            for (unsigned char note = 60; note < 65; ++note) {
                const unsigned char message[] = {0x90, note, 100};
                anchor->out.sendMessage(message, 3);
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
            anchor->out.closePort();
        }
        QCOMPARE(dropped, 0);
        server.stop();
        QCOMPARE(dropped, anchors);
        QCOMPARE(droppedWhileServing, 0);
    }
};

QTEST_GUILESS_MAIN(JackServerTest)
#include "test_jack_server.moc"
