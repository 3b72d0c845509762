#pragma once
// The recording program of the shell tests (tests/helpers/shellrecord.cpp): copies of it are
// started through the shell and write how they were started to "record.txt" beside themselves.
#include <string>

// The recording program built with the tests.
std::string HelperProgram();
// A copy of the recording program in Folder under Name; its path.
std::string PlaceHelper(const std::string& Folder, const std::string& Name);

struct TRecord {
    std::string CommandLine;
    std::string CurrentFolder;
};

// The record the program in Folder writes, waited for up to 20 s; empty when none came.
TRecord WaitForRecord(const std::string& Folder);

bool EndsWith(const std::string& S, const std::string& Tail);

// Waits up to TimeoutMs for a process of the program Name (such as "explorer.exe") whose command
// line holds Part, ends it, and returns its whole command line; empty when none appeared. For
// programs of the system that the shell always finds before any stand-in.
std::string TakeProcessCommandLine(const std::string& Name, const std::string& Part, unsigned TimeoutMs = 20000);
