// TCustomForm, TForm and the modal-dialog handler.
#include "platform/vcl/controls/Form.h"

#include "platform/vcl/Exceptions.h"
#include "platform/vcl/TypInfo.h"
#include "platform/vcl/controls/HandlerSlot.h"

#include <algorithm>

namespace vcl {

VCL_CLASS_INFO(TCustomForm)
VCL_CLASS_INFO(TForm, [](TPublisher<TForm>& p) {
    p.Property("Left", &TForm::GetLeft, &TForm::SetLeft).Default(0);
    p.Property("Top", &TForm::GetTop, &TForm::SetTop).Default(0);
    p.Property("ActiveControl", &TForm::GetActiveControl, &TForm::SetActiveControl);
    p.Property("BorderStyle", &TForm::GetBorderStyle, &TForm::SetBorderStyle).Default(bsSizeable);
    p.Property("Caption", &TForm::GetCaption, &TForm::SetCaption).TypeName("TCaption");
    p.Property("ClientHeight", &TForm::GetClientHeight, &TForm::SetClientHeight).Default(0);
    p.Property("ClientWidth", &TForm::GetClientWidth, &TForm::SetClientWidth).Default(0);
    p.Property("Cursor", &TForm::GetCursor, &TForm::SetCursor).Default(crDefault).TypeName("TCursor");
    p.Property("Enabled", &TForm::GetEnabled, &TForm::SetEnabled).Default(true);
    p.Property("Font", &TForm::GetFont);
    p.Property("Hint", &TForm::GetHint, &TForm::SetHint);
    p.Property("Position", &TForm::GetPosition, &TForm::SetPosition).Default(poDesigned);
    p.Property("Visible", &TForm::GetVisible, &TForm::SetVisible).Default(false);
    p.Property("OnClose", &TForm::GetOnClose, &TForm::SetOnClose);
    p.Property("OnCreate", &TForm::GetOnCreate, &TForm::SetOnCreate);
    p.Property("OnDestroy", &TForm::GetOnDestroy, &TForm::SetOnDestroy);
    p.Property("OnShow", &TForm::GetOnShow, &TForm::SetOnShow);
})

namespace {

THandlerSlot<TShowModalHandler>& ModalHandler() {
    static auto* const slot = new THandlerSlot<TShowModalHandler>; // lives until the process ends
    return *slot;
}

// Offers something to every control inside parent, depth-first in placing order, until one
// takes it.
template <class F>
bool OfferToControls(TWinControl* parent, const F& offer) {
    for (int i = 0; i < parent->GetControlCount(); ++i) {
        TControl* control = parent->GetControl(i);
        if (offer(control)) return true;
        if (auto* inner = dynamic_cast<TWinControl*>(control))
            if (OfferToControls(inner, offer)) return true;
    }
    return false;
}

} // namespace

TShowModalHandler SetShowModalHandler(TShowModalHandler handler) {
    return ModalHandler().Exchange(std::move(handler));
}

namespace detail {

void RaiseFormComponentMissing(TComponent* root, TClass cls, std::string_view name) {
    throw EReadError(SFormComponentMissing, {root->ClassName(), ClassNameOf(cls), AnsiString(name)});
}

} // namespace detail

// --- Life cycle ---------------------------------------------------------------------------------

TCustomForm::TCustomForm(TComponent* owner) : TWinControl(owner) {
    InitVisible(false);
    InitParentFont(false);
    if (Screen != nullptr) Screen->AddForm(this, this);
}

TCustomForm::~TCustomForm() {
    // Normally done by Destroy; here only when a constructor failed after registering.
    if (Screen != nullptr) Screen->RemoveForm(this);
}

void TCustomForm::AfterConstruction() {
    inherited::AfterConstruction();
    if (ClassType() != TForm::StaticClass() && ClassType() != TCustomForm::StaticClass() &&
        !GetComponentState().Contains(csDesigning))
        InitInheritedComponent(this, TForm::StaticClass());
    if (FOnCreate) FOnCreate(this);
}

void TCustomForm::Destroy() {
    if (FOnDestroy) {
        try {
            FOnDestroy(this);
        } catch (...) {
            if (Application != nullptr) Application->HandleException(this);
        }
    }
    if (Screen != nullptr) Screen->RemoveForm(this);
    inherited::Destroy();
}

TForm::~TForm() = default;

void TCustomForm::SetParent(TWinControl* value) {
    if (value != nullptr) throw EInvalidOperation(SFormHasNoParent, {GetName()});
}

void TCustomForm::GetChildren(const TGetChildProc& proc, TComponent* root) {
    for (int i = 0; i < GetComponentCount(); ++i) {
        TComponent* component = GetComponent(i);
        const TComponentStyle style = component->GetComponentStyle();
        if (style.Contains(csSubComponent) || style.Contains(csTransient)) continue;
        if (!component->HasParent()) proc(component);
    }
    inherited::GetChildren(proc, root);
}

void TCustomForm::Notification(TComponent* component, TOperation operation) {
    inherited::Notification(component, operation);
    if (operation == opRemove && FActiveControl != nullptr && component == FActiveControl) {
        FActiveControl = nullptr;
        Changed(TControlChange::Focus);
    }
}

// --- Frame and position -------------------------------------------------------------------------

int TCustomForm::FrameSide(TFormBorderStyle style) {
    switch (style) {
    case bsNone:
        return 0;
    case bsSizeable:
    case bsSizeToolWin:
        return 4;
    default:
        return 3;
    }
}

int TCustomForm::CaptionHeight(TFormBorderStyle style) {
    switch (style) {
    case bsNone:
        return 0;
    case bsToolWindow:
    case bsSizeToolWin:
        return 15;
    default:
        return 19;
    }
}

int TCustomForm::GetClientWidth() const {
    return std::max(0, GetWidth() - 2 * FrameSide(FBorderStyle));
}

int TCustomForm::GetClientHeight() const {
    return std::max(0, GetHeight() - 2 * FrameSide(FBorderStyle) - CaptionHeight(FBorderStyle));
}

void TCustomForm::SetClientWidth(int value) {
    SetWidth(value + 2 * FrameSide(FBorderStyle));
}

void TCustomForm::SetClientHeight(int value) {
    SetHeight(value + 2 * FrameSide(FBorderStyle) + CaptionHeight(FBorderStyle));
}

void TCustomForm::SetBorderStyle(TFormBorderStyle value) {
    if (value == FBorderStyle) return;
    const int clientWidth = GetClientWidth();
    const int clientHeight = GetClientHeight();
    FBorderStyle = value;
    SetBounds(GetLeft(), GetTop(), clientWidth + 2 * FrameSide(value),
              clientHeight + 2 * FrameSide(value) + CaptionHeight(value));
    Changed(TControlChange::Appearance);
}

void TCustomForm::SetPosition(TPosition value) {
    if (value == FPosition) return;
    FPosition = value;
    Changed(TControlChange::Appearance);
}

void TCustomForm::PlaceOnScreen() {
    const TControl* over = nullptr;
    switch (FPosition) {
    case poScreenCenter:
    case poDesktopCenter:
        break;
    case poMainFormCenter:
        if (Application != nullptr && Application->GetMainForm() != nullptr && Application->GetMainForm() != this)
            over = Application->GetMainForm();
        break;
    case poOwnerFormCenter:
        if (auto* ownerForm = dynamic_cast<TCustomForm*>(Owner()); ownerForm != nullptr && ownerForm != this)
            over = ownerForm;
        break;
    default:
        return;
    }
    int left = 0, top = 0;
    if (over != nullptr) {
        left = over->GetLeft() + (over->GetWidth() - GetWidth()) / 2;
        top = over->GetTop() + (over->GetHeight() - GetHeight()) / 2;
    } else if (Screen != nullptr) {
        left = (Screen->GetWidth() - GetWidth()) / 2;
        top = (Screen->GetHeight() - GetHeight()) / 2;
    }
    SetBounds(std::max(0, left), std::max(0, top), GetWidth(), GetHeight());
}

// --- Focus --------------------------------------------------------------------------------------

void TCustomForm::SetActiveControl(TWinControl* value) {
    if (value == FActiveControl) return;
    if (value != nullptr && (value == this || value->GetParentForm() != this))
        throw EInvalidOperation(SActiveControlNotOnForm, {value->GetName(), GetName()});
    if (FFocusActive && !GetComponentState().Contains(csLoading)) {
        if (value != nullptr && !value->CanFocus()) throw EInvalidOperation(SCannotFocus);
        SetFocusedControl(value);
        return;
    }
    FActiveControl = value;
    Changed(TControlChange::Focus);
}

void TCustomForm::FocusControl(TWinControl* control) {
    SetActiveControl(control);
}

void TCustomForm::SetFocusedControl(TWinControl* control) {
    TWinControl* previous = FActiveControl;
    if (control == previous) return;
    // The controls the focus leaves (innermost first) and enters (innermost first; entered in
    // reverse), without the containers both sit in.
    std::vector<TWinControl*> leaving, entering;
    for (TWinControl* w = previous; w != nullptr && w != this; w = w->GetParent())
        leaving.push_back(w);
    for (TWinControl* w = control; w != nullptr && w != this; w = w->GetParent())
        entering.push_back(w);
    while (!leaving.empty() && !entering.empty() && leaving.back() == entering.back()) {
        leaving.pop_back();
        entering.pop_back();
    }
    for (TWinControl* w : leaving)
        w->DoExit();
    FActiveControl = control;
    Changed(TControlChange::Focus);
    for (auto it = entering.rbegin(); it != entering.rend(); ++it)
        (*it)->DoEnter();
}

void TCustomForm::ControlRemoved(TControl* control) {
    auto* windowed = dynamic_cast<TWinControl*>(control);
    if (windowed == nullptr || FActiveControl == nullptr || !windowed->ContainsControl(FActiveControl)) return;
    FActiveControl = nullptr;
    Changed(TControlChange::Focus);
}

void TCustomForm::ControlBecameUnreachable(TControl* control) {
    ControlRemoved(control);
}

void TCustomForm::Activate() {
    FFocusActive = true;
    TWinControl* target = FActiveControl;
    FActiveControl = nullptr;
    if (target != nullptr && target->CanFocus()) {
        SetFocusedControl(target);
    } else {
        Changed(TControlChange::Focus);
        SelectFirst();
    }
}

// --- Showing ------------------------------------------------------------------------------------

void TCustomForm::SetModalResult(TModalResult value) {
    if (value == FModalResult) return;
    FModalResult = value;
    Changed(TControlChange::ModalResult);
}

TModalResult TCustomForm::ShowModal() {
    if (FModalShowing || GetVisible()) throw EInvalidOperation(SCannotShowModal);
    FModalResult = mrNone;
    FModalShowing = true;
    try {
        PlaceOnScreen();
        SetVisible(true);
        if (FOnShow) FOnShow(this);
        Activate();
        const TShowModalHandler handler = ModalHandler().Get();
        if (handler) {
            const TModalResult result = handler(this);
            if (result != mrNone) SetModalResult(result);
        }
    } catch (...) {
        FModalShowing = false;
        Hide();
        throw;
    }
    if (FModalResult == mrNone) SetModalResult(mrCancel);
    FModalShowing = false;
    CloseAndHide();
    return FModalResult;
}

void TCustomForm::CloseAndHide() {
    try {
        if (FOnClose) FOnClose(this);
    } catch (...) {
        Hide();
        throw;
    }
    Hide();
}

void TCustomForm::Show() {
    if (GetVisible()) return;
    PlaceOnScreen();
    SetVisible(true);
    if (FOnShow) FOnShow(this);
    Activate();
}

void TCustomForm::Hide() {
    FFocusActive = false;
    SetVisible(false);
}

void TCustomForm::Close() {
    if (FModalShowing) {
        SetModalResult(mrCancel);
        return;
    }
    if (GetVisible()) CloseAndHide();
}

// --- Keys ---------------------------------------------------------------------------------------

bool TCustomForm::PressKey(TKey key, TShiftState shift) {
    if (!GetVisible() || !GetEnabled()) return false;
    if (TWinControl* target = FActiveControl) {
        if (const TKeyEvent& onKeyDown = target->GetOnKeyDown()) {
            TKey changed = key;
            onKeyDown(target, changed, shift);
            if (changed == 0) return true;
            key = changed;
        }
        if (target->KeyDown(key, shift)) return true;
    }
    const bool alt = shift.Contains(ssAlt);
    const bool ctrl = shift.Contains(ssCtrl);
    if (key == VK_TAB && !alt && !ctrl) {
        SelectNext(FActiveControl, !shift.Contains(ssShift), true);
        return true;
    }
    if ((key == VK_RETURN || key == VK_ESCAPE) && shift.Empty()) return DialogKeyToControls(key, shift);
    if (alt && !ctrl) {
        if (key == VK_F4) {
            Close();
            return true;
        }
        // Letters and digits are their upper-case codes; the lower-case codes are other keys.
        if ((key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9')) return AccelToControls(static_cast<char>(key));
    }
    return false;
}

bool TCustomForm::DialogKeyToControls(TKey key, TShiftState shift) {
    return OfferToControls(this, [&](TControl* c) { return c->DialogKey(key, shift); });
}

bool TCustomForm::AccelToControls(char accel) {
    return OfferToControls(this, [&](TControl* c) { return c->DialogChar(accel); });
}

} // namespace vcl
