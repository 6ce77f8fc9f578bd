// List and combo boxes: TCustomListControl keeps the lines (Items) and the selected line
// (ItemIndex, -1 for none); TListBox shows the lines, TComboBox a drop-down of them.
//
// Selection. Setting ItemIndex in code fires no event; an index out of range selects nothing
// (-1). The selection follows its line: inserting or deleting lines before it moves the index,
// deleting the selected line or clearing the list leaves none, and replacing a line's text keeps
// it selected. A sorted control keeps its lines in case-insensitive order.
//
// User actions. ClickItem is a user's click on a line: the control takes the focus, the line is
// selected, and a list box fires OnClick, a combo box OnClick then OnChange. The arrow keys, Home,
// End, Page Up and Page Down move the selection the same way while the control has the focus.
#pragma once

#include "platform/vcl/StringList.h"
#include "platform/vcl/controls/WinControl.h"

namespace vcl {

class TListItems;

class TCustomListControl : public TWinControl {
    VCL_CLASS(TCustomListControl, TWinControl)
public:
    explicit TCustomListControl(TComponent* owner);

    TStrings* GetItems() const;
    // Copies the lines given.
    void SetItems(TStrings* value);
    int GetItemIndex() const { return FItemIndex; }
    void SetItemIndex(int value);
    bool GetSorted() const { return FSorted; }
    void SetSorted(bool value);

    // A user's click on line index (see the file comment); false when the control or the line
    // cannot be reached.
    bool ClickItem(int index);
    // A double click: the click, then DblClick.
    bool DoubleClickItem(int index);
    bool KeyDown(TKey key, TShiftState shift) override;

    const TNotifyEvent& GetOnDblClick() const { return FOnDblClick; }
    void SetOnDblClick(TNotifyEvent e) { FOnDblClick = std::move(e); }

protected:
    ~TCustomListControl() override;
    bool TakesFocusOnClick() const override { return true; }
    // What follows a user's choice of a line (list box: Click).
    virtual void UserSelected();
    // The selection or the selected line's text changed (a combo box updates its text).
    virtual void SelectionChanged() {}
    // Lines a page key moves over.
    virtual int PageSize() const { return 8; }
    // The second click of a double click: fires OnDblClick.
    virtual void DblClick();

private:
    friend class TListItems;
    void ItemInserted(int index);
    void ItemDeleted(int index);
    void ItemsCleared();
    void ItemReplaced(int index);
    void ItemsChanged();

    TOwned<TListItems> FItems;
    int FItemIndex = -1;
    bool FSorted = false;
    TNotifyEvent FOnDblClick;
};

class TListBox : public TCustomListControl {
    VCL_CLASS(TListBox, TCustomListControl)
public:
    explicit TListBox(TComponent* owner);

protected:
    ~TListBox() override;
};

enum TComboBoxStyle { csDropDown, csSimple, csDropDownList, csOwnerDrawFixed, csOwnerDrawVariable };
VCL_ENUM_NAMES(TComboBoxStyle, csDropDown, csSimple, csDropDownList, csOwnerDrawFixed, csOwnerDrawVariable);

class TComboBox : public TCustomListControl {
    VCL_CLASS(TComboBox, TCustomListControl)
public:
    explicit TComboBox(TComponent* owner);

    // A drop-down list (csDropDownList) shows only its lines: its text is the selected line's.
    TComboBoxStyle GetStyle() const { return FStyle; }
    void SetStyle(TComboBoxStyle value);
    // In a drop-down list, setting the text selects the line with that text (none when absent).
    void SetText(const AnsiString& value) override;
    int GetDropDownCount() const { return FDropDownCount; }
    void SetDropDownCount(int value);

    const TNotifyEvent& GetOnChange() const { return FOnChange; }
    void SetOnChange(TNotifyEvent e) { FOnChange = std::move(e); }

protected:
    ~TComboBox() override;
    void UserSelected() override;
    void SelectionChanged() override;

private:
    TComboBoxStyle FStyle = csDropDown;
    int FDropDownCount = 8;
    TNotifyEvent FOnChange;
};

} // namespace vcl
