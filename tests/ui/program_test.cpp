// The program itself, started as a user starts it and driven through its window from outside:
// its window, resources and exit, and the save path confirmed in one run remembered by the next.
#include <windows.h>
#include <gtest/gtest.h>

#include "support/registry.h"
#include "support/textrules.h"
#include "tests/helpers/dialogdriver.h"
#include "tests/helpers/program.h"
#include "tests/helpers/registrykey.h"
#include "tests/helpers/testfiles.h"

namespace {

// The program itself, started as the user starts it, closed by its close box.
TEST(Program, StartsWithItsWindowAndEndsWhenTheWindowCloses) {
    const std::string Program = ProgramFile();
    ASSERT_TRUE(IsExistingFile(Program)) << Program;

    // The version information and the icons are in the program file.
    DWORD Unused = 0;
    std::string Version(GetFileVersionInfoSizeA(Program.c_str(), &Unused), '\0');
    ASSERT_FALSE(Version.empty());
    ASSERT_TRUE(GetFileVersionInfoA(Program.c_str(), 0, static_cast<DWORD>(Version.size()), Version.data()));
    char* Description = nullptr;
    UINT Length = 0;
    ASSERT_TRUE(VerQueryValueA(Version.data(), "\\StringFileInfo\\080404B0\\FileDescription",
                               reinterpret_cast<void**>(&Description), &Length));
    EXPECT_STREQ(Description, "砚桥文件搜索工具");
    HMODULE Image = LoadLibraryExA(Program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(Image, nullptr);
    const auto Resource = [Image](int Id, int Type) {
        return FindResourceA(Image, MAKEINTRESOURCEA(Id), MAKEINTRESOURCEA(Type)) != nullptr;
    };
    // Icon groups and the manifest.
    for (const int Icon : {1, 101, 102, 103, 104, 105, 106, 107, 108}) EXPECT_TRUE(Resource(Icon, 14)) << Icon;
    EXPECT_TRUE(Resource(1, 24));
    FreeLibrary(Image);

    TRunningProgram Run;
    HWND Window = Run.Window();
    ASSERT_NE(Window, nullptr);
    EXPECT_TRUE(IsWindowVisible(Window));
    RECT Outer{};
    GetWindowRect(Window, &Outer);
    EXPECT_EQ(Outer.left, 192);
    EXPECT_EQ(Outer.top, 111);
    // Its buttons carry their images: the version 6 controls are in use.
    HWND Panel = FindWindowExA(Window, nullptr, "TPanel", nullptr);
    HWND Quick = FindWindowExA(Panel, nullptr, "Button", "快速搜索");
    ASSERT_NE(Quick, nullptr);
    EXPECT_NE(SendMessageA(Quick, BM_GETIMAGE, IMAGE_ICON, 0), 0);

    EXPECT_EQ(Run.Close(), 0u);
}

std::string StoredPath(bool& Found) {
    std::string Value;
    Found = RegReadString("HKEY_CURRENT_USER", "Software\\zemvold", "DialogSelectfile", Value);
    return Value;
}

TEST(Program, TheSavePathConfirmedInOneRunIsRememberedByTheNext) {
    const TScratchKey Stored(HKEY_CURRENT_USER, "Software\\zemvold");
    TTempDir Dir;
    WriteBytes(Dir / "report.txt", "content");
    bool Found = false;

    {  // First run on a clean system: the exit stores the empty path.
        TRunningProgram Run;
        ASSERT_NE(Run.Window(), nullptr);
        EXPECT_EQ(Run.Close(), 0u);
        EXPECT_EQ(StoredPath(Found), "");
        EXPECT_TRUE(Found);
    }
    {  // A search, a copy confirmed in the save-as dialog, then the end of the program.
        TRunningProgram Run;
        ASSERT_NE(Run.Window(), nullptr);
        const std::string Folder = Dir.Path();
        SendMessageA(Run.Control("Edit"), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(Folder.c_str()));
        Click(Run.Control("Button", "全面搜索"));
        HWND List = Run.Control("ListBox");
        for (int Wait = 0; Wait < 200 && SendMessageA(List, LB_GETCOUNT, 0, 0) < 1; ++Wait) Sleep(50);
        ASSERT_EQ(SendMessageA(List, LB_GETCOUNT, 0, 0), 1);
        SendMessageA(List, LB_SETCURSEL, 0, 0);
        Click(Run.Control("Button", "复制"));
        HWND Save = Run.Dialog();
        ASSERT_NE(Save, nullptr);
        const std::string Target = Dir / "copy";
        SendMessageA(GetDlgItem(Save, 0x47C), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(Target.c_str()));
        PostCommand(Save, IDOK);
        HWND Notice = Run.Dialog("提示");
        ASSERT_NE(Notice, nullptr);
        PostCommand(Notice, IDOK);
        for (int Wait = 0; Wait < 100 && IsWindow(Notice); ++Wait) Sleep(50);
        EXPECT_EQ(ReadBytes(Dir / "copy.txt"), "content");
        EXPECT_EQ(Run.Close(), 0u);
        EXPECT_EQ(StoredPath(Found), Dir / "copy.txt");
    }
    {  // The next run reads it at start and stores it again at its end.
        TRunningProgram Run;
        ASSERT_NE(Run.Window(), nullptr);
        EXPECT_EQ(Run.Close(), 0u);
        EXPECT_EQ(StoredPath(Found), Dir / "copy.txt");
    }
    DeleteFileA((FolderPart(ProgramFile()) + Dir.Path().substr(0, 1) + "txt.dat").c_str());
}

}  // namespace
