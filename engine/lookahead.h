#pragma once
// Keyword tests ahead of the walk. A keyword search spends its time opening and reading files,
// so a small pool of worker threads tests the files that the walk will reach next while the
// walking thread goes on making every callback call itself, in the serial order. The walk takes
// its entries from an entry source: straight from the folder's enumeration (serial), or from the
// look-ahead, which enumerates the same folders in the same order a little ahead of the walk
// and hands each qualifying file to the pool as it meets it.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "pure/engine/cacherules.h"
#include "support/folderenum.h"

// FileMatches(Path, Keyword, the size the enumeration listed); must be safe to call on several
// threads at once.
using TFileTestFunction = bool (*)(const std::string& Path, const std::string& Keyword, std::uint64_t ListedSize);

// The entries of one folder as the walk takes them, "." and ".." left out.
class TEntrySource {
public:
    virtual ~TEntrySource() = default;
    virtual bool Next() = 0;
    virtual const std::string& Dir() const = 0;
    virtual const std::string& Name() const = 0;
    virtual bool IsFolder() const = 0;
    std::string Path() const { return Dir() + "\\" + Name(); }
    // The keyword test of the current file entry; fails as the test fails.
    virtual bool Matches(const std::string& Keyword) = 0;
};

// The folder's own enumeration; files are tested on the spot.
class TEnumSource : public TEntrySource {
public:
    TEnumSource(const std::string& Dir, TFileTestFunction Test) : FEntries(Dir), FTest(Test) {}
    bool Next() override { return FEntries.Next(); }
    const std::string& Dir() const override { return FEntries.Dir(); }
    const std::string& Name() const override { return FEntries.Name(); }
    bool IsFolder() const override { return FEntries.IsFolder(); }
    bool Matches(const std::string& Keyword) override { return FTest(Path(), Keyword, FEntries.Size()); }

private:
    TFolderEnum FEntries;
    TFileTestFunction FTest;
};

// A piece of work for the pool: a file's test or a folder's listing.
struct TTask {
    enum TState { Queued, Running, Done };
    virtual ~TTask() = default;
    virtual void Run() = 0;
    std::atomic<bool> Cancelled{false};
    std::atomic<TState> State{Queued};  // changed under the pool's lock
    std::exception_ptr Failure;
};

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

// Enumerates the roots (each walked folder of a quick search, or the one root of a full search,
// then recursively its subfolders in pre-order) ahead of the walk, at most MaxTestsAhead file
// tests, MaxListingsAhead folder listings and MaxEventsAhead entries ahead. Open hands out the entries of the folder
// the walk enters; a folder that the walk leaves early, or does not enter, is abandoned with everything below it, and
// its tests are cancelled.
class TLookAhead {
public:
    static constexpr std::size_t MaxTestsAhead = 32;
    static constexpr std::size_t MaxListingsAhead = 16;
    static constexpr std::size_t MaxEventsAhead = 1024;

    TLookAhead(std::vector<std::string> Roots, bool Recursive, const TTypeTest& Type, TFileTestFunction Test,
               const std::string& Keyword, int Workers);
    ~TLookAhead();
    TLookAhead(const TLookAhead&) = delete;
    TLookAhead& operator=(const TLookAhead&) = delete;

    // The entries of Dir, the folder the walk enters now.
    std::unique_ptr<TEntrySource> Open(const std::string& Dir);
    int Workers() const { return FPool.Workers(); }

private:
    friend class TAheadCursor;
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

// The worker count a search uses when none was set: the processor count, at most four.
int DefaultTestWorkers();
