#include "jack_peer.h"
#include "jack_server.h"
#include "midi/memory_backend.h"
#include "midi/midi_input.h"
#include "midi/midi_output.h"
#include "midi/system_backend.h"

#include <QtTest>

using namespace quorvane;

// The program's own JACK back end against a private server with a 1024-frame
// period, the size most JACK and PipeWire desktops run at.
class JackBackendTest : public QObject {
    Q_OBJECT

    JackServer server;
    MidiSystem system;
    std::unique_ptr<MidiOutput> output;
    std::unique_ptr<MidiInput> input;
    JackPeer peer;

    template <class Component>
    void openNamed(Component& component, const QString& name)
    {
        const int count = component.deviceCount();
        for (int d = 0; d < count; ++d) {
            component.setDeviceNumber(d);
            if (component.deviceName() == name) {
                component.setAction(1);
                return;
            }
        }
    }

    void send(int status, int data1, int data2)
    {
        output->setStatus(status);
        output->setData1(data1);
        output->setData2(data2);
        output->setAction(MidiOutput::Send);
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(server.start(1024), "jackd with the dummy driver did not start");
        QVERIFY(peer.open());
        output = std::make_unique<MidiOutput>(std::make_unique<SystemOutputBackend>(system));
        input = std::make_unique<MidiInput>(std::make_unique<SystemInputBackend>(system));
    }

    void cleanupTestCase()
    {
        input.reset();
        output.reset();
        server.stop();
    }

    void ownPortsAreNeverOffered()
    {
        // Our input is open, so both of our ports exist while the lists are taken.
        openNamed(*input, QStringLiteral("peer:out"));
        QCOMPARE(input->openState(), 1);
        output->setDeviceNumber(-1);
        output->setAction(MidiOutput::Open);
        QVERIFY(server.waitForPort(QStringLiteral("Quorvane:virtual out")));
        QStringList listed;
        for (auto* component : std::initializer_list<MidiComponent*>{output.get(), input.get()}) {
            const int count = component->deviceCount();
            for (int d = 0; d < count; ++d) {
                component->setDeviceNumber(d);
                listed << component->deviceName();
            }
        }
        QVERIFY(listed.contains(QStringLiteral("peer:in")));
        QVERIFY(listed.contains(QStringLiteral("peer:out")));
        QCOMPARE(listed.filter(QStringLiteral("Quorvane")), QStringList());
        output->setAction(MidiOutput::Close);
        input->setAction(MidiInput::Close);
    }

    // A truncated dump or a device unplugged mid-message must not make the
    // input deaf to what follows.
    void malformedEventsAreDroppedAloneAndTheNotesAfterThemArrive()
    {
        openNamed(*input, QStringLiteral("peer:out"));
        input->setAction(MidiInput::Start);
        QCOMPARE(input->openState(), 1);
        peer.play({{0xF0, 0x01, 0x02}, {0x90, 60, 100}, {0x40, 0x41}, {0x80, 60, 0}, {0x90, 62}, {0xC0, 5}});
        QTRY_COMPARE(input->count(), 3);
        QStringList arrived;
        for (; input->count() > 0; input->setAction(MidiInput::Next))
            arrived << hexText(input->currentMessage());
        QCOMPARE(arrived, (QStringList{"90 3c 64", "80 3c 00", "c0 05"}));
        input->setAction(MidiInput::Close);
    }

    // Every message is heard one period after it was sent, so the spacing
    // the program meant is kept to the frame, not rounded to whole periods.
    void spacingOfStampedMessagesIsKeptAtALargePeriod()
    {
        openNamed(*output, QStringLiteral("peer:in"));
        QCOMPARE(output->openState(), 1);
        peer.forget();
        QElapsedTimer clock;
        std::vector<qint64> sentNs;
        clock.start();
        for (int i = 0; i < 12; ++i) {
            while (clock.nsecsElapsed() < i * 7'000'000LL) // 7 ms: no whole number of 21.3 ms periods
                ;
            sentNs.push_back(clock.nsecsElapsed());
            send(0x90, 60 + i, 100);
        }
        QTRY_COMPARE(peer.heard().size(), std::size_t(12));
        const std::vector<JackPeer::Heard> heard = peer.heard();
        for (int i = 1; i < 12; ++i) {
            QCOMPARE(heard[i].bytes[1], std::uint8_t(60 + i)); // in order
            const double heardMs = (heard[i].frame - heard[i - 1].frame) / 48.0;
            const double sentMs = (sentNs[i] - sentNs[i - 1]) / 1e6;
            // Within a frame or two, and a busy machine's thread wake-up:
            // rounding to periods would be off by up to 21 ms.
            QVERIFY2(std::abs(heardMs - sentMs) < 3.0,
                     qPrintable(QStringLiteral("sent %1 ms apart, heard %2 ms apart").arg(sentMs).arg(heardMs)));
        }
        output->setAction(MidiOutput::Close);
    }

    void firstMessageAfterEachOpenIsHeard()
    {
        peer.forget();
        constexpr int opens = 20;
        for (int i = 0; i < opens; ++i) {
            openNamed(*output, QStringLiteral("peer:in"));
            QCOMPARE(output->openState(), 1);
            send(0xC0, i, 0);
            output->setAction(MidiOutput::Close);
        }
        const std::vector<JackPeer::Heard> heard = peer.heard();
        QCOMPARE(heard.size(), std::size_t(opens));
        for (int i = 0; i < opens; ++i)
            QCOMPARE(heard[i].bytes, (MidiBytes{0xC0, std::uint8_t(i)}));
    }

    void serverKilledMidSendIsReportedOnceAndNothingHangs()
    {
        openNamed(*output, QStringLiteral("peer:in"));
        QCOMPARE(output->openState(), 1);
        QSignalSpy errors(output.get(), &MidiOutput::errorReported);
        QElapsedTimer clock;
        clock.start();
        QTimer::singleShot(100, this, [this] { server.stop(); });
        for (int i = 0; i < 4000 && clock.elapsed() < 10000; ++i) {
            send(0x90, 60, 100);
            QTest::qWait(1);
        }
        QTRY_VERIFY(errors.size() >= 1);
        QCOMPARE(output->openState(), 0);
        QCOMPARE(errors.size(), 1);
        QCOMPARE(errors.at(0).at(0).toInt(), MidiErrorCode::DeviceLost);
    }
};

QTEST_GUILESS_MAIN(JackBackendTest)
#include "test_jack_backend.moc"
