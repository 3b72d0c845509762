#pragma once
// A form described as one table of data: a row per control with its kind and member, parent,
// position, size, texts, items, hint, tab position, image and handlers. BuildControls creates
// the controls row by row, so a parent comes before its children.
#include <map>
#include <string>
#include <type_traits>
#include <variant>
#include <vector>

#include "ui/controls.h"
#include "ui/form.h"

template <class TOwner>
struct TControlRow {
    using TMember = std::variant<TPanel TOwner::*, TLabel TOwner::*, TEdit TOwner::*, TButton TOwner::*,
                                 TBitBtn TOwner::*, TCheckBox TOwner::*, TComboBox TOwner::*, TListBox TOwner::*,
                                 TStatusBar TOwner::*, TDateTimePicker TOwner::*>;
    using THandler = void (TOwner::*)(TObject* Sender);
    using TPointHandler = void (TOwner::*)(TObject* Sender, POINT Screen);

    const char* Name = "";
    TMember Kind;             // Member<TEdit>(&TForm1::Edit1): the control's kind and its member
    const char* Parent = "";  // name of an earlier row; empty: the form
    int Left = 0, Top = 0, Width = 0, Height = 0;
    const char* Text = "";
    std::vector<const char*> Items;
    int ItemHeight = 0;
    int DropDownCount = 0;  // items the open list of a drop-down shows; 0: the control's default
    const char* Hint = "";
    int Tab = -1;  // position in the parent's tab order; -1: none
    int Image = 0;
    std::vector<int> Panels;  // widths of the status bar's panels
    TAlign Align = TAlign::None;
    THandler OnClick = nullptr;
    THandler OnDblClick = nullptr;
    TPointHandler OnContextPopup = nullptr;
};

// The kind is named, and checked against the member's declared type.
template <class TKind, class TOwner>
typename TControlRow<TOwner>::TMember Member(TKind TOwner::*Control) {
    return Control;
}

namespace FormTableDetail {

[[noreturn]] inline void BadRow(const char* Name, const char* What) {
    throw TWindowError(std::string("窗体描述有误 ") + Name + ": " + What);
}

template <class TOwner, class TKind>
void BuildOne(TOwner& Form, const TControlRow<TOwner>& Row, HWND Parent, TKind& Control) {
    typename TKind::CreateArgs Args;
    Args.Parent = Parent;
    Args.Name = Row.Name;
    Args.Left = Row.Left;
    Args.Top = Row.Top;
    Args.Width = Row.Width;
    Args.Height = Row.Height;
    Args.Text = Row.Text;
    Args.Hint = Row.Hint;
    Args.TabOrder = Row.Tab;
    Args.Align = Row.Align;
    Args.Font = Form.Font();
    if constexpr (requires { Args.Items; }) {
        Args.Items.assign(Row.Items.begin(), Row.Items.end());
    } else if (!Row.Items.empty()) {
        BadRow(Row.Name, "items");
    }
    if constexpr (requires { Args.ItemHeight; }) {
        Args.ItemHeight = Row.ItemHeight;
    } else if (Row.ItemHeight != 0) {
        BadRow(Row.Name, "item height");
    }
    if constexpr (requires { Args.DropDownCount; }) {
        if (Row.DropDownCount > 0) Args.DropDownCount = Row.DropDownCount;
    } else if (Row.DropDownCount != 0) {
        BadRow(Row.Name, "drop-down count");
    }
    if constexpr (requires { Args.ImageId; }) {
        Args.ImageId = Row.Image;
    } else if (Row.Image != 0) {
        BadRow(Row.Name, "image");
    }
    if constexpr (requires { Args.PanelWidths; }) {
        Args.PanelWidths = Row.Panels;
    } else if (!Row.Panels.empty()) {
        BadRow(Row.Name, "panels");
    }
    Control.Create(Args);
    const auto Bind = [&Form](typename TControlRow<TOwner>::THandler Handler) {
        return [&Form, Handler](TObject* Sender) { (Form.*Handler)(Sender); };
    };
    if (Row.OnClick) {
        if constexpr (requires { Control.OnClick; })
            Control.OnClick = Bind(Row.OnClick);
        else
            BadRow(Row.Name, "click");
    }
    if (Row.OnDblClick) {
        if constexpr (requires { Control.OnDblClick; })
            Control.OnDblClick = Bind(Row.OnDblClick);
        else
            BadRow(Row.Name, "double click");
    }
    if (Row.OnContextPopup) {
        if constexpr (requires { Control.OnContextPopup; })
            Control.OnContextPopup = [&Form, Handler = Row.OnContextPopup](TObject* Sender, POINT Screen) {
                (Form.*Handler)(Sender, Screen);
            };
        else
            BadRow(Row.Name, "context menu");
    }
}

}  // namespace FormTableDetail

template <class TOwner>
void BuildControls(TOwner& Form, const std::vector<TControlRow<TOwner>>& Rows) {
    std::map<std::string, HWND> Made;
    for (const TControlRow<TOwner>& Row : Rows) {
        HWND Parent = Form.Handle();
        if (*Row.Parent) {
            const auto Found = Made.find(Row.Parent);
            if (Found == Made.end()) FormTableDetail::BadRow(Row.Name, "parent");
            Parent = Found->second;
        }
        std::visit([&](auto Control) { FormTableDetail::BuildOne(Form, Row, Parent, Form.*Control); }, Row.Kind);
        Made[Row.Name] = std::visit([&](auto Control) { return (Form.*Control).Handle(); }, Row.Kind);
    }
}
