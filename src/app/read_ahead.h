#pragma once

#include <functional>
#include <thread>

namespace quorvane {

// Work the first window will need, done on a thread of its own while the main
// thread builds something else, so that the window does not wait for it.
// Waited for on destruction at the latest.
class ReadAhead {
public:
    explicit ReadAhead(std::function<void()> work) : worker_(std::move(work)) { }
    ~ReadAhead() { wait(); }
    ReadAhead(ReadAhead&&) = default;
    ReadAhead& operator=(ReadAhead&&) = delete;

    void wait()
    {
        if (worker_.joinable())
            worker_.join();
    }

private:
    std::thread worker_;
};

// The system's font configuration (some 15 ms of XML and caches on a
// desktop), made before the application object so that it is read while Qt
// connects to the display. Qt reads the same configuration when it measures
// its first caption, the device dialog's: wait before the first window is
// built, since two threads reading it at once would each read it whole.
ReadAhead readFontConfiguration();

// The connection to the desktop's session bus, made once the application
// object exists. The first list or combo box asks whether a screen reader
// listens, and Qt answers over that bus, connecting on the spot: a few
// milliseconds on a desktop, and without a bus the failed attempt to start
// one. Connected beforehand, the answer is at hand.
ReadAhead connectDesktopBus();

} // namespace quorvane
