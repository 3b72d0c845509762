// A program for the tests of opening files through the shell: it writes the command line it
// was started with and its current folder, one per line, to "record.txt" beside itself, and ends.
#include <windows.h>

#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    char Module[MAX_PATH] = {};
    const DWORD N = GetModuleFileNameA(nullptr, Module, MAX_PATH);
    std::string Folder(Module, N);
    Folder.erase(Folder.find_last_of('\\') + 1);

    char Current[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, Current);
    const std::string Record = std::string(GetCommandLineA()) + "\r\n" + Current + "\r\n";

    // Written under another name first, so that a reader never sees half a record.
    const std::string Partial = Folder + "record.tmp";
    HANDLE File =
        CreateFileA(Partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (File == INVALID_HANDLE_VALUE) return 1;
    DWORD Written = 0;
    const bool Ok = WriteFile(File, Record.data(), static_cast<DWORD>(Record.size()), &Written, nullptr) &&
                    Written == Record.size();
    CloseHandle(File);
    if (!Ok) return 1;
    return MoveFileExA(Partial.c_str(), (Folder + "record.txt").c_str(), MOVEFILE_REPLACE_EXISTING) ? 0 : 1;
}
