// The search commands of the main window and the engine's callback that reports to it.
#include <utility>
#include <vector>

#include "support/fileinfo.h"
#include "support/formatting.h"
#include "support/textrules.h"
#include "ui/Unit1.h"
#include "ui/application.h"
#include "ui/paintthrottle.h"

namespace {

// Marks a search as running for the scope of one command, with the list and the status bar
// painting a few times a second instead of at every file and folder. A close asked for meanwhile
// is carried out once the search has returned, also when it ended with a failure.
class TSearchScope {
public:
    TSearchScope(bool& Searching, bool& CloseAfterSearch, TPaintThrottle*& Progress, HWND Window,
                 std::vector<HWND> Painted)
        : FSearching(Searching), FCloseAfterSearch(CloseAfterSearch), FProgress(Progress), FWindow(Window),
          FThrottle(std::move(Painted)) {
        FSearching = true;
        FProgress = &FThrottle;
    }
    ~TSearchScope() {
        FProgress = nullptr;
        FSearching = false;
        if (FCloseAfterSearch) {
            FCloseAfterSearch = false;
            PostMessageA(FWindow, WM_CLOSE, 0, 0);
        }
    }
    TSearchScope(const TSearchScope&) = delete;
    TSearchScope& operator=(const TSearchScope&) = delete;

private:
    bool& FSearching;
    bool& FCloseAfterSearch;
    TPaintThrottle*& FProgress;
    HWND FWindow;
    TPaintThrottle FThrottle;
};

}  // namespace

std::string SearchFileType(const std::string& Pattern) {
    if (Pattern == "*.*" || Pattern == "*") return "*.*";
    return ReplaceAllText(Pattern, "*", "");
}

void SearchNotify(const std::string& Path, int Kind, bool& Stop) {
    Stop = StopRequested;
    TForm1* Form = Form1;
    if (Form == nullptr) {
        Stop = true;
        return;
    }
    if (Kind == 0) {
        if (!Form->CheckBox1.Checked() || GetFileModified(Path) > Form->DateTimePicker1.DateTime())
            Form->ListBox1.Add(Path);
    } else if (Kind == 1) {
        Form->StatusBar1.SetPanelText(1, Path);
    } else {
        return;
    }
    Form->PaintProgress();
    Application.ProcessMessages();
}

void TForm1::RunSearch(bool UseCache) {
    if (FSearching) return;  // one search at a time: the running one goes on undisturbed
    if (!SearchEngine || TrimControls(Edit1.Text()).empty()) return;
    StopRequested = false;
    ListBox1.Clear();
    const double Start = MonotonicSeconds();
    const std::string FileType = SearchFileType(ComboBox1.Text());
    {
        const TSearchScope Scope(FSearching, FCloseAfterSearch, FProgressPaint, Handle(),
                                 {ListBox1.Handle(), StatusBar1.Handle()});
        SearchEngine->Search(Edit2.Text(), Edit1.Text(), FileType, UseCache, SearchNotify);
    }
    const double Seconds = MonotonicSeconds() - Start;
    StatusBar1.SetPanelText(1, FormatText("搜索完毕,找到文件%d个,耗时：%.2f秒", {ListBox1.Count(), Seconds}));
}

void TForm1::PaintProgress() {
    if (FProgressPaint != nullptr) FProgressPaint->Tick();
}

void TForm1::BitBtn1Click(TObject*) { RunSearch(true); }

void TForm1::BitBtn7Click(TObject*) { RunSearch(false); }

void TForm1::BitBtn2Click(TObject*) { StopRequested = true; }

void TForm1::CheckBox1Click(TObject*) { DateTimePicker1.SetEnabled(CheckBox1.Checked()); }
