// TCustomListControl, TListBox, TComboBox, and the line list they share.
#include "platform/vcl/controls/ListControls.h"

#include "platform/vcl/Exceptions.h"
#include "platform/vcl/SysUtils.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace vcl {

// The lines of a list control: a plain list that tells its control about every insertion,
// deletion and replacement, so the selection can follow its line. Changes made between
// BeginUpdate and EndUpdate are reported once, at the end.
class TListItems : public TStrings {
    VCL_CLASS(TListItems, TStrings)
public:
    explicit TListItems(TCustomListControl* control) : FControl(control) {}

    AnsiString Get(int index) const override {
        CheckIndex(index);
        return FLines[static_cast<std::size_t>(index)].first;
    }
    int GetCount() const override { return static_cast<int>(FLines.size()); }
    TObject* GetObject(int index) const override {
        CheckIndex(index);
        return FLines[static_cast<std::size_t>(index)].second;
    }
    void Put(int index, const AnsiString& s) override {
        CheckIndex(index);
        if (FControl->FSorted) {
            // The line may move; it stays selected when it was.
            TObject* obj = FLines[static_cast<std::size_t>(index)].second;
            const bool selected = FControl->FItemIndex == index;
            BeginUpdate();
            Delete(index);
            const int at = AddObject(s, obj);
            if (selected) FControl->FItemIndex = at;
            EndUpdate();
            return;
        }
        FLines[static_cast<std::size_t>(index)].first = s;
        FControl->ItemReplaced(index);
        Report();
    }
    void PutObject(int index, TObject* obj) override {
        CheckIndex(index);
        FLines[static_cast<std::size_t>(index)].second = obj;
    }
    void Clear() override {
        if (FLines.empty()) return;
        FLines.clear();
        FControl->ItemsCleared();
        Report();
    }
    void Delete(int index) override {
        CheckIndex(index);
        FLines.erase(FLines.begin() + index);
        FControl->ItemDeleted(index);
        Report();
    }
    void Insert(int index, const AnsiString& s) override { InsertObject(index, s, nullptr); }
    void InsertObject(int index, const AnsiString& s, TObject* obj) override {
        if (index < 0 || index > GetCount()) Error(index);
        FLines.insert(FLines.begin() + index, {s, obj});
        FControl->ItemInserted(index);
        Report();
    }
    int Add(const AnsiString& s) override { return AddObject(s, nullptr); }
    int AddObject(const AnsiString& s, TObject* obj) override {
        int index = GetCount();
        if (FControl->FSorted) {
            auto it = std::upper_bound(FLines.begin(), FLines.end(), s, [](const AnsiString& value, const auto& line) {
                return AnsiCompareText(value, line.first) < 0;
            });
            index = static_cast<int>(it - FLines.begin());
        }
        InsertObject(index, s, obj);
        return index;
    }
    // Sorts the lines (stable, ignoring case); the selected line stays selected.
    void SortKeepingSelection() {
        std::vector<std::pair<std::size_t, std::pair<AnsiString, TObject*>>> keyed;
        for (std::size_t i = 0; i < FLines.size(); ++i)
            keyed.emplace_back(i, FLines[i]);
        std::stable_sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) {
            return AnsiCompareText(a.second.first, b.second.first) < 0;
        });
        const int selected = FControl->FItemIndex;
        for (std::size_t i = 0; i < keyed.size(); ++i) {
            FLines[i] = keyed[i].second;
            if (selected >= 0 && keyed[i].first == static_cast<std::size_t>(selected))
                FControl->FItemIndex = static_cast<int>(i);
        }
        FPending = true;
        Report();
    }

protected:
    ~TListItems() override = default;
    void SetUpdateState(bool updating) override {
        if (!updating && FPending) {
            FPending = false;
            FControl->ItemsChanged();
        }
    }

private:
    void CheckIndex(int index) const {
        if (index < 0 || index >= GetCount()) Error(index);
    }
    void Report() {
        FPending = true;
        if (GetUpdateCount() == 0) SetUpdateState(false);
    }

    TCustomListControl* FControl;
    std::vector<std::pair<AnsiString, TObject*>> FLines;
    bool FPending = false; // a change not yet reported to the control
};

VCL_CLASS_INFO(TListItems)
VCL_CLASS_INFO(TCustomListControl)

// --- TCustomListControl -------------------------------------------------------------------------

TCustomListControl::TCustomListControl(TComponent* owner) : TWinControl(owner), FItems(New<TListItems>(this)) {
    SetTabStop(true);
}

TCustomListControl::~TCustomListControl() = default;

TStrings* TCustomListControl::GetItems() const {
    return FItems.get();
}

void TCustomListControl::SetItems(TStrings* value) {
    FItems->Assign(value);
}

void TCustomListControl::SetItemIndex(int value) {
    if (value < -1 || value >= FItems->GetCount()) value = -1;
    if (value == FItemIndex) return;
    FItemIndex = value;
    Changed(TControlChange::ItemIndex);
    SelectionChanged();
}

void TCustomListControl::SetSorted(bool value) {
    if (value == FSorted) return;
    FSorted = value;
    if (value) FItems->SortKeepingSelection();
    Changed(TControlChange::Appearance);
}

void TCustomListControl::ItemInserted(int index) {
    if (FItemIndex >= index) ++FItemIndex;
}

void TCustomListControl::ItemDeleted(int index) {
    if (FItemIndex == index) {
        FItemIndex = -1;
    } else if (FItemIndex > index) {
        --FItemIndex;
    }
}

void TCustomListControl::ItemsCleared() {
    FItemIndex = -1;
}

void TCustomListControl::ItemReplaced(int) {}

void TCustomListControl::ItemsChanged() {
    Changed(TControlChange::Items);
    Changed(TControlChange::ItemIndex);
    SelectionChanged();
}

bool TCustomListControl::ClickItem(int index) {
    if (!IsReachable() || index < 0 || index >= FItems->GetCount()) return false;
    FocusForClick();
    if (!IsReachable() || index >= FItems->GetCount()) return false;
    SetItemIndex(index);
    UserSelected();
    return true;
}

bool TCustomListControl::DoubleClickItem(int index) {
    if (!ClickItem(index)) return false;
    DblClick();
    return true;
}

void TCustomListControl::DblClick() {
    if (FOnDblClick) FOnDblClick(this);
}

void TCustomListControl::UserSelected() {
    Click();
}

bool TCustomListControl::KeyDown(TKey key, TShiftState shift) {
    if (!shift.Empty()) return false;
    const int count = FItems->GetCount();
    if (count == 0) return false;
    int target = FItemIndex;
    switch (key) {
    case VK_UP:
        target = FItemIndex < 0 ? 0 : std::max(0, FItemIndex - 1);
        break;
    case VK_DOWN:
        target = std::min(count - 1, FItemIndex + 1);
        break;
    case VK_HOME:
        target = 0;
        break;
    case VK_END:
        target = count - 1;
        break;
    case VK_PRIOR:
        target = std::max(0, FItemIndex - PageSize());
        break;
    case VK_NEXT:
        target = std::min(count - 1, std::max(0, FItemIndex) + PageSize());
        break;
    default:
        return false;
    }
    if (target != FItemIndex) {
        SetItemIndex(target);
        UserSelected();
    }
    return true;
}

// --- TListBox -----------------------------------------------------------------------------------

VCL_CLASS_INFO(TListBox, [](TPublisher<TListBox>& p) {
    PublishBounds(p);
    PublishLook(p);
    p.Property("Items", &TListBox::GetItems);
    p.Property("ItemIndex", &TListBox::GetItemIndex, &TListBox::SetItemIndex).Default(-1);
    p.Property("Sorted", &TListBox::GetSorted, &TListBox::SetSorted).Default(false);
    p.Property("TabOrder", &TListBox::GetTabOrder, &TListBox::SetTabOrder).Default(-1);
    p.Property("TabStop", &TListBox::GetTabStop, &TListBox::SetTabStop).Default(true);
    p.Property("OnClick", &TListBox::GetOnClick, &TListBox::SetOnClick);
    p.Property("OnDblClick", &TListBox::GetOnDblClick, &TListBox::SetOnDblClick);
    p.Property("OnEnter", &TListBox::GetOnEnter, &TListBox::SetOnEnter);
    p.Property("OnExit", &TListBox::GetOnExit, &TListBox::SetOnExit);
    p.Property("OnKeyDown", &TListBox::GetOnKeyDown, &TListBox::SetOnKeyDown);
})

TListBox::TListBox(TComponent* owner) : TCustomListControl(owner) {}
TListBox::~TListBox() = default;

// --- TComboBox ----------------------------------------------------------------------------------

VCL_CLASS_INFO(TComboBox, [](TPublisher<TComboBox>& p) {
    PublishBounds(p);
    p.Property("Style", &TComboBox::GetStyle, &TComboBox::SetStyle).Default(csDropDown);
    p.Property("DropDownCount", &TComboBox::GetDropDownCount, &TComboBox::SetDropDownCount).Default(8);
    PublishLook(p);
    p.Property("Items", &TComboBox::GetItems);
    p.Property("ItemIndex", &TComboBox::GetItemIndex, &TComboBox::SetItemIndex).Default(-1);
    p.Property("Sorted", &TComboBox::GetSorted, &TComboBox::SetSorted).Default(false);
    p.Property("TabOrder", &TComboBox::GetTabOrder, &TComboBox::SetTabOrder).Default(-1);
    p.Property("TabStop", &TComboBox::GetTabStop, &TComboBox::SetTabStop).Default(true);
    p.Property("Text", &TComboBox::GetText, &TComboBox::SetText).TypeName("TCaption").Stored([](TComboBox* c) {
        return c->GetStyle() != csDropDownList;
    });
    p.Property("OnChange", &TComboBox::GetOnChange, &TComboBox::SetOnChange);
    p.Property("OnClick", &TComboBox::GetOnClick, &TComboBox::SetOnClick);
    p.Property("OnEnter", &TComboBox::GetOnEnter, &TComboBox::SetOnEnter);
    p.Property("OnExit", &TComboBox::GetOnExit, &TComboBox::SetOnExit);
    p.Property("OnKeyDown", &TComboBox::GetOnKeyDown, &TComboBox::SetOnKeyDown);
})

TComboBox::TComboBox(TComponent* owner) : TCustomListControl(owner) {}
TComboBox::~TComboBox() = default;

void TComboBox::SetStyle(TComboBoxStyle value) {
    if (value == FStyle) return;
    FStyle = value;
    SelectionChanged();
    Changed(TControlChange::Appearance);
}

void TComboBox::SetDropDownCount(int value) {
    FDropDownCount = value < 1 ? 1 : value;
}

void TComboBox::SetText(const AnsiString& value) {
    if (FStyle == csDropDownList) {
        SetItemIndex(GetItems()->IndexOf(value));
        return;
    }
    inherited::SetText(value);
}

void TComboBox::SelectionChanged() {
    const int index = GetItemIndex();
    if (index >= 0) {
        inherited::SetText(GetItems()->Get(index));
    } else if (FStyle == csDropDownList) {
        inherited::SetText(AnsiString());
    }
}

void TComboBox::UserSelected() {
    Click();
    if (FOnChange) FOnChange(this);
}

} // namespace vcl
