#include "../main/main_window_fixture.h"
#include "ui/monitor/monitor_window.h"

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
};

QTEST_MAIN(MonitorWindowTest)
#include "test_monitor_window.moc"
