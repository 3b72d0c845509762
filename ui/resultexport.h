#pragma once
// The result list written to a file the user chooses.
#include <string>
#include <vector>

// Asks for a file in the save-as dialog, starting in the folder of the last confirmed save, and
// writes the paths to it by the type chosen: a UTF-8 table (CSV) of path, size and last write
// time, or a text file of paths in the program's code page, one per line. The outcome is shown
// in a notice; a write that fails leaves no file behind. A cancelled dialog does nothing.
void ExportResultList(const std::vector<std::string>& Paths);

// The two texts of the export, for the paths as they are on disk now.
std::string ResultTable(const std::vector<std::string>& Paths);
std::string ResultLines(const std::vector<std::string>& Paths);
