// TEdit: a one-line text field. Every change of its text fires OnChange (a user's typing fires it
// once a keystroke), except while it is read from a form file.
#pragma once

#include "platform/vcl/controls/WinControl.h"

#include <string_view>

namespace vcl {

class TEdit : public TWinControl {
    VCL_CLASS(TEdit, TWinControl)
public:
    explicit TEdit(TComponent* owner);

    void SetText(const AnsiString& value) override;
    bool GetReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool value);
    // The most characters a user may type (0: no limit); text set in code is not cut.
    int GetMaxLength() const { return FMaxLength; }
    void SetMaxLength(int value);

    // What a user's typing does: the edit takes the focus, then each character arrives as one
    // keystroke (one OnChange each); with replace, the first keystroke replaces the whole text
    // (the text was selected). Typing an empty text with replace clears it. Nothing happens on an
    // edit the user cannot reach or that is read-only; returns whether the typing reached it.
    bool TypeText(std::string_view text, bool replace = true);

    const TNotifyEvent& GetOnChange() const { return FOnChange; }
    void SetOnChange(TNotifyEvent e) { FOnChange = std::move(e); }

protected:
    ~TEdit() override;
    bool TakesFocusOnClick() const override { return true; }

private:
    bool FReadOnly = false;
    int FMaxLength = 0;
    TNotifyEvent FOnChange;
};

} // namespace vcl
