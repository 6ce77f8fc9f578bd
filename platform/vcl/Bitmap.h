// TBitmap: a device-independent bitmap (.bmp), the framework's raster picture.
//
// A loaded bitmap keeps the bytes it read (checked by the BMP parser, BmpFormat.h) and saves them
// back unchanged; it reports their width, height and pixel format. Loading an empty remainder of a
// stream gives an empty bitmap, and an empty bitmap saves nothing.
//
// Size and pixel format can be set. Setting them rebuilds the bitmap as an uncompressed bottom-up
// DIB (BITMAPINFOHEADER) of the new size and format: the part of the old image that overlaps the
// new one (from the top-left corner) is kept, converted to the new format; the rest is white. The
// bitmap stays empty while its width or height is 0, so a new bitmap becomes a valid white image
// once both are set. pfDevice is built as 32 bits per pixel. Setting pfCustom raises
// EInvalidGraphic "Invalid pixel format"; a bitmap loaded with unusual colour masks reports
// pfCustom and is rebuilt, when resized, with the standard masks of its depth. Sizes beyond the
// limits of BmpFormat.h raise EInvalidGraphicOperation before any memory is taken.
#pragma once

#include "platform/vcl/Graphic.h"

#include <memory>

namespace vcl {

enum TPixelFormat { pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit, pfCustom };

class TBitmap : public TGraphic {
    VCL_CLASS(TBitmap, TGraphic)
public:
    TBitmap();

    // Whether the stream (from its position) starts like a BMP file ("BM").
    static bool CanLoadFromStream(TStream* stream);
    TGraphicClass GetGraphicClass() const override;

    bool GetEmpty() const override { return FImage == nullptr; }
    int GetWidth() const override { return FWidth; }
    int GetHeight() const override { return FHeight; }
    // Negative sizes count as 0.
    void SetWidth(int value) override;
    void SetHeight(int value) override;
    void SetSize(int width, int height);
    TPixelFormat GetPixelFormat() const { return FPixelFormat; }
    void SetPixelFormat(TPixelFormat value);

    void LoadFromStream(TStream* stream) override;
    void SaveToStream(TStream* stream) override;
    // From another bitmap (the image is shared until one of them changes); null empties the
    // bitmap; other sources as TPersistent.
    void Assign(TPersistent* source) override;

protected:
    ~TBitmap() override;
    // In form files a bitmap is stored as a 32-bit byte count followed by the BMP file.
    void ReadData(TStream* stream) override;
    void WriteData(TStream* stream) override;

private:
    struct TImage;

    void LoadFromBytes(std::vector<std::uint8_t> data);
    void Rebuild(int width, int height, TPixelFormat format);

    // The image; null while empty. Never changed in place, so copies may share it.
    std::shared_ptr<const TImage> FImage;
    // The size and format reported. With an image they are the image's (pfDevice stays pfDevice
    // when the image was built for it); without one, what was set.
    int FWidth = 0;
    int FHeight = 0;
    TPixelFormat FPixelFormat = pfDevice;
};

} // namespace vcl
