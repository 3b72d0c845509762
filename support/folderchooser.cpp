#include "support/folderchooser.h"

#include <algorithm>
#include <vector>

#include "pure/support/folderchain.h"
#include "support/textrules.h"

namespace {

// ---- An in-memory dialog template; its texts are UTF-16, converted from the code page ----

class TDialogTemplate {
public:
    TDialogTemplate(DWORD Style, short Width, short Height, const std::string& Title, WORD PointSize,
                    const std::string& Face) {
        Dword(Style | DS_SETFONT);
        Dword(0);             // extended style
        FWords.push_back(0);  // item count, counted up by Item
        Shorts({0, 0, Width, Height});
        FWords.push_back(0);  // no menu
        FWords.push_back(0);  // the standard dialog class
        Text(Title);
        FWords.push_back(PointSize);
        Text(Face);
    }

    void Item(WORD ClassAtom, DWORD Style, short X, short Y, short Width, short Height, WORD Id,
              const std::string& Caption = std::string()) {
        if (FWords.size() % 2 != 0) FWords.push_back(0);  // items begin on a DWORD boundary
        Dword(Style | WS_CHILD | WS_VISIBLE);
        Dword(0);
        Shorts({X, Y, Width, Height});
        FWords.push_back(Id);
        FWords.push_back(0xFFFF);
        FWords.push_back(ClassAtom);
        Text(Caption);
        FWords.push_back(0);  // no creation data
        ++FWords[ItemCountAt];
    }

    const DLGTEMPLATE* Get() const { return reinterpret_cast<const DLGTEMPLATE*>(FWords.data()); }

private:
    static constexpr std::size_t ItemCountAt = 4;

    void Dword(DWORD D) {
        FWords.push_back(LOWORD(D));
        FWords.push_back(HIWORD(D));
    }
    void Shorts(std::initializer_list<short> Values) {
        for (const short V : Values) FWords.push_back(static_cast<WORD>(V));
    }
    void Text(const std::string& S) {
        if (!S.empty()) {
            const int N = MultiByteToWideChar(CP_ACP, 0, S.data(), static_cast<int>(S.size()), nullptr, 0);
            std::vector<wchar_t> Wide(static_cast<std::size_t>(std::max(N, 0)));
            if (N > 0) MultiByteToWideChar(CP_ACP, 0, S.data(), static_cast<int>(S.size()), Wide.data(), N);
            for (const wchar_t C : Wide) FWords.push_back(static_cast<WORD>(C));
        }
        FWords.push_back(0);
    }

    std::vector<WORD> FWords;  // heap storage: DWORD-aligned, as the template must be
};

enum : WORD {
    ButtonClass = 0x0080,
    EditClass = 0x0081,
    StaticClass = 0x0082,
    ListBoxClass = 0x0083,
    ComboBoxClass = 0x0085
};
enum : WORD { NameCaption = 105, DriveCaption = 107 };

std::string WindowText(HWND Window) {
    const int N = GetWindowTextLengthA(Window);
    std::string S(static_cast<std::size_t>(std::max(N, 0)) + 1, '\0');
    const int Got = GetWindowTextA(Window, S.data(), static_cast<int>(S.size()));
    S.resize(static_cast<std::size_t>(std::max(Got, 0)));
    return S;
}

// ---- Folder queries ----

// A folder can be entered when its entries can be listed; an empty drive root lists none.
bool CanEnter(const std::string& Folder) {
    if (Folder.empty() || !IsExistingFolder(Folder)) return false;
    TSearchRec Entry;
    TEnumScope Scope(Entry);
    const DWORD Result = EnumFirst(JoinFolder(Folder, "*"), faAnyFile, Entry);
    return Result == 0 || Result == ERROR_FILE_NOT_FOUND || Result == ERROR_NO_MORE_FILES;
}

std::vector<std::string> Subfolders(const std::string& Folder) {
    std::vector<std::string> Names;
    TSearchRec Entry;
    TEnumScope Scope(Entry);
    for (DWORD Result = EnumFirst(JoinFolder(Folder, "*"), faAnyFile, Entry); Result == 0; Result = EnumNext(Entry)) {
        if ((Entry.Attr & faDirectory) != 0 && Entry.Name != "." && Entry.Name != "..") Names.push_back(Entry.Name);
    }
    std::sort(Names.begin(), Names.end(),
              [](const std::string& A, const std::string& B) { return lstrcmpiA(A.c_str(), B.c_str()) < 0; });
    return Names;
}

std::string CurrentFolder() {
    const DWORD N = GetCurrentDirectoryA(0, nullptr);
    std::string S(N, '\0');
    const DWORD Got = GetCurrentDirectoryA(N, S.data());
    S.resize(Got < N ? Got : 0);
    return ChooserForm(S);
}

// Creates every missing folder of the chain down to Folder.
void CreateFolders(const std::string& Folder) {
    for (const std::string& Step : FolderChain(ChooserForm(FullPathOf(Folder)))) {
        if (!IsExistingFolder(Step)) CreateDirectoryA(Step.c_str(), nullptr);
    }
}

// ---- The chooser ----

class TFolderChooser {
public:
    TFolderChooser(const std::string& Title, unsigned Options) : FTitle(Title), FOptions(Options) {}

    bool Run(HWND Owner, std::string& Folder) {
        FStart = StartFolder(Folder);
        const TDialogTemplate Template = Layout();
        const INT_PTR Answer = DialogBoxIndirectParamA(GetModuleHandleA(nullptr), Template.Get(), Owner, &DialogProc,
                                                       reinterpret_cast<LPARAM>(this));
        if (Answer != IDOK) return false;
        Folder = FResult;
        return true;
    }

private:
    bool AllowCreate() const { return (FOptions & fcAllowCreate) != 0; }

    static std::string StartFolder(const std::string& Given) {
        if (BeginsWithDrive(Given)) {
            const std::string Full = ChooserForm(FullPathOf(Given));
            if (CanEnter(Full)) return Full;
        }
        return CurrentFolder();
    }

    TDialogTemplate Layout() const {
        const short Top = AllowCreate() ? 28 : 0;
        TDialogTemplate T(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER, 182,
                          static_cast<short>(158 + Top), FTitle, 9, "宋体");
        if (AllowCreate()) {
            T.Item(StaticClass, SS_LEFT, 6, 6, 170, 9, NameCaption, "目录名(&N):");
            T.Item(EditClass, WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 6, 16, 170, 12, fcNameEdit);
        }
        T.Item(StaticClass, SS_LEFT | SS_NOPREFIX | SS_PATHELLIPSIS, 6, static_cast<short>(6 + Top), 170, 9,
               fcPathLabel);
        T.Item(ListBoxClass, WS_BORDER | WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_HASSTRINGS | LBS_NOINTEGRALHEIGHT,
               6, static_cast<short>(17 + Top), 170, 96, fcFolderList);
        T.Item(StaticClass, SS_LEFT, 6, static_cast<short>(119 + Top), 40, 9, DriveCaption, "驱动器(&V):");
        T.Item(ComboBoxClass, WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, 48, static_cast<short>(117 + Top), 128, 90,
               fcDriveList);
        T.Item(ButtonClass, WS_TABSTOP | BS_DEFPUSHBUTTON, 66, static_cast<short>(138 + Top), 52, 14, IDOK, "确定");
        T.Item(ButtonClass, WS_TABSTOP | BS_PUSHBUTTON, 124, static_cast<short>(138 + Top), 52, 14, IDCANCEL, "取消");
        return T;
    }

    static INT_PTR CALLBACK DialogProc(HWND Dialog, UINT Message, WPARAM W, LPARAM L) {
        if (Message == WM_INITDIALOG) {
            SetWindowLongPtrA(Dialog, DWLP_USER, L);
            reinterpret_cast<TFolderChooser*>(L)->Init(Dialog);
            return TRUE;
        }
        auto* Self = reinterpret_cast<TFolderChooser*>(GetWindowLongPtrA(Dialog, DWLP_USER));
        if (Self && Message == WM_COMMAND) return Self->Command(LOWORD(W), HIWORD(W));
        return FALSE;
    }

    void Init(HWND Dialog) {
        FDialog = Dialog;
        FList = GetDlgItem(Dialog, fcFolderList);
        FDrives = GetDlgItem(Dialog, fcDriveList);
        FillDrives();
        if (!OpenFolder(FStart)) ShowFolder(FStart, {});  // even the current folder may be gone
    }

    void FillDrives() {
        const DWORD N = GetLogicalDriveStringsA(0, nullptr);
        std::string Area(N + 1, '\0');
        const DWORD Got = GetLogicalDriveStringsA(static_cast<DWORD>(Area.size()), Area.data());
        if (Got == 0 || Got >= Area.size()) return;
        for (std::size_t At = 0; At < Got && Area[At] != '\0';) {
            const std::string Drive(Area.c_str() + At);
            At += Drive.size() + 1;
            if (!BeginsWithDrive(Drive)) continue;
            FDriveRoots.push_back(ChooserForm(Drive.substr(0, 2) + "\\"));
            SendMessageA(FDrives, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(FDriveRoots.back().c_str()));
        }
    }

    // Takes a copy: the folder often comes from FItems, which showing it refills.
    bool OpenFolder(std::string Folder) {
        if (!CanEnter(Folder)) return false;
        ShowFolder(Folder, Subfolders(Folder));
        return true;
    }

    // The list holds the chain to the open folder, each step indented one level deeper, then
    // its subfolders; the open folder's own line is selected.
    void ShowFolder(const std::string& Folder, const std::vector<std::string>& Names) {
        FOpen = Folder;
        FItems.clear();
        SendMessageA(FList, WM_SETREDRAW, FALSE, 0);
        SendMessageA(FList, LB_RESETCONTENT, 0, 0);
        const std::vector<std::string> Chain = FolderChain(Folder);
        for (std::size_t I = 0; I < Chain.size(); ++I) {
            AddItem(I, I == 0 ? Chain[I] : NamePart(Chain[I]), Chain[I]);
        }
        for (const std::string& Name : Names) AddItem(Chain.size(), Name, JoinFolder(Folder, Name));
        SendMessageA(FList, LB_SETCURSEL, Chain.size() - 1, 0);
        SendMessageA(FList, WM_SETREDRAW, TRUE, 0);
        InvalidateRect(FList, nullptr, TRUE);

        SetDlgItemTextA(FDialog, fcPathLabel, Folder.c_str());
        if (AllowCreate()) SetDlgItemTextA(FDialog, fcNameEdit, Folder.c_str());
        SelectDriveOf(Folder);
    }

    void AddItem(std::size_t Level, const std::string& Text, const std::string& Folder) {
        const std::string Line = std::string(2 * Level, ' ') + Text;
        SendMessageA(FList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Line.c_str()));
        FItems.push_back(Folder);
    }

    void SelectDriveOf(const std::string& Folder) {
        LRESULT Index = -1;
        for (std::size_t I = 0; I < FDriveRoots.size(); ++I) {
            if (BeginsWithDrive(Folder) && SameLetter(FDriveRoots[I][0], Folder[0])) {
                Index = static_cast<LRESULT>(I);
            }
        }
        SendMessageA(FDrives, CB_SETCURSEL, static_cast<WPARAM>(Index), 0);
    }

    static bool SameLetter(char A, char B) {
        return FoldUpper(static_cast<unsigned char>(A)) == FoldUpper(static_cast<unsigned char>(B));
    }

    // A new drive opens at that drive's current folder, or at its root; a drive that cannot be
    // entered leaves the open folder as it was.
    void DriveChanged() {
        const LRESULT Index = SendMessageA(FDrives, CB_GETCURSEL, 0, 0);
        if (Index < 0 || static_cast<std::size_t>(Index) >= FDriveRoots.size()) return;
        const std::string& Root = FDriveRoots[static_cast<std::size_t>(Index)];
        if (BeginsWithDrive(FOpen) && SameLetter(FOpen[0], Root[0])) return;
        if (!OpenFolder(ChooserForm(FullPathOf(Root.substr(0, 2)))) && !OpenFolder(Root)) SelectDriveOf(FOpen);
    }

    void OpenSelected() {
        const LRESULT Index = SendMessageA(FList, LB_GETCURSEL, 0, 0);
        if (Index >= 0 && static_cast<std::size_t>(Index) < FItems.size())
            OpenFolder(FItems[static_cast<std::size_t>(Index)]);
    }

    void Confirm() {
        // Enter in the folder list opens the selected folder rather than closing the chooser.
        if (GetFocus() == FList) {
            const LRESULT Index = SendMessageA(FList, LB_GETCURSEL, 0, 0);
            if (Index >= 0 && static_cast<std::size_t>(Index) < FItems.size() &&
                FItems[static_cast<std::size_t>(Index)] != FOpen) {
                OpenFolder(FItems[static_cast<std::size_t>(Index)]);
                return;
            }
        }
        if (!AllowCreate()) {
            FResult = FOpen;
            EndDialog(FDialog, IDOK);
            return;
        }
        const std::string Typed = WindowText(GetDlgItem(FDialog, fcNameEdit));
        if (!IsExistingFolder(Typed)) {
            if ((FOptions & fcPrompt) != 0 &&
                MessageBoxA(FDialog, FolderMissingQuestion, FolderMissingCaption, MB_YESNO | MB_ICONQUESTION) != IDYES)
                return;
            if ((FOptions & fcPerformCreate) != 0) CreateFolders(Typed);
        }
        FResult = Typed;
        EndDialog(FDialog, IDOK);
    }

    INT_PTR Command(WORD Id, WORD Code) {
        switch (Id) {
        case IDOK:
            Confirm();
            return TRUE;
        case IDCANCEL:
            EndDialog(FDialog, IDCANCEL);
            return TRUE;
        case fcFolderList:
            if (Code == LBN_DBLCLK) OpenSelected();
            return TRUE;
        case fcDriveList:
            if (Code == CBN_SELCHANGE) DriveChanged();
            return TRUE;
        default:
            return FALSE;
        }
    }

    std::string FTitle;
    unsigned FOptions;
    std::string FStart;
    std::string FOpen;
    std::string FResult;
    std::vector<std::string> FItems;       // the folder of each line of the folder list
    std::vector<std::string> FDriveRoots;  // the root of each line of the drive list
    HWND FDialog = nullptr;
    HWND FList = nullptr;
    HWND FDrives = nullptr;
};

}  // namespace

bool RunFolderChooser(HWND Owner, const std::string& Title, unsigned Options, std::string& Folder) {
    TFolderChooser Chooser(Title, Options);
    return Chooser.Run(Owner, Folder);
}
