// Registry strings on the real registry of the test prefix, and the remembered save path.
#include "support/registry.h"

#include <windows.h>
#include <gtest/gtest.h>

#include <string>

#include "tests/helpers/registrykey.h"

namespace {

const char* const Hkcu = "HKEY_CURRENT_USER";
const std::string Gbk5C = "\xB1\x5C";  // 盶: a double-byte character whose second byte is "\"

// A key of our own under HKEY_CURRENT_USER.
struct TTestKey : TScratchKey {
    TTestKey() : TScratchKey(HKEY_CURRENT_USER, "Software\\yqtest" + std::to_string(GetCurrentProcessId())) {}
};

std::string Read(const std::string& Root, const std::string& Path, const std::string& Name, bool& Ok) {
    std::string Value = "stale";  // must be emptied whenever the read fails
    Ok = RegReadString(Root, Path, Name, Value);
    return Value;
}

TEST(Registry, OnlyTheFourRootNamesAreKnown) {
    TTestKey Key;
    for (const char* Root : {"", "HKCU", "hkey_current_user", "HKEY_CURRENT_USER ", "HKEY_CURRENT_CONFIG"}) {
        EXPECT_FALSE(RegWriteString(Root, Key.Path(), "v", "x")) << Root;
        bool Ok = true;
        EXPECT_EQ(Read(Root, Key.Path(), "v", Ok), "") << Root;
        EXPECT_FALSE(Ok) << Root;
    }
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, Key.Path()));  // nothing was created under any root

    // The other three roots take the same paths; the prefix grants the rights to write there.
    const std::string Own = "Software\\yqtest" + std::to_string(GetCurrentProcessId());
    const struct {
        const char* Name;
        HKEY Key;
        std::string Path;
    } Roots[] = {
        {"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE, Own},
        {"HKEY_USERS", HKEY_USERS, ".DEFAULT\\" + Own},
        {"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT, ".yqtest" + std::to_string(GetCurrentProcessId())},
    };
    for (const auto& R : Roots) {
        EXPECT_TRUE(RegWriteString(R.Name, R.Path, "v", R.Name));
        bool Ok = false;
        EXPECT_EQ(Read(R.Name, R.Path, "v", Ok), R.Name);
        EXPECT_TRUE(Ok);
        DWORD Type = 0;
        EXPECT_EQ(RawValue(R.Key, R.Path, "v", Type), std::string(R.Name) + '\0');
        RegDeleteTreeA(R.Key, R.Path.c_str());
    }
}

TEST(Registry, WriteStoresTheTextAndOneZeroByte) {
    TTestKey Key;
    DWORD Type = 0;
    for (const std::string& Text :
         {std::string("C:\\work\\报告.txt"), "D:\\" + Gbk5C + "\\" + Gbk5C, std::string(1500, 'x')}) {
        EXPECT_TRUE(RegWriteString(Hkcu, Key / "a\\b", "path", Text));  // missing keys are created on the way
        EXPECT_EQ(RawValue(HKEY_CURRENT_USER, Key / "a\\b", "path", Type), Text + '\0');
        EXPECT_EQ(Type, static_cast<DWORD>(REG_SZ));
        bool Ok = false;
        EXPECT_EQ(Read(Hkcu, Key / "a\\b", "path", Ok), Text);
        EXPECT_TRUE(Ok);
    }

    EXPECT_TRUE(RegWriteString(Hkcu, Key.Path(), "empty", ""));
    EXPECT_EQ(RawValue(HKEY_CURRENT_USER, Key.Path(), "empty", Type), std::string(1, '\0'));
    bool Ok = false;
    EXPECT_EQ(Read(Hkcu, Key.Path(), "empty", Ok), "");
    EXPECT_TRUE(Ok);

    // One leading "\" is dropped; an empty key path is the root itself; an empty name the default value.
    EXPECT_TRUE(RegWriteString(Hkcu, "\\" + Key.Path(), "", "default"));
    EXPECT_EQ(RawValue(HKEY_CURRENT_USER, Key.Path(), "", Type), std::string("default") + '\0');
    const std::string RootValue = "yqtest" + std::to_string(GetCurrentProcessId());
    EXPECT_TRUE(RegWriteString(Hkcu, "", RootValue, "at the root"));
    EXPECT_EQ(Read(Hkcu, "\\", RootValue, Ok), "at the root");
    EXPECT_TRUE(Ok);
    RegDeleteValueA(HKEY_CURRENT_USER, RootValue.c_str());
}

TEST(Registry, AValueWithAZeroByteIsStoredWholeButReportedAsFailed) {
    TTestKey Key;
    const std::string Text("ab\0cd", 5);
    EXPECT_FALSE(RegWriteString(Hkcu, Key.Path(), "v", Text));
    DWORD Type = 0;
    EXPECT_EQ(RawValue(HKEY_CURRENT_USER, Key.Path(), "v", Type), Text + '\0');
    bool Ok = false;
    EXPECT_EQ(Read(Hkcu, Key.Path(), "v", Ok), "ab");
    EXPECT_TRUE(Ok);
}

TEST(Registry, ReadTakesStringsAsStoredAndRefusesOtherTypes) {
    TTestKey Key;
    SetRawValue(HKEY_CURRENT_USER, Key.Path(), "dword", REG_DWORD, std::string("\x01\x02\x03\x04", 4));
    SetRawValue(HKEY_CURRENT_USER, Key.Path(), "multi", REG_MULTI_SZ, std::string("a\0b\0\0", 5));
    SetRawValue(HKEY_CURRENT_USER, Key.Path(), "nothing", REG_BINARY, "");
    SetRawValue(HKEY_CURRENT_USER, Key.Path(), "empty sz", REG_SZ, "");
    SetRawValue(HKEY_CURRENT_USER, Key.Path(), "zero dword", REG_DWORD, "");
    SetRawValue(HKEY_CURRENT_USER, Key.Path(), "expand", REG_EXPAND_SZ, std::string("%TEMP%\\x", 9));
    SetRawValue(HKEY_CURRENT_USER, Key.Path(), "cut", REG_SZ, std::string("before\0after\0", 13));
    SetRawValue(HKEY_CURRENT_USER, Key.Path(), "unended", REG_SZ, "no zero byte");

    struct {
        const char* Name;
        bool Ok;
        std::string Value;
    } const Cases[] = {
        {"dword", false, ""},          {"multi", false, ""},
        {"nothing", true, ""},  // zero bytes of data read as empty text whatever the type
        {"empty sz", true, ""},        {"zero dword", true, ""},
        {"expand", true, "%TEMP%\\x"},  // not expanded
        {"cut", true, "before"},       {"unended", true, "no zero byte"},
        {"missing", false, ""},
    };
    for (const auto& C : Cases) {
        bool Ok = !C.Ok;
        EXPECT_EQ(Read(Hkcu, Key.Path(), C.Name, Ok), C.Value) << C.Name;
        EXPECT_EQ(Ok, C.Ok) << C.Name;
    }
    // Writing over a value of another type replaces it by a string.
    EXPECT_TRUE(RegWriteString(Hkcu, Key.Path(), "dword", "now text"));
    DWORD Type = 0;
    RawValue(HKEY_CURRENT_USER, Key.Path(), "dword", Type);
    EXPECT_EQ(Type, static_cast<DWORD>(REG_SZ));
}

TEST(Registry, ReadingNeverCreatesAKey) {
    TTestKey Key;
    bool Ok = true;
    EXPECT_EQ(Read(Hkcu, Key / "missing\\deeper", "v", Ok), "");
    EXPECT_FALSE(Ok);
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, Key.Path()));
}

TEST(Registry, ARefusedCreationGivesFalse) {
    TTestKey Key;
    // A lasting key cannot be created below a volatile one: the platform refuses the creation.
    HKEY Volatile = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, Key.Path().c_str(), 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS,
                              nullptr, &Volatile, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(Volatile);
    EXPECT_FALSE(RegWriteString(Hkcu, Key / "lasting", "v", "x"));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, Key / "lasting"));
    EXPECT_TRUE(RegWriteString(Hkcu, Key.Path(), "v", "x"));  // the volatile key itself takes values

    EXPECT_FALSE(RegWriteString(Hkcu, Key / std::string(300, 'k'), "v", "x"));  // a key name beyond the limit
}

// The remembered save path lives under HKCU\Software\zemvold, value DialogSelectfile.
TEST(Registry, TheSavePathIsCarriedFromRunToRun) {
    const char* const Stored = "Software\\zemvold";
    DWORD Type = 0;
    const std::string Before = RawValue(HKEY_CURRENT_USER, Stored, "DialogSelectfile", Type);
    RegDeleteTreeA(HKEY_CURRENT_USER, Stored);

    // First run: nothing stored, nothing confirmed; reading creates nothing, the exit stores "".
    LastDialogFile = "stale";
    LoadLastDialogFile();
    EXPECT_EQ(LastDialogFile, "");
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, Stored));
    SaveLastDialogFile();
    EXPECT_EQ(RawValue(HKEY_CURRENT_USER, Stored, "DialogSelectfile", Type), std::string(1, '\0'));
    EXPECT_EQ(Type, static_cast<DWORD>(REG_SZ));

    // A later run confirms a path; the next run starts with it.
    LastDialogFile = "C:\\目标\\" + Gbk5C + ".txt";
    SaveLastDialogFile();
    EXPECT_EQ(LastDialogFile, "");
    LoadLastDialogFile();
    EXPECT_EQ(LastDialogFile, "C:\\目标\\" + Gbk5C + ".txt");

    // A value that is no string leaves the start value empty.
    SetRawValue(HKEY_CURRENT_USER, Stored, "DialogSelectfile", REG_DWORD, std::string(4, '\x07'));
    LoadLastDialogFile();
    EXPECT_EQ(LastDialogFile, "");

    RegDeleteTreeA(HKEY_CURRENT_USER, Stored);
    if (Before != "(missing)") SetRawValue(HKEY_CURRENT_USER, Stored, "DialogSelectfile", REG_SZ, Before);
}

}  // namespace
