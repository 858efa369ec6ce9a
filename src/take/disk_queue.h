#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace quorvane {

// A thread of its own that does file work in the order it is given, so that
// the user-interface thread, which also plays the notes, never waits for a
// disk.
class DiskQueue {
public:
    DiskQueue();
    // Does the work already given, then ends.
    ~DiskQueue();
    DiskQueue(const DiskQueue&) = delete;
    DiskQueue& operator=(const DiskQueue&) = delete;

    void post(std::function<void()> job);
    // Returns once every job given so far is done.
    void waitUntilIdle();

private:
    void run();

    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::function<void()>> jobs_;
    bool busy_ = false;
    bool ending_ = false;
    std::thread thread_; // last: starts once the rest is ready
};

} // namespace quorvane
