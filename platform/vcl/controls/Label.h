// TLabel: a caption on a form. It takes no focus; its accelerator (Alt + the '&' character of
// its caption) focuses its FocusControl. A widget set measures the text; the model keeps the size
// it is given (AutoSize and WordWrap are kept for the widget set to apply).
#pragma once

#include "platform/vcl/controls/Control.h"

namespace vcl {

class TWinControl;

class TLabel : public TControl {
    VCL_CLASS(TLabel, TControl)
public:
    explicit TLabel(TComponent* owner);

    // The control Alt + the accelerator focuses; follows that control's life (cleared when it is
    // freed).
    TWinControl* GetFocusControl() const { return FFocusControl; }
    void SetFocusControl(TWinControl* value);
    bool GetWordWrap() const { return FWordWrap; }
    void SetWordWrap(bool value);
    bool GetAutoSize() const { return FAutoSize; }
    void SetAutoSize(bool value);
    // Whether '&' marks an accelerator (otherwise the caption shows as it stands).
    bool GetShowAccelChar() const { return FShowAccelChar; }
    void SetShowAccelChar(bool value);
    TAlignment GetAlignment() const { return FAlignment; }
    void SetAlignment(TAlignment value);

    bool DialogChar(char accel) override;

protected:
    ~TLabel() override;
    void Notification(TComponent* component, TOperation operation) override;

private:
    TWinControl* FFocusControl = nullptr;
    bool FWordWrap = false;
    bool FAutoSize = true;
    bool FShowAccelChar = true;
    TAlignment FAlignment = taLeftJustify;
};

} // namespace vcl
