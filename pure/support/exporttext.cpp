#include "pure/support/exporttext.h"

#include <cstdio>

namespace {

// UTF-8 text kept out of the program's code page, which narrow literals are compiled into.
std::string Utf8(const char8_t* Text) { return std::string(reinterpret_cast<const char*>(Text)); }

}  // namespace

std::string JoinedLines(const std::vector<std::string>& Lines) {
    std::string Text;
    for (std::size_t I = 0; I < Lines.size(); ++I) {
        if (I > 0) Text += "\r\n";
        Text += Lines[I];
    }
    return Text;
}

std::string CsvField(const std::string& Field) {
    const bool Quoted = Field.find_first_of(",\"\r\n") != std::string::npos ||
                        (!Field.empty() && (Field.front() == ' ' || Field.back() == ' '));
    if (!Quoted) return Field;
    std::string Out = "\"";
    for (const char C : Field) {
        if (C == '"') Out += '"';
        Out += C;
    }
    return Out + "\"";
}

std::string TableStamp(TDateTime Value) {
    const TDateTimeFields F = SplitDateTime(Value);
    char Text[32] = {};
    std::snprintf(Text, sizeof Text, "%04d-%02d-%02d %02d:%02d:%02d", F.Year, F.Month, F.Day, F.Hour, F.Minute,
                  F.Second);
    return Text;
}

std::string CsvTable(const std::vector<TExportRow>& Rows) {
    std::string Text = Utf8(u8"\uFEFF路径,大小（字节）,修改时间\r\n");
    for (const TExportRow& Row : Rows) {
        Text += CsvField(Row.Path);
        Text += ',';
        if (Row.Size >= 0) Text += std::to_string(Row.Size);
        Text += ',';
        Text += CsvField(Row.Modified);
        Text += "\r\n";
    }
    return Text;
}
