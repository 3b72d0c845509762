#include "ui/clipboard.h"

#include <cstring>

namespace {

// The clipboard, open for one scope. Another program may hold it for a moment, so the opening
// is tried a few times.
class TOpenClipboard {
public:
    explicit TOpenClipboard(HWND Owner) {
        for (int Try = 0; Try < 10 && !FOpen; ++Try) {
            FOpen = OpenClipboard(Owner) != FALSE;
            if (!FOpen) Sleep(10);
        }
    }
    ~TOpenClipboard() {
        if (FOpen) CloseClipboard();
    }
    TOpenClipboard(const TOpenClipboard&) = delete;
    TOpenClipboard& operator=(const TOpenClipboard&) = delete;
    bool Open() const { return FOpen; }

private:
    bool FOpen = false;
};

// Hands Bytes (with its terminating zero) to the clipboard in Format; the memory is the
// clipboard's once taken, and freed here otherwise.
bool PutOnClipboard(UINT Format, const void* Bytes, std::size_t Size) {
    HGLOBAL Memory = GlobalAlloc(GMEM_MOVEABLE, Size);
    if (!Memory) return false;
    if (void* At = GlobalLock(Memory)) {
        std::memcpy(At, Bytes, Size);
        GlobalUnlock(Memory);
        if (SetClipboardData(Format, Memory)) return true;
    }
    GlobalFree(Memory);
    return false;
}

}  // namespace

bool CopyTextToClipboard(HWND Owner, const std::string& Text) {
    const int Units = MultiByteToWideChar(CP_ACP, 0, Text.c_str(), -1, nullptr, 0);  // with the zero
    std::wstring Wide(static_cast<std::size_t>(Units > 0 ? Units : 1), L'\0');
    if (Units > 0) MultiByteToWideChar(CP_ACP, 0, Text.c_str(), -1, Wide.data(), Units);
    const TOpenClipboard Clipboard(Owner);
    if (!Clipboard.Open() || !EmptyClipboard()) return false;
    const bool Ansi = PutOnClipboard(CF_TEXT, Text.c_str(), Text.size() + 1);
    const bool Unicode = PutOnClipboard(CF_UNICODETEXT, Wide.c_str(), Wide.size() * sizeof(wchar_t));
    return Ansi && Unicode;
}
