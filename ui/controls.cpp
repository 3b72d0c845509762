#include "ui/controls.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <cstring>

namespace {

const char* const PanelClass = "TPanel";

DWORD ChildStyle(DWORD Style) { return WS_CHILD | WS_VISIBLE | Style; }
// Controls that take the focus are tab stops when they have a place in the tab order.
DWORD FocusableStyle(const TControlArgs& Args, DWORD Style) {
    return ChildStyle(Style) | (Args.TabOrder >= 0 ? WS_TABSTOP : 0);
}

std::string TextOf(HWND Window, UINT LengthMessage, UINT TextMessage, WPARAM Index) {
    const LRESULT Length = SendMessageA(Window, LengthMessage, Index, 0);
    if (Length < 0) return std::string();
    std::string Text(static_cast<std::size_t>(Length) + 1, '\0');
    const LRESULT Got = SendMessageA(Window, TextMessage, Index, reinterpret_cast<LPARAM>(Text.data()));
    Text.resize(Got < 0 ? 0 : std::min(static_cast<std::size_t>(Got), Text.size() - 1));
    return Text;
}

}  // namespace

// ---- TPanel ----

void TPanel::Create(const CreateArgs& Args) {
    RegisterOwnClass(PanelClass, CS_HREDRAW | CS_VREDRAW);
    // Its tab position orders it among its siblings; Tab itself goes into its children.
    CreateWindowOf(PanelClass, ChildStyle(WS_CLIPSIBLINGS | WS_CLIPCHILDREN), WS_EX_CONTROLPARENT, Args);
}

LRESULT TPanel::WindowProc(UINT Message, WPARAM WParam, LPARAM LParam) {
    switch (Message) {
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORMSGBOX:
        if (HWND Form = GetAncestor(Handle(), GA_ROOT); Form && Form != Handle())
            return SendMessageA(Form, Message, WParam, LParam);
        break;
    case WM_PAINT: {
        TPaintScope Paint(Handle());
        RECT Client{};
        GetClientRect(Handle(), &Client);
        DrawEdge(Paint.Context(), &Client, BDR_SUNKENOUTER, BF_RECT);
        return 0;
    }
    }
    return TControl::WindowProc(Message, WParam, LParam);
}

// ---- TLabel ----

void TLabel::Create(const CreateArgs& Args) {
    TControlArgs Own = Args;
    Own.TabOrder = -1;
    CreateWindowOf("STATIC", ChildStyle(SS_LEFTNOWORDWRAP | SS_NOPREFIX), 0, Own);
}

// ---- TEdit ----

void TEdit::Create(const CreateArgs& Args) {
    CreateWindowOf("EDIT", FocusableStyle(Args, ES_LEFT | ES_AUTOHSCROLL), WS_EX_CLIENTEDGE, Args);
}

void TEdit::Command(WORD Code) {
    if (Code == EN_CHANGE && OnChange) OnChange(this);
}

// ---- TButton, TBitBtn ----

void TButton::Create(const CreateArgs& Args) { CreateWindowOf("BUTTON", FocusableStyle(Args, BS_PUSHBUTTON), 0, Args); }

void TButton::Click() {
    if (OnClick) OnClick(this);
}

void TButton::Command(WORD Code) {
    if (Code == BN_CLICKED) Click();
}

void TBitBtn::Create(const CreateArgs& Args) {
    TButton::Create(Args);
    if (Args.ImageId == 0) return;
    FImage = LoadResourceIcon(Args.ImageId, 32);
    // With the version 6 controls a button draws its image left of the caption.
    if (FImage) SendMessageA(Handle(), BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(FImage.Get()));
}

// ---- TCheckBox ----

void TCheckBox::Create(const CreateArgs& Args) {
    CreateWindowOf("BUTTON", FocusableStyle(Args, BS_AUTOCHECKBOX), 0, Args);
}

bool TCheckBox::Checked() const { return SendMessageA(Handle(), BM_GETCHECK, 0, 0) == BST_CHECKED; }

void TCheckBox::SetChecked(bool Value) {
    if (Checked() == Value) return;
    SendMessageA(Handle(), BM_SETCHECK, Value ? BST_CHECKED : BST_UNCHECKED, 0);
    if (OnClick) OnClick(this);
}

void TCheckBox::Command(WORD Code) {
    if (Code == BN_CLICKED && OnClick) OnClick(this);
}

// ---- TComboBox ----

void TComboBox::Create(const CreateArgs& Args) {
    // The window's height given to the system includes the open list.
    TControlArgs Own = Args;
    const int ListItemHeight = Args.ItemHeight > 0 ? Args.ItemHeight : 16;
    Own.Height = Args.Height + Args.DropDownCount * ListItemHeight + 2;
    CreateWindowOf("COMBOBOX", FocusableStyle(Args, CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL), 0, Own);
    // After the font, which resets both heights. The box itself sets the items' height only for
    // owner-drawn lists, so it goes to the list directly.
    COMBOBOXINFO Parts{};
    Parts.cbSize = sizeof Parts;
    if (Args.ItemHeight > 0 && GetComboBoxInfo(Handle(), &Parts) && Parts.hwndList)
        SendMessageA(Parts.hwndList, LB_SETITEMHEIGHT, 0, Args.ItemHeight);
    // The closed box's height follows its field's height, by an offset that the system keeps.
    auto Field = static_cast<int>(SendMessageA(Handle(), CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0));
    for (int Try = 0; Try < 3 && Args.Height > 0 && Height() != Args.Height; ++Try) {
        Field += Args.Height - Height();
        if (Field <= 0) break;
        SendMessageA(Handle(), CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), Field);
    }
    // The version 6 controls size the open list by this count rather than by the window's height.
    SendMessageA(Handle(), CB_SETMINVISIBLE, static_cast<WPARAM>(Args.DropDownCount), 0);
    for (const std::string& Item : Args.Items) AddItem(Item);
    SetText(Args.Text);  // the box takes no text at creation
}

int TComboBox::ItemCount() const { return static_cast<int>(SendMessageA(Handle(), CB_GETCOUNT, 0, 0)); }

std::string TComboBox::Item(int Index) const {
    if (Index < 0 || Index >= ItemCount()) return std::string();
    return TextOf(Handle(), CB_GETLBTEXTLEN, CB_GETLBTEXT, static_cast<WPARAM>(Index));
}

void TComboBox::AddItem(const std::string& Text) {
    SendMessageA(Handle(), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Text.c_str()));
}

int TComboBox::ItemHeight() const { return static_cast<int>(SendMessageA(Handle(), CB_GETITEMHEIGHT, 0, 0)); }

void TComboBox::Command(WORD Code) {
    if ((Code == CBN_EDITCHANGE || Code == CBN_SELCHANGE) && OnChange) OnChange(this);
}

// ---- TListBox ----

void TListBox::Create(const CreateArgs& Args) {
    CreateWindowOf("LISTBOX", FocusableStyle(Args, LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL), WS_EX_CLIENTEDGE,
                   Args);
    if (Args.ItemHeight > 0) SendMessageA(Handle(), LB_SETITEMHEIGHT, 0, Args.ItemHeight);
    SetWindowSubclass(Handle(), ListProc, 0, reinterpret_cast<DWORD_PTR>(this));
}

LRESULT CALLBACK TListBox::ListProc(HWND Window, UINT Message, WPARAM W, LPARAM L, UINT_PTR, DWORD_PTR Self) {
    auto& List = *reinterpret_cast<TListBox*>(Self);
    switch (Message) {
    case WM_RBUTTONDOWN: {
        // The line under the mouse is selected first, as a click selects it, so that the menu
        // acts on what the user pointed at.
        const int Index = List.ItemAt({GET_X_LPARAM(L), GET_Y_LPARAM(L)});
        ::SetFocus(Window);
        if (Index >= 0 && Index != List.ItemIndex()) {
            List.SetItemIndex(Index);
            Protect([&List] {
                if (List.OnClick) List.OnClick(&List);
            });
        }
        return 0;
    }
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYUP: {
        // The menu key and Shift+F10 ask for the menu at once; their other half does nothing.
        const bool MenuKey = W == VK_APPS || (W == VK_F10 && (GetKeyState(VK_SHIFT) & 0x8000));
        if (!MenuKey || !List.OnContextPopup) break;
        const bool Repeat = (L & 0x40000000) != 0;
        if ((Message == WM_KEYDOWN || Message == WM_SYSKEYDOWN) && !Repeat)
            SendMessageA(Window, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(Window), -1);
        return 0;
    }
    case WM_CONTEXTMENU: {
        if (!List.OnContextPopup) break;
        POINT At{GET_X_LPARAM(L), GET_Y_LPARAM(L)};
        if (L == -1) At = List.KeyboardMenuPoint();  // Shift+F10 or the menu key
        Protect([&List, At] { List.OnContextPopup(&List, At); });
        return 0;
    }
    case WM_NCDESTROY:
        RemoveWindowSubclass(Window, ListProc, 0);
        break;
    }
    return DefSubclassProc(Window, Message, W, L);
}

POINT TListBox::KeyboardMenuPoint() const {
    POINT At{4, 4};
    RECT Line{};
    if (ItemIndex() >= 0 && SendMessageA(Handle(), LB_GETITEMRECT, static_cast<WPARAM>(ItemIndex()),
                                         reinterpret_cast<LPARAM>(&Line)) != LB_ERR)
        At = {Line.left + 16, Line.bottom};
    ClientToScreen(Handle(), &At);
    return At;
}

int TListBox::ItemAt(POINT Client) const {
    const LRESULT Found = SendMessageA(Handle(), LB_ITEMFROMPOINT, 0, MAKELPARAM(Client.x, Client.y));
    if (HIWORD(Found) != 0) return -1;  // outside every line
    // The nearest line comes also for a point below the last one.
    const int Index = LOWORD(Found);
    RECT Line{};
    if (Index >= Count() ||
        SendMessageA(Handle(), LB_GETITEMRECT, static_cast<WPARAM>(Index), reinterpret_cast<LPARAM>(&Line)) == LB_ERR ||
        !PtInRect(&Line, Client))
        return -1;
    return Index;
}

int TListBox::Count() const { return static_cast<int>(SendMessageA(Handle(), LB_GETCOUNT, 0, 0)); }

std::string TListBox::Item(int Index) const {
    if (Index < 0 || Index >= Count()) return std::string();
    return TextOf(Handle(), LB_GETTEXTLEN, LB_GETTEXT, static_cast<WPARAM>(Index));
}

int TListBox::Add(const std::string& Line) {
    const LRESULT Index = SendMessageA(Handle(), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Line.c_str()));
    return Index < 0 ? -1 : static_cast<int>(Index);
}

void TListBox::Clear() { SendMessageA(Handle(), LB_RESETCONTENT, 0, 0); }
int TListBox::ItemIndex() const { return static_cast<int>(SendMessageA(Handle(), LB_GETCURSEL, 0, 0)); }
void TListBox::SetItemIndex(int Index) { SendMessageA(Handle(), LB_SETCURSEL, static_cast<WPARAM>(Index), 0); }
int TListBox::ItemHeight() const { return static_cast<int>(SendMessageA(Handle(), LB_GETITEMHEIGHT, 0, 0)); }

void TListBox::Command(WORD Code) {
    if (Code == LBN_SELCHANGE && OnClick) OnClick(this);
    if (Code == LBN_DBLCLK && OnDblClick) OnDblClick(this);
}

// ---- TStatusBar ----

void TStatusBar::Create(const CreateArgs& Args) {
    TControlArgs Own = Args;
    Own.TabOrder = -1;
    // The form docks it; the bar itself keeps the height it is given.
    CreateWindowOf(STATUSCLASSNAMEA, ChildStyle(SBARS_SIZEGRIP | CCS_NORESIZE | CCS_NOPARENTALIGN | CCS_NODIVIDER), 0,
                   Own);
    std::vector<int> Rights;
    int Right = 0;
    for (const int Width : Args.PanelWidths) Rights.push_back(Right += Width);
    if (Rights.empty()) return;
    Rights.back() = -1;
    SendMessageA(Handle(), SB_SETPARTS, Rights.size(), reinterpret_cast<LPARAM>(Rights.data()));
}

int TStatusBar::PanelCount() const { return static_cast<int>(SendMessageA(Handle(), SB_GETPARTS, 0, 0)); }

RECT TStatusBar::PanelRect(int Index) const {
    RECT Rect{};
    SendMessageA(Handle(), SB_GETRECT, static_cast<WPARAM>(Index), reinterpret_cast<LPARAM>(&Rect));
    return Rect;
}

std::string TStatusBar::PanelText(int Index) const {
    if (Index < 0 || Index >= PanelCount()) return std::string();
    // The length comes in the low word, and some implementations count it in UTF-16 units, not
    // bytes; the text message takes no buffer size, so the buffer holds two bytes per unit.
    const auto Units =
        static_cast<std::size_t>(LOWORD(SendMessageA(Handle(), SB_GETTEXTLENGTHA, static_cast<WPARAM>(Index), 0)));
    std::string Text(2 * Units + 2, '\0');
    SendMessageA(Handle(), SB_GETTEXTA, static_cast<WPARAM>(Index), reinterpret_cast<LPARAM>(Text.data()));
    Text.resize(std::strlen(Text.c_str()));
    return Text;
}

void TStatusBar::SetPanelText(int Index, const std::string& Text) {
    SendMessageA(Handle(), SB_SETTEXTA, static_cast<WPARAM>(Index), reinterpret_cast<LPARAM>(Text.c_str()));
}

// ---- TDateTimePicker ----

void TDateTimePicker::Create(const CreateArgs& Args) {
    CreateWindowOf(DATETIMEPICK_CLASSA, FocusableStyle(Args, DTS_SHORTDATEFORMAT), 0, Args);
}

TDateTime TDateTimePicker::DateTime() const {
    SYSTEMTIME Time{};
    if (SendMessageA(Handle(), DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&Time)) != GDT_VALID) return 0;
    return SystemTimeToDateTime(Time);
}

bool TDateTimePicker::SetDateTime(TDateTime Value) {
    SYSTEMTIME Time{};
    if (!DateTimeToSystemTime(Value, Time)) return false;
    return SendMessageA(Handle(), DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&Time)) != 0;
}

bool TDateTimePicker::Notify(const NMHDR& Header, LRESULT& Result) {
    if (Header.code != DTN_DATETIMECHANGE) return false;
    if (OnChange) OnChange(this);
    Result = 0;
    return true;
}
