#pragma once
// Registry keys of the tests' own on the prefix's real registry, and raw access to values that
// bypasses the functions under test.
#include <windows.h>
#include <gtest/gtest.h>

#include <string>

// A key removed with everything below it at the start and at the end of the scope.
class TScratchKey {
public:
    TScratchKey(HKEY Root, std::string Path) : FRoot(Root), FPath(std::move(Path)) { Remove(); }
    ~TScratchKey() { Remove(); }
    TScratchKey(const TScratchKey&) = delete;
    TScratchKey& operator=(const TScratchKey&) = delete;

    HKEY Root() const { return FRoot; }
    const std::string& Path() const { return FPath; }
    // Path + "\" + Sub.
    std::string operator/(const std::string& Sub) const { return FPath + "\\" + Sub; }

private:
    void Remove() const { RegDeleteTreeA(FRoot, FPath.c_str()); }
    HKEY FRoot;
    std::string FPath;
};

inline bool KeyExists(HKEY Root, const std::string& Path) {
    HKEY Key = nullptr;
    if (RegOpenKeyExA(Root, Path.c_str(), 0, KEY_QUERY_VALUE, &Key) != ERROR_SUCCESS) return false;
    RegCloseKey(Key);
    return true;
}

// Stores Data as a value of any type (Name empty: the key's default value), creating the key.
inline void SetRawValue(HKEY Root, const std::string& Path, const std::string& Name, DWORD Type,
                        const std::string& Data) {
    HKEY Key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(Root, Path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &Key, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExA(Key, Name.empty() ? nullptr : Name.c_str(), 0, Type,
                             reinterpret_cast<const BYTE*>(Data.data()), static_cast<DWORD>(Data.size())),
              ERROR_SUCCESS);
    RegCloseKey(Key);
}

// The stored type and bytes of a value, or "(missing)".
inline std::string RawValue(HKEY Root, const std::string& Path, const std::string& Name, DWORD& Type) {
    HKEY Key = nullptr;
    Type = REG_NONE;
    if (RegOpenKeyExA(Root, Path.c_str(), 0, KEY_QUERY_VALUE, &Key) != ERROR_SUCCESS) return "(missing)";
    char Data[2048];
    DWORD Size = sizeof(Data);
    const LONG Status = RegQueryValueExA(Key, Name.c_str(), nullptr, &Type, reinterpret_cast<BYTE*>(Data), &Size);
    RegCloseKey(Key);
    return Status == ERROR_SUCCESS ? std::string(Data, Size) : "(missing)";
}
