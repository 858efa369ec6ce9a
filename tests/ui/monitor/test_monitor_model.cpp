#include "ui/main/general_midi_patches.h"
#include "ui/monitor/message_list_model.h"
#include "ui/monitor/message_words.h"
#include "ui/monitor/monitor_model.h"

#include <QtTest>
#include <thread>

using namespace quorvane;

namespace {

constexpr std::int64_t second = 1'000'000'000;

QString spanText(const NoteSpan& s, bool sounding = false)
{
    return QStringLiteral("ch%1 %2 v%3 %4-%5")
        .arg(s.channel + 1)
        .arg(s.note)
        .arg(s.velocity)
        .arg(s.startNs / second)
        .arg(sounding ? QStringLiteral("now") : QString::number(s.endNs / second));
}

QStringList ended(const MonitorModel& m)
{
    QStringList spans;
    for (const NoteSpan& s : m.endedNotes())
        spans << spanText(s);
    return spans;
}

QStringList sounding(const MonitorModel& m)
{
    QStringList spans;
    for (const NoteSpan& s : m.soundingNotes())
        spans << spanText(s, true);
    return spans;
}

} // namespace

class MonitorModelTest : public QObject {
    Q_OBJECT
private slots:
    void noteSpansFollowWhatTheOutputPlays()
    {
        MonitorModel m;
        m.messageSent({0x90, 60, 100}, 1 * second);
        m.messageSent({0x90, 64, 50}, 2 * second);
        m.messageSent({0x90, 60, 0}, 3 * second); // a note-on of velocity 0 ends the note
        m.messageSent({0x80, 64, 64}, 4 * second);
        m.messageSent({0x90, 67, 90}, 5 * second);     // never ended
        m.messageSent({0x81, 67, 0}, 6 * second);      // another channel's note-off leaves it alone
        m.messageSent({0x80, 70, 0}, 6 * second);      // a note-off of nothing ends nothing
        m.messageReceived({0x90, 72, 80}, 6 * second); // what arrives sounds only once forwarded
        QVERIFY(m.drain(7 * second));
        QCOMPARE(ended(m), QStringList({"ch1 60 v100 1-3", "ch1 64 v50 2-4"}));
        QCOMPARE(sounding(m), QStringList({"ch1 67 v90 5-now"}));
        QCOMPARE(m.soundingCount(), 1);
        QVERIFY(!m.drain(7 * second)); // nothing new

        // Struck again while sounding: the first stroke ends at the second.
        m.messageSent({0x90, 67, 30}, 8 * second);
        m.messageSent({0x95, 67, 30}, 8 * second);
        m.drain(8 * second);
        QCOMPARE(ended(m).last(), QStringLiteral("ch1 67 v90 5-8"));
        QCOMPARE(sounding(m), QStringList({"ch1 67 v30 8-now", "ch6 67 v30 8-now"}));

        // All notes off ends every note of its channel only; a reset ends all.
        m.messageSent({0xB0, 123, 0}, 9 * second);
        m.drain(9 * second);
        QCOMPARE(sounding(m), QStringList({"ch6 67 v30 8-now"}));
        m.messageSent({0xFF}, 10 * second);
        m.drain(10 * second);
        QCOMPARE(m.soundingCount(), 0);
        QCOMPARE(ended(m).last(), QStringLiteral("ch6 67 v30 8-10"));

        // Stopping listening takes in what came and ends what still sounds.
        m.messageSent({0x90, 50, 40}, 11 * second);
        m.messageSent({0x90, 52, 40}, 11 * second);
        m.messageSent({0x80, 52, 0}, 12 * second);
        m.stopListening(13 * second);
        QCOMPARE(m.soundingCount(), 0);
        QCOMPARE(ended(m).mid(ended(m).size() - 2), QStringList({"ch1 52 v40 11-12", "ch1 50 v40 11-13"}));
    }

    void brokenMessagesAreListedButPlayNothing()
    {
        MonitorModel m;
        const QList<MidiBytes> broken = {{}, {0x90}, {0x90, 60}, {0x3C, 60, 60}, {0x90, 200, 60}, {0xF0, 1, 2, 0xF7}};
        for (const MidiBytes& message : broken)
            m.messageSent(message, second);
        m.drain(second);
        QCOMPARE(m.messages().size(), std::size_t(broken.size()));
        QCOMPARE(m.soundingCount(), 0);
        QVERIFY(m.endedNotes().empty());
    }

    void historyKeepsTheLastMinutesAndABoundedCount()
    {
        MonitorLimits limits;
        limits.keepNs = 60 * second;
        limits.maxSpans = 3;
        limits.maxMessages = 4;
        limits.maxPasses = 2;
        MonitorModel m(limits);
        m.messageSent({0x90, 10, 1}, 0); // held for good
        for (int i = 1; i <= 5; ++i) {
            m.messageSent({0x90, 60, static_cast<std::uint8_t>(i)}, i * second);
            m.messageSent({0x80, 60, 0}, i * second);
            m.passComputed(Formula::Wondrousness, i * 3 + 1, i);
        }
        m.drain(6 * second);
        QCOMPARE(ended(m), QStringList({"ch1 60 v3 3-3", "ch1 60 v4 4-4", "ch1 60 v5 5-5"}));
        QCOMPARE(m.messages().size(), std::size_t(4));
        QCOMPARE(m.messages().front().number, 7LL); // the newest four of eleven
        QCOMPARE(m.passes().size(), std::size_t(2));
        QCOMPARE(m.passes().back().computed, 16.0);
        QCOMPARE(m.passes().back().folded, 5.0);
        QCOMPARE(m.passes().back().number, 4LL);

        // Minutes later everything ended has gone; the held note is still there.
        m.drain(5 * 60 * second);
        QVERIFY(m.endedNotes().empty());
        QVERIFY(m.messages().empty());
        QCOMPARE(sounding(m), QStringList({"ch1 10 v1 0-now"}));
    }

    void reportsWaitingForADrainAreBounded()
    {
        MonitorLimits limits;
        limits.maxWaiting = 5;
        MonitorModel m(limits);
        for (int i = 0; i < 8; ++i)
            m.messageReceived({0xF8}, i);
        QCOMPARE(m.dropped(), 3LL);
        m.drain(10);
        QCOMPARE(m.messages().size(), std::size_t(5));
        m.messageReceived({0xF8}, 11); // room again after the drain
        m.drain(11);
        QCOMPARE(m.messages().size(), std::size_t(6));
    }

    void arrivalsFromAnotherThreadAreAllCounted()
    {
        MonitorLimits limits;
        limits.maxMessages = 100000;
        MonitorModel m(limits);
        constexpr int count = 20000;
        std::thread midi([&] {
            for (int i = 0; i < count; ++i)
                m.messageReceived({0x90, static_cast<std::uint8_t>(i % 128), 1}, steadyNowNs());
        });
        while (m.messages().size() < std::size_t(count) && m.dropped() == 0) {
            m.messageSent({0xFE}, steadyNowNs());
            m.drain(steadyNowNs());
        }
        midi.join();
        m.drain(steadyNowNs());
        int in = 0;
        for (const SeenMessage& message : m.messages())
            in += message.incoming;
        QCOMPARE(in, count);
        QCOMPARE(m.messages().back().number + 1, static_cast<long long>(m.messages().size()));
    }

    void wordsForEachKindOfMessage_data()
    {
        QTest::addColumn<MidiBytes>("bytes");
        QTest::addColumn<QString>("words");
        auto row = [](const char* name, MidiBytes bytes, const char* words) {
            QTest::newRow(name) << bytes << QString::fromUtf8(words);
        };
        row("note on", {0x90, 60, 60}, "Note on  ch 1  C4 (60)  vel 60");
        row("note off", {0x8F, 61, 64}, "Note off ch 16  C#4 (61)  vel 64");
        row("velocity 0", {0x90, 0, 0}, "Note off ch 1  C-1 (0)  (note on, vel 0)");
        row("key pressure", {0xA2, 127, 10}, "Key pressure ch 3  G9 (127)  10");
        row("named controller", {0xB0, 7, 90}, "Control change ch 1  7 Volume  90");
        row("all notes off", {0xB0, 123, 0}, "Control change ch 1  123 All notes off  0");
        row("other controller", {0xB1, 20, 5}, "Control change ch 2  20  5");
        row("program", {0xC0, 127}, "Program change ch 1  127 Gunshot");
        row("first program", {0xC9, 0}, "Program change ch 10  0 Acoustic Grand Piano");
        row("channel pressure", {0xD0, 30}, "Channel pressure ch 1  30");
        row("bend centre", {0xE0, 0, 64}, "Pitch bend ch 1  0");
        row("bend up", {0xE0, 127, 127}, "Pitch bend ch 1  +8191");
        row("bend down", {0xE0, 0, 0}, "Pitch bend ch 1  -8192");
        row("clock", {0xF8}, "Clock");
        row("reset", {0xFF}, "System reset");
        row("song position", {0xF2, 1, 1}, "Song position  129");
        row("song select", {0xF3, 4}, "Song select  4");
        row("system exclusive", {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7}, "System exclusive  6 bytes");
        row("undefined", {0xF4}, "Undefined system message");
        row("cut short", {0x90, 60}, "Note on ch 1  (cut short)");
        row("cut short system", {0xF2, 1}, "Song position  (cut short)");
        row("no status", {0x3C, 0x40}, "Data without a status byte");
        row("broken note number", {0x90, 0xC8, 1}, "Note on  ch 1  ? (200)  vel 1");
        row("empty", {}, "(empty)");
    }

    void wordsForEachKindOfMessage()
    {
        QFETCH(MidiBytes, bytes);
        QFETCH(QString, words);
        QCOMPARE(messageWords(bytes, generalMidiPatchNames()), words);
    }

    void bytesInHex() { QCOMPARE(hexBytes({0x90, 0x3C, 0x0A}), QStringLiteral("90 3C 0A")); }

    void messageListFollowsPausesAndClears()
    {
        MonitorModel m;
        MessageListModel list(generalMidiPatchNames(), 10 * second, 3);
        auto column = [&](int c) {
            QStringList texts;
            for (int row = 0; row < list.rowCount(); ++row)
                texts << list.data(list.index(row, c), Qt::DisplayRole).toString();
            return texts;
        };
        m.messageSent({0xC0, 127}, 11 * second);
        m.messageReceived({0x90, 60, 60}, 12 * second + 500'000'000);
        m.drain(13 * second);
        list.follow(m);
        QCOMPARE(column(MessageListModel::Time), QStringList({"1.000", "2.500"}));
        QCOMPARE(column(MessageListModel::Direction), QStringList({"out", "in"}));
        QCOMPARE(column(MessageListModel::Bytes), QStringList({"C0 7F", "90 3C 3C"}));
        QCOMPARE(column(MessageListModel::Words).first(), QStringLiteral("Program change ch 1  127 Gunshot"));

        // Not following is a pause: rows stay; following again catches up,
        // keeping only the newest rows.
        for (std::uint8_t n = 1; n <= 3; ++n)
            m.messageSent({0xD0, n}, 14 * second);
        m.drain(14 * second);
        QCOMPARE(list.rowCount(), 2);
        list.follow(m);
        QCOMPARE(column(MessageListModel::Bytes), QStringList({"D0 01", "D0 02", "D0 03"}));

        // More new messages than rows at once: the newest fill the list.
        for (std::uint8_t n = 4; n <= 8; ++n)
            m.messageSent({0xD0, n}, 14 * second);
        m.drain(14 * second);
        list.follow(m);
        QCOMPARE(column(MessageListModel::Bytes), QStringList({"D0 06", "D0 07", "D0 08"}));

        // Cleared rows do not come back; new messages do.
        list.clear();
        list.follow(m);
        QCOMPARE(list.rowCount(), 0);
        m.messageSent({0xF8}, 15 * second);
        m.drain(15 * second);
        list.follow(m);
        QCOMPARE(column(MessageListModel::Words), QStringList({"Clock"}));
    }
};

QTEST_GUILESS_MAIN(MonitorModelTest)
#include "test_monitor_model.moc"
