#pragma once
// The main window of the program: the search fields and buttons in the upper panel, the result
// list, the bar of file actions below it and the status bar.
#include <memory>
#include <string>
#include <vector>

#include "engine/zemzuvave.h"
#include "ui/controls.h"
#include "ui/form.h"
#include "ui/hitpreview.h"
#include "ui/hitswindow.h"

class TPaintThrottle;

class TForm1 : public TForm {
public:
    // Creates the window with every control of the form description, then runs FormCreate.
    TForm1();
    ~TForm1() override;

    // Declared parents first: a control goes before the panel that holds it.
    TPanel Panel1;
    TLabel Label1;
    TLabel Label2;
    TLabel Label3;
    TLabel Label4;
    TLabel Label5;
    TEdit Edit1;
    TButton Button1;
    TComboBox ComboBox1;
    TEdit Edit2;
    TDateTimePicker DateTimePicker1;
    TBitBtn BitBtn1;
    TBitBtn BitBtn2;
    TCheckBox CheckBox1;
    TBitBtn BitBtn7;
    TStatusBar StatusBar1;
    TPanel Panel2;
    TBitBtn BitBtn3;
    TBitBtn BitBtn4;
    TBitBtn BitBtn5;
    TBitBtn BitBtn6;
    TBitBtn BitBtn8;
    TListBox ListBox1;

    void FormCreate(TObject* Sender);
    void FormClose(TObject* Sender, TCloseAction& Action);
    void FormResize(TObject* Sender);

    void BitBtn1Click(TObject* Sender);      // quick search, answered from the directory cache
    void BitBtn7Click(TObject* Sender);      // full search, walking the whole folder tree
    void BitBtn2Click(TObject* Sender);      // asks the running search to stop
    void CheckBox1Click(TObject* Sender);    // turns the date filter on or off
    void ListBox1Click(TObject* Sender);     // shows the selected file's size and date
    void ListBox1DblClick(TObject* Sender);  // opens the selected file
    void BitBtn3Click(TObject* Sender);      // opens the selected file
    void BitBtn4Click(TObject* Sender);      // copies the selected file to a chosen path
    void BitBtn5Click(TObject* Sender);      // moves the selected file to a chosen path
    void BitBtn8Click(TObject* Sender);      // opens the selected file's folder
    void BitBtn6Click(TObject* Sender);      // deletes the selected file
    void Button1Click(TObject* Sender);      // chooses the search folder
    // The context menu of the result list, asked for at a point of the screen.
    void ListBox1ContextPopup(TObject* Sender, POINT Screen);

    // True from the start of a search command until its search has returned.
    bool Searching() const { return FSearching; }
    // The moment the latest search ended, in the clock of the queue's time stamps.
    DWORD LastSearchEnd() const { return FSearchEnd; }
    // Lets the list and the status bar show what a running search has reported so far.
    void PaintProgress();
    // Shows a running search's folder in the status bar.
    void ShowSearchStatus(const std::string& Text);
    // The keyword of the latest search, as typed when it started.
    const std::string& LastKeyword() const { return FLastKeyword; }
    // Opens the window of the file's hits of the last search's keyword.
    void ShowHits(const std::string& Path);
    // The window of a file's hits opened last from the result list's menu; null before.
    THitsWindow* HitsWindow() const { return FHitsWindow.get(); }
    // The tip that shows the first hit of the result line the mouse rests on.
    HWND HitTipWindow() const { return FPreview.TipWindow(); }

private:
    class TSearchScope;
    void ShowPendingStatus();
    // The selected line of the result list; false when none is selected.
    bool SelectedPath(std::string& Path) const;
    // Every line of the result list.
    std::vector<std::string> ListedPaths() const;
    // Puts the paths on the clipboard, one per line.
    void CopyPaths(const std::vector<std::string>& Paths);
    // The search command of both search buttons.
    void RunSearch(bool UseCache);
    // True when the command now being handled was given while the latest search ran.
    bool GivenDuringLastSearch() const;

    bool FSearching = false;
    bool FSearched = false;  // a search has ended since the window was created
    DWORD FSearchStart = 0;  // the latest search, in the clock of the queue's time stamps
    DWORD FSearchEnd = 0;
    TPaintThrottle* FProgress = nullptr;  // while a search runs
    std::string FPendingStatus;           // the latest folder not shown yet
    bool FStatusPending = false;
    bool FCloseAfterSearch = false;  // the window was asked to close while a search ran
    std::string FLastKeyword;
    THitPreview FPreview;
    std::unique_ptr<THitsWindow> FHitsWindow;
};

// The window's progress and result callback of the engine.
void SearchNotify(const std::string& Path, int Kind, bool& Stop);

// The type handed to the engine for the pattern typed by the user: every "*" removed, except that
// "*.*" and "*" stand for every file.
std::string SearchFileType(const std::string& Pattern);

// The main window, set when the application creates it.
extern TForm1* Form1;
// The one search engine, from FormCreate to FormClose.
extern std::unique_ptr<Tzemzuvave> SearchEngine;
// The user's request to stop the running search.
extern bool StopRequested;

// The folder of the running program file, ending in "\".
std::string ProgramFolder();
