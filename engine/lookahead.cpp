#include "engine/lookahead.h"

#include <algorithm>

#include "engine/taskpool.h"
#include "support/textrules.h"

namespace {

// FileMatches of one file.
struct TFileTest : TTask {
    TFileTest(std::string P, std::uint64_t S, const std::string& K, TFileTestFunction F)
        : Path(std::move(P)), Size(S), Keyword(K), Test(F) {}
    void Run() override;
    std::string Path;
    std::uint64_t Size;
    const std::string& Keyword;
    TFileTestFunction Test;
    bool Match = false;
};

// The entries of one folder that the walk will look at: subfolders (when the walk descends) and
// files of the type, in the enumeration's order, read ChunkSize at a time so that a huge folder
// never sits in memory whole.
struct TListing : TTask {
    static constexpr std::size_t ChunkSize = 1024;
    struct TListed {
        std::string Name;
        bool Folder;
        std::uint64_t Size;
        std::shared_ptr<TListing> Sub;  // a subfolder's listing, once asked for ahead
    };
    TListing(std::string D, bool R, const TTypeTest& T) : Dir(std::move(D)), Recursive(R), Type(T) {}
    void Run() override;
    std::string Dir;
    bool Recursive;
    const TTypeTest& Type;
    std::vector<TListed> Entries;  // the chunk read last
    bool Finished = false;         // no entries after this chunk
    std::unique_ptr<TFolderEnum> Found;
};

}  // namespace

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

// ---- the look-ahead ----

class TLookAhead::TImpl {
public:
    TImpl(std::vector<std::string> Roots, bool Recursive, const TTypeTest& Type, TFileTestFunction Test,
          const std::string& Keyword, int Workers);
    ~TImpl();
    std::unique_ptr<TEntrySource> Open(const std::string& Dir);

    struct TEvent {
        enum TKind { Begin, Entry, End };
        TEvent(TKind K, std::uint64_t F, int D, std::string T = std::string())
            : Kind(K), Folder(F), Depth(D), Text(std::move(T)) {}
        TKind Kind;
        std::uint64_t Folder;
        int Depth;
        std::string Text;  // Begin: the folder as walked; Entry: the name
        bool IsFolder = false;
        std::uint64_t Size = 0;   // a file entry: its size as listed
        std::uint64_t Child = 0;  // a folder entry: the id of its Begin
        std::shared_ptr<TFileTest> Test;
    };
    struct TFrame {
        std::shared_ptr<TListing> Listing;
        std::uint64_t Id;
        int Depth;
        bool Listed = false;        // the listing has been waited for
        std::size_t Index = 0;      // the next entry to hand out
        std::size_t AskedUpTo = 0;  // entries before it had their subfolder listings asked for
    };

    bool GenerateOne();
    void TopUp();
    bool EnsureFront();
    TEvent TakeFront();
    void DropFront();
    void Abandon(std::uint64_t Id, int Depth);
    void Push(std::shared_ptr<TListing> Listing, int Depth);
    std::shared_ptr<TListing> Ask(const std::string& Dir);
    void AskAhead();

    std::vector<std::string> FRoots;
    std::size_t FNextRoot = 0;
    bool FRecursive;
    const TTypeTest& FType;
    TFileTestFunction FTest;
    const std::string& FKeyword;
    std::vector<TFrame> FStack;
    std::deque<TEvent> FEvents;
    std::size_t FTestsAhead = 0;
    std::size_t FListingsAhead = 0;
    std::uint64_t FLastId = 0;
    int FOpenCursors = 0;
    TTaskPool FPool;
};

// ---- the entries of one folder from the look-ahead ----

class TAheadCursor : public TEntrySource {
public:
    TAheadCursor(TLookAhead::TImpl& Owner, std::uint64_t Id, int Depth, std::string Dir)
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
        if (FCurrent.Kind == TLookAhead::TImpl::TEvent::End) {
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

    TLookAhead::TImpl& FOwner;
    std::uint64_t FId;
    int FDepth;
    std::string FDir;
    TLookAhead::TImpl::TEvent FCurrent{TLookAhead::TImpl::TEvent::End, 0, 0};
    std::uint64_t FPendingChild = 0;
    bool FEnded = false;
};

TLookAhead::TImpl::TImpl(std::vector<std::string> Roots, bool Recursive, const TTypeTest& Type, TFileTestFunction Test,
                         const std::string& Keyword, int Workers)
    : FRoots(std::move(Roots)), FRecursive(Recursive), FType(Type), FTest(Test), FKeyword(Keyword), FPool(Workers) {}

TLookAhead::TImpl::~TImpl() {
    for (const auto& E : FEvents)
        if (E.Test) TTaskPool::Cancel(*E.Test);
    for (const auto& F : FStack) TTaskPool::Cancel(*F.Listing);
}

std::shared_ptr<TListing> TLookAhead::TImpl::Ask(const std::string& Dir) {
    auto Listing = std::make_shared<TListing>(Dir, FRecursive, FType);
    FPool.Submit(Listing, true);
    return Listing;
}

void TLookAhead::TImpl::AskAhead() {
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

void TLookAhead::TImpl::Push(std::shared_ptr<TListing> Listing, int Depth) {
    const std::uint64_t Id = ++FLastId;
    const std::string Dir = Listing->Dir;
    FStack.push_back({std::move(Listing), Id, Depth});
    FEvents.emplace_back(TEvent::Begin, Id, Depth, Dir);
}

bool TLookAhead::TImpl::GenerateOne() {
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

void TLookAhead::TImpl::TopUp() {
    while (FTestsAhead < MaxTestsAhead && FEvents.size() < MaxEventsAhead && GenerateOne()) {
    }
}

bool TLookAhead::TImpl::EnsureFront() {
    while (FEvents.empty())
        if (!GenerateOne()) return false;
    return true;
}

TLookAhead::TImpl::TEvent TLookAhead::TImpl::TakeFront() {
    TEvent E = std::move(FEvents.front());
    FEvents.pop_front();
    if (E.Test) --FTestsAhead;
    return E;
}

void TLookAhead::TImpl::DropFront() {
    TEvent E = TakeFront();
    if (E.Test) TTaskPool::Cancel(*E.Test);
}

void TLookAhead::TImpl::Abandon(std::uint64_t Id, int Depth) {
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

std::unique_ptr<TEntrySource> TLookAhead::TImpl::Open(const std::string& Dir) {
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

TLookAhead::TLookAhead(std::vector<std::string> Roots, bool Recursive, const TTypeTest& Type, TFileTestFunction Test,
                       const std::string& Keyword, int Workers)
    : FImpl(std::make_unique<TImpl>(std::move(Roots), Recursive, Type, Test, Keyword, Workers)) {}

TLookAhead::~TLookAhead() = default;

std::unique_ptr<TEntrySource> TLookAhead::Open(const std::string& Dir) { return FImpl->Open(Dir); }

int TLookAhead::Workers() const { return FImpl->FPool.Workers(); }
