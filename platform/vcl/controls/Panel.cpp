// TPanel.
#include "platform/vcl/controls/Panel.h"

namespace vcl {

VCL_CLASS_INFO(TPanel, [](TPublisher<TPanel>& p) {
    PublishBounds(p);
    p.Property("Alignment", &TPanel::GetAlignment, &TPanel::SetAlignment).Default(taCenter);
    p.Property("BevelInner", &TPanel::GetBevelInner, &TPanel::SetBevelInner).Default(bvNone);
    p.Property("BevelOuter", &TPanel::GetBevelOuter, &TPanel::SetBevelOuter).Default(bvRaised);
    p.Property("BevelWidth", &TPanel::GetBevelWidth, &TPanel::SetBevelWidth).Default(1);
    p.Property("BorderWidth", &TPanel::GetBorderWidth, &TPanel::SetBorderWidth).Default(0);
    p.Property("Caption", &TPanel::GetCaption, &TPanel::SetCaption).TypeName("TCaption");
    PublishLook(p);
    p.Property("TabOrder", &TPanel::GetTabOrder, &TPanel::SetTabOrder).Default(-1);
    p.Property("TabStop", &TPanel::GetTabStop, &TPanel::SetTabStop).Default(false);
    p.Property("OnClick", &TPanel::GetOnClick, &TPanel::SetOnClick);
    p.Property("OnEnter", &TPanel::GetOnEnter, &TPanel::SetOnEnter);
    p.Property("OnExit", &TPanel::GetOnExit, &TPanel::SetOnExit);
})

TPanel::TPanel(TComponent* owner) : TWinControl(owner) {}

TPanel::~TPanel() = default;

void TPanel::SetBevelOuter(TPanelBevel value) {
    if (value == FBevelOuter) return;
    FBevelOuter = value;
    Changed(TControlChange::Appearance);
}

void TPanel::SetBevelInner(TPanelBevel value) {
    if (value == FBevelInner) return;
    FBevelInner = value;
    Changed(TControlChange::Appearance);
}

void TPanel::SetBevelWidth(int value) {
    if (value < 1) value = 1;
    if (value == FBevelWidth) return;
    FBevelWidth = value;
    Changed(TControlChange::Appearance);
}

void TPanel::SetBorderWidth(int value) {
    if (value < 0) value = 0;
    if (value == FBorderWidth) return;
    FBorderWidth = value;
    Changed(TControlChange::Appearance);
}

void TPanel::SetAlignment(TAlignment value) {
    if (value == FAlignment) return;
    FAlignment = value;
    Changed(TControlChange::Appearance);
}

} // namespace vcl
