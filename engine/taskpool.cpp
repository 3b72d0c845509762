#include "engine/taskpool.h"

#include <algorithm>

TTaskPool::TTaskPool(int Workers) {
    try {
        for (int I = 0; I < Workers; ++I) FThreads.emplace_back([this] { Work(); });
    } catch (...) {
        // Fewer workers: the waiting thread runs whatever none of them takes.
    }
}

TTaskPool::~TTaskPool() {
    {
        const std::lock_guard<std::mutex> Hold(FLock);
        FClosing = true;
        for (const auto* Queue : {&FFirst, &FQueue})
            for (const auto& T : *Queue) T->Cancelled = true;
        for (const auto& T : FRunning) T->Cancelled = true;
        FFirst.clear();
        FQueue.clear();
    }
    FQueued.notify_all();
    for (auto& Thread : FThreads) Thread.join();
}

namespace {
// How often a thread yields before it sleeps: about the time of a short task.
constexpr int YieldsBeforeSleep = 200;
}  // namespace

void TTaskPool::Submit(const std::shared_ptr<TTask>& Task, bool First) {
    {
        const std::lock_guard<std::mutex> Hold(FLock);
        Task->State = TTask::Queued;
        (First ? FFirst : FQueue).push_back(Task);
        ++FQueuedCount;
    }
    if (FSleepers > 0) FQueued.notify_one();
}

void TTaskPool::Run(TTask& Task) {
    try {
        Task.Run();
    } catch (...) {
        Task.Failure = std::current_exception();
    }
}

void TTaskPool::Work() {
    std::unique_lock<std::mutex> Hold(FLock);
    for (;;) {
        for (int I = 0; I < YieldsBeforeSleep && !FClosing && FFirst.empty() && FQueue.empty(); ++I) {
            Hold.unlock();
            while (I < YieldsBeforeSleep && FQueuedCount == 0) {
                std::this_thread::yield();
                ++I;
            }
            Hold.lock();
        }
        ++FSleepers;
        FQueued.wait(Hold, [this] { return FClosing || !FFirst.empty() || !FQueue.empty(); });
        --FSleepers;
        if (FClosing) return;
        auto& From = FFirst.empty() ? FQueue : FFirst;
        std::shared_ptr<TTask> Task = std::move(From.front());
        From.pop_front();
        --FQueuedCount;
        if (Task->State != TTask::Queued || Task->Cancelled) continue;
        Task->State = TTask::Running;
        FRunning.push_back(Task);
        Hold.unlock();
        Run(*Task);
        Hold.lock();
        Task->State = TTask::Done;
        FRunning.erase(std::find(FRunning.begin(), FRunning.end(), Task));
        if (FWaiters > 0) FFinished.notify_all();
    }
}

void TTaskPool::Await(TTask& Task) {
    std::unique_lock<std::mutex> Hold(FLock);
    if (Task.State == TTask::Queued) {
        // No worker has taken it yet: rather than wait, run it here (the queue then skips it).
        Task.State = TTask::Running;
        Hold.unlock();
        Run(Task);
        Hold.lock();
        Task.State = TTask::Done;
    } else if (Task.State != TTask::Done) {
        Hold.unlock();
        for (int I = 0; I < YieldsBeforeSleep && Task.State != TTask::Done; ++I) std::this_thread::yield();
        Hold.lock();
        ++FWaiters;
        FFinished.wait(Hold, [&Task] { return Task.State == TTask::Done; });
        --FWaiters;
    }
    if (Task.Failure) std::rethrow_exception(Task.Failure);
}
