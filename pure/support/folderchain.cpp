#include "pure/support/folderchain.h"

#include "pure/support/bytetext.h"

namespace {

// 0-based offsets of every "\" that is a character of its own.
std::vector<std::size_t> Separators(const std::string& S) {
    std::vector<std::size_t> At;
    for (std::size_t I = FindSingleByte(S, '\\'); I != std::string::npos; I = FindSingleByte(S, '\\', I + 1))
        At.push_back(I);
    return At;
}

// Length of the root of Path ("C:\", "C:", "\\server\share\" or "\\server\share"), or 0 when
// Path begins with none.
std::size_t RootLength(const std::string& Path) {
    if (BeginsWithDrive(Path)) return (Path.size() >= 3 && Path[2] == '\\') ? 3 : 2;
    if (Path.size() >= 3 && Path[0] == '\\' && Path[1] == '\\') {
        const std::vector<std::size_t> At = Separators(Path);
        if (At.size() >= 4) return At[3] + 1;
        if (At.size() == 3 && At[2] + 1 < Path.size()) return Path.size();
    }
    return 0;
}

bool EndsWithSeparator(const std::string& S) {
    const std::vector<std::size_t> At = Separators(S);
    return !At.empty() && At.back() + 1 == S.size();
}

}  // namespace

bool BeginsWithDrive(const std::string& Path) {
    return Path.size() >= 2 && IsAsciiLetter(static_cast<unsigned char>(Path[0])) && Path[1] == ':';
}

bool IsRootFolder(const std::string& Folder) {
    const std::size_t Root = RootLength(Folder);
    return Root != 0 && Root >= Folder.size();
}

std::string ChooserForm(const std::string& FullPath) {
    if (IsRootFolder(FullPath)) return EndsWithSeparator(FullPath) ? FullPath : FullPath + "\\";
    return WithoutTrailingBackslash(FullPath);
}

std::vector<std::string> FolderChain(const std::string& Folder) {
    const std::size_t Root = RootLength(Folder);
    if (Root == 0) return {Folder};
    std::vector<std::string> Chain{ChooserForm(Folder.substr(0, Root))};
    std::size_t Start = Root;
    const std::vector<std::size_t> At = Separators(Folder);
    for (std::size_t I = 0; I <= At.size(); ++I) {
        const std::size_t End = I < At.size() ? At[I] : Folder.size();
        if (End < Root) continue;
        if (End > Start) Chain.push_back(JoinFolder(Chain.back(), Folder.substr(Start, End - Start)));
        Start = End + 1;
    }
    return Chain;
}

std::string JoinFolder(const std::string& Parent, const std::string& Name) {
    return WithoutTrailingBackslash(Parent) + "\\" + Name;
}
