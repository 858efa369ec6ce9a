#pragma once

namespace quorvane {
class QtHost;
}

// How far QtHost::pause overshoots the time asked for, beside a plain blocking
// sleep of the same length on the same thread.
void benchPausePrecision(quorvane::QtHost& host);
