#pragma once

#include "engine/qt_host.h"

namespace quorvane {
class FrmMain;
class MemoryInputBackend;
class MemoryOutputBackend;
} // namespace quorvane

// QtHost with a count of its yields: one yield is one pass of a formula.
class CountingHost : public quorvane::QtHost {
public:
    void yield() override
    {
        ++yields;
        quorvane::QtHost::yield();
    }
    long long yields = 0;
};

// Runs a formula in the window for a second, stopped by "Stop it" from the
// event queue, and returns the seconds it ran.
double runFormula(quorvane::FrmMain& window, bool mixmaster);

// The main window over the in-memory devices (both open): formula passes per
// second with nothing to play, messages per second with every mode on and no
// pause, passes with every mode on and no pause with the monitor closed and
// open, and a burst of input forwarded to the output.
void benchRates(quorvane::FrmMain& window, CountingHost& host, quorvane::MemoryOutputBackend& wire,
                quorvane::MemoryInputBackend& keyboard);
