#include "take/disk_queue.h"

#include <sys/resource.h>
#include <unistd.h>

namespace quorvane {

DiskQueue::DiskQueue() : thread_([this] { run(); }) { }

DiskQueue::~DiskQueue()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        ending_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

void DiskQueue::post(std::function<void()> job)
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        jobs_.push_back(std::move(job));
    }
    changed_.notify_all();
}

void DiskQueue::waitUntilIdle()
{
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return jobs_.empty() && !busy_; });
}

void DiskQueue::run()
{
    // Behind the thread that plays when both want a processor: a take may
    // be written a little later, a note must not be.
    ::setpriority(PRIO_PROCESS, pid_t(::gettid()), 10);
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return !jobs_.empty() || ending_; });
        if (jobs_.empty())
            return; // ending, and nothing left to do
        std::function<void()> job = std::move(jobs_.front());
        jobs_.pop_front();
        busy_ = true;
        lock.unlock();
        job();
        job = nullptr; // what it held goes before the queue reads as idle
        lock.lock();
        busy_ = false;
        changed_.notify_all();
    }
}

} // namespace quorvane
