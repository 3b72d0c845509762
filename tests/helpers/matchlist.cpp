// Runs the keyword test over a list: matchlist LISTFILE, where every line of LISTFILE is
// KEYWORD<TAB>PATH in the system code page. Prints one character per line: 1 (matches),
// 0 (does not) or E (failed), so a script can hold many files against their expected outcomes
// in one process.
#include <cstdio>
#include <string>

#include "engine/zemzuvave.h"
#include "support/formatting.h"
#include "support/textrules.h"

int main(int argc, char** argv) {
    ReadLocaleLeadBytes();  // the code page rules first, then the settings that depend on them
    ReadLocaleSettings();
    if (argc != 2) {
        std::fprintf(stderr, "usage: matchlist LISTFILE\n");
        return 2;
    }
    TStringList Lines;
    Lines.LoadLines(argv[1]);
    for (int I = 0; I < Lines.Count(); ++I) {
        const std::string Line = Lines[I];
        const std::size_t Tab = Line.find('\t');
        if (Tab == std::string::npos) continue;
        char Answer = 'E';
        try {
            Answer = Tzemzuvave::FileMatches(Line.substr(Tab + 1), Line.substr(0, Tab)) ? '1' : '0';
        } catch (...) {
        }
        std::putchar(Answer);
    }
    std::putchar('\n');
    return 0;
}
