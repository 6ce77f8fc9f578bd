// TImage: a picture on a form. It holds its own TPicture (stored in form files as
// "Picture.Data"); Stretch fills the control with it, Center centres it at its own size.
#pragma once

#include "platform/vcl/Picture.h"
#include "platform/vcl/controls/Control.h"

namespace vcl {

class TImage : public TControl {
    VCL_CLASS(TImage, TControl)
public:
    explicit TImage(TComponent* owner);

    TPicture* GetPicture() const { return FPicture.get(); }
    // Copies the picture given.
    void SetPicture(TPicture* value);
    bool GetStretch() const { return FStretch; }
    void SetStretch(bool value);
    bool GetCenter() const { return FCenter; }
    void SetCenter(bool value);

protected:
    ~TImage() override;

private:
    TOwned<TPicture> FPicture;
    bool FStretch = false;
    bool FCenter = false;
};

} // namespace vcl
