// TBitmap: loading, saving and rebuilding device-independent bitmaps.
#include "platform/vcl/Bitmap.h"

#include "platform/vcl/BmpFormat.h"
#include "platform/vcl/Exceptions.h"
#include "platform/vcl/Stream.h"
#include "platform/vcl/TypInfo.h"
#include "platform/vcl/VclConsts.h"

#include <algorithm>

namespace vcl {

VCL_CLASS_INFO(TBitmap)

struct TBitmap::TImage {
    detail::TGraphicBytes Data; // the BMP file
    detail::TDibLayout Dib;     // its checked layout
};

namespace {

TPixelFormat PixelFormatOf(const detail::TDibLayout& dib) {
    const auto& m = dib.Masks;
    switch (dib.BitCount) {
    case 1:
        return pf1bit;
    case 4:
        return pf4bit;
    case 8:
        return pf8bit;
    case 24:
        return pf24bit;
    case 16:
        if (m[0] == 0x7C00 && m[1] == 0x03E0 && m[2] == 0x001F) return pf15bit;
        if (m[0] == 0xF800 && m[1] == 0x07E0 && m[2] == 0x001F) return pf16bit;
        return pfCustom;
    default:
        if (m[0] == 0x00FF0000 && m[1] == 0x0000FF00 && m[2] == 0x000000FF) return pf32bit;
        return pfCustom;
    }
}

detail::TDibFormat DibFormatOf(TPixelFormat format) {
    switch (format) {
    case pf1bit:
        return {1, false};
    case pf4bit:
        return {4, false};
    case pf8bit:
        return {8, false};
    case pf15bit:
        return {16, false};
    case pf16bit:
        return {16, true};
    case pf24bit:
        return {24, false};
    default:
        return {32, false};
    }
}

} // namespace

TBitmap::TBitmap() = default;

TBitmap::~TBitmap() = default;

TGraphicClass TBitmap::GetGraphicClass() const {
    return GraphicClassOf<TBitmap>();
}

bool TBitmap::CanLoadFromStream(TStream* stream) {
    const auto head = detail::Peek(stream, 2);
    return head.size() == 2 && head[0] == 'B' && head[1] == 'M';
}

void TBitmap::LoadFromStream(TStream* stream) {
    LoadFromBytes(detail::ReadRest(stream));
}

void TBitmap::LoadFromBytes(std::vector<std::uint8_t> data) {
    if (data.empty()) {
        FImage.reset();
        FWidth = FHeight = 0;
        Changed(this);
        return;
    }
    auto image = std::make_shared<TImage>();
    image->Dib = detail::ParseOrRaise(SInvalidBitmap, [&] { return detail::ParseBmpFile(data); });
    image->Data = std::move(data);
    FImage = std::move(image);
    FWidth = FImage->Dib.Width;
    FHeight = FImage->Dib.Height;
    FPixelFormat = PixelFormatOf(FImage->Dib);
    Changed(this);
}

void TBitmap::SaveToStream(TStream* stream) {
    if (FImage) stream->WriteBuffer(FImage->Data.data(), static_cast<std::int64_t>(FImage->Data.size()));
}

void TBitmap::ReadData(TStream* stream) {
    std::uint32_t size = 0;
    stream->ReadBuffer(&size, sizeof size);
    const std::int64_t available = stream->GetSize() - stream->GetPosition();
    if (size > available)
        detail::RaiseInvalidGraphic(SInvalidBitmap, "the stored size runs past the end of the data");
    detail::TGraphicBytes data(size);
    if (size > 0) stream->ReadBuffer(data.data(), size);
    LoadFromBytes(std::move(data));
}

void TBitmap::WriteData(TStream* stream) {
    const std::uint32_t size = FImage ? static_cast<std::uint32_t>(FImage->Data.size()) : 0;
    stream->WriteBuffer(&size, sizeof size);
    SaveToStream(stream);
}

void TBitmap::Assign(TPersistent* source) {
    if (source == nullptr) {
        FImage.reset();
        FWidth = FHeight = 0;
        Changed(this);
        return;
    }
    if (auto* other = dynamic_cast<TBitmap*>(source)) {
        if (other == this) return;
        FImage = other->FImage;
        FWidth = other->FWidth;
        FHeight = other->FHeight;
        FPixelFormat = other->FPixelFormat;
        Changed(this);
        return;
    }
    inherited::Assign(source);
}

void TBitmap::SetWidth(int value) {
    SetSize(value, FHeight);
}

void TBitmap::SetHeight(int value) {
    SetSize(FWidth, value);
}

void TBitmap::SetSize(int width, int height) {
    width = std::max(width, 0);
    height = std::max(height, 0);
    if (width == FWidth && height == FHeight) return;
    Rebuild(width, height, FPixelFormat);
}

void TBitmap::SetPixelFormat(TPixelFormat value) {
    if (value == pfCustom || value < pfDevice || value > pfCustom) throw EInvalidGraphic(SInvalidPixelFormat);
    if (value == FPixelFormat) return;
    Rebuild(FWidth, FHeight, value);
}

void TBitmap::Rebuild(int width, int height, TPixelFormat format) {
    if (format == pfCustom) format = FImage && FImage->Dib.BitCount == 16 ? pf16bit : pf32bit;
    if (width == 0 || height == 0) {
        FImage.reset();
    } else {
        if (width > detail::MaxBitmapSide || height > detail::MaxBitmapSide ||
            std::int64_t(width) * height > detail::MaxBitmapPixels)
            throw EInvalidGraphicOperation(SBitmapTooLarge, {width, height});
        auto image = std::make_shared<TImage>();
        image->Data = detail::BuildBmp(width, height, DibFormatOf(format),
                                       FImage ? detail::TByteView(FImage->Data) : detail::TByteView(),
                                       FImage ? &FImage->Dib : nullptr);
        image->Dib = detail::ParseOrRaise(SInvalidBitmap, [&] { return detail::ParseBmpFile(image->Data); });
        FImage = std::move(image);
    }
    FWidth = width;
    FHeight = height;
    FPixelFormat = format;
    Changed(this);
}

} // namespace vcl
