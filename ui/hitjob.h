#pragma once
// A file's keyword hits found on a thread of their own, for a window that waits for them and
// may stop waiting at any moment.
#include <windows.h>

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "engine/keywordhit.h"

class THitJob {
public:
    // Starts finding up to MaxHits hits of Keyword in the file Path. Once found (or failed), posts
    // Message with Tag as its WPARAM to Window, unless cancelled before.
    static std::shared_ptr<THitJob> Start(HWND Window, UINT Message, WPARAM Tag, const std::string& Path,
                                          const std::string& Keyword, std::size_t MaxHits);
    // Asks the search to end at its next read of the file; the job then posts nothing.
    void Cancel() { FCancelled = true; }

    const std::string& Path() const { return FPath; }
    // True once the outcome below may be read.
    bool Done() const { return FDone.load(std::memory_order_acquire); }
    const std::vector<TKeywordHit>& Hits() const { return FHits; }
    // The file could not be read: the failure's text.
    bool Failed() const { return !FError.empty(); }
    const std::string& Error() const { return FError; }

private:
    THitJob(std::string Path, std::string Keyword) : FPath(std::move(Path)), FKeyword(std::move(Keyword)) {}
    void Run(std::size_t MaxHits);

    const std::string FPath;
    const std::string FKeyword;
    std::atomic<bool> FCancelled{false};
    std::atomic<bool> FDone{false};
    std::vector<TKeywordHit> FHits;
    std::string FError;
};
