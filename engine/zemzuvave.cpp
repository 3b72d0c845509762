#include "engine/zemzuvave.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "pure/doctext/document.h"
#include "pure/engine/cacherules.h"
#include "pure/engine/keymatch.h"
#include "pure/engine/keyscan.h"
#include "support/cngcrypto.h"
#include "support/docsource.h"

namespace {

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

int Tzemzuvave::QuickSearch(const std::string& Keyword, const std::string& Folder, const std::string& FileType,
                            TSearchCallback Callback) {
    FolderList.LoadLines(CacheFileName);
    const std::string Prefix = CacheFolderForm(Folder);
    int Count = 0;
    bool Stop = false;
    const int Lines = FolderList.Count();
    for (int I = 0; I < Lines; ++I) {
        const std::string Line = FolderList[I];
        if (Callback != nullptr) {
            Callback(Line, 1, Stop);
            if (Stop) return Count;
        }
        if (LineIsUnder(Line, Prefix)) Count += ScanFolder(Keyword, Line, FileType, Callback);
    }
    return Count;
}

int Tzemzuvave::FullSearch(const std::string& Keyword, const std::string& Folder, const std::string& FileType,
                           TSearchCallback Callback) {
    FolderList.Clear();
    const int Count = ScanTree(Keyword, Folder, FileType, Callback);
    bool Stop = false;
    if (Callback != nullptr) Callback(Folder, 3, Stop);
    // A stop answered at the end keeps the previous cache file; the list of a walk stopped
    // earlier but not at the end is written as it stands.
    if (!Stop) FolderList.SaveLines(CacheFileName);
    return Count;
}

bool Tzemzuvave::IsDirectoryEntry(TSearchRec Entry) { return (Entry.Attr & faDirectory) != 0; }

int Tzemzuvave::ScanTree(const std::string& Keyword, const std::string& Folder, const std::string& FileType,
                         TSearchCallback Callback) {
    int Count = 0;
    bool Recorded = false;
    bool Stop = false;
    const std::string Dir = WithoutTrailingBackslash(Folder);
    const TTypeTest Type(FileType);
    if (Callback != nullptr) {
        Callback(Dir, 1, Stop);
        if (Stop) return 0;
    }
    TSearchRec Entry;
    const TEnumScope Scope(Entry);
    for (DWORD R = EnumFirst(Dir + "\\*.*", faAnyFile, Entry); R == 0 && !Stop; R = EnumNext(Entry)) {
        // Whatever fails for one entry (an unreadable file, a failing callback, a whole nested
        // walk) costs only that entry; the walk goes on with the next.
        try {
            if (IsDirectoryEntry(Entry)) {
                if (Entry.Name != "." && Entry.Name != "..")
                    Count += ScanTree(Keyword, Dir + "\\" + Entry.Name, Type.LowerType(), Callback);
                continue;
            }
            if (!Type.Qualifies(Entry.Name)) continue;
            if (!Recorded) {  // at the folder's first file of the type, before any keyword test
                Recorded = true;
                FolderList.Add(CacheFolderForm(Dir));
            }
            const std::string Path = Dir + "\\" + Entry.Name;
            if (Keyword.empty() || FileMatches(Path, Keyword)) Report(Path, Callback, Stop, Count);
        } catch (...) {
        }
    }
    return Count;
}

int Tzemzuvave::ScanFolder(const std::string& Keyword, const std::string& Folder, const std::string& FileType,
                           TSearchCallback Callback) {
    int Count = 0;
    bool Stop = false;
    try {
        const std::string Dir = WithoutTrailingBackslash(Folder);
        const TTypeTest Type(FileType);
        TSearchRec Entry;
        const TEnumScope Scope(Entry);
        for (DWORD R = EnumFirst(Dir + "\\*.*", faAnyFile, Entry); R == 0 && !Stop; R = EnumNext(Entry)) {
            try {
                if (IsDirectoryEntry(Entry) || !Type.Qualifies(Entry.Name)) continue;
                const std::string Path = Dir + "\\" + Entry.Name;
                if (Keyword.empty() || FileMatches(Path, Keyword)) Report(Path, Callback, Stop, Count);
            } catch (...) {
            }
        }
    } catch (...) {
    }
    return Count;
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
    const std::string Wide = KeywordToWide(Keyword);
    const TKeywordScanner Scanner(Keyword, Wide);
    TFileReader Reader(Path);
    try {
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
        const TDocumentFormat Format = RecognizeFormat(Head, HeadSize);
        if (Format == TDocumentFormat::Unknown) return false;
        // Then the text a reader of the document sees. A damaged document gives less text,
        // never a failure; only a failing read of the file passes through.
        TFileSource Source(Reader);
        TKeywordMatcher Matcher(Wide, Scanner);
        Matcher.SetFileScanned();
        const TSystemCodePages CodePages;
        TDecodeEnv Env;
        Env.CodePages = &CodePages;
        Env.Crypto = &PlatformCrypto();
        DecodeDocument(Format, Source, Matcher, Env);
        return Matcher.Found();
    } catch (const std::bad_alloc&) {
        Fail(FailureText::OutOfMemory);
    }
}
