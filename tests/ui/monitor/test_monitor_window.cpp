#include "../main/main_window_fixture.h"
#include "ui/monitor/monitor_model.h"
#include "ui/monitor/monitor_window.h"
#include "ui/monitor/piano_roll.h"

#include <QAbstractItemModel>
#include <QAction>
#include <QTreeView>
#include <QtTest>
#include <cmath>
#include <limits>

using namespace quorvane;

namespace {

QStringList listedWords(MonitorWindow& monitor)
{
    const QAbstractItemModel* list = monitor.findChild<QTreeView*>(QStringLiteral("MessageList"))->model();
    QStringList words;
    for (int row = 0; row < list->rowCount(); ++row)
        words << list->index(row, 1).data().toString() + QLatin1Char(' ') + list->index(row, 3).data().toString();
    return words;
}

// The rows of the roll where a sounding note's mark shows, in its own
// orange-red, top first; the header and footer (text) are left out.
QList<int> soundingRows(PianoRoll& roll)
{
    const QImage picture = roll.grab().toImage();
    QList<int> rows;
    for (int y = 18; y < picture.height() - 16; ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            if (picture.pixelColor(x, y) == QColor(235, 80, 20)) {
                rows << y;
                break;
            }
        }
    }
    return rows;
}

} // namespace

class MonitorWindowTest : public QObject {
    Q_OBJECT
private slots:
    void opensFromTheMenuAndFillsDuringARun()
    {
        MainWindowFixture f;
        QAction* open = f.find<QAction>(menus::Monitor);
        open->trigger();
        open->trigger(); // the same window again
        const QList<MonitorWindow*> monitors = f.window->findChildren<MonitorWindow*>();
        QCOMPARE(monitors.size(), 1);
        MonitorWindow& monitor = *monitors.first();
        QVERIFY(monitor.isVisible());
        QVERIFY(monitor.isWindow());
        QCOMPARE(monitor.windowTitle(), QStringLiteral("Quorvane Monitor"));

        f.box(controls::Delay)->setText(QStringLiteral("5"));
        f.check(controls::RandomDelay)->setChecked(false);
        QTimer::singleShot(30, [&] { f.in->inject({0x99, 36, 127}); });
        f.stopWondrousnessAfter(80);
        f.button(controls::DoIt)->click();

        QTRY_VERIFY(listedWords(monitor).contains(QStringLiteral("in Note on  ch 10  C2 (36)  vel 127")));
        QVERIFY(listedWords(monitor).contains(QStringLiteral("out Note on  ch 10  C2 (36)  vel 127")));
        QVERIFY(listedWords(monitor).filter(QStringLiteral("out Note on  ch 1 ")).size() >= 10);
        QVERIFY(monitor.model().passes().size() >= 10);
        for (const SeenPass& pass : monitor.model().passes())
            QCOMPARE(pass.formula, Formula::Wondrousness);
        QVERIFY(monitor.model().endedNotes().size() >= 10);
        // The forwarded drum note got no note-off: it still sounds.
        QVERIFY(monitor.model().soundingCount() >= 1);
    }

    void closedItHearsNothing()
    {
        MainWindowFixture f;
        f.find<QAction>(menus::Monitor)->trigger();
        MonitorWindow* monitor = f.window->findChild<MonitorWindow*>();
        f.program->playObservers().messageSent({0x90, 60, 60}, steadyNowNs());
        QTRY_COMPARE(monitor->model().messages().size(), std::size_t(1));

        monitor->close();
        f.program->playObservers().messageSent({0x90, 62, 60}, steadyNowNs());
        f.program->passObservers().passComputed(Formula::Wondrousness, 1, 1);
        f.find<QAction>(menus::Monitor)->trigger();
        QVERIFY(monitor->isVisible());
        QTest::qWait(100);
        QCOMPARE(monitor->model().messages().size(), std::size_t(1));
        QVERIFY(monitor->model().passes().empty());
        f.program->playObservers().messageSent({0x90, 64, 60}, steadyNowNs());
        QTRY_COMPARE(monitor->model().messages().size(), std::size_t(2));
    }

    void pauseHoldsTheListAndResumeCatchesUp()
    {
        MainWindowFixture f;
        f.find<QAction>(menus::Monitor)->trigger();
        MonitorWindow& monitor = *f.window->findChild<MonitorWindow*>();
        auto* pause = monitor.findChild<QPushButton*>(QStringLiteral("PauseMessages"));
        auto* clear = monitor.findChild<QPushButton*>(QStringLiteral("ClearMessages"));
        PlayObservers& observers = f.program->playObservers();

        observers.messageSent({0xC0, 127}, steadyNowNs());
        QTRY_COMPARE(listedWords(monitor), QStringList({"out Program change ch 1  127 Gunshot"}));
        pause->click();
        observers.messageReceived({0xB0, 7, 90}, steadyNowNs());
        QTRY_COMPARE(monitor.model().messages().size(), std::size_t(2)); // still heard while paused
        QTest::qWait(50);
        QCOMPARE(listedWords(monitor).size(), 1);
        pause->click();
        QCOMPARE(listedWords(monitor).last(), QStringLiteral("in Control change ch 1  7 Volume  90"));

        clear->click();
        QVERIFY(listedWords(monitor).isEmpty());
        observers.messageSent({0xFF}, steadyNowNs());
        QTRY_COMPARE(listedWords(monitor), QStringList({"out System reset"}));
    }

    // Whatever numbers a formula makes and whichever notes sound, drawing
    // them ends and stays within its widgets (sanitizers watch the casts).
    void drawsExtremeNumbersAndNotes()
    {
        MainWindowFixture f;
        f.find<QAction>(menus::Monitor)->trigger();
        MonitorWindow& monitor = *f.window->findChild<MonitorWindow*>();
        PlayObservers& observers = f.program->playObservers();
        const double huge = std::numeric_limits<double>::max();
        for (double v : {huge, -huge, std::numeric_limits<double>::infinity(), std::nan(""), 1e11, -1e11, 0.0})
            f.program->passObservers().passComputed(Formula::Mixmaster, v, v);
        f.program->passObservers().passComputed(Formula::Wondrousness, 5, 5);
        observers.messageSent({0x90, 0, 1}, steadyNowNs());
        observers.messageSent({0x9F, 127, 127}, steadyNowNs());
        observers.messageSent({0x90, 64, 64}, steadyNowNs() - 3'600'000'000'000LL); // an hour ago
        observers.messageSent({0x80, 64, 0}, steadyNowNs());
        QTRY_COMPARE(monitor.model().passes().size(), std::size_t(8));
        QCOMPARE(monitor.model().soundingCount(), 2);
        for (const QSize& size : {QSize(800, 500), QSize(120, 90), QSize(2000, 1400)}) {
            monitor.resize(size);
            QVERIFY(!monitor.grab().isNull());
        }
    }

    // Whatever octave the notes on show lie in, the roll's pitch range holds
    // them, the top octave (only eight notes) and the bottom one included.
    void everyNoteOnShowHasItsRow_data()
    {
        QTest::addColumn<QList<int>>("notes");
        QTest::addColumn<bool>("atTheTop");
        QTest::newRow("120..127 only") << QList<int>{120, 127} << true;
        QTest::newRow("127 alone") << QList<int>{127} << true;
        QTest::newRow("0..3 only") << QList<int>{0, 3} << false;
        QTest::newRow("middle C") << QList<int>{60} << false;
        QTest::newRow("60 and 127") << QList<int>{60, 127} << true;
    }

    void everyNoteOnShowHasItsRow()
    {
        QFETCH(QList<int>, notes);
        QFETCH(bool, atTheTop);
        MonitorModel model;
        for (int note : notes)
            model.messageSent({0x90, std::uint8_t(note), 100}, steadyNowNs());
        model.drain(steadyNowNs());
        PianoRoll roll(model);
        roll.resize(480, 260);
        const QList<int> rows = soundingRows(roll);
        QVERIFY2(!rows.isEmpty(), "no sounding note is drawn");
        // The highest note of the range sits in the roll's top row.
        if (atTheTop)
            QVERIFY2(rows.first() < 18 + 12, qPrintable(QString::number(rows.first())));
    }
};

QTEST_MAIN(MonitorWindowTest)
#include "test_monitor_window.moc"
