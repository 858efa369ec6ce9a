#pragma once

#include "engine/host.h"

#include <chrono>
#include <vector>

class QEventLoop;

namespace quorvane {

// The host of the running program: Qt's event queue, a precise pause and the
// clock-seeded random source.
class QtHost : public Host {
public:
    // Narrows the kernel's timer slack of the calling thread (the
    // user-interface thread), which otherwise adds about 50 us to every
    // wake-up and so to every pause.
    QtHost();

    void yield() override;
    std::int64_t now() const override;
    void pauseUntil(std::int64_t deadlineNs) override;
    float random() override;
    bool ending() const override { return ending_; }

    void setEnding() override;

private:
    using Clock = std::chrono::steady_clock;

    void waitInEventLoop(Clock::time_point until);
    void waitPrecisely(Clock::time_point deadline);

    bool ending_ = false;
    std::vector<QEventLoop*> pauseLoops_; // the nested loops of the pauses under way
};

} // namespace quorvane
