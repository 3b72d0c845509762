#pragma once
// Rules of the directory cache that need no platform: the cache file's name, the form of a
// recorded folder, and which recorded folders a quick search visits.
#include <string>

// CacheRoot + the folder's first byte + the type's letters (all but "*" and ".") + ".dat".
std::string CacheFileNameFor(const std::string& CacheRoot, const std::string& Folder, const std::string& FileType);

// How a folder is recorded and compared: ASCII letters lower-cased outside double-byte
// characters, less one trailing "\" that is a character of its own.
std::string CacheFolderForm(const std::string& Folder);

// The folder that a walk of Folder enumerates, and the root of the paths it reports: Folder less
// one trailing "\" (C:\Data\ is walked as C:\Data, C:\ as C:).
std::string WalkedFolder(const std::string& Folder);

// The line by which a full search of Folder records the folder it walks, and the prefix by which
// a quick search of Folder selects lines: the walked folder in CacheFolderForm. Both sides take
// this one form, so that a quick search right after a full search of the same text visits every
// folder the full search recorded (C:\data\\ is walked as C:\data\ and recorded as c:\data).
std::string RecordedFolder(const std::string& Folder);

// True when the recorded line is the searched folder or lies below it, folder by folder:
// Prefix (in CacheFolderForm) c:\doc selects c:\doc and c:\doc\old, not c:\documents.
bool LineIsUnder(const std::string& Line, const std::string& Prefix);

// Whether a file's name has the searched type: its extension equals the type apart from ASCII
// case, or the type holds "*.*" and so selects every file.
class TTypeTest {
public:
    explicit TTypeTest(const std::string& FileType);
    bool Qualifies(const std::string& Name) const;
    const std::string& LowerType() const { return FLowerType; }

private:
    std::string FLowerType;
    bool FEveryFile;
};
