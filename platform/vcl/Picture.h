// TPicture: a holder for one graphic of any registered class, and the list of graphic file
// formats (extension, description, class) pictures load by.
//
// The picture owns its graphic (or holds none). The kind accessors GetBitmap, GetIcon and
// GetMetafile return the held graphic when it is of that kind (or derives from it); otherwise they
// replace it with a new empty graphic of that kind and return that. Pointers they return stay
// valid until the picture's graphic is replaced or the picture is freed.
//
// SetGraphic copies: the picture holds a new graphic of the value's class, assigned from it
// (null: no graphic). Loading builds the new graphic aside and replaces the held one only when it
// loaded, so a failed load leaves the picture as it was. Every change of the picture or of its
// graphic fires OnChange.
//
// File formats. The built-in ones are "bmp" (TBitmap, "Bitmaps"), "ico" (TIcon, "Icons"), "emf"
// (TMetafile, "Enhanced Metafiles") and "wmf" (TMetafile, "Metafiles"). RegisterFileFormat adds
// more; a later registration of an extension takes precedence over an earlier one. Extensions are
// given without the dot and compared ignoring ASCII letter case. The list is safe to use from
// several threads.
//
// Form files. A picture stores its graphic as the binary property "Data": the graphic's class name
// as a short string (a length byte, then the characters), then the graphic's own data (a bitmap
// writes a 32-bit byte count first). Reading looks the class name up in the file formats; an
// unknown name raises EClassNotFound "Class X not found".
#pragma once

#include "platform/vcl/Events.h"
#include "platform/vcl/Graphic.h"
#include "platform/vcl/Persistent.h"

#include <utility>
#include <vector>

namespace vcl {

class TBitmap;
class TIcon;
class TMetafile;

// One registered graphic file format.
struct TFileFormat {
    AnsiString Extension; // without the dot, lower case
    AnsiString Description;
    TGraphicClass GraphicClass;
};

class TPicture : public TPersistent {
    VCL_CLASS(TPicture, TPersistent)
public:
    TPicture();

    // The held graphic, or null.
    TGraphic* GetGraphic() const { return FGraphic.get(); }
    void SetGraphic(TGraphic* value);
    // The held graphic as that kind (see the file comment).
    TBitmap* GetBitmap();
    TIcon* GetIcon();
    TMetafile* GetMetafile();
    // SetGraphic with a graphic of that kind.
    void SetBitmap(TBitmap* value);
    void SetIcon(TIcon* value);
    void SetMetafile(TMetafile* value);
    // The graphic's size (0 without a graphic).
    int GetWidth() const;
    int GetHeight() const;

    // Loads a file by its extension's registered class; an unknown extension raises
    // EInvalidGraphic "Unknown picture file extension (.ext)".
    void LoadFromFile(const AnsiString& fileName);
    // Saves the graphic (nothing without one).
    void SaveToFile(const AnsiString& fileName);
    // Loads from the stream's position by recognising the data: the first registered class
    // (latest registration first) that recognises it loads it. Nothing left to read gives a
    // picture without graphic; unrecognised data raises EInvalidGraphic "Invalid graphic format".
    void LoadFromStream(TStream* stream);
    // Saves the graphic at the stream's position (nothing without one).
    void SaveToStream(TStream* stream);

    // From a picture (its graphic) or a graphic; null removes the graphic; other sources as
    // TPersistent.
    void Assign(TPersistent* source) override;

    const TNotifyEvent& GetOnChange() const { return FOnChange; }
    void SetOnChange(TNotifyEvent handler) { FOnChange = std::move(handler); }

    // --- File formats ---------------------------------------------------------------------------
    static void RegisterFileFormat(const AnsiString& extension, const AnsiString& description,
                                   TGraphicClass graphicClass);
    // Removes every format of the class.
    static void UnregisterGraphicClass(TGraphicClass graphicClass);
    // The registered formats, earliest first.
    static std::vector<TFileFormat> FileFormats();
    // The class registered for an extension (with or without the dot), or null.
    static TGraphicClass FindExtension(const AnsiString& extension);
    // The class registered under a class name (letter case ignored), or null.
    static TGraphicClass FindClassName(const AnsiString& className);

protected:
    ~TPicture() override;
    void AssignTo(TPersistent* dest) override;
    void DefineProperties(TFiler& filer) override;
    virtual void Changed(TObject* sender);

private:
    // Takes a graphic in (null: none), hooks its OnChange and reports the change.
    void TakeGraphic(TOwned<TGraphic> graphic);
    template <class T>
    T* ForceType();
    void ReadData(TStream* stream);
    void WriteData(TStream* stream);

    TOwned<TGraphic> FGraphic; // the held graphic, or null
    TNotifyEvent FOnChange;
};

// Open-dialog filter of the formats of a class and its descendants (TGraphic::StaticClass() for
// all): "All (*.bmp;*.ico)|*.bmp;*.ico|Bitmaps (*.bmp)|*.bmp|Icons (*.ico)|*.ico".
AnsiString GraphicFilter(TClass graphicClass);
// The first registered extension of the class ("bmp"), or "".
AnsiString GraphicExtension(TClass graphicClass);
// "*.bmp;*.ico" for the class and its descendants.
AnsiString GraphicFileMask(TClass graphicClass);

} // namespace vcl
