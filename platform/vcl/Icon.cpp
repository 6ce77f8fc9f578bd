// TIcon: the icon directory, the images inside it and the choice of the image shown.
#include "platform/vcl/Icon.h"

#include "platform/vcl/BmpFormat.h"
#include "platform/vcl/Exceptions.h"
#include "platform/vcl/Stream.h"
#include "platform/vcl/TypInfo.h"
#include "platform/vcl/VclConsts.h"

#include <algorithm>
#include <array>
#include <cstdlib>

namespace vcl {

VCL_CLASS_INFO(TIcon)

namespace {

using detail::FormatError;
using detail::GetU16;
using detail::GetU32;
using detail::GetU32BE;
using detail::InRange;
using detail::TByteView;

constexpr std::size_t IconDirSize = 6;
constexpr std::size_t IconEntrySize = 16;
constexpr std::uint8_t PngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
// The size a display shows icons at, when none was asked for.
constexpr int StandardIconSize = 32;

std::uint32_t Crc32(TByteView bytes) {
    static const std::array<std::uint32_t, 256> table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t n = 0; n < 256; ++n) {
            std::uint32_t c = n;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    std::uint32_t c = 0xFFFFFFFFu;
    for (std::uint8_t b : bytes)
        c = table[(c ^ b) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

bool IsPng(TByteView image) {
    return image.size() >= sizeof PngSignature &&
           std::equal(std::begin(PngSignature), std::end(PngSignature), image.begin());
}

// Checks a PNG stream's chunk structure (lengths, types, checksums), its header and that image
// data and the end chunk are present. Returns the bits per pixel.
int CheckPng(TByteView png) {
    std::size_t pos = sizeof PngSignature;
    bool first = true, haveData = false;
    int bits = 0;
    for (;;) {
        if (!InRange(pos, 12, png.size())) FormatError("the PNG image is cut off");
        const std::uint32_t length = GetU32BE(png, pos);
        if (length > 0x7FFFFFFFu) FormatError("a PNG chunk is too long");
        if (!InRange(pos + 8, std::uint64_t(length) + 4, png.size()))
            FormatError("a PNG chunk runs past the end of the image");
        const TByteView type = png.subspan(pos + 4, 4);
        for (std::uint8_t c : type)
            if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')))
                FormatError("a PNG chunk type is not valid");
        if (Crc32(png.subspan(pos + 4, std::size_t(length) + 4)) != GetU32BE(png, pos + 8 + length))
            FormatError("a PNG chunk checksum does not match");
        const auto is = [&](const char* name) { return std::equal(type.begin(), type.end(), name); };
        if (first) {
            if (!is("IHDR") || length != 13) FormatError("the PNG image does not start with its header");
            const std::uint32_t w = GetU32BE(png, pos + 8), h = GetU32BE(png, pos + 12);
            if (w == 0 || h == 0 || w > 0x7FFFFFFFu || h > 0x7FFFFFFFu)
                FormatError("the PNG image size is not valid");
            const std::uint8_t depth = png[pos + 16], colorType = png[pos + 17];
            int channels;
            bool depthOk;
            switch (colorType) {
            case 0:
                channels = 1;
                depthOk = depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16;
                break;
            case 3:
                channels = 1;
                depthOk = depth == 1 || depth == 2 || depth == 4 || depth == 8;
                break;
            case 2:
                channels = 3;
                depthOk = depth == 8 || depth == 16;
                break;
            case 4:
                channels = 2;
                depthOk = depth == 8 || depth == 16;
                break;
            case 6:
                channels = 4;
                depthOk = depth == 8 || depth == 16;
                break;
            default:
                channels = 0;
                depthOk = false;
                break;
            }
            if (!depthOk) FormatError("the PNG colour type or depth is not valid");
            if (png[pos + 18] != 0 || png[pos + 19] != 0 || png[pos + 20] > 1)
                FormatError("the PNG compression, filter or interlace method is not valid");
            bits = depth * channels;
            first = false;
        } else if (is("IDAT")) {
            haveData = true;
        } else if (is("IEND")) {
            if (!haveData) FormatError("the PNG image holds no image data");
            return bits;
        }
        pos += 12 + std::size_t(length);
    }
}

} // namespace

struct TIcon::TImage {
    detail::TGraphicBytes Data;         // the icon file
    std::vector<TIconImageInfo> Images; // in directory order; at least one
};

namespace {

std::vector<TIconImageInfo> ParseIcon(TByteView data) {
    if (data.size() < IconDirSize) FormatError("the data ends before the icon header");
    if (GetU16(data, 0) != 0 || GetU16(data, 2) != 1) FormatError("the header does not describe an icon");
    const std::size_t count = GetU16(data, 4);
    if (count == 0) FormatError("the icon holds no images");
    const std::size_t directoryEnd = IconDirSize + count * IconEntrySize;
    if (directoryEnd > data.size()) FormatError("the image directory runs past the end of the data");

    struct TSpan {
        std::uint32_t At, Size;
    };
    std::vector<TSpan> spans;
    std::vector<TIconImageInfo> images;
    spans.reserve(count);
    images.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t e = IconDirSize + i * IconEntrySize;
        const std::uint32_t size = GetU32(data, e + 8), at = GetU32(data, e + 12);
        if (size == 0) FormatError("an image is empty");
        if (!InRange(at, size, data.size())) FormatError("an image runs past the end of the data");
        if (at < directoryEnd) FormatError("an image overlaps the image directory");
        spans.push_back({at, size});
        TIconImageInfo info;
        info.Width = data[e] == 0 ? 256 : data[e];
        info.Height = data[e + 1] == 0 ? 256 : data[e + 1];
        images.push_back(info);
    }
    // Images must not share bytes: each is checked once, so checking costs no more than the data.
    std::vector<TSpan> sorted = spans;
    std::sort(sorted.begin(), sorted.end(), [](const TSpan& a, const TSpan& b) { return a.At < b.At; });
    for (std::size_t i = 1; i < sorted.size(); ++i)
        if (std::uint64_t(sorted[i - 1].At) + sorted[i - 1].Size > sorted[i].At)
            FormatError("two images overlap");

    for (std::size_t i = 0; i < count; ++i) {
        const TByteView image = data.subspan(spans[i].At, spans[i].Size);
        if (IsPng(image)) {
            images[i].Png = true;
            images[i].BitCount = CheckPng(image);
        } else {
            images[i].BitCount = detail::ParseIconDib(image).BitCount;
        }
    }
    return images;
}

} // namespace

TIcon::TIcon() = default;

TIcon::~TIcon() = default;

TGraphicClass TIcon::GetGraphicClass() const {
    return GraphicClassOf<TIcon>();
}

bool TIcon::CanLoadFromStream(TStream* stream) {
    const auto head = detail::Peek(stream, 4);
    return head.size() == 4 && head[0] == 0 && head[1] == 0 && head[2] == 1 && head[3] == 0;
}

int TIcon::GetWidth() const {
    return FImage ? FImage->Images[FCurrent].Width : 0;
}

int TIcon::GetHeight() const {
    return FImage ? FImage->Images[FCurrent].Height : 0;
}

void TIcon::SetWidth(int value) {
    if (FImage) throw EInvalidGraphicOperation(SChangeIconSize);
    FRequestedWidth = std::max(value, 0);
}

void TIcon::SetHeight(int value) {
    if (FImage) throw EInvalidGraphicOperation(SChangeIconSize);
    FRequestedHeight = std::max(value, 0);
}

int TIcon::GetImageCount() const {
    return FImage ? static_cast<int>(FImage->Images.size()) : 0;
}

TIconImageInfo TIcon::GetImageInfo(int index) const {
    if (index < 0 || index >= GetImageCount()) throw EListError(SListIndexError, {index});
    return FImage->Images[static_cast<std::size_t>(index)];
}

void TIcon::PickImage() {
    const int w = FRequestedWidth > 0 ? FRequestedWidth : StandardIconSize;
    const int h = FRequestedHeight > 0 ? FRequestedHeight : StandardIconSize;
    const auto& images = FImage->Images;
    std::size_t best = 0;
    for (std::size_t i = 1; i < images.size(); ++i) {
        const int d = std::abs(images[i].Width - w) + std::abs(images[i].Height - h);
        const int bestD = std::abs(images[best].Width - w) + std::abs(images[best].Height - h);
        if (d < bestD || (d == bestD && images[i].BitCount > images[best].BitCount)) best = i;
    }
    FCurrent = best;
}

void TIcon::LoadFromStream(TStream* stream) {
    detail::TGraphicBytes data = detail::ReadRest(stream);
    if (data.empty()) {
        FImage.reset();
        FCurrent = 0;
        Changed(this);
        return;
    }
    auto image = std::make_shared<TImage>();
    image->Images = detail::ParseOrRaise(SInvalidIcon, [&] { return ParseIcon(data); });
    image->Data = std::move(data);
    FImage = std::move(image);
    PickImage();
    Changed(this);
}

void TIcon::SaveToStream(TStream* stream) {
    if (FImage) stream->WriteBuffer(FImage->Data.data(), static_cast<std::int64_t>(FImage->Data.size()));
}

void TIcon::Assign(TPersistent* source) {
    if (source == nullptr) {
        FImage.reset();
        FCurrent = 0;
        Changed(this);
        return;
    }
    if (auto* other = dynamic_cast<TIcon*>(source)) {
        if (other == this) return;
        FImage = other->FImage;
        FCurrent = other->FCurrent;
        FRequestedWidth = other->FRequestedWidth;
        FRequestedHeight = other->FRequestedHeight;
        Changed(this);
        return;
    }
    inherited::Assign(source);
}

} // namespace vcl
