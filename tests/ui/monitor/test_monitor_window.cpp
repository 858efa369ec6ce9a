#include "../main/main_window_fixture.h"
#include "ui/monitor/monitor_window.h"

#include <QAbstractItemModel>
#include <QAction>
#include <QTreeView>
#include <QtTest>

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
        QAction* open = f.find<QAction>(QStringLiteral("MnuMonitor"));
        open->trigger();
        open->trigger(); // the same window again
        const QList<MonitorWindow*> monitors = f.window->findChildren<MonitorWindow*>();
        QCOMPARE(monitors.size(), 1);
        MonitorWindow& monitor = *monitors.first();
        QVERIFY(monitor.isVisible());
        QVERIFY(monitor.isWindow());
        QCOMPARE(monitor.windowTitle(), QStringLiteral("Quorvane Monitor"));

        f.box(QStringLiteral("DelayText"))->setText(QStringLiteral("5"));
        f.check(QStringLiteral("CheckRandomDelay"))->setChecked(false);
        QTimer::singleShot(30, [&] { f.in->inject({0x99, 36, 127}); });
        f.stopWondrousnessAfter(80);
        f.button(QStringLiteral("DoIt"))->click();

        QTRY_VERIFY(listedWords(monitor).contains(QStringLiteral("in Note on  ch 10  C2 (36)  vel 127")));
        QVERIFY(listedWords(monitor).contains(QStringLiteral("out Note on  ch 10  C2 (36)  vel 127")));
        QVERIFY(listedWords(monitor).filter(QStringLiteral("out Note on  ch 1 ")).size() >= 10);
        QVERIFY(monitor.model().passes().size() >= 10);
        QVERIFY(monitor.model().endedNotes().size() >= 10);
        // The forwarded drum note got no note-off: it still sounds.
        QVERIFY(monitor.model().soundingCount() >= 1);
    }

    void closedItHearsNothing()
    {
        MainWindowFixture f;
        f.find<QAction>(QStringLiteral("MnuMonitor"))->trigger();
        MonitorWindow* monitor = f.window->findChild<MonitorWindow*>();
        f.window->playObservers().messageSent({0x90, 60, 60}, steadyNowNs());
        QTRY_COMPARE(monitor->model().messages().size(), std::size_t(1));

        monitor->close();
        f.window->playObservers().messageSent({0x90, 62, 60}, steadyNowNs());
        f.window->playObservers().passComputed(1, 1, 1);
        f.find<QAction>(QStringLiteral("MnuMonitor"))->trigger();
        QVERIFY(monitor->isVisible());
        QTest::qWait(100);
        QCOMPARE(monitor->model().messages().size(), std::size_t(1));
        QVERIFY(monitor->model().passes().empty());
        f.window->playObservers().messageSent({0x90, 64, 60}, steadyNowNs());
        QTRY_COMPARE(monitor->model().messages().size(), std::size_t(2));
    }
};

QTEST_MAIN(MonitorWindowTest)
#include "test_monitor_window.moc"
