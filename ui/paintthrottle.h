#pragma once
// Paces the drawing of controls that a long operation updates many times a second. Controls with
// a redraw switch of their own (a list box: its lines and its scroll bar) keep their content
// current, stay visible and take clicks while their drawing is held back; Tick tells the caller
// when to show what it keeps back itself (a status text). Under a busy display the drawing costs
// far more than the updates themselves.
#include <windows.h>

#include <vector>

class TPaintThrottle {
public:
    explicit TPaintThrottle(std::vector<HWND> Held, double IntervalSeconds = 0.04);
    // Draws the held controls and switches their drawing on again.
    ~TPaintThrottle();
    TPaintThrottle(const TPaintThrottle&) = delete;
    TPaintThrottle& operator=(const TPaintThrottle&) = delete;

    // At the first call and then at most once per interval: draws the held controls and answers
    // true, so that the caller shows the rest of the progress now. False in between.
    bool Tick();

private:
    void Hold() const;
    void Paint() const;

    std::vector<HWND> FHeld;
    double FInterval;
    double FLastPaint;
    bool FFirst = true;
};

// Seconds on the monotonic clock: unaffected by midnight and by changes of the wall clock.
double MonotonicSeconds();
