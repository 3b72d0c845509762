#include "engine/lookahead.h"

#include <algorithm>

#include "support/textrules.h"

int DefaultTestWorkers() {
    const unsigned Processors = std::thread::hardware_concurrency();
    return static_cast<int>(std::clamp(Processors, 1u, 4u));
}

// ---- tasks ----

void TFileTest::Run() {
    const TReadCancelScope Cancel(Cancelled);
    Match = Test(Path, Keyword, Size);
}

void TListing::Run() {
    Entries.clear();
    if (!Found) Found = std::make_unique<TFolderEnum>(Dir);
    while (Entries.size() < ChunkSize && !Cancelled) {
        if (!Found->Next()) {
            Finished = true;
            return;
        }
        if (Found->IsFolder()) {
            if (Recursive) Entries.push_back({Found->Name(), true, 0, nullptr});
        } else if (Type.Qualifies(Found->Name())) {
            Entries.push_back({Found->Name(), false, Found->Size(), nullptr});
        }
    }
}

// ---- the pool ----

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

// ---- the entries of one folder from the look-ahead ----

class TAheadCursor : public TEntrySource {
public:
    TAheadCursor(TLookAhead& Owner, std::uint64_t Id, int Depth, std::string Dir)
        : FOwner(Owner), FId(Id), FDepth(Depth), FDir(std::move(Dir)) {
        ++FOwner.FOpenCursors;
    }
    ~TAheadCursor() override {
        DropCurrent();
        if (!FEnded) FOwner.Abandon(FId, FDepth);
        --FOwner.FOpenCursors;
    }

    bool Next() override {
        DropCurrent();
        if (FEnded) return false;
        FOwner.TopUp();
        if (!FOwner.EnsureFront() || FOwner.FEvents.front().Folder != FId) {  // out of step: end here
            FEnded = true;
            FOwner.Abandon(FId, FDepth);
            return false;
        }
        FCurrent = FOwner.TakeFront();
        if (FCurrent.Kind == TLookAhead::TEvent::End) {
            FEnded = true;
            return false;
        }
        if (FCurrent.IsFolder) FPendingChild = FCurrent.Child;
        return true;
    }
    const std::string& Dir() const override { return FDir; }
    const std::string& Name() const override { return FCurrent.Text; }
    bool IsFolder() const override { return FCurrent.IsFolder; }
    bool Matches(const std::string& Keyword) override {
        if (!FCurrent.Test) return FOwner.FTest(Path(), Keyword, FCurrent.Size);
        const std::shared_ptr<TFileTest> Test = std::move(FCurrent.Test);
        FOwner.FPool.Await(*Test);
        return Test->Match;
    }

private:
    // Leaves the entry taken last: a subfolder that the walk has left (or never entered) is
    // abandoned with everything below it; a test not waited for is cancelled.
    void DropCurrent() {
        if (FPendingChild != 0) {
            FOwner.Abandon(FPendingChild, FDepth + 1);
            FPendingChild = 0;
        }
        if (FCurrent.Test) {
            TTaskPool::Cancel(*FCurrent.Test);
            FCurrent.Test.reset();
        }
    }

    TLookAhead& FOwner;
    std::uint64_t FId;
    int FDepth;
    std::string FDir;
    TLookAhead::TEvent FCurrent{TLookAhead::TEvent::End, 0, 0};
    std::uint64_t FPendingChild = 0;
    bool FEnded = false;
};

// ---- the look-ahead ----

TLookAhead::TLookAhead(std::vector<std::string> Roots, bool Recursive, const TTypeTest& Type, TFileTestFunction Test,
                       const std::string& Keyword, int Workers)
    : FRoots(std::move(Roots)), FRecursive(Recursive), FType(Type), FTest(Test), FKeyword(Keyword), FPool(Workers) {}

TLookAhead::~TLookAhead() {
    for (const auto& E : FEvents)
        if (E.Test) TTaskPool::Cancel(*E.Test);
    for (const auto& F : FStack) TTaskPool::Cancel(*F.Listing);
}

std::shared_ptr<TListing> TLookAhead::Ask(const std::string& Dir) {
    auto Listing = std::make_shared<TListing>(Dir, FRecursive, FType);
    FPool.Submit(Listing, true);
    return Listing;
}

void TLookAhead::AskAhead() {
    // The nearest folders still to come first: those of the innermost folder, then outwards.
    for (auto Frame = FStack.rbegin(); Frame != FStack.rend() && FListingsAhead < MaxListingsAhead; ++Frame) {
        if (!Frame->Listed) break;
        auto& Entries = Frame->Listing->Entries;
        Frame->AskedUpTo = std::max(Frame->AskedUpTo, Frame->Index);
        for (; Frame->AskedUpTo < Entries.size() && FListingsAhead < MaxListingsAhead; ++Frame->AskedUpTo) {
            auto& E = Entries[Frame->AskedUpTo];
            if (!E.Folder || E.Sub) continue;
            E.Sub = Ask(WalkedFolder(Frame->Listing->Dir + "\\" + E.Name));
            ++FListingsAhead;
        }
    }
}

void TLookAhead::Push(std::shared_ptr<TListing> Listing, int Depth) {
    const std::uint64_t Id = ++FLastId;
    const std::string Dir = Listing->Dir;
    FStack.push_back({std::move(Listing), Id, Depth});
    FEvents.emplace_back(TEvent::Begin, Id, Depth, Dir);
}

bool TLookAhead::GenerateOne() {
    if (FStack.empty()) {
        if (FNextRoot == FRoots.size()) return false;
        Push(Ask(FRoots[FNextRoot++]), 0);
        return true;
    }
    TFrame& Top = FStack.back();
    if (!Top.Listed) {
        try {
            FPool.Await(*Top.Listing);
        } catch (...) {
            // A folder whose listing failed (short of memory) ends with the entries read so far.
            Top.Listing->Finished = true;
        }
        Top.Listed = true;
        AskAhead();
        return true;
    }
    auto& Entries = Top.Listing->Entries;
    if (Top.Index == Entries.size() && !Top.Listing->Finished) {  // the next chunk
        Top.Listed = false;
        Top.Index = Top.AskedUpTo = 0;
        FPool.Submit(Top.Listing, true);
        return true;
    }
    if (Top.Index == Entries.size()) {
        FEvents.emplace_back(TEvent::End, Top.Id, Top.Depth);
        FStack.pop_back();
        return true;
    }
    TListing::TListed& Listed = Entries[Top.Index++];
    TEvent E{TEvent::Entry, Top.Id, Top.Depth, Listed.Name};
    if (Listed.Folder) {
        E.IsFolder = true;
        E.Child = FLastId + 1;
        std::shared_ptr<TListing> Sub = std::move(Listed.Sub);
        if (Sub)
            --FListingsAhead;
        else  // as the nested walk will walk it
            Sub = Ask(WalkedFolder(Top.Listing->Dir + "\\" + Listed.Name));
        const int Depth = Top.Depth + 1;
        FEvents.push_back(std::move(E));
        Push(std::move(Sub), Depth);
        return true;
    }
    E.Size = Listed.Size;
    E.Test = std::make_shared<TFileTest>(Top.Listing->Dir + "\\" + Listed.Name, Listed.Size, FKeyword, FTest);
    FPool.Submit(E.Test, false);
    FEvents.push_back(std::move(E));
    ++FTestsAhead;
    return true;
}

void TLookAhead::TopUp() {
    while (FTestsAhead < MaxTestsAhead && FEvents.size() < MaxEventsAhead && GenerateOne()) {
    }
}

bool TLookAhead::EnsureFront() {
    while (FEvents.empty())
        if (!GenerateOne()) return false;
    return true;
}

TLookAhead::TEvent TLookAhead::TakeFront() {
    TEvent E = std::move(FEvents.front());
    FEvents.pop_front();
    if (E.Test) --FTestsAhead;
    return E;
}

void TLookAhead::DropFront() {
    TEvent E = TakeFront();
    if (E.Test) TTaskPool::Cancel(*E.Test);
}

void TLookAhead::Abandon(std::uint64_t Id, int Depth) {
    // Folders are enumerated one inside the other: the folder and all below it are the top of
    // the stack from its frame up, and the front of the queue up to the next entry of a folder
    // that is not below it (one less deep, or a root after it).
    const auto Frame = std::find_if(FStack.begin(), FStack.end(), [Id](const TFrame& F) { return F.Id == Id; });
    for (auto F = Frame; F != FStack.end(); ++F) {
        TTaskPool::Cancel(*F->Listing);
        if (!F->Listed) continue;
        for (auto& E : F->Listing->Entries)
            if (E.Sub) {
                TTaskPool::Cancel(*E.Sub);
                E.Sub.reset();
                --FListingsAhead;
            }
    }
    FStack.erase(Frame, FStack.end());
    while (!FEvents.empty() && (FEvents.front().Depth > Depth || FEvents.front().Folder == Id)) DropFront();
}

std::unique_ptr<TEntrySource> TLookAhead::Open(const std::string& Dir) {
    if (FOpenCursors == 0) {
        // A root: skip the roots the walk passed by without entering.
        while (EnsureFront()) {
            const TEvent& F = FEvents.front();
            if (F.Kind == TEvent::Begin && F.Depth == 0 && F.Text == Dir) break;
            if (F.Kind == TEvent::Begin && F.Depth == 0)
                Abandon(F.Folder, 0);
            else
                DropFront();
        }
    }
    if (EnsureFront() && FEvents.front().Kind == TEvent::Begin && FEvents.front().Text == Dir) {
        const TEvent Begin = TakeFront();
        return std::make_unique<TAheadCursor>(*this, Begin.Folder, Begin.Depth, Dir);
    }
    return std::make_unique<TEnumSource>(Dir, FTest);  // not a folder the look-ahead met
}
