// TWinControl.
#include "platform/vcl/controls/WinControl.h"

#include "platform/vcl/Exceptions.h"
#include "platform/vcl/Reader.h"
#include "platform/vcl/controls/Form.h"

#include <algorithm>
#include <tuple>

namespace vcl {

VCL_CLASS_INFO(TWinControl)

TWinControl::TWinControl(TComponent* owner) : TControl(owner) {}

TWinControl::~TWinControl() = default;

void TWinControl::Destroy() {
    // The form drops its focus from inside this control while the children still hang here.
    if (TCustomForm* form = GetParentForm(); form != nullptr && form != this) form->ControlRemoved(this);
    const std::vector<TControl*> children = FControls;
    FControls.clear();
    FTabList.clear();
    for (TControl* child : children) {
        child->FParent = nullptr;
        NotifyControlChange(child, TControlChange::Parent);
    }
    inherited::Destroy();
}

// --- Children -----------------------------------------------------------------------------------

TControl* TWinControl::GetControl(int index) const {
    if (index < 0 || index >= GetControlCount()) throw EListError(SListIndexError, {index});
    return FControls[static_cast<std::size_t>(index)];
}

bool TWinControl::ContainsControl(const TControl* control) const {
    for (const TControl* c = control; c != nullptr; c = c->GetParent())
        if (c == this) return true;
    return false;
}

void TWinControl::InsertControl(TControl* control) {
    control->FParent = this;
    FControls.push_back(control);
    auto* windowed = dynamic_cast<TWinControl*>(control);
    if (windowed == nullptr) return;
    FTabList.push_back(windowed);
    // A tab order given before the control had a parent applies now; one read from a form file
    // waits for the whole parent (FixupTabList).
    if (windowed->FTabOrder >= 0 && !windowed->GetComponentState().Contains(csLoading)) {
        const int wanted = windowed->FTabOrder;
        windowed->FTabOrder = -1;
        windowed->SetTabOrder(wanted);
    }
}

void TWinControl::RemoveControl(TControl* control) {
    TCustomForm* form = GetParentForm();
    if (form != nullptr) form->ControlRemoved(control);
    FControls.erase(std::remove(FControls.begin(), FControls.end(), control), FControls.end());
    if (auto* windowed = dynamic_cast<TWinControl*>(control)) {
        FTabList.erase(std::remove(FTabList.begin(), FTabList.end(), windowed), FTabList.end());
        for (TWinControl* sibling : FTabList)
            NotifyControlChange(sibling, TControlChange::TabOrder);
    }
    control->FParent = nullptr;
}

void TWinControl::GetChildren(const TGetChildProc& proc, TComponent* root) {
    const std::vector<TControl*> children = FControls;
    for (TControl* child : children) {
        const TComponentStyle style = child->GetComponentStyle();
        if (style.Contains(csSubComponent) || style.Contains(csTransient)) continue;
        if (child->Owner() == root) proc(child);
    }
}

// --- Tab order ----------------------------------------------------------------------------------

int TWinControl::GetTabOrder() const {
    if (GetParent() == nullptr) return FTabOrder;
    const auto& list = GetParent()->FTabList;
    auto it = std::find(list.begin(), list.end(), this);
    return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

void TWinControl::SetTabOrder(int value) {
    TWinControl* parent = GetParent();
    if (parent == nullptr || GetComponentState().Contains(csLoading)) {
        FTabOrder = value;
        return;
    }
    auto& list = parent->FTabList;
    const int count = static_cast<int>(list.size());
    const int current = GetTabOrder();
    if (current < 0) return;
    if (value < 0 || value >= count) value = count - 1;
    if (value == current) return;
    list.erase(list.begin() + current);
    list.insert(list.begin() + value, this);
    for (TWinControl* sibling : list)
        NotifyControlChange(sibling, TControlChange::TabOrder);
}

void TWinControl::SetTabStop(bool value) {
    if (value == FTabStop) return;
    FTabStop = value;
    Changed(TControlChange::TabOrder);
}

void TWinControl::FixupTabList() {
    // Sort by the stored order; children without one keep their current place as their key, and
    // equal keys keep the list's order.
    std::vector<std::tuple<int, int, TWinControl*>> keyed;
    for (std::size_t i = 0; i < FTabList.size(); ++i) {
        TWinControl* child = FTabList[i];
        const int key = child->FTabOrder >= 0 ? child->FTabOrder : static_cast<int>(i);
        keyed.emplace_back(key, static_cast<int>(i), child);
    }
    std::stable_sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) {
        return std::tie(std::get<0>(a), std::get<1>(a)) < std::tie(std::get<0>(b), std::get<1>(b));
    });
    for (std::size_t i = 0; i < keyed.size(); ++i) {
        FTabList[i] = std::get<2>(keyed[i]);
        FTabList[i]->FTabOrder = -1;
    }
}

void TWinControl::ReadState(TReader& reader) {
    inherited::ReadState(reader);
    FixupTabList();
}

std::vector<TWinControl*> TWinControl::GetTabOrderList() const {
    std::vector<TWinControl*> list;
    AddToTabOrderList(list);
    return list;
}

void TWinControl::AddToTabOrderList(std::vector<TWinControl*>& list) const {
    for (TWinControl* child : FTabList) {
        list.push_back(child);
        child->AddToTabOrderList(list);
    }
}

// --- Focus --------------------------------------------------------------------------------------

bool TWinControl::CanFocus() const {
    const TCustomForm* form = GetParentForm();
    if (form == nullptr) return false;
    for (const TControl* c = this; c != form; c = c->GetParent())
        if (!c->GetVisible() || !c->GetEnabled()) return false;
    return form->GetEnabled();
}

bool TWinControl::Focused() const {
    const TCustomForm* form = GetParentForm();
    return form != nullptr && form != this && form->GetActiveControl() == this;
}

void TWinControl::SetFocus() {
    if (!CanFocus()) throw EInvalidOperation(SCannotFocus);
    GetParentForm()->FocusControl(this);
}

TWinControl* TWinControl::FindNextControl(TWinControl* current, bool goForward, bool checkTabStop,
                                          bool checkParent) const {
    const std::vector<TWinControl*> list = GetTabOrderList();
    const int count = static_cast<int>(list.size());
    if (count == 0) return nullptr;
    auto it = std::find(list.begin(), list.end(), current);
    int start = it == list.end() ? -1 : static_cast<int>(it - list.begin());
    if (start < 0) start = goForward ? count - 1 : 0;
    int i = start;
    do {
        if (goForward) {
            i = (i + 1) % count;
        } else {
            i = (i + count - 1) % count;
        }
        TWinControl* candidate = list[static_cast<std::size_t>(i)];
        if (candidate->CanFocus() && (!checkTabStop || candidate->GetTabStop()) &&
            (!checkParent || candidate->GetParent() == this))
            return candidate;
    } while (i != start);
    return nullptr;
}

void TWinControl::SelectNext(TWinControl* current, bool goForward, bool checkTabStop) {
    if (TWinControl* next = FindNextControl(current, goForward, checkTabStop, false)) next->SetFocus();
}

void TWinControl::SelectFirst() {
    if (TWinControl* first = FindNextControl(nullptr, true, true, false)) first->SetFocus();
}

bool TWinControl::KeyDown(TKey, TShiftState) {
    return false;
}

void TWinControl::FocusForClick() {
    if (TakesFocusOnClick() && CanFocus() && !Focused()) SetFocus();
}

void TWinControl::DoEnter() {
    if (FOnEnter) FOnEnter(this);
}

void TWinControl::DoExit() {
    if (FOnExit) FOnExit(this);
}

// --- Fonts --------------------------------------------------------------------------------------

void TWinControl::FontChanged() {
    inherited::FontChanged();
    const std::vector<TControl*> children = FControls;
    for (TControl* child : children)
        child->ParentFontChanged();
}

} // namespace vcl
