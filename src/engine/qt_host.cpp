#include "qt_host.h"

#include "random_source.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <limits>

namespace quorvane {

void QtHost::yield()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void QtHost::pause(long long ms)
{
    if (ms <= 0 || ending_)
        return;
    // A nested loop that leaves clicks and keys queued until the next yield,
    // as a blocking sleep would, while repaints and MIDI input go on.
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    timer.start(static_cast<int>(std::min<long long>(ms, std::numeric_limits<int>::max())));
    pauseLoops_.push_back(&loop);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    pauseLoops_.pop_back();
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
