#include "support/registry.h"

#include <windows.h>

#include <vector>

#include "pure/support/bytetext.h"

std::string LastDialogFile;

namespace {

const char* const SavePathRoot = "HKEY_CURRENT_USER";
const char* const SavePathKey = "Software\\zemvold";
const char* const SavePathValue = "DialogSelectfile";

// Standard read rights, query value and enumerate subkeys: KEY_READ less change notification.
const REGSAM ReadWithoutNotify = 0x20009;

// Owns an opened registry key.
class TRegKey {
public:
    TRegKey() = default;
    ~TRegKey() {
        if (FKey) RegCloseKey(FKey);
    }
    TRegKey(const TRegKey&) = delete;
    TRegKey& operator=(const TRegKey&) = delete;

    HKEY Get() const { return FKey; }
    HKEY* Receive() { return &FKey; }
    bool Valid() const { return FKey != nullptr; }

private:
    HKEY FKey = nullptr;
};

bool SelectRoot(const std::string& RootName, HKEY& Root) {
    static const struct {
        const char* Name;
        HKEY Key;
    } Roots[] = {
        {"HKEY_USERS", HKEY_USERS},
        {"HKEY_CURRENT_USER", HKEY_CURRENT_USER},
        {"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},
        {"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},
    };
    for (const auto& R : Roots) {
        if (RootName == R.Name) {
            Root = R.Key;
            return true;
        }
    }
    return false;
}

std::string RelativeKeyPath(const std::string& KeyPath) {
    if (!KeyPath.empty() && KeyPath[0] == '\\') return KeyPath.substr(1);
    return KeyPath;
}

bool OpenForWriting(HKEY Root, const std::string& Path, TRegKey& Key) {
    if (Path.empty()) return RegOpenKeyExA(Root, nullptr, 0, KEY_ALL_ACCESS, Key.Receive()) == ERROR_SUCCESS;
    return RegCreateKeyExA(Root, Path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                           Key.Receive(), nullptr) == ERROR_SUCCESS;
}

bool OpenForReading(HKEY Root, const std::string& Path, TRegKey& Key) {
    const char* SubKey = Path.empty() ? nullptr : Path.c_str();
    // Ask for less only when the access was refused; a missing key stays missing.
    for (const REGSAM Access :
         {static_cast<REGSAM>(KEY_READ), ReadWithoutNotify, static_cast<REGSAM>(KEY_QUERY_VALUE)}) {
        const LONG Status = RegOpenKeyExA(Root, SubKey, 0, Access, Key.Receive());
        if (Status == ERROR_SUCCESS) return true;
        if (Status != ERROR_ACCESS_DENIED) return false;
    }
    return false;
}

// The reading rule shared by both functions, on a key already open.
bool ReadStringValue(HKEY Key, const std::string& ValueName, std::string& Value) {
    Value.clear();
    DWORD Type = 0;
    DWORD Size = 0;
    LONG Status = RegQueryValueExA(Key, ValueName.c_str(), nullptr, &Type, nullptr, &Size);
    if (Status != ERROR_SUCCESS && Status != ERROR_MORE_DATA) return false;  // no such value
    if (Size == 0) return true;
    if (Type != REG_SZ && Type != REG_EXPAND_SZ) return false;
    std::vector<char> Data;
    // The value may grow between the two queries: ask again with the size last reported.
    do {
        Data.assign(Size + 1, '\0');
        Status = RegQueryValueExA(Key, ValueName.c_str(), nullptr, &Type, reinterpret_cast<BYTE*>(Data.data()), &Size);
    } while (Status == ERROR_MORE_DATA);
    if (Status != ERROR_SUCCESS) return false;
    if (Size == 0) return true;
    if (Type != REG_SZ && Type != REG_EXPAND_SZ) return false;
    Data.resize(Size);
    std::size_t Length = 0;
    while (Length < Data.size() && Data[Length] != '\0') ++Length;
    Value.assign(Data.data(), Length);
    return true;
}

}  // namespace

bool RegWriteString(const std::string& RootName, const std::string& KeyPath, const std::string& ValueName,
                    const std::string& Value) {
    HKEY Root = nullptr;
    if (!SelectRoot(RootName, Root)) return false;
    TRegKey Key;
    if (!OpenForWriting(Root, RelativeKeyPath(KeyPath), Key)) return false;
    if (Value.size() >= MAXDWORD) return false;
    const auto Bytes = static_cast<DWORD>(Value.size() + 1);  // the text and its zero byte
    if (RegSetValueExA(Key.Get(), ValueName.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(Value.c_str()), Bytes) !=
        ERROR_SUCCESS)
        return false;
    std::string Back;
    return ReadStringValue(Key.Get(), ValueName, Back) && CompareBytes(Back, Value) == 0;
}

bool RegReadString(const std::string& RootName, const std::string& KeyPath, const std::string& ValueName,
                   std::string& Value) {
    Value.clear();
    HKEY Root = nullptr;
    if (!SelectRoot(RootName, Root)) return false;
    TRegKey Key;
    if (!OpenForReading(Root, RelativeKeyPath(KeyPath), Key)) return false;
    std::string Text;
    if (!ReadStringValue(Key.Get(), ValueName, Text)) return false;
    Value = std::move(Text);
    return true;
}

void LoadLastDialogFile() { RegReadString(SavePathRoot, SavePathKey, SavePathValue, LastDialogFile); }

void SaveLastDialogFile() {
    RegWriteString(SavePathRoot, SavePathKey, SavePathValue, LastDialogFile);
    LastDialogFile.clear();
}
