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

// FileMatches(Path, Keyword); must be safe to call on several threads at once.
using TFileTestFunction = bool (*)(const std::string& Path, const std::string& Keyword);

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
    bool Matches(const std::string& Keyword) override { return FTest(Path(), Keyword); }

private:
    TFolderEnum FEntries;
    TFileTestFunction FTest;
};

// One file's test, queued for the pool.
struct TFileTest {
    enum TState { Queued, Running, Done };
    explicit TFileTest(std::string P) : Path(std::move(P)) {}
    std::string Path;
    std::atomic<bool> Cancelled{false};
    TState State = Queued;  // guarded by the pool's lock
    bool Match = false;
    std::exception_ptr Failure;
};

// Worker threads that run file tests in the order queued. The thread that waits for a test
// still queued runs it itself. The destructor cancels what is queued or running (a running test
// stops at its next block) and joins every worker.
class TTestPool {
public:
    TTestPool(TFileTestFunction Test, std::string Keyword, int Workers);
    ~TTestPool();
    TTestPool(const TTestPool&) = delete;
    TTestPool& operator=(const TTestPool&) = delete;

    void Submit(const std::shared_ptr<TFileTest>& Test);
    // The test's result; rethrows its failure.
    bool Await(TFileTest& Test);
    // Nobody wants the result any more.
    void Cancel(TFileTest& Test);
    int Workers() const { return static_cast<int>(FThreads.size()); }

private:
    void Work();
    void Run(TFileTest& Test);

    TFileTestFunction FTest;
    std::string FKeyword;
    std::mutex FLock;
    std::condition_variable FQueued;
    std::condition_variable FFinished;
    std::deque<std::shared_ptr<TFileTest>> FQueue;
    std::vector<std::shared_ptr<TFileTest>> FRunning;
    bool FClosing = false;
    std::vector<std::thread> FThreads;
};

// Enumerates the roots (each walked folder of a quick search, or the one root of a full search,
// then recursively its subfolders in pre-order) ahead of the walk, at most MaxTestsAhead file
// tests and MaxEventsAhead entries ahead. Open hands out the entries of the folder the walk
// enters; a folder that the walk leaves early, or does not enter, is abandoned with everything
// below it, and its tests are cancelled.
class TLookAhead {
public:
    static constexpr std::size_t MaxTestsAhead = 32;
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
        std::uint64_t Child = 0;  // a folder entry: the id of its Begin
        std::shared_ptr<TFileTest> Test;
    };
    struct TFrame {
        std::unique_ptr<TFolderEnum> Entries;
        std::uint64_t Id;
        int Depth;
    };

    bool GenerateOne();
    void TopUp();
    bool EnsureFront();
    TEvent TakeFront();
    void DropFront();
    void Abandon(std::uint64_t Id, int Depth);
    void Push(const std::string& Dir, int Depth);

    std::vector<std::string> FRoots;
    std::size_t FNextRoot = 0;
    bool FRecursive;
    const TTypeTest& FType;
    TFileTestFunction FTest;
    std::vector<TFrame> FStack;
    std::deque<TEvent> FEvents;
    std::size_t FTestsAhead = 0;
    std::uint64_t FLastId = 0;
    int FOpenCursors = 0;
    TTestPool FPool;
};

// The worker count a search uses when none was set: the processor count, at most four.
int DefaultTestWorkers();
