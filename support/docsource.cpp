#include "support/docsource.h"

#include <algorithm>
#include <map>
#include <mutex>
#include <utility>

std::size_t TFileSource::ReadAt(std::uint64_t Offset, void* Buffer, std::size_t Count) {
    ThrowIfReadCancelled();  // a document test nobody waits for any more ends at its next read
    const std::uint64_t FileSize = FReader.Size();
    if (Offset >= FileSize) return 0;
    Count = static_cast<std::size_t>(std::min<std::uint64_t>(Count, FileSize - Offset));
    auto* At = static_cast<char*>(Buffer);
    std::size_t Done = 0;
    // Moving the file pointer and reading costs two calls into the system; a read at an offset
    // named by an OVERLAPPED costs a round trip to the server under Wine.
    LARGE_INTEGER Where;
    Where.QuadPart = static_cast<LONGLONG>(Offset);
    if (!SetFilePointerEx(FReader.Handle(), Where, nullptr, FILE_BEGIN)) Fail(FailureText::ReadFailed);
    while (Done < Count) {
        const DWORD Want = static_cast<DWORD>(std::min<std::size_t>(Count - Done, 1u << 30));
        DWORD Got = 0;
        if (!ReadFile(FReader.Handle(), At + Done, Want, &Got, nullptr)) {
            if (GetLastError() == ERROR_HANDLE_EOF) break;  // the file shrank meanwhile
            Fail(FailureText::ReadFailed);
        }
        if (Got == 0) break;
        Done += Got;
    }
    return Done;
}

namespace {

// The length of the longest start of Bytes that ends between two characters of the code page,
// at most Limit (and never 0 while Bytes holds anything), so that text converted in pieces is
// not cut inside a character.
std::size_t WholeCharacters(unsigned CodePage, std::string_view Bytes, std::size_t Limit, const CPINFO& Info) {
    if (Bytes.size() <= Limit) return Bytes.size();
    std::size_t Cut = Limit;
    if (CodePage == CP_UTF8) {
        while (Cut > Limit - 4 && (static_cast<unsigned char>(Bytes[Cut]) & 0xC0) == 0x80) --Cut;
    } else if (Info.MaxCharSize > 1) {
        // Characters of two (or, in GB18030, four) bytes begin with a lead byte; walk them.
        std::size_t At = 0;
        while (At < Limit) {
            const auto B = static_cast<unsigned char>(Bytes[At]);
            std::size_t Length = IsDBCSLeadByteEx(CodePage, B) ? 2 : 1;
            if (Info.MaxCharSize == 4 && Length == 2 && At + 1 < Bytes.size()) {
                const auto Next = static_cast<unsigned char>(Bytes[At + 1]);
                if (Next >= '0' && Next <= '9') Length = 4;
            }
            if (At + Length > Limit) break;
            At += Length;
        }
        Cut = At;
    }
    return Cut > 0 ? Cut : Limit;
}

// The byte sequences of a code page of one- and two-byte characters that give Unit (see
// TCodePageConverter::FormsOf), told with the code page's own lead bytes: each byte alone, and
// each lead byte with each byte after it.
bool PlatformForms(unsigned CodePage, char16_t Unit, std::vector<std::string>& Forms) {
    CPINFO Info{};
    if (!IsValidCodePage(CodePage) || !GetCPInfo(CodePage, &Info) || Info.MaxCharSize > 2) return false;
    auto Convert = [CodePage](const std::string& Bytes) {
        std::u16string Out(Bytes.size(), u'\0');  // never more units than bytes
        const int Units = MultiByteToWideChar(CodePage, 0, Bytes.data(), static_cast<int>(Bytes.size()),
                                              reinterpret_cast<wchar_t*>(Out.data()), static_cast<int>(Out.size()));
        Out.resize(static_cast<std::size_t>(std::max(Units, 0)));
        return Out;
    };
    Forms.clear();
    auto Add = [&Forms](std::string Form) {
        if (std::find(Forms.begin(), Forms.end(), Form) == Forms.end()) Forms.push_back(std::move(Form));
    };
    std::u16string Single[256];
    for (unsigned B = 1; B < 256; ++B) {
        Single[B] = Convert(std::string(1, static_cast<char>(B)));
        if (Single[B].find(Unit) != std::u16string::npos) Add(std::string(1, static_cast<char>(B)));
    }
    for (unsigned Lead = 0x80; Lead < 256; ++Lead) {
        if (!IsDBCSLeadByteEx(CodePage, static_cast<BYTE>(Lead))) continue;
        // All the pairs of one lead byte at once when each gives one unit; else one at a time.
        std::string Pairs;
        for (unsigned T = 1; T < 256; ++T) Pairs += {static_cast<char>(Lead), static_cast<char>(T)};
        const std::u16string All = Convert(Pairs);
        for (unsigned T = 1; T < 256; ++T) {
            const std::string Pair{static_cast<char>(Lead), static_cast<char>(T)};
            const std::u16string Text = All.size() == 255 ? All.substr(T - 1, 1) : Convert(Pair);
            if (Text == Single[Lead] + Single[T]) continue;  // read as two bytes apart
            if (Text == std::u16string(1, Unit))
                Add(Pair);
            else if (Text.find(Unit) != std::u16string::npos)
                Add(Pair.substr(0, 1)), Add(Pair.substr(1));  // not as a pair
        }
    }
    return true;
}

}  // namespace

unsigned TSystemCodePages::SystemCodePage() const { return GetACP(); }

bool TSystemCodePages::FormsOf(unsigned CodePage, char16_t Unit, std::vector<std::string>& Forms) const {
    struct TTold {
        bool Known;
        std::vector<std::string> Forms;
    };
    static std::mutex Lock;
    static std::map<std::pair<unsigned, char16_t>, TTold> Told;
    {
        const std::lock_guard<std::mutex> Hold(Lock);
        const auto It = Told.find({CodePage, Unit});
        if (It != Told.end()) return Forms = It->second.Forms, It->second.Known;
    }
    const bool Known = PlatformForms(CodePage, Unit, Forms);
    const std::lock_guard<std::mutex> Hold(Lock);
    if (Told.size() < 256) Told.emplace(std::make_pair(CodePage, Unit), TTold{Known, Forms});
    return Known;
}

bool TSystemCodePages::ToUtf16(unsigned CodePage, std::string_view Bytes, std::u16string& Out) const {
    CPINFO Info{};
    if (!IsValidCodePage(CodePage) || !GetCPInfo(CodePage, &Info)) return false;
    constexpr std::size_t Piece = 1u << 20;  // keeps every length within an int
    while (!Bytes.empty()) {
        std::size_t Take = WholeCharacters(CodePage, Bytes, Piece, Info);
        const int Length = static_cast<int>(Take);
        // No code page gives more UTF-16 units than bytes: one conversion into room for as many,
        // rather than one to count and one to convert.
        const std::size_t Start = Out.size();
        Out.resize(Start + Take);
        int Units = MultiByteToWideChar(CodePage, 0, Bytes.data(), Length,
                                        reinterpret_cast<wchar_t*>(Out.data() + Start), Length);
        if (Units == 0 && GetLastError() == ERROR_INSUFFICIENT_BUFFER) {
            const int Needed = MultiByteToWideChar(CodePage, 0, Bytes.data(), Length, nullptr, 0);
            Out.resize(Start + static_cast<std::size_t>(std::max(Needed, 0)));
            Units = MultiByteToWideChar(CodePage, 0, Bytes.data(), Length,
                                        reinterpret_cast<wchar_t*>(Out.data() + Start), Needed);
        }
        Out.resize(Start + static_cast<std::size_t>(std::max(Units, 0)));
        Bytes.remove_prefix(Take);
    }
    return true;
}
