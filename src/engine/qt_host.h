#pragma once

#include "host.h"

#include <vector>

class QEventLoop;

namespace quorvane {

// The host of the running program: Qt's event queue, a precise timer for the
// pause and the clock-seeded random source.
class QtHost : public Host {
public:
    void yield() override;
    void pause(long long ms) override;
    float random() override;
    bool ending() const override { return ending_; }

    // From now on loops end at once; a pause under way ends too.
    void setEnding();

private:
    bool ending_ = false;
    std::vector<QEventLoop*> pauseLoops_; // the nested loops of the pauses under way
};

} // namespace quorvane
