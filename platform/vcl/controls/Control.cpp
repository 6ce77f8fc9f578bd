// TControl.
#include "platform/vcl/controls/Control.h"

#include "platform/vcl/Exceptions.h"
#include "platform/vcl/SysUtils.h"
#include "platform/vcl/controls/Form.h"
#include "platform/vcl/controls/WinControl.h"

namespace vcl {

VCL_CLASS_INFO(TControl)

TControl::TControl(TComponent* owner) : TComponent(owner), FFont(New<TFont>()) {
    FFont->SetOnChange([this](TObject*) { OwnFontChanged(); });
}

TControl::~TControl() = default;

void TControl::Destroy() {
    Changed(TControlChange::Destroying);
    if (FParent != nullptr) FParent->RemoveControl(this);
    inherited::Destroy();
}

// --- Parent -------------------------------------------------------------------------------------

void TControl::SetParent(TWinControl* value) {
    if (value == FParent) return;
    for (TControl* p = value; p != nullptr; p = p->FParent)
        if (p == this) throw EInvalidOperation(SControlParentLoop, {GetName()});
    if (FParent != nullptr) FParent->RemoveControl(this);
    if (value != nullptr) value->InsertControl(this);
    Changed(TControlChange::Parent);
    ParentFontChanged();
}

TComponent* TControl::GetParentComponent() const {
    return FParent;
}

void TControl::SetParentComponent(TComponent* value) {
    if (value == nullptr) {
        SetParent(nullptr);
        return;
    }
    auto* container = dynamic_cast<TWinControl*>(value);
    if (container == nullptr || !container->AcceptsControls())
        throw EInvalidOperation(SNotAContainer, {GetName(), value->GetName()});
    SetParent(container);
}

TCustomForm* TControl::GetParentForm() const {
    const TControl* top = this;
    while (top->FParent != nullptr)
        top = top->FParent;
    return dynamic_cast<TCustomForm*>(const_cast<TControl*>(top));
}

// --- Geometry and text --------------------------------------------------------------------------

void TControl::SetBounds(int left, int top, int width, int height) {
    if (width < 0) width = 0;
    if (height < 0) height = 0;
    if (left == FLeft && top == FTop && width == FWidth && height == FHeight) return;
    FLeft = left;
    FTop = top;
    FWidth = width;
    FHeight = height;
    Changed(TControlChange::Bounds);
}

void TControl::SetText(const AnsiString& value) {
    if (value == FText) return;
    FText = value;
    Changed(TControlChange::Text);
}

char TControl::AccelCharOf(std::string_view caption) {
    for (std::size_t i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != '&') continue;
        if (caption[i + 1] == '&') {
            ++i; // a literal '&'
            continue;
        }
        return AnsiUpperChar(caption[i + 1]);
    }
    return 0;
}

AnsiString TControl::StripAccelChars(std::string_view caption) {
    AnsiString shown;
    shown.reserve(caption.size());
    for (std::size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] == '&') {
            // "&&" shows one '&'; "&P" shows the P; a '&' at the very end shows nothing.
            if (i + 1 < caption.size()) shown += caption[++i];
            continue;
        }
        shown += caption[i];
    }
    return shown;
}

// --- State --------------------------------------------------------------------------------------

void TControl::SetEnabled(bool value) {
    if (value == FEnabled) return;
    FEnabled = value;
    Changed(TControlChange::Enabled);
    if (!value) {
        if (TCustomForm* form = GetParentForm(); form != nullptr && form != this) form->ControlBecameUnreachable(this);
    }
}

void TControl::SetVisible(bool value) {
    if (value == FVisible) return;
    FVisible = value;
    Changed(TControlChange::Visible);
    if (!value) {
        if (TCustomForm* form = GetParentForm(); form != nullptr && form != this) form->ControlBecameUnreachable(this);
    }
}

bool TControl::IsReachable() const {
    for (const TControl* c = this; c != nullptr; c = c->FParent)
        if (!c->FVisible || !c->FEnabled) return false;
    return GetParentForm() != nullptr;
}

void TControl::SetHint(const AnsiString& value) {
    if (value == FHint) return;
    FHint = value;
    Changed(TControlChange::Hint);
}

void TControl::SetCursor(TCursor value) {
    if (value == FCursor) return;
    FCursor = value;
    Changed(TControlChange::Cursor);
}

// --- Font ---------------------------------------------------------------------------------------

void TControl::SetFont(TFont* value) {
    FFont->Assign(value);
}

void TControl::SetParentFont(bool value) {
    if (value == FParentFont) return;
    FParentFont = value;
    if (value) ParentFontChanged();
}

void TControl::OwnFontChanged() {
    if (!FTakingParentFont) FParentFont = false;
    FontChanged();
}

void TControl::FontChanged() {
    Changed(TControlChange::Font);
}

void TControl::ParentFontChanged() {
    if (!FParentFont || FParent == nullptr) return;
    FTakingParentFont = true;
    try {
        FFont->Assign(FParent->GetFont());
    } catch (...) {
        FTakingParentFont = false;
        throw;
    }
    FTakingParentFont = false;
}

// --- Events and user actions --------------------------------------------------------------------

void TControl::Click() {
    if (FOnClick) FOnClick(this);
}

bool TControl::MouseClick() {
    if (!IsReachable()) return false;
    FocusForClick();
    // The focus change ran other controls' handlers, which may have hidden or disabled this one.
    if (!IsReachable()) return false;
    Click();
    return true;
}

bool TControl::DialogKey(TKey, TShiftState) {
    return false;
}

bool TControl::DialogChar(char) {
    return false;
}

} // namespace vcl
