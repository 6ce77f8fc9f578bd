// TIcon: a Windows icon resource (.ico), the framework's small picture.
//
// An icon file is an ICONDIR (reserved 0, type 1, image count) followed by one 16-byte entry per
// image (width and height bytes, where 0 stands for 256; colour count; planes; bit count; byte
// size; offset) and the images, each either a DIB (info header, palette, colour image, then the
// 1-bit AND mask; the stored height counts both) or a PNG stream, told apart by the PNG signature.
//
// Loading checks the directory, that every image lies inside the data and after the directory,
// that no two images overlap, and each image's own structure (the DIB through the bitmap parser;
// the PNG through its chunk structure, checksums, header and end). The icon keeps the bytes it
// read and saves them back unchanged.
//
// Width and height are those of the image a display would pick: the entry closest to the
// requested size (32 x 32 unless set while the icon is empty), the deepest image among equals,
// then the first. A loaded icon cannot change its size (EInvalidGraphicOperation "Cannot change
// the size of an icon").
#pragma once

#include "platform/vcl/Graphic.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace vcl {

// One image of an icon, as its directory entry and its data say.
struct TIconImageInfo {
    int Width = 0;    // from the entry, 0 read as 256
    int Height = 0;   // from the entry, 0 read as 256
    int BitCount = 0; // bits per pixel of the image data
    bool Png = false;
};

class TIcon : public TGraphic {
    VCL_CLASS(TIcon, TGraphic)
public:
    TIcon();

    // Whether the stream (from its position) starts like an icon file (0, 0, 1, 0).
    static bool CanLoadFromStream(TStream* stream);
    TGraphicClass GetGraphicClass() const override;

    bool GetEmpty() const override { return FImage == nullptr; }
    int GetWidth() const override;
    int GetHeight() const override;
    // On an empty icon: the size to pick when loading. On a loaded icon: raises.
    void SetWidth(int value) override;
    void SetHeight(int value) override;

    // The images held (0 when empty), and their descriptions.
    int GetImageCount() const;
    TIconImageInfo GetImageInfo(int index) const;
    // The image Width and Height describe (-1 when empty).
    int GetCurrentImage() const { return FImage ? static_cast<int>(FCurrent) : -1; }

    void LoadFromStream(TStream* stream) override;
    void SaveToStream(TStream* stream) override;
    // From another icon; null empties the icon; other sources as TPersistent.
    void Assign(TPersistent* source) override;

protected:
    ~TIcon() override;

private:
    struct TImage;

    // Chooses the image for the requested size.
    void PickImage();

    std::shared_ptr<const TImage> FImage; // null while empty; never changed in place
    std::size_t FCurrent = 0;             // index into the images when loaded
    int FRequestedWidth = 0;              // 0: the standard size
    int FRequestedHeight = 0;
};

} // namespace vcl
