// TMetafile: enhanced and Windows metafiles, their headers, record walks and sizes.
#include "platform/vcl/Metafile.h"

#include "platform/vcl/Exceptions.h"
#include "platform/vcl/GraphicData.h"
#include "platform/vcl/Stream.h"
#include "platform/vcl/TypInfo.h"
#include "platform/vcl/VclConsts.h"

#include <algorithm>
#include <cstdlib>
#include <limits>

namespace vcl {

VCL_CLASS_INFO(TMetafile)

namespace {

using detail::FormatError;
using detail::GetI16;
using detail::GetI32;
using detail::GetU16;
using detail::GetU32;
using detail::InRange;
using detail::MulDiv;
using detail::TByteView;

constexpr std::uint32_t EmrHeader = 1;
constexpr std::uint32_t EmrEof = 14;
constexpr std::uint32_t EmfSignature = 0x464D4520; // " EMF"
constexpr std::size_t EmfMinHeaderSize = 88;
constexpr std::uint32_t PlaceableKey = 0x9AC6CDD7;
constexpr std::size_t PlaceableSize = 22;
constexpr std::size_t MetaHeaderSize = 18;
constexpr std::uint16_t MetaSetWindowExt = 0x020C;
constexpr std::int64_t HundredthMMPerInch = 2540;
constexpr std::int64_t PixelsPerInch = 96;
constexpr std::uint16_t TwipsPerInch = 1440;

enum class TMetaKind { Enhanced, Placeable, Plain };

struct TMetaInfo {
    TMetaKind Kind = TMetaKind::Enhanced;
    std::int64_t MMWidth = 0; // 0.01 mm, within 0 .. INT32_MAX
    std::int64_t MMHeight = 0;
    std::uint16_t Inch = 0; // placeable only
};

std::uint16_t PlaceableChecksum(TByteView data) {
    std::uint16_t sum = 0;
    for (std::size_t i = 0; i < 10; ++i)
        sum ^= GetU16(data, 2 * i);
    return sum;
}

// Walks a Windows metafile whose METAHEADER starts at 'at'. Returns the first window extent the
// records set (0, 0 when none).
std::pair<std::int64_t, std::int64_t> WalkWmf(TByteView data, std::size_t at) {
    if (!InRange(at, MetaHeaderSize, data.size())) FormatError("the data ends before the metafile header");
    const std::uint16_t type = GetU16(data, at), headerWords = GetU16(data, at + 2),
                        version = GetU16(data, at + 4);
    if (type != 1 && type != 2) FormatError("the metafile type is not valid");
    if (headerWords != MetaHeaderSize / 2) FormatError("the metafile header size is not valid");
    if (version != 0x0100 && version != 0x0300) FormatError("the metafile version is not valid");
    const std::uint64_t bytes = std::uint64_t(GetU32(data, at + 6)) * 2;
    if (bytes < MetaHeaderSize) FormatError("the metafile size is smaller than its header");
    if (!InRange(at, bytes, data.size())) FormatError("the metafile runs past the end of the data");
    const std::uint64_t end = at + bytes;

    std::pair<std::int64_t, std::int64_t> extent{0, 0};
    bool haveExtent = false;
    std::uint64_t pos = at + MetaHeaderSize;
    for (;;) {
        if (!InRange(pos, 6, end)) FormatError("the metafile ends without an end record");
        const std::uint64_t recordBytes = std::uint64_t(GetU32(data, pos)) * 2;
        const std::uint16_t function = GetU16(data, pos + 4);
        if (recordBytes < 6) FormatError("a record is too small to advance");
        if (!InRange(pos, recordBytes, end)) FormatError("a record runs past the end of the metafile");
        if (function == 0) return extent;
        if (function == MetaSetWindowExt && recordBytes >= 10 && !haveExtent) {
            extent = {std::abs(std::int64_t(GetI16(data, pos + 8))),
                      std::abs(std::int64_t(GetI16(data, pos + 6)))};
            haveExtent = true;
        }
        pos += recordBytes;
    }
}

TMetaInfo ParseEmf(TByteView data) {
    TMetaInfo info;
    info.Kind = TMetaKind::Enhanced;
    if (data.size() < EmfMinHeaderSize) FormatError("the data ends before the enhanced metafile header");
    const std::uint32_t headerSize = GetU32(data, 4);
    if (GetU32(data, 40) != EmfSignature) FormatError("the enhanced metafile signature is missing");
    if (headerSize < EmfMinHeaderSize || headerSize % 4 != 0)
        FormatError("the header record size is not valid");
    const std::uint32_t total = GetU32(data, 48);
    if (total > data.size()) FormatError("the metafile runs past the end of the data");
    if (headerSize > total) FormatError("the metafile is smaller than its header");
    const std::uint32_t descriptionChars = GetU32(data, 64), descriptionAt = GetU32(data, 68);
    if (descriptionChars != 0 && !InRange(descriptionAt, std::uint64_t(descriptionChars) * 2, total))
        FormatError("the description runs past the end of the metafile");

    // The frame, inclusive, in 0.01 mm.
    const std::int64_t width = std::int64_t(GetI32(data, 32)) - GetI32(data, 24);
    const std::int64_t height = std::int64_t(GetI32(data, 36)) - GetI32(data, 28);
    if (width > std::numeric_limits<std::int32_t>::max() || height > std::numeric_limits<std::int32_t>::max())
        FormatError("the frame is too large");
    info.MMWidth = std::max<std::int64_t>(width, 0);
    info.MMHeight = std::max<std::int64_t>(height, 0);

    std::uint64_t pos = 0;
    for (;;) {
        if (!InRange(pos, 8, total)) FormatError("the metafile ends without an end record");
        const std::uint32_t type = GetU32(data, pos), size = GetU32(data, pos + 4);
        if (size < 8 || size % 4 != 0) FormatError("a record size is not valid");
        if (!InRange(pos, size, total)) FormatError("a record runs past the end of the metafile");
        if (pos == 0 && type != EmrHeader) FormatError("the first record is not the header");
        if (type == EmrEof) return info;
        pos += size;
    }
}

TMetaInfo ParsePlaceable(TByteView data) {
    TMetaInfo info;
    info.Kind = TMetaKind::Placeable;
    if (data.size() < PlaceableSize) FormatError("the data ends before the placeable header");
    if (PlaceableChecksum(data) != GetU16(data, 20))
        FormatError("the placeable header checksum does not match");
    info.Inch = GetU16(data, 14);
    if (info.Inch == 0) FormatError("the placeable header gives no units per inch");
    const std::int64_t w = std::abs(std::int64_t(GetI16(data, 10)) - GetI16(data, 6));
    const std::int64_t h = std::abs(std::int64_t(GetI16(data, 12)) - GetI16(data, 8));
    info.MMWidth = MulDiv(w, HundredthMMPerInch, info.Inch);
    info.MMHeight = MulDiv(h, HundredthMMPerInch, info.Inch);
    WalkWmf(data, PlaceableSize);
    return info;
}

TMetaInfo ParseMetafile(TByteView data) {
    if (data.size() < 4) FormatError("the data ends before the metafile header");
    const std::uint32_t head = GetU32(data, 0);
    if (head == PlaceableKey) return ParsePlaceable(data);
    if (head == EmrHeader) return ParseEmf(data);
    TMetaInfo info;
    info.Kind = TMetaKind::Plain;
    const auto extent = WalkWmf(data, 0);
    info.MMWidth = MulDiv(extent.first, HundredthMMPerInch, PixelsPerInch);
    info.MMHeight = MulDiv(extent.second, HundredthMMPerInch, PixelsPerInch);
    return info;
}

void WritePlaceable(detail::TGraphicBytes& data, std::int16_t right, std::int16_t bottom,
                    std::uint16_t inch) {
    detail::PutU32(data, 0, PlaceableKey);
    detail::PutU16(data, 4, 0);
    detail::PutI16(data, 6, 0);
    detail::PutI16(data, 8, 0);
    detail::PutI16(data, 10, right);
    detail::PutI16(data, 12, bottom);
    detail::PutU16(data, 14, inch);
    detail::PutU32(data, 16, 0);
    detail::PutU16(data, 20, PlaceableChecksum(data));
}

[[noreturn]] void InvalidSize() {
    throw EPropertyError(SInvalidPropertyValue);
}

template <class T>
T Fit(std::int64_t value) {
    if (value < std::numeric_limits<T>::min() || value > std::numeric_limits<T>::max()) InvalidSize();
    return static_cast<T>(value);
}

} // namespace

struct TMetafile::TImage {
    detail::TGraphicBytes Data;
    TMetaInfo Info;
};

TMetafile::TMetafile() = default;

TMetafile::~TMetafile() = default;

TGraphicClass TMetafile::GetGraphicClass() const {
    return GraphicClassOf<TMetafile>();
}

bool TMetafile::CanLoadFromStream(TStream* stream) {
    const auto head = detail::Peek(stream, 44);
    const TByteView view(head);
    if (head.size() >= 4 && GetU32(view, 0) == PlaceableKey) return true;
    if (head.size() >= 44 && GetU32(view, 0) == EmrHeader && GetU32(view, 40) == EmfSignature) return true;
    return head.size() >= 6 && (GetU16(view, 0) == 1 || GetU16(view, 0) == 2) && GetU16(view, 2) == 9 &&
           (GetU16(view, 4) == 0x0100 || GetU16(view, 4) == 0x0300);
}

int TMetafile::GetWidth() const {
    return static_cast<int>(MulDiv(FMMWidth, PixelsPerInch, HundredthMMPerInch));
}

int TMetafile::GetHeight() const {
    return static_cast<int>(MulDiv(FMMHeight, PixelsPerInch, HundredthMMPerInch));
}

void TMetafile::SetWidth(int value) {
    SetMMSize(Fit<std::int32_t>(MulDiv(value, HundredthMMPerInch, PixelsPerInch)), FMMHeight);
}

void TMetafile::SetHeight(int value) {
    SetMMSize(FMMWidth, Fit<std::int32_t>(MulDiv(value, HundredthMMPerInch, PixelsPerInch)));
}

void TMetafile::SetMMWidth(int value) {
    SetMMSize(value, FMMHeight);
}

void TMetafile::SetMMHeight(int value) {
    SetMMSize(FMMWidth, value);
}

int TMetafile::GetInch() const {
    return FImage && FImage->Info.Kind == TMetaKind::Placeable ? FImage->Info.Inch : 0;
}

void TMetafile::SetMMSize(int width, int height) {
    if (width < 0 || height < 0) InvalidSize();
    if (width == FMMWidth && height == FMMHeight) return;
    if (!FImage) {
        FMMWidth = width;
        FMMHeight = height;
        Changed(this);
        return;
    }
    detail::TGraphicBytes data = FImage->Data;
    switch (FImage->Info.Kind) {
    case TMetaKind::Enhanced: {
        const TByteView view(data);
        detail::PutI32(data, 32, Fit<std::int32_t>(std::int64_t(GetI32(view, 24)) + width));
        detail::PutI32(data, 36, Fit<std::int32_t>(std::int64_t(GetI32(view, 28)) + height));
        break;
    }
    case TMetaKind::Placeable: {
        const TByteView view(data);
        const std::uint16_t inch = FImage->Info.Inch;
        detail::PutI16(data, 10,
                       Fit<std::int16_t>(GetI16(view, 6) + MulDiv(width, inch, HundredthMMPerInch)));
        detail::PutI16(data, 12,
                       Fit<std::int16_t>(GetI16(view, 8) + MulDiv(height, inch, HundredthMMPerInch)));
        detail::PutU16(data, 20, PlaceableChecksum(TByteView(data)));
        break;
    }
    case TMetaKind::Plain: {
        detail::TGraphicBytes header(PlaceableSize, 0);
        WritePlaceable(header, Fit<std::int16_t>(MulDiv(width, TwipsPerInch, HundredthMMPerInch)),
                       Fit<std::int16_t>(MulDiv(height, TwipsPerInch, HundredthMMPerInch)), TwipsPerInch);
        data.insert(data.begin(), header.begin(), header.end());
        break;
    }
    }
    auto image = std::make_shared<TImage>();
    image->Info = detail::ParseOrRaise(SInvalidMetafile, [&] { return ParseMetafile(data); });
    image->Data = std::move(data);
    FImage = std::move(image);
    FMMWidth = static_cast<int>(FImage->Info.MMWidth);
    FMMHeight = static_cast<int>(FImage->Info.MMHeight);
    Changed(this);
}

void TMetafile::SetEnhanced(bool value) {
    if (value == FEnhanced) return;
    if (FImage) throw EInvalidGraphicOperation(SMetafileConversion);
    FEnhanced = value;
    Changed(this);
}

void TMetafile::LoadFromStream(TStream* stream) {
    detail::TGraphicBytes data = detail::ReadRest(stream);
    if (data.empty()) {
        FImage.reset();
        FMMWidth = FMMHeight = 0;
        Changed(this);
        return;
    }
    auto image = std::make_shared<TImage>();
    image->Info = detail::ParseOrRaise(SInvalidMetafile, [&] { return ParseMetafile(data); });
    image->Data = std::move(data);
    FImage = std::move(image);
    FMMWidth = static_cast<int>(FImage->Info.MMWidth);
    FMMHeight = static_cast<int>(FImage->Info.MMHeight);
    FEnhanced = FImage->Info.Kind == TMetaKind::Enhanced;
    Changed(this);
}

void TMetafile::SaveToStream(TStream* stream) {
    if (FImage) stream->WriteBuffer(FImage->Data.data(), static_cast<std::int64_t>(FImage->Data.size()));
}

void TMetafile::Assign(TPersistent* source) {
    if (source == nullptr) {
        FImage.reset();
        FMMWidth = FMMHeight = 0;
        Changed(this);
        return;
    }
    if (auto* other = dynamic_cast<TMetafile*>(source)) {
        if (other == this) return;
        FImage = other->FImage;
        FMMWidth = other->FMMWidth;
        FMMHeight = other->FMMHeight;
        FEnhanced = other->FEnhanced;
        Changed(this);
        return;
    }
    inherited::Assign(source);
}

} // namespace vcl
