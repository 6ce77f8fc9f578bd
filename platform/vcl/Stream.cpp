// TStream: the operations every stream gets from Read, Write and Seek.
#include "platform/vcl/Stream.h"

#include "platform/vcl/Exceptions.h"
#include "platform/vcl/SysUtils.h"
#include "platform/vcl/TypInfo.h"
#include "platform/vcl/VclConsts.h"

#include <algorithm>
#include <limits>
#include <vector>

namespace vcl {

VCL_CLASS_INFO(TStream)

TStream::~TStream() = default;

std::int64_t TStream::GetSize() {
    const std::int64_t pos = Seek(0, TSeekOrigin::soCurrent);
    const std::int64_t size = Seek(0, TSeekOrigin::soEnd);
    Seek(pos, TSeekOrigin::soBeginning);
    return size;
}

void TStream::SetSize(std::int64_t) {}

namespace {
constexpr std::int64_t MaxChunk = std::numeric_limits<std::int32_t>::max();
}

void TStream::ReadBuffer(void* buffer, std::int64_t count) {
    auto* p = static_cast<char*>(buffer);
    while (count > 0) {
        const auto chunk = static_cast<std::int32_t>(std::min(count, MaxChunk));
        const std::int32_t got = Read(p, chunk);
        if (got <= 0) throw EReadError(SReadError);
        p += got;
        count -= got;
    }
}

void TStream::WriteBuffer(const void* buffer, std::int64_t count) {
    const auto* p = static_cast<const char*>(buffer);
    while (count > 0) {
        const auto chunk = static_cast<std::int32_t>(std::min(count, MaxChunk));
        const std::int32_t put = Write(p, chunk);
        if (put <= 0) throw EWriteError(SWriteError);
        p += put;
        count -= put;
    }
}

std::int64_t TStream::CopyFrom(TStream* source, std::int64_t count) {
    if (count == 0) {
        source->SetPosition(0);
        count = source->GetSize();
    }
    if (count <= 0) return 0;
    const std::int64_t result = count;
    constexpr std::int64_t BufferSize = 64 * 1024;
    std::vector<char> buffer(static_cast<std::size_t>(std::min(count, BufferSize)));
    while (count > 0) {
        const std::int64_t n = std::min<std::int64_t>(count, static_cast<std::int64_t>(buffer.size()));
        source->ReadBuffer(buffer.data(), n);
        WriteBuffer(buffer.data(), n);
        count -= n;
    }
    return result;
}

// Resource header of a form resource (the 32-bit resource file layout the framework writes):
// 0xFF, the type as a 16-bit number (10, raw data), the name in upper case with a NUL, 16-bit
// flags 0x1030, then the 32-bit size of the data that follows.
void TStream::WriteResourceHeader(const AnsiString& resName, std::int64_t& sizePosition) {
    std::string header;
    header.push_back('\xFF');
    header.push_back('\x0A');
    header.push_back('\x00');
    header += UpperCase(resName);
    header.push_back('\0');
    header.push_back('\x30');
    header.push_back('\x10');
    WriteBuffer(header.data(), static_cast<std::int64_t>(header.size()));
    sizePosition = GetPosition();
    const std::uint8_t zero[4] = {0, 0, 0, 0};
    WriteBuffer(zero, 4);
}

void TStream::FixupResourceHeader(std::int64_t sizePosition) {
    const std::int64_t end = GetPosition();
    const std::int64_t size = end - sizePosition - 4;
    if (size < 0 || size > std::numeric_limits<std::int32_t>::max()) throw EWriteError(SWriteError);
    const auto s = static_cast<std::uint32_t>(size);
    const std::uint8_t bytes[4] = {static_cast<std::uint8_t>(s), static_cast<std::uint8_t>(s >> 8),
                                   static_cast<std::uint8_t>(s >> 16), static_cast<std::uint8_t>(s >> 24)};
    SetPosition(sizePosition);
    WriteBuffer(bytes, 4);
    SetPosition(end);
}

void TStream::ReadResHeader() {
    std::uint8_t b = 0;
    std::uint8_t type[2];
    ReadBuffer(&b, 1);
    ReadBuffer(type, 2);
    if (b != 0xFF || type[0] != 10 || type[1] != 0) throw EReadError(SInvalidImage);
    // The name, at most 255 characters and its NUL.
    for (int i = 0;; ++i) {
        ReadBuffer(&b, 1);
        if (b == 0) break;
        if (i >= 255) throw EReadError(SInvalidImage);
    }
    std::uint8_t rest[6];
    ReadBuffer(rest, 6); // flags and size
    const std::uint32_t size =
        rest[2] | (rest[3] << 8) | (rest[4] << 16) | (static_cast<std::uint32_t>(rest[5]) << 24);
    if (static_cast<std::int64_t>(size) > GetSize() - GetPosition())
        throw EReadError(SLengthPastEnd, {static_cast<std::int64_t>(size)});
}

} // namespace vcl
