// TGraphic: the abstract picture of the framework (a bitmap, an icon or a metafile), and
// TGraphicClass, the class reference pictures use to create graphics by kind.
//
// This framework does not draw. A graphic keeps the bytes of the image it loaded, checked against
// the structure of its format, and writes them back unchanged: SaveToStream after a successful
// LoadFromStream gives exactly the bytes that were read. Loading reads from the stream's position
// to its end. Data a graphic cannot read raises EInvalidGraphic with the reason and leaves the
// graphic as it was; no loader reads outside the data it was given, and none allocates memory
// because a header asks for it (only in proportion to the data actually present).
//
// The empty graphic and the empty stream correspond: an empty graphic saves nothing, and loading
// from a stream with nothing left to read gives an empty graphic.
//
// Change notification: every change of the image (loading, assigning, resizing) calls Changed,
// which sets Modified and fires OnChange. A picture (TPicture) listens on its graphic's OnChange.
#pragma once

#include "platform/vcl/Events.h"
#include "platform/vcl/Persistent.h"

#include <cstdint>

namespace vcl {

class TGraphic;
class TStream;

// A graphic class: its class-info record, how to create an empty instance, and how to recognise
// its data (a quick look at the signature from the stream's position; the position is kept).
// GraphicClassOf<T>() gives the record of a class; every graphic class overrides
// GetGraphicClass() to return its own, so that copies (TPicture::SetGraphic) keep the class.
struct TGraphicClassRec {
    TClass Class;
    TOwned<TGraphic> (*Create)();
    bool (*CanLoadFromStream)(TStream* stream);
};
using TGraphicClass = const TGraphicClassRec*;

class TGraphic : public TPersistent {
    VCL_CLASS(TGraphic, TPersistent)
public:
    // The graphic class of this object, and a new empty graphic of it.
    virtual TGraphicClass GetGraphicClass() const = 0;
    TOwned<TGraphic> NewEmpty() const { return GetGraphicClass()->Create(); }

    // No image held.
    virtual bool GetEmpty() const = 0;
    // Size in pixels (0 when empty).
    virtual int GetWidth() const = 0;
    virtual int GetHeight() const = 0;
    virtual void SetWidth(int value) = 0;
    virtual void SetHeight(int value) = 0;

    // Reads the image from the stream's position to its end; raises EInvalidGraphic on data the
    // graphic cannot read (the graphic is then unchanged).
    virtual void LoadFromStream(TStream* stream) = 0;
    // Writes the image at the stream's position (nothing when empty).
    virtual void SaveToStream(TStream* stream) = 0;
    // The same through a file (opened for reading and shared for reading; created or emptied).
    virtual void LoadFromFile(const AnsiString& fileName);
    virtual void SaveToFile(const AnsiString& fileName);

    // Same class and same saved bytes.
    virtual bool Equals(TGraphic* other);

    // Set by every change; cleared by the owner of the graphic when it stored it. Setting it to
    // true reports a change (OnChange fires).
    bool GetModified() const { return FModified; }
    void SetModified(bool value);
    const TNotifyEvent& GetOnChange() const { return FOnChange; }
    void SetOnChange(TNotifyEvent handler) { FOnChange = std::move(handler); }

protected:
    TGraphic() = default;
    ~TGraphic() override;

    // Records a change: Modified := true, then OnChange(this).
    virtual void Changed(TObject* sender);
    // Stores the graphic as the binary property "Data" of a published graphic property.
    void DefineProperties(TFiler& filer) override;
    // The form-file form of the image: by default exactly what SaveToStream writes, read back
    // from all of the given stream.
    virtual void ReadData(TStream* stream);
    virtual void WriteData(TStream* stream);

private:
    bool FModified = false;
    TNotifyEvent FOnChange;

    friend class TPicture;
};

// The class record of a graphic class T (which provides a default constructor and a static
// CanLoadFromStream(TStream*)).
template <class T>
TGraphicClass GraphicClassOf() {
    static const TGraphicClassRec rec{T::StaticClass(), [] { return TOwned<TGraphic>(New<T>().release()); },
                                      &T::CanLoadFromStream};
    return &rec;
}

} // namespace vcl
