// TImage.
#include "platform/vcl/controls/Image.h"

namespace vcl {

VCL_CLASS_INFO(TImage, [](TPublisher<TImage>& p) {
    PublishBounds(p);
    p.Property("Center", &TImage::GetCenter, &TImage::SetCenter).Default(false);
    p.Property("Cursor", &TImage::GetCursor, &TImage::SetCursor).Default(crDefault).TypeName("TCursor");
    p.Property("Hint", &TImage::GetHint, &TImage::SetHint);
    p.Property("Picture", &TImage::GetPicture);
    p.Property("Stretch", &TImage::GetStretch, &TImage::SetStretch).Default(false);
    p.Property("Visible", &TImage::GetVisible, &TImage::SetVisible).Default(true);
    p.Property("OnClick", &TImage::GetOnClick, &TImage::SetOnClick);
})

TImage::TImage(TComponent* owner) : TControl(owner), FPicture(New<TPicture>()) {
    FPicture->SetOnChange([this](TObject*) { Changed(TControlChange::Appearance); });
}

TImage::~TImage() = default;

void TImage::SetPicture(TPicture* value) {
    FPicture->Assign(value);
}

void TImage::SetStretch(bool value) {
    if (value == FStretch) return;
    FStretch = value;
    Changed(TControlChange::Appearance);
}

void TImage::SetCenter(bool value) {
    if (value == FCenter) return;
    FCenter = value;
    Changed(TControlChange::Appearance);
}

} // namespace vcl
