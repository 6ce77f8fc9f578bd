// TGroupBox.
#include "platform/vcl/controls/GroupBox.h"

namespace vcl {

VCL_CLASS_INFO(TGroupBox, [](TPublisher<TGroupBox>& p) {
    PublishBounds(p);
    p.Property("Caption", &TGroupBox::GetCaption, &TGroupBox::SetCaption).TypeName("TCaption");
    PublishLook(p);
    p.Property("TabOrder", &TGroupBox::GetTabOrder, &TGroupBox::SetTabOrder).Default(-1);
    p.Property("TabStop", &TGroupBox::GetTabStop, &TGroupBox::SetTabStop).Default(false);
    p.Property("OnClick", &TGroupBox::GetOnClick, &TGroupBox::SetOnClick);
    p.Property("OnEnter", &TGroupBox::GetOnEnter, &TGroupBox::SetOnEnter);
    p.Property("OnExit", &TGroupBox::GetOnExit, &TGroupBox::SetOnExit);
})

TGroupBox::TGroupBox(TComponent* owner) : TWinControl(owner) {}

TGroupBox::~TGroupBox() = default;

bool TGroupBox::DialogChar(char accel) {
    if (accel == 0 || AccelCharOf(GetCaption()) != accel || !CanFocus()) return false;
    TWinControl* first = FindNextControl(nullptr, true, true, false);
    if (first == nullptr) return false;
    first->SetFocus();
    return true;
}

} // namespace vcl
