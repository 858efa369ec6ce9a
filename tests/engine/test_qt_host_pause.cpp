// The pause of the running program, on the real clock: it waits about the time
// asked for, timers and MIDI input go on during it, and clicks wait for the
// next yield. Clicks only stay queued when they come from a real window
// system, so this test starts its own Xvfb and talks to it through xcb; without
// Xvfb it runs offscreen and skips the click test.

#include "memory_backend.h"
#include "midi/midi_input.h"
#include "engine/qt_host.h"
#include "private_x_server.h"
#include "x_display.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QTimer>
#include <QWindow>
#include <QtTest>

#include <atomic>
#include <chrono>
#include <thread>

using namespace quorvane;

namespace {

class PressWindow : public QWindow {
public:
    int presses = 0;

protected:
    void mousePressEvent(QMouseEvent*) override { ++presses; }
};

} // namespace

class QtHostPauseTest : public QObject {
    Q_OBJECT

public:
    explicit QtHostPauseTest(bool realWindowSystem) : realWindowSystem_(realWindowSystem) { }

private:
    bool realWindowSystem_;

private slots:
    void pauseWaitsTheTimeAskedFor()
    {
        QtHost host;
        for (int ms : {1, 10, 60}) {
            QElapsedTimer clock;
            clock.start();
            host.pause(ms);
            const double elapsed = clock.nsecsElapsed() / 1e6;
            QVERIFY2(elapsed >= ms - 0.5, qPrintable(QString::number(elapsed)));
            QVERIFY2(elapsed < ms + 500, qPrintable(QString::number(elapsed))); // a loaded machine may be late
        }
        QElapsedTimer clock;
        clock.start();
        host.pause(0);
        host.pause(-5);
        QVERIFY(clock.elapsed() < 50);
    }

    void timersRunDuringThePause()
    {
        QtHost host;
        QElapsedTimer clock;
        clock.start();
        qint64 firedAt = -1;
        QTimer::singleShot(10, Qt::PreciseTimer, [&] { firedAt = clock.elapsed(); });
        host.pause(60);
        const qint64 pauseEnded = clock.elapsed();
        QVERIFY2(firedAt >= 9 && firedAt < pauseEnded,
                 qPrintable(QStringLiteral("%1 %2").arg(firedAt).arg(pauseEnded)));
    }

    void midiInputArrivesDuringThePause()
    {
        QtHost host;
        ReceivingMemoryInput receiving;
        MidiInput& input = receiving.input;
        MemoryInputBackend* device = receiving.device;
        int arrivals = 0;
        connect(&input, &MidiInput::messageArrived, this, [&] { ++arrivals; });
        std::thread midiThread([device] {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            device->inject({0x90, 60, 100});
        });
        host.pause(300);
        midiThread.join();
        QCOMPARE(arrivals, 1); // handled inside the pause, before any yield
        QCOMPARE(input.count(), 1);
        QCOMPARE(input.data1(), 60);
    }

    void clicksWaitForTheNextYield()
    {
        if (!realWindowSystem_)
            QSKIP("no Xvfb: clicks need a real window system to stay queued");
        PressWindow window;
        window.resize(100, 100);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        XDisplay display;
        QVERIFY(display.isOpen());
        const auto target = static_cast<xcb_window_t>(window.winId());
        auto click = [&] { display.click(target, QPoint(10, 10)); };

        // Without a pause a click arrives at once.
        click();
        QTRY_COMPARE_WITH_TIMEOUT(window.presses, 1, 5000);

        // A click made during the pause is not handled by it...
        QtHost host;
        bool clicked = false;
        QTimer::singleShot(10, Qt::PreciseTimer, [&] {
            click();
            clicked = true;
        });
        host.pause(300);
        QVERIFY(clicked);
        QCOMPARE(window.presses, 1);
        // ...but by the next yield (a few, should the machine be slow to read
        // the event off the X connection).
        for (int k = 0; k < 200 && window.presses < 2; ++k) {
            host.yield();
            if (window.presses < 2)
                QThread::msleep(10);
        }
        QCOMPARE(window.presses, 2);
    }

    void theProgramsEndEndsAPauseUnderWay()
    {
        QtHost host;
        QElapsedTimer clock;
        clock.start();
        QTimer::singleShot(20, [&host] { host.setEnding(); });
        host.pause(5000);
        QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
        QVERIFY(host.ending());
        clock.restart();
        host.pause(5000); // nothing waits any more once the program ends
        QVERIFY(clock.elapsed() < 500);
    }
};

int main(int argc, char* argv[])
{
    PrivateXServer xserver;
    bool realWindowSystem = false;
    if (xserver.start()) {
        xcb_connection_t* probe = xcb_connect(xserver.display.constData(), nullptr);
        realWindowSystem = !xcb_connection_has_error(probe);
        xcb_disconnect(probe);
    }
    if (realWindowSystem) {
        qputenv("DISPLAY", xserver.display);
        qputenv("QT_QPA_PLATFORM", "xcb");
        // The private display has no desktop session; without this the xcb
        // platform goes looking for a session bus (for accessibility) and
        // libdbus keeps a buffer the leak checker reports.
        qputenv("DBUS_SESSION_BUS_ADDRESS", "disabled:");
    } else {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    int result = 0;
    {
        QGuiApplication app(argc, argv);
        QtHostPauseTest test(realWindowSystem);
        result = QTest::qExec(&test, argc, argv);
    }
    xserver.stop();
    return result;
}

#include "test_qt_host_pause.moc"
