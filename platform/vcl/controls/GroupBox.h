// TGroupBox: a framed, captioned container. It takes no focus itself (TabStop off); Tab walks
// into its controls, and its accelerator focuses the first of them.
#pragma once

#include "platform/vcl/controls/WinControl.h"

namespace vcl {

class TGroupBox : public TWinControl {
    VCL_CLASS(TGroupBox, TWinControl)
public:
    explicit TGroupBox(TComponent* owner);

    bool AcceptsControls() const override { return true; }
    bool DialogChar(char accel) override;

protected:
    ~TGroupBox() override;
};

} // namespace vcl
