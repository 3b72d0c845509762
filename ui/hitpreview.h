#pragma once
// The first hit of a result line's file, shown in a tip while the mouse rests on the line. The
// hit is found in the background when the mouse comes to rest and kept per line until the list
// is cleared for the next search; moving on before it is found stops that search and shows
// nothing.
#include <windows.h>

#include <functional>
#include <map>
#include <memory>
#include <string>

class THitJob;

class THitPreview {
public:
    THitPreview() = default;
    ~THitPreview();
    THitPreview(const THitPreview&) = delete;
    THitPreview& operator=(const THitPreview&) = delete;

    // Watches the list box List; Keyword gives the keyword of the last search (empty: no tips).
    void Attach(HWND List, std::function<std::string()> Keyword);
    HWND TipWindow() const { return FTip; }

private:
    static LRESULT CALLBACK ListProc(HWND Window, UINT Message, WPARAM W, LPARAM L, UINT_PTR, DWORD_PTR Self);
    void MouseMoved(POINT At);
    void Rested(POINT At);
    void TakeOutcome(WPARAM Tag);
    void Show(int Line);
    void Hide();
    void StopSearch();
    void Forget();
    int LineAt(POINT At) const;

    HWND FList = nullptr;
    HWND FTip = nullptr;
    std::function<std::string()> FKeyword;
    std::map<int, std::wstring> FTips;  // per line: the text shown for it
    int FRestLine = -1;                 // where the mouse rests, -1: nowhere
    bool FTracking = false;             // hover and leave are asked for
    std::shared_ptr<THitJob> FJob;      // the search for FJobLine's hit
    int FJobLine = -1;
    WPARAM FJobTag = 0;
};
