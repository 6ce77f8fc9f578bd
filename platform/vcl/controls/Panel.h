// TPanel: a container with raised or lowered bevels and an optional centred caption. It takes no
// focus itself.
#pragma once

#include "platform/vcl/controls/WinControl.h"

namespace vcl {

enum TPanelBevel { bvNone, bvLowered, bvRaised, bvSpace };
VCL_ENUM_NAMES(TPanelBevel, bvNone, bvLowered, bvRaised, bvSpace);

class TPanel : public TWinControl {
    VCL_CLASS(TPanel, TWinControl)
public:
    explicit TPanel(TComponent* owner);

    bool AcceptsControls() const override { return true; }

    // The outer and inner bevels, each BevelWidth pixels, BorderWidth pixels apart.
    TPanelBevel GetBevelOuter() const { return FBevelOuter; }
    void SetBevelOuter(TPanelBevel value);
    TPanelBevel GetBevelInner() const { return FBevelInner; }
    void SetBevelInner(TPanelBevel value);
    int GetBevelWidth() const { return FBevelWidth; }
    void SetBevelWidth(int value);
    int GetBorderWidth() const { return FBorderWidth; }
    void SetBorderWidth(int value);
    TAlignment GetAlignment() const { return FAlignment; }
    void SetAlignment(TAlignment value);

protected:
    ~TPanel() override;

private:
    TPanelBevel FBevelOuter = bvRaised;
    TPanelBevel FBevelInner = bvNone;
    int FBevelWidth = 1;
    int FBorderWidth = 0;
    TAlignment FAlignment = taCenter;
};

} // namespace vcl
