// Byte-level helpers of the picture formats.
#include "platform/vcl/GraphicData.h"

#include "platform/vcl/Exceptions.h"
#include "platform/vcl/Stream.h"
#include "platform/vcl/VclConsts.h"

#include <algorithm>

namespace vcl::detail {

void FormatError(const char* reason) {
    throw TGraphicFormatError{reason};
}

void RaiseInvalidGraphic(const TResStringRec& msg, const char* reason) {
    throw EInvalidGraphic(msg, {reason});
}

namespace {

const std::uint8_t* At(TByteView data, std::uint64_t at, std::uint64_t length) {
    if (!InRange(at, length, data.size())) FormatError("the data ends too early");
    return data.data() + at;
}

} // namespace

std::uint8_t GetU8(TByteView data, std::uint64_t at) {
    return *At(data, at, 1);
}

std::uint16_t GetU16(TByteView data, std::uint64_t at) {
    const std::uint8_t* p = At(data, at, 2);
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::int16_t GetI16(TByteView data, std::uint64_t at) {
    return static_cast<std::int16_t>(GetU16(data, at));
}

std::uint32_t GetU32(TByteView data, std::uint64_t at) {
    const std::uint8_t* p = At(data, at, 4);
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

std::int32_t GetI32(TByteView data, std::uint64_t at) {
    return static_cast<std::int32_t>(GetU32(data, at));
}

std::uint32_t GetU32BE(TByteView data, std::uint64_t at) {
    const std::uint8_t* p = At(data, at, 4);
    return (static_cast<std::uint32_t>(p[0]) << 24) | (static_cast<std::uint32_t>(p[1]) << 16) |
           (static_cast<std::uint32_t>(p[2]) << 8) | static_cast<std::uint32_t>(p[3]);
}

void PutU16(TGraphicBytes& data, std::size_t at, std::uint16_t value) {
    data.at(at + 1);
    data[at] = static_cast<std::uint8_t>(value);
    data[at + 1] = static_cast<std::uint8_t>(value >> 8);
}

void PutU32(TGraphicBytes& data, std::size_t at, std::uint32_t value) {
    data.at(at + 3);
    for (int i = 0; i < 4; ++i)
        data[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
}

TGraphicBytes ReadRest(TStream* stream) {
    const std::int64_t size = std::max<std::int64_t>(0, stream->GetSize() - stream->GetPosition());
    if (size > MaxGraphicBytes) throw EInvalidGraphic(SGraphicTooLarge, {size});
    TGraphicBytes data(static_cast<std::size_t>(size));
    if (size > 0) stream->ReadBuffer(data.data(), size);
    return data;
}

TGraphicBytes Peek(TStream* stream, std::int32_t count) {
    const std::int64_t start = stream->GetPosition();
    TGraphicBytes data(static_cast<std::size_t>(std::max(count, 0)));
    std::int32_t got = 0;
    while (got < count) {
        const std::int32_t n = stream->Read(data.data() + got, count - got);
        if (n <= 0) break;
        got += n;
    }
    data.resize(static_cast<std::size_t>(got));
    stream->SetPosition(start);
    return data;
}

std::int64_t MulDiv(std::int64_t a, std::int64_t b, std::int64_t c) {
    // The operands the formats produce stay far below 2^62, so the product cannot overflow.
    std::int64_t p = a * b;
    const bool negative = (p < 0) != (c < 0);
    std::int64_t n = p < 0 ? -p : p;
    const std::int64_t d = c < 0 ? -c : c;
    const std::int64_t q = (n + d / 2) / d;
    return negative ? -q : q;
}

} // namespace vcl::detail
