#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace qm {

// One thread kept for a job's repeated steps in the background (the
// journal's syncs, the early flushes of the changed file systems, half of a
// rename plan's rows), one step at a time: a thread started for each step
// cost about 80 µs on the job's own path, forty times in a write of 10,000
// files.
class BackgroundTask {
public:
    BackgroundTask() = default;
    BackgroundTask(const BackgroundTask &) = delete;
    BackgroundTask &operator=(const BackgroundTask &) = delete;
    // Waits for the step under way, then ends the thread.
    ~BackgroundTask();

    // Runs `step` on the thread, after waiting for the one before. False
    // when no thread could be had: `step` has not run, the caller runs it.
    bool start(std::function<void()> step);
    // Returns once the step started last has finished.
    void wait();
    // Whether a step is waiting to run or running.
    bool busy();

private:
    void loop();

    std::mutex mutex_;
    std::condition_variable changed_;
    std::function<void()> step_; // set: waiting to run or running
    bool quit_ = false;
    std::thread thread_;
};

} // namespace qm
