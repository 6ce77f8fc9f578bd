// TLabel.
#include "platform/vcl/controls/Label.h"

#include "platform/vcl/controls/WinControl.h"

namespace vcl {

VCL_CLASS_INFO(TLabel, [](TPublisher<TLabel>& p) {
    PublishBounds(p);
    p.Property("Alignment", &TLabel::GetAlignment, &TLabel::SetAlignment).Default(taLeftJustify);
    p.Property("AutoSize", &TLabel::GetAutoSize, &TLabel::SetAutoSize).Default(true);
    p.Property("Caption", &TLabel::GetCaption, &TLabel::SetCaption).TypeName("TCaption");
    p.Property("FocusControl", &TLabel::GetFocusControl, &TLabel::SetFocusControl);
    PublishLook(p);
    p.Property("ShowAccelChar", &TLabel::GetShowAccelChar, &TLabel::SetShowAccelChar).Default(true);
    p.Property("WordWrap", &TLabel::GetWordWrap, &TLabel::SetWordWrap).Default(false);
    p.Property("OnClick", &TLabel::GetOnClick, &TLabel::SetOnClick);
})

TLabel::TLabel(TComponent* owner) : TControl(owner) {}

TLabel::~TLabel() = default;

void TLabel::SetFocusControl(TWinControl* value) {
    if (value == FFocusControl) return;
    if (FFocusControl != nullptr) FFocusControl->RemoveFreeNotification(this);
    FFocusControl = value;
    if (value != nullptr) value->FreeNotification(this);
}

void TLabel::Notification(TComponent* component, TOperation operation) {
    inherited::Notification(component, operation);
    if (operation == opRemove && FFocusControl != nullptr && component == FFocusControl) FFocusControl = nullptr;
}

void TLabel::SetWordWrap(bool value) {
    if (value == FWordWrap) return;
    FWordWrap = value;
    Changed(TControlChange::Appearance);
}

void TLabel::SetAutoSize(bool value) {
    if (value == FAutoSize) return;
    FAutoSize = value;
    Changed(TControlChange::Appearance);
}

void TLabel::SetShowAccelChar(bool value) {
    if (value == FShowAccelChar) return;
    FShowAccelChar = value;
    Changed(TControlChange::Appearance);
}

void TLabel::SetAlignment(TAlignment value) {
    if (value == FAlignment) return;
    FAlignment = value;
    Changed(TControlChange::Appearance);
}

bool TLabel::DialogChar(char accel) {
    if (!FShowAccelChar || !GetEnabled() || accel == 0 || AccelCharOf(GetCaption()) != accel) return false;
    if (FFocusControl == nullptr || !FFocusControl->CanFocus()) return false;
    FFocusControl->SetFocus();
    return true;
}

} // namespace vcl
