#pragma once

#include <QElapsedTimer>
#include <QTest>

#include <cmath>
#include <functional>

// Looks every few milliseconds, with the event loop running, until the
// condition holds: true, or false after the timeout. Peers of a session find
// each other within a second or two; the default is generous for a busy machine.
inline bool waitFor(const std::function<bool()>& condition, int timeoutMs = 8000)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QTest::qWait(10);
    }
    return true;
}

// How far a beat position is from the nearest multiple of `step` beats.
inline double offGrid(double beat, double step)
{
    const double steps = beat / step;
    return std::abs(steps - std::round(steps)) * step;
}
