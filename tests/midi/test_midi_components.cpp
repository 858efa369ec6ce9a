#include "memory_backend.h"
#include "midi/guarded_output.h"
#include "midi/midi_input.h"
#include "midi/midi_output.h"

#include <QSignalSpy>
#include <QtTest>
#include <cmath>
#include <limits>
#include <future>
#include <thread>

using namespace quorvane;

class MidiComponentsTest : public QObject {
    Q_OBJECT

    MemoryOutputBackend* out = nullptr;
    std::unique_ptr<MidiOutput> output;
    MemoryInputBackend* in = nullptr;
    std::unique_ptr<MidiInput> input;

    void sendNote(const Variant& status, const Variant& d1, const Variant& d2)
    {
        output->setStatus(status);
        output->setData2(d2);
        output->setData1(d1);
        output->setAuxiliary(0);
        output->setAction(7);
    }

private slots:
    void init()
    {
        auto o = std::make_unique<MemoryOutputBackend>();
        out = o.get();
        output = std::make_unique<MidiOutput>(std::move(o));
        output->setRecorder(out);
        auto i = std::make_unique<MemoryInputBackend>();
        in = i.get();
        input = std::make_unique<MidiInput>(std::move(i));
        input->setRecorder(in);
        output->setDeviceNumber(0);
        output->setAction(1);
    }

    void dataBytesAreRoundedAndClamped_data()
    {
        QTest::addColumn<Variant>("value");
        QTest::addColumn<int>("expected");
        QTest::newRow("-1") << Variant(-1) << 0;
        QTest::newRow("0") << Variant(0) << 0;
        QTest::newRow("127") << Variant(127) << 127;
        QTest::newRow("128") << Variant(128) << 127;
        QTest::newRow("1e9") << Variant(1e9) << 127;
        QTest::newRow("-1e300") << Variant(-1e300) << 0;
        QTest::newRow("63.5 rounds to even") << Variant(63.5) << 64;
        QTest::newRow("62.5 rounds to even") << Variant(62.5) << 62;
        QTest::newRow("60.4") << Variant(60.4) << 60;
        QTest::newRow("NaN") << Variant(std::numeric_limits<double>::quiet_NaN()) << 0;
        QTest::newRow("+inf") << Variant(std::numeric_limits<double>::infinity()) << 127;
        QTest::newRow("numeric text") << Variant(" 72 ") << 72;
        QTest::newRow("text 1e2") << Variant("1e2") << 100;
        QTest::newRow("text not a number") << Variant("abc") << 0;
        QTest::newRow("empty") << Variant() << 0;
        QTest::newRow("True") << Variant(true) << 0;
        QTest::newRow("single") << Variant::single(33.0f) << 33;
    }

    void dataBytesAreRoundedAndClamped()
    {
        QFETCH(Variant, value);
        QFETCH(int, expected);
        sendNote(0x90, value, value);
        QCOMPARE(out->wire.size(), std::size_t(1));
        const MidiBytes& bytes = out->wire.front().bytes;
        QCOMPARE(bytes.size(), std::size_t(3));
        QCOMPARE(int(bytes[1]), expected);
        QCOMPARE(int(bytes[2]), expected);
    }

    void messageLengthFollowsStatus_data()
    {
        QTest::addColumn<Variant>("status");
        QTest::addColumn<QString>("wire");
        QTest::newRow("note-on") << Variant(0x90) << "90 3c 40";
        QTest::newRow("note-off ch 16") << Variant(0x8F) << "8f 3c 40";
        QTest::newRow("control change") << Variant(0xB0) << "b0 3c 40";
        QTest::newRow("programme change") << Variant(0xC0) << "c0 3c";
        QTest::newRow("channel pressure") << Variant(0xD3) << "d3 3c";
        QTest::newRow("pitch bend") << Variant(0xE0) << "e0 3c 40";
        QTest::newRow("song position") << Variant(0xF2) << "f2 3c 40";
        QTest::newRow("song select") << Variant(0xF3) << "f3 3c";
        QTest::newRow("clock") << Variant(0xF8) << "f8";
        QTest::newRow("status as text") << Variant("144") << "90 3c 40";
        QTest::newRow("status 143.6 rounds to 144") << Variant(143.6) << "90 3c 40";
        QTest::newRow("data byte as status") << Variant(0x7F) << "";
        QTest::newRow("status 256") << Variant(256) << "";
        QTest::newRow("negative status") << Variant(-112) << "";
        QTest::newRow("sysex start alone") << Variant(0xF0) << "";
        QTest::newRow("sysex end alone") << Variant(0xF7) << "";
        QTest::newRow("undefined F4") << Variant(0xF4) << "";
        QTest::newRow("undefined FD") << Variant(0xFD) << "";
        QTest::newRow("NaN status") << Variant(std::nan("")) << "";
        QTest::newRow("text status") << Variant("note") << "";
    }

    void messageLengthFollowsStatus()
    {
        QFETCH(Variant, status);
        QFETCH(QString, wire);
        sendNote(status, 60, 64);
        QCOMPARE(out->wireLog().join(QLatin1Char('|')), wire);
    }

    void propertyWritesAreRecordedInOrder()
    {
        out->clearLog();
        sendNote(0x90, 60, 60);
        QCOMPARE(out->writeLog(), QStringList({"Status=144", "Data2=60", "Data1=60", "Auxiliary=0", "Action=7"}));
        QCOMPARE(output->data1().toText(), QStringLiteral("60"));
        QVERIFY(out->writes.back().nanoseconds >= out->writes.front().nanoseconds);
    }

    void devicesAreCountedNamedAndOpened()
    {
        QCOMPARE(output->deviceCount(), 2);
        output->setDeviceNumber(-1);
        QCOMPARE(output->deviceName(), QStringLiteral("Memory virtual port"));
        output->setDeviceNumber(1);
        QCOMPARE(output->deviceName(), QStringLiteral("Memory Out B"));
        QCOMPARE(output->deviceNumber().toText(), QStringLiteral("1"));
        output->setAction(1);
        QCOMPARE(output->openState(), 1);
        QCOMPARE(out->openDevice, 1);
        output->setAction(2);
        QCOMPARE(output->openState(), 0);
        output->setAction(2); // closing what is closed is harmless
        QCOMPARE(output->openState(), 0);
        output->setDeviceNumber(-1);
        output->setAction(1);
        QCOMPARE(out->openDevice, -1);

        QCOMPARE(input->deviceCount(), 2);
        input->setDeviceNumber(1);
        QCOMPARE(input->deviceName(), QStringLiteral("Memory In B"));
        input->setDeviceNumber(-1);
        QCOMPARE(input->deviceName(), QString()); // inputs have no virtual device
    }

    // The feedback loop of old: the system listed another port (our own
    // input, once) ahead of the chosen one between listing and opening, and
    // the open went by position to the wrong port.
    void devicesAreOpenedByTheNameListedNotThePosition()
    {
        in->names = QStringList{"Keyboard", "Pads"};
        out->names = QStringList{"Synth", "Drum machine"};
        QCOMPARE(input->deviceCount(), 2);
        QCOMPARE(output->deviceCount(), 2);
        in->names.prepend(QStringLiteral("Newcomer"));
        out->names = QStringList{"Loopback", "Drum machine", "Synth"};

        input->setDeviceNumber(1);
        input->setAction(MidiInput::Open);
        QCOMPARE(in->names.value(in->openDevice), QStringLiteral("Pads"));
        output->setDeviceNumber(0);
        output->setAction(MidiOutput::Open);
        QCOMPARE(out->names.value(out->openDevice), QStringLiteral("Synth"));

        // A device that went between listing and opening is not replaced by
        // whatever took its place.
        QSignalSpy errors(output.get(), &MidiOutput::errorReported);
        QCOMPARE(output->deviceCount(), 3);
        out->names.removeFirst();
        output->setDeviceNumber(0);
        output->setAction(MidiOutput::Open);
        QCOMPARE(output->openState(), 0);
        QCOMPARE(errors.size(), 1);
        QVERIFY(errors.at(0).at(1).toString().contains(QStringLiteral("Loopback")));
    }

    // A device number is a 16-bit integer: a longer list is cut where the
    // numbers end, and every number in it opens its own device.
    void listsEndWhereDeviceNumbersDo()
    {
        out->names.clear();
        for (int i = 0; i < 40000; ++i)
            out->names << QStringLiteral("Port %1").arg(i);
        QCOMPARE(output->deviceCount(), 32767);
        output->setDeviceNumber(32766);
        QCOMPARE(output->deviceName(), QStringLiteral("Port 32766"));
        output->setAction(MidiOutput::Open);
        QCOMPARE(out->openDevice, 32766);
        output->setDeviceNumber(32767);
        QCOMPARE(output->deviceName(), QString());
    }

    void sendsToAClosedOutputGoNowhere()
    {
        output->setAction(2);
        QSignalSpy errors(output.get(), &MidiOutput::errorReported);
        sendNote(0x90, 60, 60);
        QVERIFY(out->wire.empty());
        QCOMPARE(errors.count(), 0);
    }

    void failuresBecomeOneErrorNotification()
    {
        QSignalSpy errors(output.get(), &MidiOutput::errorReported);
        output->setDeviceNumber(5);
        output->setAction(1);
        QCOMPARE(errors.count(), 1);
        QCOMPARE(errors.at(0).at(0).toInt(), MidiErrorCode::InvalidDevice);
        QCOMPARE(output->openState(), 0);

        out->failingOpens[1] = QStringLiteral("busy");
        output->setDeviceNumber(1);
        output->setAction(1);
        QCOMPARE(errors.count(), 2);
        QCOMPARE(errors.at(1).at(0).toInt(), MidiErrorCode::OpenFailed);
        QCOMPARE(errors.at(1).at(1).toString(), QStringLiteral("busy"));
        QCOMPARE(output->openState(), 0);

        // A device that vanishes while open is reported once, then the
        // output stays closed and later sends are silent.
        output->setDeviceNumber(0);
        output->setAction(1);
        out->failSends = true;
        sendNote(0x90, 60, 60);
        sendNote(0x90, 61, 60);
        QCOMPARE(errors.count(), 3);
        QCOMPARE(errors.at(2).at(0).toInt(), MidiErrorCode::DeviceLost);
        QCOMPARE(output->openState(), 0);
        QVERIFY(!isQuietMidiError(MidiErrorCode::DeviceLost));
        QVERIFY(isQuietMidiError(0) && isQuietMidiError(8));
    }

    // One policy for both components: the musician hears once that the MIDI
    // system is missing or went away, however many devices run into it, and
    // again once it was found and lost anew; a device that fails is told of
    // each time.
    void failuresAreToldAsThePolicySays()
    {
        ErrorPolicy policy;
        output->setErrorPolicy(policy);
        input->setErrorPolicy(policy);
        QSignalSpy outTold(output.get(), &MidiOutput::failureToTell);
        QSignalSpy inTold(input.get(), &MidiInput::failureToTell);
        QSignalSpy outReported(output.get(), &MidiOutput::errorReported);

        auto loseDevices = [&] {
            output->setDeviceNumber(0);
            output->setAction(MidiOutput::Open);
            out->failSends = true;
            sendNote(0x90, 60, 60);
            out->failSends = false;
            in->failingOpens[0] = QStringLiteral("gone");
            input->setDeviceNumber(0);
            input->setAction(MidiInput::Open);
        };
        out->failingOpens[1] = QStringLiteral("busy");
        output->setDeviceNumber(1);
        output->setAction(MidiOutput::Open);
        output->setAction(MidiOutput::Open);
        QCOMPARE(outTold.count(), 2); // a busy device, each time it is chosen

        loseDevices(); // the output loses its device: told; the input's open fails: told
        loseDevices(); // the output's loss again: quiet
        QCOMPARE(outTold.count(), 3);
        QCOMPARE(inTold.count(), 2);
        QCOMPARE(outReported.count(), 4); // the notification itself keeps every failure
        QVERIFY(!output->lastFailureToTell());

        policy.rearm();
        loseDevices();
        QCOMPARE(outTold.count(), 4);
        QVERIFY(policy.tell(MidiFailure(MidiErrorCode::NoMidiSystem, QString())));
        QVERIFY(!policy.tell(MidiFailure(MidiErrorCode::NoMidiSystem, QString())));
        QVERIFY(!policy.tell(MidiFailure(MidiErrorCode::Warning, QString())));

        // A lasting failure is told once for the run, whatever MIDI system
        // comes; the same code from a single try is told each time.
        const MidiFailure noServer(MidiErrorCode::AudioLost, QString(), MidiFailure::Span::Lasting);
        QVERIFY(policy.tell(noServer));
        QVERIFY(!policy.tell(noServer));
        policy.rearm();
        QVERIFY(!policy.tell(noServer));
        QVERIFY(policy.tell(MidiFailure(MidiErrorCode::AudioLost, QString())));
        QVERIFY(policy.tell(MidiFailure(MidiErrorCode::AudioLost, QString())));
    }

    // A back end tells of a loss from its own thread, with what went wrong;
    // the component reports it in order on its own thread.
    void lossNoticesCarryTheirFailure()
    {
        QSignalSpy reported(output.get(), &MidiOutput::errorReported);
        QSignalSpy told(output.get(), &MidiOutput::failureToTell);
        const auto noticeFromAnotherThread = [this](const MidiFailure& failure) {
            std::thread([&] { out->notifyLoss(failure); }).join();
        };

        // The synthesizer without a sound server stays open, and an open
        // that meets the same again is no news.
        const MidiFailure noServer(MidiErrorCode::AudioLost, QStringLiteral("no sound server"),
                                   MidiFailure::Span::Lasting);
        noticeFromAnotherThread(noServer);
        noticeFromAnotherThread(noServer);
        QTRY_COMPARE(reported.count(), 1);
        QCoreApplication::processEvents();
        QCOMPARE(reported.count(), 1);
        QCOMPARE(told.count(), 1);
        QCOMPARE(reported.at(0).at(1).toString(), QStringLiteral("no sound server"));
        QCOMPARE(output->openState(), 1);

        // A device that went away closes, and says why.
        noticeFromAnotherThread(MidiFailure(MidiErrorCode::DeviceLost, QStringLiteral("the server stopped")));
        QTRY_COMPARE(reported.count(), 2);
        QCOMPARE(reported.at(1).at(0).toInt(), MidiErrorCode::DeviceLost);
        QCOMPARE(told.at(1).at(0).toString(), QStringLiteral("the server stopped"));
        QCOMPARE(output->openState(), 0);

        // Once closed, a late notice has nothing left to close or report.
        noticeFromAnotherThread(MidiFailure(MidiErrorCode::DeviceLost, QStringLiteral("again")));
        QCoreApplication::processEvents();
        QCOMPARE(reported.count(), 2);
    }

    void inputQueuesEverythingInOrder()
    {
        QSignalSpy arrivals(input.get(), &MidiInput::messageArrived);
        input->setDeviceNumber(0);
        input->setAction(1);
        in->inject({0x90, 1, 1}); // not yet receiving: dropped
        input->setAction(4);
        QCOMPARE(input->openState(), 1);

        constexpr int burst = 10000;
        std::thread midiThread([this] {
            for (int k = 0; k < burst; ++k)
                in->inject({std::uint8_t(0x90 | (k % 16)), std::uint8_t(k % 128), std::uint8_t((k / 128) % 128)});
        });
        midiThread.join();
        QCOMPARE(input->count(), burst);
        QTRY_VERIFY(arrivals.count() >= 1);

        for (int k = 0; k < burst; ++k) {
            QCOMPARE(input->count(), burst - k);
            QCOMPARE(input->status(), 0x90 | (k % 16));
            QCOMPARE(input->data1(), k % 128);
            QCOMPARE(input->data2(), (k / 128) % 128);
            input->setAction(6);
        }
        QCOMPARE(input->count(), 0);
        QCOMPARE(input->status(), 0);
        input->setAction(6); // nothing left to drop: harmless

        input->setAction(5);
        in->inject({0x90, 2, 2});
        QCOMPARE(input->count(), 0);
        QCOMPARE(in->writeLog(), QStringList({"DeviceNumber=0", "Action=1", "Action=4"})
                                     << QStringList(burst + 1, "Action=6") << "Action=5");
    }

    // Whatever the system hands on, only whole messages are queued: an event
    // that is none is dropped alone, and those after it arrive in order.
    void inputKeepsWholeMessagesOnly()
    {
        QSignalSpy seen(input.get(), &MidiInput::messageArrived);
        input->setDeviceNumber(0);
        input->setAction(MidiInput::Open);
        input->setAction(MidiInput::Start);
        const QList<MidiBytes> events = {{0xF0, 0x01, 0x02}, {0x90, 60, 100}, {0x40, 0x41}, {0x80, 60, 0},
                                         {0x90, 62},         {0xC0, 5, 1},    {0xF8},       {}};
        for (const MidiBytes& event : events)
            in->inject(event);
        QTRY_COMPARE(seen.count(), 1);
        QStringList arrived;
        for (; input->count() > 0; input->setAction(MidiInput::Next))
            arrived << hexText(input->currentMessage());
        QCOMPARE(arrived, (QStringList{"90 3c 64", "80 3c 00", "f8"}));
    }

    void shortMessagesReadWithMissingBytesAsZero()
    {
        input->setDeviceNumber(0);
        input->setAction(1);
        input->setAction(4);
        in->inject({0xC0, 40});
        in->inject({0xF8});
        QCOMPARE(input->status(), 0xC0);
        QCOMPARE(input->data1(), 40);
        QCOMPARE(input->data2(), 0);
        input->setAction(6);
        QCOMPARE(input->currentMessage(), MidiBytes({0xF8}));
    }

    // The thread an input arrives on may hold a lock of its MIDI system that
    // an output's close, under the guard, waits for: forwarding from it never
    // waits on the guard for long, and leaves the message to the window.
    void forwardingOnArrivalNeverWaitsOnABusyOutput()
    {
        struct SlowClose : MemoryOutputBackend {
            std::promise<void> entered;
            std::shared_future<void> release;
            void close() override
            {
                entered.set_value();
                release.wait();
                MemoryOutputBackend::close();
            }
        };
        std::promise<void> releaser;
        auto backend = std::make_unique<SlowClose>();
        SlowClose* slow = backend.get();
        slow->release = releaser.get_future().share();
        GuardedOutput guarded(std::move(backend));
        guarded.open(slow->names.first());
        QVERIFY(guarded.sendIfPlaysAtOnce({0x90, 60, 100}));
        std::thread closer([&] { guarded.close(); });
        slow->entered.get_future().wait();
        QVERIFY(!guarded.sendIfPlaysAtOnce({0x90, 61, 100})); // hangs here if it waited
        releaser.set_value();
        closer.join();
        QCOMPARE(slow->wireLog(), QStringList({"90 3c 64"}));
        // A device that keeps to times is never sent to on arrival.
        slow->leadNs = 1'000'000;
        guarded.open(slow->names.first());
        QVERIFY(!guarded.sendIfPlaysAtOnce({0x90, 62, 100}));
        QCOMPARE(slow->wire.size(), std::size_t(1));
    }
};

QTEST_GUILESS_MAIN(MidiComponentsTest)
#include "test_midi_components.moc"
