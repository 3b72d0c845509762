#include "ui/paintthrottle.h"

#include <utility>

double MonotonicSeconds() {
    static const double TicksPerSecond = [] {
        LARGE_INTEGER Frequency{};
        QueryPerformanceFrequency(&Frequency);
        return static_cast<double>(Frequency.QuadPart);
    }();
    LARGE_INTEGER Now{};
    QueryPerformanceCounter(&Now);
    return static_cast<double>(Now.QuadPart) / TicksPerSecond;
}

TPaintThrottle::TPaintThrottle(std::vector<HWND> Held, double IntervalSeconds)
    : FHeld(std::move(Held)), FInterval(IntervalSeconds), FLastPaint(MonotonicSeconds()) {
    Hold();
}

TPaintThrottle::~TPaintThrottle() { Paint(); }

bool TPaintThrottle::Tick() {
    const double Now = MonotonicSeconds();
    if (!FFirst && Now - FLastPaint < FInterval) return false;
    FFirst = false;
    Paint();
    Hold();
    FLastPaint = Now;
    return true;
}

void TPaintThrottle::Hold() const {
    for (HWND Window : FHeld)
        if (IsWindow(Window)) SendMessageA(Window, WM_SETREDRAW, FALSE, 0);
}

void TPaintThrottle::Paint() const {
    for (HWND Window : FHeld)
        if (IsWindow(Window)) {
            SendMessageA(Window, WM_SETREDRAW, TRUE, 0);
            InvalidateRect(Window, nullptr, TRUE);
            UpdateWindow(Window);
        }
}
