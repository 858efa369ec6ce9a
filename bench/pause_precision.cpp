#include "pause_precision.h"

#include "bench_table.h"
#include "engine/qt_host.h"

#include <chrono>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int pausesEach = 500;

template <class Wait>
double overshootMs(int ms, Wait wait)
{
    const Clock::time_point start = Clock::now();
    wait();
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count() - ms;
}

QString spreadText(const Spread& s)
{
    return QStringLiteral("%1 / %2 / %3 / %4")
        .arg(fixed(s.median, 3), fixed(s.p90, 3), fixed(s.p99, 3), fixed(s.max, 3));
}

} // namespace

void benchPausePrecision(quorvane::QtHost& host)
{
    printSection(QStringLiteral("Pause: overshoot in ms, median / p90 / p99 / max of %1 pauses "
                                "(anchor: std::this_thread::sleep_for)")
                     .arg(pausesEach));
    for (const int ms : {1, 10, 60}) {
        std::vector<double> pauses;
        std::vector<double> sleeps;
        // Taken in turns, so that whatever else the machine does falls on both alike.
        for (int k = 0; k < pausesEach; ++k) {
            pauses.push_back(overshootMs(ms, [&] { host.pause(ms); }));
            sleeps.push_back(overshootMs(ms, [&] { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }));
        }
        printFigure({QStringLiteral("pause %1 ms").arg(ms), spreadText(spreadOf(pauses)), spreadText(spreadOf(sleeps)),
                     QStringLiteral("median <= 0.1, p99 <= 1")});
    }
}
