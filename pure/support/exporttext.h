#pragma once
// The texts the result list is copied and exported as: paths one per line, and a table of the
// files with their size and time for spreadsheets. Pure byte rules, no platform calls.
#include <cstdint>
#include <string>
#include <vector>

#include "pure/support/datetime.h"

// The lines joined by CR LF, with none after the last: what the clipboard takes.
std::string JoinedLines(const std::vector<std::string>& Lines);

// One field of a CSV record: quoted when it holds a comma, a quote, CR or LF, or begins or ends
// with a space (which spreadsheets would trim), its quotes doubled.
std::string CsvField(const std::string& Field);

// A date-time as "yyyy-mm-dd hh:nn:ss" (24-hour clock), whatever the locale, as spreadsheets
// read it.
std::string TableStamp(TDateTime Value);

// One file of the table: its path in UTF-8, its size in bytes (negative: unknown) and its last
// write time as text (empty: unknown).
struct TExportRow {
    std::string Path;
    std::int64_t Size = -1;
    std::string Modified;
};

// The table as a UTF-8 CSV file: the byte-order mark (by which spreadsheet programs know the
// encoding), a header record, then one record per file, every record ended by CR LF. Unknown
// sizes and times are empty fields.
std::string CsvTable(const std::vector<TExportRow>& Rows);
