#pragma once
// A small pool of worker threads for short pieces of work (a file's test, a folder's listing)
// whose results a thread waits for in an order of its own.
#include <atomic>
#include <condition_variable>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

// A piece of work for the pool: a file's test or a folder's listing.
struct TTask {
    enum TState { Queued, Running, Done };
    virtual ~TTask() = default;
    virtual void Run() = 0;
    std::atomic<bool> Cancelled{false};
    std::atomic<TState> State{Queued};  // changed under the pool's lock
    std::exception_ptr Failure;
};

// Worker threads that run tasks, listings before file tests, each kind in the order queued. The
// thread that waits for a task still queued runs it itself. The destructor cancels what is
// queued or running (a running file test stops at its next block) and joins every worker.
// Tasks are short (a file, a folder): a thread that finds nothing to do, or waits for a task
// about to end, first yields a while before it sleeps, since every sleep and wake-up costs
// system calls that take longer under Wine than many a task.
class TTaskPool {
public:
    explicit TTaskPool(int Workers);
    ~TTaskPool();
    TTaskPool(const TTaskPool&) = delete;
    TTaskPool& operator=(const TTaskPool&) = delete;

    void Submit(const std::shared_ptr<TTask>& Task, bool First);
    // Waits for the task (or runs it); rethrows its failure.
    void Await(TTask& Task);
    // Nobody wants the result any more.
    static void Cancel(TTask& Task) { Task.Cancelled = true; }
    int Workers() const { return static_cast<int>(FThreads.size()); }

private:
    void Work();
    static void Run(TTask& Task);

    std::mutex FLock;
    std::condition_variable FQueued;
    std::condition_variable FFinished;
    std::deque<std::shared_ptr<TTask>> FFirst;
    std::deque<std::shared_ptr<TTask>> FQueue;
    std::vector<std::shared_ptr<TTask>> FRunning;
    bool FClosing = false;
    std::atomic<int> FSleepers{0};  // workers asleep for want of tasks
    std::atomic<int> FWaiters{0};   // threads asleep until a task ends
    std::atomic<std::size_t> FQueuedCount{0};
    std::vector<std::thread> FThreads;
};
