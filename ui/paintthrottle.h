#pragma once
// Holds back the painting of controls that a long operation updates many times a second, and
// lets them paint at most once per interval. Their content stays current all the time (a list's
// lines, a status bar's text); only the drawing is gathered, which under a busy display costs far
// more than the updates themselves.
#include <windows.h>

#include <vector>

class TPaintThrottle {
public:
    explicit TPaintThrottle(std::vector<HWND> Windows, double IntervalSeconds = 0.04);
    // Paints everything held back and lets the controls paint freely again.
    ~TPaintThrottle();
    TPaintThrottle(const TPaintThrottle&) = delete;
    TPaintThrottle& operator=(const TPaintThrottle&) = delete;

    // Paints the controls now when the interval has passed since they last painted.
    void Tick();

private:
    void Paint() const;
    void Hold() const;

    std::vector<HWND> FWindows;
    double FInterval;
    double FLastPaint;
};

// Seconds on the monotonic clock: unaffected by midnight and by changes of the wall clock.
double MonotonicSeconds();
