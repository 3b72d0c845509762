#include "tests/helpers/shellrecording.h"

#include <windows.h>
#include <tlhelp32.h>
#include <winternl.h>

#include <vector>

#include "support/textrules.h"

std::string HelperProgram() {
    char Module[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, Module, MAX_PATH);
    return FolderPart(Module) + "yqshellrecord.exe";
}

std::string PlaceHelper(const std::string& Folder, const std::string& Name) {
    const std::string Copy = Folder + "\\" + Name;
    if (!CopyFileA(HelperProgram().c_str(), Copy.c_str(), FALSE)) return std::string();
    return Copy;
}

TRecord WaitForRecord(const std::string& Folder) {
    const std::string Name = Folder + "\\record.txt";
    for (int Waited = 0; Waited < 2000 && !IsExistingFile(Name); ++Waited) Sleep(10);
    TRecord Record;
    if (!IsExistingFile(Name)) return Record;
    TStringList Lines;
    Lines.LoadLines(Name);
    if (Lines.Count() >= 2) Record = {Lines[0], Lines[1]};
    return Record;
}

bool EndsWith(const std::string& S, const std::string& Tail) {
    return S.size() >= Tail.size() && S.compare(S.size() - Tail.size(), Tail.size(), Tail) == 0;
}

namespace {

// The command line of a running process, read from its process parameters.
std::string CommandLineOf(DWORD ProcessId) {
    HANDLE Process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, ProcessId);
    if (!Process) return std::string();
    std::string Line;
    PROCESS_BASIC_INFORMATION Basic{};
    PEB Peb{};
    RTL_USER_PROCESS_PARAMETERS Parameters{};
    if (NtQueryInformationProcess(Process, ProcessBasicInformation, &Basic, sizeof Basic, nullptr) == 0 &&
        ReadProcessMemory(Process, Basic.PebBaseAddress, &Peb, sizeof Peb, nullptr) &&
        ReadProcessMemory(Process, Peb.ProcessParameters, &Parameters, sizeof Parameters, nullptr)) {
        std::vector<wchar_t> Wide(Parameters.CommandLine.Length / sizeof(wchar_t));
        if (!Wide.empty() && ReadProcessMemory(Process, Parameters.CommandLine.Buffer, Wide.data(),
                                               Parameters.CommandLine.Length, nullptr)) {
            const int Bytes = WideCharToMultiByte(CP_ACP, 0, Wide.data(), static_cast<int>(Wide.size()), nullptr, 0,
                                                  nullptr, nullptr);
            Line.assign(static_cast<std::size_t>(Bytes), '\0');
            WideCharToMultiByte(CP_ACP, 0, Wide.data(), static_cast<int>(Wide.size()), Line.data(), Bytes, nullptr,
                                nullptr);
        }
    }
    CloseHandle(Process);
    return Line;
}

}  // namespace

std::string TakeProcessCommandLine(const std::string& Name, const std::string& Part, unsigned TimeoutMs) {
    for (unsigned Waited = 0; Waited <= TimeoutMs; Waited += 20, Sleep(20)) {
        HANDLE Snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
        if (Snapshot == INVALID_HANDLE_VALUE) continue;
        PROCESSENTRY32 Entry{};
        Entry.dwSize = sizeof Entry;
        std::string Found;
        for (BOOL More = Process32First(Snapshot, &Entry); More && Found.empty();
             More = Process32Next(Snapshot, &Entry)) {
            if (_stricmp(Entry.szExeFile, Name.c_str()) != 0) continue;
            const std::string Line = CommandLineOf(Entry.th32ProcessID);
            if (Line.find(Part) == std::string::npos) continue;
            Found = Line;
            if (HANDLE Process = OpenProcess(PROCESS_TERMINATE, FALSE, Entry.th32ProcessID)) {
                TerminateProcess(Process, 0);
                CloseHandle(Process);
            }
        }
        CloseHandle(Snapshot);
        if (!Found.empty()) return Found;
    }
    return std::string();
}
