#include "pure/engine/cacherules.h"

#include "pure/support/bytetext.h"

std::string CacheFileNameFor(const std::string& CacheRoot, const std::string& Folder, const std::string& FileType) {
    std::string Name = CacheRoot;
    if (!Folder.empty()) Name += Folder.front();
    for (char C : FileType)
        if (C != '*' && C != '.') Name += C;
    return Name + ".dat";
}

std::string CacheFolderForm(const std::string& Folder) {
    return AsciiLowerWholeChars(WithoutTrailingBackslash(Folder));
}

std::string WalkedFolder(const std::string& Folder) { return WithoutTrailingBackslash(Folder); }

std::string RecordedFolder(const std::string& Folder) { return CacheFolderForm(WalkedFolder(Folder)); }

bool LineIsUnder(const std::string& Line, const std::string& Prefix) {
    if (Line.compare(0, Prefix.size(), Prefix) != 0 || Line.size() < Prefix.size()) return false;
    return Line.size() == Prefix.size() || Line[Prefix.size()] == '\\';
}

TTypeTest::TTypeTest(const std::string& FileType)
    : FLowerType(AsciiLower(FileType)), FEveryFile(TextPos("*.*", FLowerType) >= 1) {}

bool TTypeTest::Qualifies(const std::string& Name) const {
    return CompareNoCase(ExtensionPart(Name), FLowerType) == 0 || FEveryFile;
}
