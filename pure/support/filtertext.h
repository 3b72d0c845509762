#pragma once
// The filter text of the save-as dialog: pairs of description and pattern, every piece separated
// from the next by "|" (a "|" that is the second byte of a double-byte character separates
// nothing). Pure byte rules, no platform calls.
#include <string>

// The filter unchanged when it holds a separator; otherwise the filter serves as its own
// description: "*.txt" becomes "*.txt|*.txt".
std::string NormalizeFilter(const std::string& Filter);

// Result := Name, completed with the extension of the pattern of pair Index (1-based) when Name has
// no extension of its own. An index beyond the last pair takes the filter's last piece; an index
// of 0 or less, or a pattern without ".", appends nothing.
void AddFilterExtension(const std::string& Name, const std::string& Filter, int Index, std::string& Result);

// The filter as the platform dialog takes it: every separator a zero byte, two zero bytes at the end.
std::string FilterPairs(const std::string& Filter);
