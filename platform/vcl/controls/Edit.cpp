// TEdit.
#include "platform/vcl/controls/Edit.h"

namespace vcl {

VCL_CLASS_INFO(TEdit, [](TPublisher<TEdit>& p) {
    PublishBounds(p);
    PublishLook(p);
    p.Property("MaxLength", &TEdit::GetMaxLength, &TEdit::SetMaxLength).Default(0);
    p.Property("ReadOnly", &TEdit::GetReadOnly, &TEdit::SetReadOnly).Default(false);
    p.Property("TabOrder", &TEdit::GetTabOrder, &TEdit::SetTabOrder).Default(-1);
    p.Property("TabStop", &TEdit::GetTabStop, &TEdit::SetTabStop).Default(true);
    p.Property("Text", &TEdit::GetText, &TEdit::SetText).TypeName("TCaption");
    p.Property("OnChange", &TEdit::GetOnChange, &TEdit::SetOnChange);
    p.Property("OnClick", &TEdit::GetOnClick, &TEdit::SetOnClick);
    p.Property("OnEnter", &TEdit::GetOnEnter, &TEdit::SetOnEnter);
    p.Property("OnExit", &TEdit::GetOnExit, &TEdit::SetOnExit);
    p.Property("OnKeyDown", &TEdit::GetOnKeyDown, &TEdit::SetOnKeyDown);
})

TEdit::TEdit(TComponent* owner) : TWinControl(owner) {
    SetTabStop(true);
}

TEdit::~TEdit() = default;

void TEdit::SetText(const AnsiString& value) {
    if (value == GetText()) return;
    inherited::SetText(value);
    if (FOnChange && !GetComponentState().Contains(csLoading)) FOnChange(this);
}

void TEdit::SetReadOnly(bool value) {
    if (value == FReadOnly) return;
    FReadOnly = value;
    Changed(TControlChange::Appearance);
}

void TEdit::SetMaxLength(int value) {
    FMaxLength = value < 0 ? 0 : value;
}

bool TEdit::TypeText(std::string_view text, bool replace) {
    if (!IsReachable() || FReadOnly) return false;
    FocusForClick();
    if (!IsReachable()) return false;
    AnsiString current = replace ? AnsiString() : GetText();
    if (replace && text.empty()) {
        SetText(current);
        return true;
    }
    for (char c : text) {
        if (FMaxLength > 0 && static_cast<int>(current.size()) >= FMaxLength) break;
        current += c;
        SetText(current);
    }
    return true;
}

} // namespace vcl
