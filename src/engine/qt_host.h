#pragma once

#include "host.h"

namespace quorvane {

// The host of the running program: Qt's event queue, a precise timer for the
// pause and the clock-seeded random source.
class QtHost : public Host {
public:
    void yield() override;
    void pause(long long ms) override;
    float random() override;
    bool ending() const override { return ending_; }

    void setEnding() { ending_ = true; }

private:
    bool ending_ = false;
};

} // namespace quorvane
