#include "engine/qt_host.h"

#include "engine/random_source.h"
#include "midi/steady_time.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <limits>
#include <sys/prctl.h>
#include <thread>

namespace quorvane {

namespace {

// Qt's timers on the glib dispatcher wake up to a whole millisecond late, so
// the nested event loop hands over this long before the deadline...
constexpr std::chrono::milliseconds eventLoopMargin{2};
// ...and the rest is slept in steps this short, so that MIDI input arriving
// in the last stretch is forwarded well within one audio period.
constexpr std::chrono::microseconds lastStretchStep{250};

} // namespace

QtHost::QtHost()
{
    prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
}

void QtHost::yield()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

std::int64_t QtHost::now() const
{
    return steadyNowNs();
}

void QtHost::pauseUntil(std::int64_t deadlineNs)
{
    const Clock::time_point deadline{std::chrono::nanoseconds(deadlineNs)};
    if (deadline <= Clock::now() || ending_)
        return;
    waitInEventLoop(deadline - eventLoopMargin);
    waitPrecisely(deadline);
    // The clicks and keys held back meanwhile are looked at again only after
    // the event dispatcher is woken: wake it, so that the next yield has them.
    QCoreApplication::eventDispatcher()->wakeUp();
}

// A nested loop that leaves clicks and keys queued until the next yield, as a
// blocking sleep would, while repaints and MIDI input go on.
void QtHost::waitInEventLoop(Clock::time_point until)
{
    // A Qt timer counts whole milliseconds in an int.
    const auto wait = std::min<std::chrono::milliseconds>(
        std::chrono::ceil<std::chrono::milliseconds>(until - Clock::now()),
        std::chrono::milliseconds(std::numeric_limits<int>::max()));
    if (wait.count() <= 0 || ending_)
        return;
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    timer.start(static_cast<int>(wait.count()));
    pauseLoops_.push_back(&loop);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    pauseLoops_.pop_back();
}

// The last stretch: short sleeps against the steady clock, with the events
// that came in meanwhile (user input still excluded) handled between them.
void QtHost::waitPrecisely(Clock::time_point deadline)
{
    for (;;) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        const Clock::duration left = deadline - Clock::now();
        if (ending_ || left <= Clock::duration::zero())
            return;
        std::this_thread::sleep_for(std::min<Clock::duration>(left, lastStretchStep));
    }
}

void QtHost::setEnding()
{
    ending_ = true;
    for (QEventLoop* loop : pauseLoops_)
        loop->quit();
}

float QtHost::random()
{
    return clockSeededRandom();
}

} // namespace quorvane
