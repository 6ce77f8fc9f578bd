// TFont: the typeface, size, style and colour of a control's text.
//
// A font is a value object owned by its control. Every change fires OnChange once (Assign fires it
// once for the whole copy), which the control uses to tell its children and the widget set. The
// defaults are those of a new control: "MS Sans Serif", 8 points, no style, the window-text
// colour; a widget set maps the name to a typeface the desktop has.
#pragma once

#include "platform/vcl/Events.h"
#include "platform/vcl/Persistent.h"
#include "platform/vcl/controls/ControlTypes.h"

namespace vcl {

enum TFontStyle { fsBold, fsItalic, fsUnderline, fsStrikeOut };
VCL_ENUM_NAMES(TFontStyle, fsBold, fsItalic, fsUnderline, fsStrikeOut);
using TFontStyles = Set<TFontStyle>;

class TFont : public TPersistent {
    VCL_CLASS(TFont, TPersistent)
public:
    static constexpr const char* DefaultName = "MS Sans Serif";
    static constexpr int DefaultSize = 8;

    TFont();

    const AnsiString& GetName() const { return FName; }
    void SetName(const AnsiString& value);
    // Points.
    int GetSize() const { return FSize; }
    void SetSize(int value);
    TFontStyles GetStyle() const { return FStyle; }
    void SetStyle(TFontStyles value);
    TColor GetColor() const { return FColor; }
    void SetColor(TColor value);

    // Copies another font (one OnChange when anything differs); other sources: the cannot-assign
    // error.
    void Assign(TPersistent* source) override;
    bool SameAs(const TFont& other) const;

    const TNotifyEvent& GetOnChange() const { return FOnChange; }
    void SetOnChange(TNotifyEvent e) { FOnChange = std::move(e); }

protected:
    ~TFont() override;

private:
    void Changed();

    AnsiString FName = DefaultName;
    int FSize = DefaultSize;
    TFontStyles FStyle;
    TColor FColor = clWindowText;
    TNotifyEvent FOnChange;
};

} // namespace vcl
