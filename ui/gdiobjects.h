#pragma once
// Owners of the font, icon and paint handles that the windows use.
#include <windows.h>

#include <utility>

template <class THandle, void (*Release)(THandle)>
class TOwnedHandle {
public:
    TOwnedHandle() = default;
    explicit TOwnedHandle(THandle Handle) : FHandle(Handle) {}
    ~TOwnedHandle() { Reset(); }
    TOwnedHandle(TOwnedHandle&& Other) noexcept : FHandle(std::exchange(Other.FHandle, nullptr)) {}
    TOwnedHandle& operator=(TOwnedHandle&& Other) noexcept {
        if (this != &Other) Reset(std::exchange(Other.FHandle, nullptr));
        return *this;
    }
    TOwnedHandle(const TOwnedHandle&) = delete;
    TOwnedHandle& operator=(const TOwnedHandle&) = delete;

    THandle Get() const { return FHandle; }
    explicit operator bool() const { return FHandle != nullptr; }
    void Reset(THandle Handle = nullptr) {
        if (FHandle) Release(FHandle);
        FHandle = Handle;
    }

private:
    THandle FHandle = nullptr;
};

inline void ReleaseFont(HFONT Font) { DeleteObject(Font); }
inline void ReleaseIcon(HICON Icon) { DestroyIcon(Icon); }
using TFontHandle = TOwnedHandle<HFONT, ReleaseFont>;
using TIconHandle = TOwnedHandle<HICON, ReleaseIcon>;

// An icon of the program's resources at the given size; empty when there is none.
inline TIconHandle LoadResourceIcon(int Id, int Size) {
    return TIconHandle(static_cast<HICON>(
        LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(Id), IMAGE_ICON, Size, Size, LR_DEFAULTCOLOR)));
}

// The device context of one WM_PAINT, released on every way out.
class TPaintScope {
public:
    explicit TPaintScope(HWND Window) : FWindow(Window) { FContext = BeginPaint(Window, &FPaint); }
    ~TPaintScope() { EndPaint(FWindow, &FPaint); }
    TPaintScope(const TPaintScope&) = delete;
    TPaintScope& operator=(const TPaintScope&) = delete;
    HDC Context() const { return FContext; }

private:
    HWND FWindow;
    PAINTSTRUCT FPaint{};
    HDC FContext = nullptr;
};
