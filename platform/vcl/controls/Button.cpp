// TButton.
#include "platform/vcl/controls/Button.h"

#include "platform/vcl/controls/Form.h"

namespace vcl {

VCL_CLASS_INFO(TButton, [](TPublisher<TButton>& p) {
    PublishBounds(p);
    p.Property("Cancel", &TButton::GetCancel, &TButton::SetCancel).Default(false);
    p.Property("Caption", &TButton::GetCaption, &TButton::SetCaption).TypeName("TCaption");
    p.Property("Default", &TButton::GetDefault, &TButton::SetDefault).Default(false);
    p.Property("ModalResult", &TButton::GetModalResult, &TButton::SetModalResult).Default(mrNone).TypeName("TModalResult");
    PublishLook(p);
    p.Property("TabOrder", &TButton::GetTabOrder, &TButton::SetTabOrder).Default(-1);
    p.Property("TabStop", &TButton::GetTabStop, &TButton::SetTabStop).Default(true);
    p.Property("OnClick", &TButton::GetOnClick, &TButton::SetOnClick);
    p.Property("OnEnter", &TButton::GetOnEnter, &TButton::SetOnEnter);
    p.Property("OnExit", &TButton::GetOnExit, &TButton::SetOnExit);
})

TButton::TButton(TComponent* owner) : TWinControl(owner) {
    SetTabStop(true);
}

TButton::~TButton() = default;

void TButton::SetDefault(bool value) {
    if (value == FDefault) return;
    FDefault = value;
    Changed(TControlChange::Appearance);
}

void TButton::SetCancel(bool value) {
    if (value == FCancel) return;
    FCancel = value;
    Changed(TControlChange::Appearance);
}

void TButton::SetModalResult(TModalResult value) {
    FModalResult = value;
}

void TButton::Click() {
    if (FModalResult != mrNone) {
        if (TCustomForm* form = GetParentForm()) form->SetModalResult(FModalResult);
    }
    inherited::Click();
}

bool TButton::KeyDown(TKey key, TShiftState shift) {
    if (key != VK_SPACE || !shift.Empty()) return false;
    Click();
    return true;
}

bool TButton::DialogKey(TKey key, TShiftState shift) {
    if (!shift.Empty() || !CanFocus()) return false;
    if (key == VK_ESCAPE) {
        if (!FCancel) return false;
        Click();
        return true;
    }
    if (key != VK_RETURN) return false;
    // Enter presses the focused button; only when no button has the focus does it go to the
    // default one.
    TCustomForm* form = GetParentForm();
    auto* focusedButton = form != nullptr ? dynamic_cast<TButton*>(form->GetActiveControl()) : nullptr;
    if (focusedButton != nullptr ? focusedButton != this : !FDefault) return false;
    Click();
    return true;
}

bool TButton::DialogChar(char accel) {
    if (accel == 0 || AccelCharOf(GetCaption()) != accel || !CanFocus()) return false;
    Click();
    return true;
}

} // namespace vcl
