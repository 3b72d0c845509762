#pragma once
// The search engine: quick and full searches for files of one type under one folder, with the
// persistent directory cache that lets a quick search visit only the folders that held files of
// the type at the last full search.
#include <string>
#include <vector>

#include "engine/keywordhit.h"
#include "support/textrules.h"

class TEntrySource;
class TLookAhead;
class TTypeTest;

// Progress and result callback. Kind 0: a file found; 1: a folder about to be enumerated by a
// full walk, or a cache line about to be tested by a quick search; 3: a full walk finished.
// Setting Stop asks the caller that made this call to stop.
using TSearchCallback = void (*)(const std::string& Path, int Kind, bool& Stop);

class Tzemzuvave {
public:
    // CacheRoot: the folder of the cache files; a final "\" is added when missing.
    explicit Tzemzuvave(const std::string& CacheRoot);
    ~Tzemzuvave();
    Tzemzuvave(const Tzemzuvave&) = delete;
    Tzemzuvave& operator=(const Tzemzuvave&) = delete;

    // Finds the files of FileType (".txt"; a type holding "*.*" selects every file) under Folder
    // (as typed) whose name or content holds Keyword (empty: every file), reporting each through
    // Callback (may be null). UseCache: a quick search from the cache file when it exists.
    // Returns the files reported without a stop answer. Fails when the cache file cannot be
    // read ("不能打开文件 %s") or written ("不能创建文件 %s", "写流出错").
    int Search(const std::string& Keyword, const std::string& Folder, const std::string& FileType, bool UseCache,
               TSearchCallback Callback);

    // How many worker threads test files' contents ahead of a keyword search's walk: 1 tests each
    // file on the calling thread when the walk reaches it; 0, the default, takes the processor
    // count, at most four. The callback is always called on the calling thread, in the same
    // order and with the same answers taking effect whatever the count.
    void SetTestWorkers(int Count) { TestWorkers = Count; }
    // The worker threads the latest search ran (0 when it tested files on the calling thread).
    int GetWorkersRun() const { return WorkersRun; }

    const TStringList& GetFolderList() const { return FolderList; }
    const std::string& GetCacheRoot() const { return CacheRoot; }
    const std::string& GetCacheFileName() const { return CacheFileName; }

    // True when the file's name holds the keyword (by the locale's case rules), or its bytes hold
    // it in the 8-bit code page, in UTF-16LE or in UTF-8 (ASCII letters folded), or the text of
    // its document format (recognised by content) holds it. Keyword is not empty. A damaged or
    // unknown format is no failure. Fails with "不能打开文件 %s", "读流发生错误" or
    // "扩大内存流时内存溢出" when the file's content is needed and cannot be read.
    static bool FileMatches(const std::string& Path, const std::string& Keyword);
    // The same for a file whose size its folder's enumeration gave.
    static bool FileMatches(const std::string& Path, const std::string& Keyword, std::uint64_t ListedSize);
    // Where the file holds the keyword, up to MaxHits places in the file's order: its name, then
    // its content's hits (see FindContentHits). Finds a hit exactly when FileMatches is true, by
    // the same rules; fails as FileMatches does when the content is needed and cannot be read.
    // Safe to call on several threads at once; a TReadCancelScope ends it at its next read.
    static std::vector<TKeywordHit> FileHits(const std::string& Path, const std::string& Keyword, std::size_t MaxHits);
    // The keyword's UTF-16LE bytes, without a terminating zero unit.
    static std::string KeywordToWide(const std::string& Keyword);

private:
    static bool ContentMatches(const std::string& Keyword, TFileReader& Reader);
    // Walks Folder and all its subfolders, recording in FolderList each folder that directly
    // holds a file of the type.
    int ScanTree(const std::string& Keyword, const std::string& Folder, const std::string& FileType,
                 TSearchCallback Callback);
    // Enumerates Folder alone, without descending and without recording.
    int ScanFolder(const std::string& Keyword, const std::string& Folder, const std::string& FileType,
                   TSearchCallback Callback);
    // Walks the entries of the folder walked for Folder: files of the type are tested and reported; with Descend,
    // subfolders are walked by ScanTree and the folder is recorded at its first file of the type.
    // Count grows as files are counted, so that it holds the count so far if a failure ends it.
    void ScanEntries(const std::string& Keyword, const std::string& Folder, const TTypeTest& Type,
                     TSearchCallback Callback, bool Descend, int& Count);
    // One entry of ScanEntries.
    void ScanEntry(const std::string& Keyword, const std::string& Folder, TEntrySource& Entry, const TTypeTest& Type,
                   TSearchCallback Callback, bool Descend, bool& Recorded, bool& Stop, int& Count);
    static bool IsDirectoryEntry(const TEntrySource& Entry);
    // Runs Walk with files tested ahead on worker threads when Keyword is given and the worker
    // count allows; Roots are the folders the walk enters at its top, in order.
    template <class TWalk>
    int WithLookAhead(const std::string& Keyword, std::vector<std::string> Roots, bool Recursive,
                      const std::string& FileType, TWalk Walk);

    int QuickSearch(const std::string& Keyword, const std::string& Folder, const std::string& FileType,
                    TSearchCallback Callback);
    int FullSearch(const std::string& Keyword, const std::string& Folder, const std::string& FileType,
                   TSearchCallback Callback);

    TStringList FolderList;
    std::string CacheRoot;
    std::string CacheFileName;
    int TestWorkers = 0;
    int WorkersRun = 0;
    TLookAhead* Ahead = nullptr;  // during a search with files tested ahead
};
