// The search commands of the main window and the engine's callback that reports to it.
#include "support/fileinfo.h"
#include "support/formatting.h"
#include "support/textrules.h"
#include "ui/Unit1.h"
#include "ui/application.h"
#include "ui/paintthrottle.h"

// Marks a search as running for the scope of one command, with the progress shown at a steady
// pace. A close asked for meanwhile is carried out once the search has returned, also when it
// ended with a failure.
class TForm1::TSearchScope {
public:
    explicit TSearchScope(TForm1& Form) : FForm(Form), FThrottle({Form.ListBox1.Handle()}) {
        FForm.FSearching = true;
        FForm.FSearchStart = TApplication::QueueClock();
        FForm.FProgress = &FThrottle;
    }
    ~TSearchScope() {
        FForm.FProgress = nullptr;
        FForm.ShowPendingStatus();
        // Taken while the search still counts as running: a command another thread sends meanwhile
        // is refused too.
        FForm.FSearchEnd = TApplication::QueueClock();
        FForm.FSearched = true;
        FForm.FSearching = false;
        if (FForm.FCloseAfterSearch) {
            FForm.FCloseAfterSearch = false;
            PostMessageA(FForm.Handle(), WM_CLOSE, 0, 0);
        }
    }
    TSearchScope(const TSearchScope&) = delete;
    TSearchScope& operator=(const TSearchScope&) = delete;

private:
    TForm1& FForm;
    TPaintThrottle FThrottle;
};

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
        Form->ShowSearchStatus(Path);
    } else {
        return;
    }
    Form->PaintProgress();
    Application.ProcessMessages();
}

// Clicks and keys given while a search runs wait in the queue until the search next lets the
// window read it; after the last file the search ends without reading it again, so they can be
// read only once it is over. Their time stamps tell them from a command given after the end.
bool TForm1::GivenDuringLastSearch() const {
    DWORD Given = 0;
    if (!FSearched || !Application.HandledMessageTime(Given)) return false;
    return Given - FSearchStart <= FSearchEnd - FSearchStart;  // unsigned: right across the wrap
}

void TForm1::RunSearch(bool UseCache) {
    // One search at a time: the running one goes on undisturbed, and commands given while it ran
    // are not carried out after it.
    if (FSearching || GivenDuringLastSearch()) return;
    if (!SearchEngine || TrimControls(Edit1.Text()).empty()) return;
    StopRequested = false;
    FLastKeyword = Edit2.Text();  // the hits shown for the lines are those of this keyword
    ListBox1.Clear();
    const double Start = MonotonicSeconds();
    const std::string FileType = SearchFileType(ComboBox1.Text());
    {
        const TSearchScope Scope(*this);
        SearchEngine->Search(Edit2.Text(), Edit1.Text(), FileType, UseCache, SearchNotify);
    }
    const double Seconds = MonotonicSeconds() - Start;
    StatusBar1.SetPanelText(1, FormatText("搜索完毕,找到文件%d个,耗时：%.2f秒", {ListBox1.Count(), Seconds}));
}

// While a search runs, the status bar takes the latest folder a few times a second; setting it
// at every folder would cost more than the walk itself.
void TForm1::ShowSearchStatus(const std::string& Text) {
    if (FProgress == nullptr) {
        StatusBar1.SetPanelText(1, Text);
        return;
    }
    FPendingStatus = Text;
    FStatusPending = true;
}

void TForm1::ShowPendingStatus() {
    if (!FStatusPending) return;
    FStatusPending = false;
    StatusBar1.SetPanelText(1, FPendingStatus);
}

void TForm1::PaintProgress() {
    if (FProgress != nullptr && FProgress->Tick()) ShowPendingStatus();
}

void TForm1::BitBtn1Click(TObject*) { RunSearch(true); }

void TForm1::BitBtn7Click(TObject*) { RunSearch(false); }

void TForm1::BitBtn2Click(TObject*) { StopRequested = true; }

void TForm1::CheckBox1Click(TObject*) { DateTimePicker1.SetEnabled(CheckBox1.Checked()); }
