// TFont.
#include "platform/vcl/controls/Font.h"

namespace vcl {

VCL_CLASS_INFO(TFont, [](TPublisher<TFont>& p) {
    p.Property("Color", &TFont::GetColor, &TFont::SetColor).Default(clWindowText).TypeName("TColor");
    p.Property("Name", &TFont::GetName, &TFont::SetName);
    p.Property("Size", &TFont::GetSize, &TFont::SetSize).Default(TFont::DefaultSize);
    p.Property("Style", &TFont::GetStyle, &TFont::SetStyle).Default(TFontStyles{});
})

TFont::TFont() = default;
TFont::~TFont() = default;

void TFont::Changed() {
    if (FOnChange) FOnChange(this);
}

void TFont::SetName(const AnsiString& value) {
    if (FName == value) return;
    FName = value;
    Changed();
}

void TFont::SetSize(int value) {
    if (FSize == value) return;
    FSize = value;
    Changed();
}

void TFont::SetStyle(TFontStyles value) {
    if (FStyle == value) return;
    FStyle = value;
    Changed();
}

void TFont::SetColor(TColor value) {
    if (FColor == value) return;
    FColor = value;
    Changed();
}

bool TFont::SameAs(const TFont& other) const {
    return FName == other.FName && FSize == other.FSize && FStyle == other.FStyle && FColor == other.FColor;
}

void TFont::Assign(TPersistent* source) {
    auto* font = dynamic_cast<TFont*>(source);
    if (font == nullptr) {
        inherited::Assign(source);
        return;
    }
    if (SameAs(*font)) return;
    FName = font->FName;
    FSize = font->FSize;
    FStyle = font->FStyle;
    FColor = font->FColor;
    Changed();
}

} // namespace vcl
