#pragma once
// A small window, owned by the main window, that lists where one file holds the keyword of the
// last search: the place, then the text around the match with the match in bold on a marked
// ground. The hits are found on a thread of their own; closing the window stops that search.
// Escape closes it; a double click (or Enter) on a hit opens the file.
#include <memory>
#include <string>
#include <vector>

#include "engine/keywordhit.h"
#include "ui/control.h"
#include "ui/gdiobjects.h"

class THitJob;

class THitsWindow : public TControl {
public:
    // At most this many hits are listed.
    static constexpr std::size_t MaxHits = 100;

    THitsWindow() = default;
    ~THitsWindow() override;
    // Shows the window for the file Path in the font Font. An empty keyword lists the file's
    // name alone.
    void Open(HWND Owner, HFONT Font, const std::string& Path, const std::string& Keyword);

    // The line above the hits: what the search is doing or found.
    std::string StateText() const;
    HWND ListHandle() const { return FList; }

protected:
    LRESULT WindowProc(UINT Message, WPARAM WParam, LPARAM LParam) override;

private:
    void Close();
    void Layout();
    void ShowHits(const std::vector<TKeywordHit>& Hits, const std::string& State);
    void TakeOutcome();
    void DrawHit(const DRAWITEMSTRUCT& Item) const;

    std::string FPath;
    std::string FKeyword;
    std::shared_ptr<THitJob> FJob;
    std::vector<TKeywordHit> FHits;
    HWND FState = nullptr;
    HWND FList = nullptr;
    HFONT FFont = nullptr;  // the owner's
    TFontHandle FBold;
    int FWhereWidth = 0;  // of the place column
};
