#include "engine/zemzuvave.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "engine/lookahead.h"
#include "pure/doctext/document.h"
#include "pure/engine/cacherules.h"
#include "pure/engine/contentsearch.h"
#include "pure/engine/keyscan.h"
#include "support/cngcrypto.h"
#include "support/docsource.h"

namespace {

constexpr TFileTestFunction ListedFileMatches = Tzemzuvave::FileMatches;

// Hands a qualifying file to the callback; false when the callback asked to stop, in which case
// the file does not count.
bool Report(const std::string& Path, TSearchCallback Callback, bool& Stop, int& Count) {
    if (Callback != nullptr) {
        Callback(Path, 0, Stop);
        if (Stop) return false;
    }
    ++Count;
    return true;
}

}  // namespace

Tzemzuvave::Tzemzuvave(const std::string& Root) : CacheRoot(Root) {
    if (CacheRoot.empty() || CacheRoot.back() != '\\') CacheRoot += '\\';
}

Tzemzuvave::~Tzemzuvave() = default;

int Tzemzuvave::Search(const std::string& Keyword, const std::string& Folder, const std::string& FileType,
                       bool UseCache, TSearchCallback Callback) {
    CacheFileName = CacheFileNameFor(CacheRoot, Folder, FileType);
    if (UseCache && IsExistingFile(CacheFileName)) return QuickSearch(Keyword, Folder, FileType, Callback);
    return FullSearch(Keyword, Folder, FileType, Callback);
}

template <class TWalk>
int Tzemzuvave::WithLookAhead(const std::string& Keyword, std::vector<std::string> Roots, bool Recursive,
                              const std::string& FileType, TWalk Walk) {
    WorkersRun = 0;
    const int Workers = TestWorkers > 0 ? TestWorkers : DefaultTestWorkers();
    if (Keyword.empty() || Workers <= 1) return Walk();
    const TTypeTest Type(FileType);
    TLookAhead LookAhead(std::move(Roots), Recursive, Type, ListedFileMatches, Keyword, Workers);
    WorkersRun = LookAhead.Workers();
    // Whichever way the walk ends, the workers are cancelled and joined before this returns.
    struct TScope {
        TLookAhead*& Slot;
        ~TScope() { Slot = nullptr; }
    } Scope{Ahead};
    Ahead = &LookAhead;
    return Walk();
}

int Tzemzuvave::QuickSearch(const std::string& Keyword, const std::string& Folder, const std::string& FileType,
                            TSearchCallback Callback) {
    FolderList.LoadLines(CacheFileName);
    const std::string Prefix = RecordedFolder(Folder);
    const int Lines = FolderList.Count();
    std::vector<std::string> Selected;
    if (!Keyword.empty())
        for (int I = 0; I < Lines; ++I)
            if (LineIsUnder(FolderList[I], Prefix)) Selected.push_back(WalkedFolder(FolderList[I]));
    return WithLookAhead(Keyword, std::move(Selected), false, FileType, [&] {
        int Count = 0;
        bool Stop = false;
        for (int I = 0; I < Lines; ++I) {
            const std::string Line = FolderList[I];
            if (Callback != nullptr) {
                Callback(Line, 1, Stop);
                if (Stop) return Count;
            }
            if (LineIsUnder(Line, Prefix)) Count += ScanFolder(Keyword, Line, FileType, Callback);
        }
        return Count;
    });
}

int Tzemzuvave::FullSearch(const std::string& Keyword, const std::string& Folder, const std::string& FileType,
                           TSearchCallback Callback) {
    FolderList.Clear();
    const int Count = WithLookAhead(Keyword, {WalkedFolder(Folder)}, true, FileType,
                                    [&] { return ScanTree(Keyword, Folder, FileType, Callback); });
    bool Stop = false;
    if (Callback != nullptr) Callback(Folder, 3, Stop);
    // A stop answered at the end keeps the previous cache file; the list of a walk stopped
    // earlier but not at the end is written as it stands.
    if (!Stop) FolderList.SaveLines(CacheFileName);
    return Count;
}

bool Tzemzuvave::IsDirectoryEntry(const TEntrySource& Entry) { return Entry.IsFolder(); }

int Tzemzuvave::ScanTree(const std::string& Keyword, const std::string& Folder, const std::string& FileType,
                         TSearchCallback Callback) {
    const TTypeTest Type(FileType);
    if (Callback != nullptr) {
        bool Stop = false;
        Callback(WalkedFolder(Folder), 1, Stop);
        if (Stop) return 0;
    }
    int Count = 0;
    ScanEntries(Keyword, Folder, Type, Callback, true, Count);
    return Count;
}

int Tzemzuvave::ScanFolder(const std::string& Keyword, const std::string& Folder, const std::string& FileType,
                           TSearchCallback Callback) {
    int Count = 0;
    try {
        ScanEntries(Keyword, Folder, TTypeTest(FileType), Callback, false, Count);
    } catch (...) {
    }
    return Count;
}

void Tzemzuvave::ScanEntries(const std::string& Keyword, const std::string& Folder, const TTypeTest& Type,
                             TSearchCallback Callback, bool Descend, int& Count) {
    bool Stop = false;
    bool Recorded = false;
    const std::string Dir = WalkedFolder(Folder);
    const std::unique_ptr<TEntrySource> Entries =
        Ahead != nullptr ? Ahead->Open(Dir) : std::make_unique<TEnumSource>(Dir, ListedFileMatches);
    while (!Stop && Entries->Next()) {
        // Whatever fails for one entry (an unreadable file, a failing callback, a whole nested
        // walk) costs only that entry; the walk goes on with the next.
        try {
            ScanEntry(Keyword, Folder, *Entries, Type, Callback, Descend, Recorded, Stop, Count);
        } catch (...) {
        }
    }
}

void Tzemzuvave::ScanEntry(const std::string& Keyword, const std::string& Folder, TEntrySource& Entry,
                           const TTypeTest& Type, TSearchCallback Callback, bool Descend, bool& Recorded, bool& Stop,
                           int& Count) {
    if (IsDirectoryEntry(Entry)) {
        if (Descend) Count += ScanTree(Keyword, Entry.Path(), Type.LowerType(), Callback);
        return;
    }
    if (!Type.Qualifies(Entry.Name())) return;
    if (Descend && !Recorded) {  // at the folder's first file of the type, before any keyword test
        Recorded = true;
        FolderList.Add(RecordedFolder(Folder));
    }
    const std::string Path = Entry.Path();
    if (Keyword.empty() || Entry.Matches(Keyword)) Report(Path, Callback, Stop, Count);
}

std::string Tzemzuvave::KeywordToWide(const std::string& Keyword) {
    if (Keyword.empty()) return std::string();
    // Every character of one or two bytes gives one code unit, so 2 L - 1 units always suffice.
    std::vector<wchar_t> Area(2 * Keyword.size());
    const int Units = AnsiToUtf16(Keyword, Area.data(), static_cast<int>(Area.size()));
    std::string Wide;
    Wide.reserve(2 * static_cast<std::size_t>(Units));
    for (int I = 0; I < Units; ++I) {
        const auto Unit = static_cast<unsigned>(Area[static_cast<std::size_t>(I)]);
        Wide += static_cast<char>(Unit & 0xFF);
        Wide += static_cast<char>(Unit >> 8);
    }
    return Wide;
}

bool Tzemzuvave::FileMatches(const std::string& Path, const std::string& Keyword) {
    if (ContainsNoCase(NamePart(Path), Keyword)) return true;
    TFileReader Reader(Path);
    return ContentMatches(Keyword, Reader);
}

bool Tzemzuvave::FileMatches(const std::string& Path, const std::string& Keyword, std::uint64_t ListedSize) {
    if (ContainsNoCase(NamePart(Path), Keyword)) return true;
    try {
        TFileReader Reader(Path, ListedSize);
        return ContentMatches(Keyword, Reader);
    } catch (const TFileShrank&) {
        return FileMatches(Path, Keyword);  // changed since it was listed: test it as it is now
    }
}

namespace {

// What the platform lends the decoders.
TDecodeEnv PlatformDecodeEnv(const TSystemCodePages& CodePages) {
    TDecodeEnv Env;
    Env.CodePages = &CodePages;
    Env.Crypto = &PlatformCrypto();
    return Env;
}

}  // namespace

bool Tzemzuvave::ContentMatches(const std::string& Keyword, TFileReader& Reader) {
    const std::string Wide = KeywordToWide(Keyword);
    const TKeywordScanner Scanner(Keyword, Wide);
    try {
        const TSystemCodePages CodePages;
        // A file that one block of the scan holds is read once: the bytes scanned are those the
        // decoders then read.
        if (Reader.Size() <= ScanBlockSize) {
            const auto Size = static_cast<std::size_t>(Reader.Size());
            std::unique_ptr<unsigned char[]> Image(new unsigned char[Size]);
            Reader.ReadExact(Image.get(), Size);
            if (ScanWhole(Scanner, Image.get(), Size)) return true;
            TFileImage Source(Image.get(), Size);
            return DecodedTextHolds(Source, Image.get(), std::min(Size, FormatHeadSize), Wide, Scanner,
                                    PlatformDecodeEnv(CodePages));
        }
        // The raw scan first; its first block also tells the format, so a file of no known
        // format is read once.
        unsigned char Head[FormatHeadSize];
        std::size_t HeadSize = 0;
        bool First = true;
        if (ScanStream(Scanner, Reader.Size(), ScanBlockSize, [&](void* Buffer, std::size_t Count) {
                Reader.ReadExact(Buffer, Count);
                if (First) {
                    HeadSize = std::min(Count, FormatHeadSize);
                    std::memcpy(Head, Buffer, HeadSize);
                    First = false;
                }
            }))
            return true;
        // Then the text a reader of the document sees. A damaged document gives less text,
        // never a failure; only a failing read of the file passes through.
        TFileSource Source(Reader);
        return DecodedTextHolds(Source, Head, HeadSize, Wide, Scanner, PlatformDecodeEnv(CodePages));
    } catch (const std::bad_alloc&) {
        Fail(FailureText::OutOfMemory);
    }
}

std::vector<TKeywordHit> Tzemzuvave::FileHits(const std::string& Path, const std::string& Keyword,
                                              std::size_t MaxHits) {
    std::vector<TKeywordHit> Hits;
    if (MaxHits == 0 || Keyword.empty()) return Hits;
    TKeywordHit Name;
    if (NameHit(NamePart(Path), Keyword, Name)) {
        Hits.push_back(std::move(Name));
        if (Hits.size() >= MaxHits) return Hits;
    }
    TFileReader Reader(Path);
    // The keyword test first, so that a file without the keyword costs what its test costs; the
    // hits of one that holds it cost one more reading.
    if (!ContentMatches(Keyword, Reader)) return Hits;
    try {
        const std::string Wide = KeywordToWide(Keyword);
        const TKeywordScanner Scanner(Keyword, Wide);
        TFileSource Source(Reader);
        const TSystemCodePages CodePages;
        for (const TTextHit& Hit :
             FindContentHits(Source, Wide, Scanner, MaxHits - Hits.size(), PlatformDecodeEnv(CodePages)))
            Hits.push_back(ToKeywordHit(Hit));
    } catch (const std::bad_alloc&) {
        Fail(FailureText::OutOfMemory);
    }
    return Hits;
}
