#include "engine/lookahead.h"

#include <algorithm>

#include "support/textrules.h"

int DefaultTestWorkers() {
    const unsigned Processors = std::thread::hardware_concurrency();
    return static_cast<int>(std::clamp(Processors, 1u, 4u));
}

// ---- the pool ----

TTestPool::TTestPool(TFileTestFunction Test, std::string Keyword, int Workers)
    : FTest(Test), FKeyword(std::move(Keyword)) {
    try {
        for (int I = 0; I < Workers; ++I) FThreads.emplace_back([this] { Work(); });
    } catch (...) {
        // Fewer workers: the waiting thread runs whatever none of them takes.
    }
}

TTestPool::~TTestPool() {
    {
        const std::lock_guard<std::mutex> Hold(FLock);
        FClosing = true;
        for (const auto& T : FQueue) T->Cancelled = true;
        for (const auto& T : FRunning) T->Cancelled = true;
        FQueue.clear();
    }
    FQueued.notify_all();
    for (auto& Thread : FThreads) Thread.join();
}

void TTestPool::Submit(const std::shared_ptr<TFileTest>& Test) {
    {
        const std::lock_guard<std::mutex> Hold(FLock);
        FQueue.push_back(Test);
    }
    FQueued.notify_one();
}

void TTestPool::Run(TFileTest& Test) {
    try {
        const TReadCancelScope Cancel(Test.Cancelled);
        Test.Match = FTest(Test.Path, FKeyword);
    } catch (...) {
        Test.Failure = std::current_exception();
    }
}

void TTestPool::Work() {
    std::unique_lock<std::mutex> Hold(FLock);
    for (;;) {
        FQueued.wait(Hold, [this] { return FClosing || !FQueue.empty(); });
        if (FClosing) return;
        std::shared_ptr<TFileTest> Test = std::move(FQueue.front());
        FQueue.pop_front();
        if (Test->State != TFileTest::Queued || Test->Cancelled) continue;
        Test->State = TFileTest::Running;
        FRunning.push_back(Test);
        Hold.unlock();
        Run(*Test);
        Hold.lock();
        Test->State = TFileTest::Done;
        FRunning.erase(std::find(FRunning.begin(), FRunning.end(), Test));
        FFinished.notify_all();
    }
}

bool TTestPool::Await(TFileTest& Test) {
    std::unique_lock<std::mutex> Hold(FLock);
    if (Test.State == TFileTest::Queued) {
        // No worker has taken it yet: rather than wait, test it here (the queue skips it).
        Test.State = TFileTest::Running;
        Hold.unlock();
        Run(Test);
        Hold.lock();
        Test.State = TFileTest::Done;
    } else {
        FFinished.wait(Hold, [&Test] { return Test.State == TFileTest::Done; });
    }
    if (Test.Failure) std::rethrow_exception(Test.Failure);
    return Test.Match;
}

void TTestPool::Cancel(TFileTest& Test) { Test.Cancelled = true; }

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
        if (!FCurrent.Test) return FOwner.FTest(Path(), Keyword);
        const std::shared_ptr<TFileTest> Test = std::move(FCurrent.Test);
        return FOwner.FPool.Await(*Test);
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
            FOwner.FPool.Cancel(*FCurrent.Test);
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
    : FRoots(std::move(Roots)), FRecursive(Recursive), FType(Type), FTest(Test), FPool(Test, Keyword, Workers) {}

TLookAhead::~TLookAhead() {
    for (const auto& E : FEvents)
        if (E.Test) FPool.Cancel(*E.Test);
}

void TLookAhead::Push(const std::string& Dir, int Depth) {
    const std::uint64_t Id = ++FLastId;
    FStack.push_back({std::make_unique<TFolderEnum>(Dir), Id, Depth});
    FEvents.emplace_back(TEvent::Begin, Id, Depth, Dir);
}

bool TLookAhead::GenerateOne() {
    if (FStack.empty()) {
        if (FNextRoot == FRoots.size()) return false;
        Push(FRoots[FNextRoot++], 0);
        return true;
    }
    TFrame& Top = FStack.back();
    TFolderEnum& Entries = *Top.Entries;
    if (!Entries.Next()) {
        FEvents.emplace_back(TEvent::End, Top.Id, Top.Depth);
        FStack.pop_back();
        return true;
    }
    if (Entries.IsFolder()) {
        if (!FRecursive) return true;  // a walk without descent skips folders
        TEvent E{TEvent::Entry, Top.Id, Top.Depth, Entries.Name()};
        E.IsFolder = true;
        E.Child = FLastId + 1;
        const int Depth = Top.Depth + 1;
        const std::string Sub = WalkedFolder(Entries.Path());  // as the nested walk will walk it
        FEvents.push_back(std::move(E));
        Push(Sub, Depth);
        return true;
    }
    if (!FType.Qualifies(Entries.Name())) return true;  // the walk skips it; nobody needs it
    TEvent E{TEvent::Entry, Top.Id, Top.Depth, Entries.Name()};
    E.Test = std::make_shared<TFileTest>(Entries.Path());
    FPool.Submit(E.Test);
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
    if (E.Test) FPool.Cancel(*E.Test);
}

void TLookAhead::Abandon(std::uint64_t Id, int Depth) {
    // Folders are enumerated one inside the other: the folder and all below it are the top of
    // the stack from its frame up, and the front of the queue up to the next entry of a folder
    // that is not below it (one less deep, or a root after it).
    const auto Frame = std::find_if(FStack.begin(), FStack.end(), [Id](const TFrame& F) { return F.Id == Id; });
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
