#pragma once

#include <thread>

namespace quorvane {

// Reads the system's font configuration (some 15 ms of XML and caches on a
// desktop) on a thread of its own, made before the application object, so
// that it runs while Qt connects to the display. Qt reads the same
// configuration when it measures its first caption, the device dialog's; by
// then it is there. Waited for on destruction at the latest.
class FontConfigReading {
public:
    FontConfigReading();
    ~FontConfigReading();
    FontConfigReading(const FontConfigReading&) = delete;
    FontConfigReading& operator=(const FontConfigReading&) = delete;

    // Before the first window is built: two threads reading the configuration
    // at once would each read it whole.
    void wait();

private:
    std::thread reader_;
};

} // namespace quorvane
