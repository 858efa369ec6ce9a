#include "midi/forwarding_rule.h"
#include "midi/midi_bytes.h"
#include "midi/sounding_notes.h"

#include <QtTest>

using namespace quorvane;

Q_DECLARE_METATYPE(MidiBytes)

namespace {

// An ended note as "channel:key vel velocity from start".
QString text(const SoundingNotes::Note& n)
{
    return QStringLiteral("%1:%2 vel %3 from %4").arg(n.channel).arg(n.key).arg(n.velocity).arg(n.startNs);
}

} // namespace

// The bytes every layer reads messages by, and the notes they leave sounding.
class MidiVocabularyTest : public QObject {
    Q_OBJECT

    SoundingNotes notes;
    QStringList ended;

    void play(const MidiBytes& message, std::int64_t timeNs)
    {
        notes.play(message, timeNs, [this](const SoundingNotes::Note& n) { ended << text(n); });
    }

private slots:
    void init()
    {
        notes = SoundingNotes();
        ended.clear();
    }

    void wholeMessagesAreTheOnlyOnesTaken_data()
    {
        QTest::addColumn<MidiBytes>("bytes");
        QTest::addColumn<bool>("whole");
        QTest::newRow("note-on") << MidiBytes{0x90, 60, 100} << true;
        QTest::newRow("note-on cut short") << MidiBytes{0x90, 60} << false;
        QTest::newRow("note-on with a byte too many") << MidiBytes{0x90, 60, 100, 1} << false;
        QTest::newRow("status where a data byte belongs") << MidiBytes{0x90, 60, 0x80} << false;
        QTest::newRow("programme change") << MidiBytes{0xC5, 3} << true;
        QTest::newRow("programme change with a third byte") << MidiBytes{0xC5, 3, 0} << false;
        QTest::newRow("pitch bend") << MidiBytes{0xEF, 0, 64} << true;
        QTest::newRow("song position") << MidiBytes{0xF2, 1, 2} << true;
        QTest::newRow("clock") << MidiBytes{0xF8} << true;
        QTest::newRow("clock with data") << MidiBytes{0xF8, 1} << false;
        QTest::newRow("system reset") << MidiBytes{0xFF} << true;
        QTest::newRow("system exclusive, whole") << MidiBytes{0xF0, 0x7E, 0xF7} << false;
        QTest::newRow("end of exclusive alone") << MidiBytes{0xF7} << false;
        QTest::newRow("undefined F4") << MidiBytes{0xF4} << false;
        QTest::newRow("data without a status") << MidiBytes{0x40, 0x41} << false;
        QTest::newRow("nothing") << MidiBytes{} << false;
    }

    void wholeMessagesAreTheOnlyOnesTaken()
    {
        QFETCH(MidiBytes, bytes);
        QFETCH(bool, whole);
        QCOMPARE(isWholeMessage(bytes), whole);
    }

    void statusBytesTellKindAndChannel()
    {
        QVERIFY(midi::isChannelStatus(0x80) && midi::isChannelStatus(0xEF));
        QVERIFY(!midi::isChannelStatus(0x7F) && !midi::isChannelStatus(0xF0));
        QCOMPARE(midi::kindOf(0x9A), midi::NoteOn);
        QCOMPARE(midi::channelOf(0x9A), 10);
        QCOMPARE(midi::fourteenBits(0x7F, 0x7F), 16383);
        QVERIFY(midi::isNoteOn({0x93, 60, 1}));
        QVERIFY(!midi::isNoteOn({0x93, 60, 0}));
        QVERIFY(midi::isNoteOff({0x93, 60, 0}) && midi::isNoteOff({0x83, 60, 64}));
        QVERIFY(!midi::isNoteOff({0xA3, 60, 0}));
        QVERIFY(midi::endsAllNotes({0xB4, 123, 0}) && midi::endsAllNotes({0xB4, 120, 0}));
        QVERIFY(!midi::endsAllNotes({0xB4, 121, 0}));
    }

    void notesSoundFromTheirNoteOnToTheirNoteOff()
    {
        play({0x90, 60, 100}, 10);
        play({0x91, 60, 50}, 20); // the same key on another channel is another note
        QCOMPARE(notes.count(), 2);
        play({0x80, 60, 64}, 30);
        play({0x91, 60, 0}, 40); // a note-on of velocity 0 ends it too
        QCOMPARE(ended, (QStringList{"0:60 vel 100 from 10", "1:60 vel 50 from 20"}));
        QCOMPARE(notes.count(), 0);

        // A note-off of a silent key, a cut-off note-on and one with a
        // status where its key belongs change nothing.
        play({0x80, 61, 0}, 50);
        play({0x90, 62}, 50);
        play({0x90, 0x80, 100}, 50);
        play({0xF0, 0x90, 62, 100}, 50);
        QCOMPARE(notes.count(), 0);
        QCOMPARE(ended.size(), 2);
    }

    void aSecondStrokeEndsTheFirst()
    {
        play({0x90, 64, 100}, 10);
        play({0x90, 64, 70}, 20);
        QCOMPARE(ended, QStringList{"0:64 vel 100 from 10"});
        QCOMPARE(notes.count(), 1);
        QCOMPARE(text(notes.notes().at(0)), QStringLiteral("0:64 vel 70 from 20"));
    }

    void channelAndResetMessagesEndWhatTheyCover()
    {
        for (std::uint8_t channel : {0, 2, 3})
            play({std::uint8_t(0x90 + channel), 60, 100}, channel);
        play({0x92, 72, 100}, 4);
        play({0xB2, 123, 0}, 5); // all notes off on its own channel alone
        QCOMPARE(ended, (QStringList{"2:60 vel 100 from 2", "2:72 vel 100 from 4"}));
        play({0xB3, 120, 0}, 6); // all sound off
        QCOMPARE(ended.size(), 3);
        play({0xB0, 7, 0}, 7); // another controller ends nothing
        QCOMPARE(notes.count(), 1);
        play({0xFF}, 8);
        QCOMPARE(ended.last(), QStringLiteral("0:60 vel 100 from 0"));
        QCOMPARE(notes.count(), 0);
    }

    void whatStillSoundsEndsInChannelAndKeyOrder()
    {
        play({0x93, 50, 1}, 1);
        play({0x90, 70, 2}, 2);
        play({0x90, 40, 3}, 3);
        QStringList sounding;
        for (const SoundingNotes::Note& n : notes.notes())
            sounding << text(n);
        const QStringList order{"0:40 vel 3 from 3", "0:70 vel 2 from 2", "3:50 vel 1 from 1"};
        QCOMPARE(sounding, order);
        notes.endAll([this](const SoundingNotes::Note& n) { ended << text(n); });
        QCOMPARE(ended, order);
        QCOMPARE(notes.count(), 0);
        QVERIFY(notes.notes().empty());
    }

    // What the input forwards: everything, but a programme change on the
    // program's channel (the patch list takes it) and, while the program
    // sends a clock of its own, the clock coming in.
    void theForwardingRule_data()
    {
        QTest::addColumn<MidiBytes>("message");
        QTest::addColumn<bool>("ownClock");
        QTest::addColumn<int>("what");
        const int forward = int(Forwarding::Forward), patch = int(Forwarding::SelectPatch),
                  drop = int(Forwarding::Drop);
        QTest::newRow("note") << MidiBytes{0x90, 60, 100} << true << forward;
        QTest::newRow("programme change, own channel") << MidiBytes{0xC0, 5} << false << patch;
        QTest::newRow("programme change, channel 2") << MidiBytes{0xC1, 5} << false << forward;
        for (std::uint8_t status : {0xF8, 0xFA, 0xFB, 0xFC}) {
            const QByteArray name = QByteArray::number(status, 16);
            QTest::newRow(name + " without a clock of our own") << MidiBytes{status} << false << forward;
            QTest::newRow(name + " with our clock") << MidiBytes{status} << true << drop;
        }
        QTest::newRow("active sensing with our clock") << MidiBytes{0xFE} << true << forward;
        QTest::newRow("song position with our clock") << MidiBytes{0xF2, 0, 4} << true << forward;
        // The real-time paths see the device's bytes before anything sorts
        // them: only whole messages may go on.
        QTest::newRow("cut-off note") << MidiBytes{0x90, 60} << false << drop;
        QTest::newRow("data byte as status") << MidiBytes{0x40, 60, 100} << false << drop;
        QTest::newRow("status inside the data") << MidiBytes{0x90, 0xF8, 100} << false << drop;
        QTest::newRow("system exclusive") << MidiBytes{0xF0, 0x7E, 0xF7} << false << drop;
        QTest::newRow("nothing") << MidiBytes{} << false << drop;
    }

    void theForwardingRule()
    {
        QFETCH(MidiBytes, message);
        QFETCH(bool, ownClock);
        QFETCH(int, what);
        QCOMPARE(int(forwardingOf(message.data(), message.size(), 0, ownClock)), what);
    }
};

QTEST_GUILESS_MAIN(MidiVocabularyTest)
#include "test_midi_vocabulary.moc"
