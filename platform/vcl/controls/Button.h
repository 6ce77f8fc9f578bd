// TButton: a push button. Pressing it (Click: a mouse click, the space bar while it has the
// focus, Enter when it is the default or focused button, Escape when it is the cancel button, its
// accelerator) first sets its form's ModalResult to its own, when that is not mrNone, then fires
// OnClick; so a dialog's OK and Cancel buttons end a modal dialog without any handler.
#pragma once

#include "platform/vcl/Forms.h"
#include "platform/vcl/controls/WinControl.h"

namespace vcl {

class TButton : public TWinControl {
    VCL_CLASS(TButton, TWinControl)
public:
    explicit TButton(TComponent* owner);

    // The button Enter presses when no other button has the focus.
    bool GetDefault() const { return FDefault; }
    void SetDefault(bool value);
    // The button Escape presses.
    bool GetCancel() const { return FCancel; }
    void SetCancel(bool value);
    TModalResult GetModalResult() const { return FModalResult; }
    void SetModalResult(TModalResult value);

    void Click() override;
    bool KeyDown(TKey key, TShiftState shift) override;
    bool DialogKey(TKey key, TShiftState shift) override;
    bool DialogChar(char accel) override;

protected:
    ~TButton() override;
    bool TakesFocusOnClick() const override { return true; }

private:
    bool FDefault = false;
    bool FCancel = false;
    TModalResult FModalResult = mrNone;
};

} // namespace vcl
