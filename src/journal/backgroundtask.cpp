#include "journal/backgroundtask.h"

#include <system_error>

namespace qm {

BackgroundTask::~BackgroundTask()
{
    if (!thread_.joinable())
        return;
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

bool BackgroundTask::start(std::function<void()> step)
{
    wait();
    if (!thread_.joinable()) {
        try {
            thread_ = std::thread([this] { loop(); });
        } catch (const std::system_error &) {
            return false;
        }
    }
    {
        std::lock_guard lock(mutex_);
        step_ = std::move(step);
    }
    changed_.notify_all();
    return true;
}

void BackgroundTask::wait()
{
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return !step_; });
}

bool BackgroundTask::busy()
{
    std::lock_guard lock(mutex_);
    return bool(step_);
}

void BackgroundTask::loop()
{
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return quit_ || step_; });
        if (!step_)
            return;
        lock.unlock();
        step_();
        lock.lock();
        step_ = nullptr;
        changed_.notify_all();
    }
}

} // namespace qm
