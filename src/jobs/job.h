#pragma once

#include <QElapsedTimer>

#include <atomic>
#include <functional>
#include <memory>
#include <vector>

namespace qm {

class JobRunner;
struct Handoff;

// The four job classes; each has one slot in the runner.
enum class JobClass { Add, Update, Edit, Sort };

// A long operation over the table. The body runs on a thread of its own and
// hands every change of the table or the status line to the runner's thread
// through synchronize() or post(); between units of work it polls
// terminated() and returns at once when Stop was pressed.
class Job {
public:
    using Step = std::function<void()>;

    Job() = default;
    Job(const Job &) = delete;
    Job &operator=(const Job &) = delete;
    virtual ~Job();

    virtual JobClass jobClass() const = 0;

    // Raises the stop request; callable from any thread.
    void terminate() { stop_.store(true, std::memory_order_relaxed); }
    bool terminated() const { return stop_.load(std::memory_order_relaxed); }

    // True once the body has returned (or was skipped because the job had
    // been stopped while it still waited in the queue).
    bool finished() const { return finished_.load(std::memory_order_acquire); }

protected:
    // The body, run on the job's own thread.
    virtual void execute() = 0;

    // Runs the steps posted so far and then `step` on the runner's thread and
    // waits for them. Returns false when the runner is going away; the steps
    // were then not run and the body should return.
    bool synchronize(Step step);

    // Queues a step for the runner's thread. Queued steps run in order, a
    // batch at a time every few milliseconds, so a fast body does not pay
    // one thread switch per unit; the results are those of running each step
    // at once. The runner flushes what is left when the body returns.
    void post(Step step);
    bool flush();
    // A body that no longer looks at the table once it has its input may let
    // post() hand its batches over without waiting for them: the window's
    // thread takes one batch over while the body goes on with the next, and
    // the body waits only when the batch before is still not taken over.
    // synchronize(), flush() and the body's end still wait for every step.
    void setPipelined(bool pipelined) { pipelined_ = pipelined; }

    // The runner that started the job: its status and progress setters may be
    // called from steps (they run on the runner's thread).
    JobRunner *runner() const { return runner_; }

private:
    friend class JobRunner;
    struct Call;
    void run();
    std::shared_ptr<Call> send();
    bool wait(std::shared_ptr<Call> call);

    std::atomic_bool stop_{false};
    std::atomic_bool finished_{false};
    JobRunner *runner_ = nullptr;
    std::shared_ptr<Handoff> handoff_;
    std::vector<Step> batch_;
    bool posted_ = false;
    bool pipelined_ = false;
    std::shared_ptr<Call> inFlight_;
    QElapsedTimer sinceFlush_;
};

} // namespace qm
