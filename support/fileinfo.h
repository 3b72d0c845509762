#pragma once
// Facts about one file-system entry and actions on it through the platform. Every function
// reports by its result and never throws.
#include <windows.h>

#include <cstdint>
#include <string>

#include "pure/support/datetime.h"

// The same instant as a local date-time (the part below one millisecond dropped).
TDateTime FileTimeToLocalDateTime(const FILETIME& Utc);
// Local date-time of the last write of the first entry matching Name; 0 when none is found.
TDateTime GetFileModified(const std::string& Name);
// Length in bytes of the entry found for the full form of Name (0 for a folder); -1 when none.
std::int64_t GetFileLength(const std::string& Name);
// Sets or clears read-only, hidden and system and keeps every other flag; true when stored.
bool SetFileAttrFlags(const std::string& Name, bool ReadOnly, bool Hidden, bool System);
// Opens File with its default verb (or starts it), in File's folder; true when the shell
// accepted the request. Neither text is quoted or changed.
bool ShellOpen(const std::string& File, const std::string& Parameters);
// Shows the shell's own properties dialog of File; false when the shell offers none for it.
bool ShowFileProperties(const std::string& File);
