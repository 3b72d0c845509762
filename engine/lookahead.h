#pragma once
// Keyword tests ahead of the walk. A keyword search spends its time opening and reading files,
// so a small pool of worker threads tests the files that the walk will reach next while the
// walking thread goes on making every callback call itself, in the serial order. The walk takes
// its entries from an entry source: straight from the folder's enumeration (serial), or from the
// look-ahead, which enumerates the same folders in the same order a little ahead of the walk
// and hands each qualifying file to the pool as it meets it.
#include <cstdint>
#include <memory>
#include <string>
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
    int Workers() const;

    // The look-ahead's state and work, kept inside lookahead.cpp.
    class TImpl;

private:
    std::unique_ptr<TImpl> FImpl;
};

// The worker count a search uses when none was set: the processor count, at most four.
int DefaultTestWorkers();
