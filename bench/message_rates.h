#pragma once

#include "engine/qt_host.h"

namespace quorvane {
class Program;
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

// Wondrousness's passes per second over the in-memory output, run for a
// second and stopped by "Stop it" from the event queue; the wire is cleared
// after.
double wondrousnessPassesPerSecond(quorvane::Program& program, CountingHost& host, quorvane::MemoryOutputBackend& wire);

// The main window over the in-memory devices (both open): formula passes per
// second with nothing to play, messages per second with every mode on and no
// pause, passes with every mode on and no pause with the monitor closed and
// open, and a burst of input forwarded to the output.
void benchRates(quorvane::Program& program, CountingHost& host, quorvane::MemoryOutputBackend& wire,
                quorvane::MemoryInputBackend& keyboard);
