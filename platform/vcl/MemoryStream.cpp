// Memory and string streams.
#include "platform/vcl/MemoryStream.h"

#include "platform/vcl/Exceptions.h"
#include "platform/vcl/FileStream.h"
#include "platform/vcl/TypInfo.h"
#include "platform/vcl/VclConsts.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace vcl {

VCL_CLASS_INFO(TCustomMemoryStream)
VCL_CLASS_INFO(TMemoryStream)
VCL_CLASS_INFO(TStringStream)

namespace detail {

std::int64_t SeekTarget(std::int64_t position, std::int64_t size, std::int64_t offset, TSeekOrigin origin) {
    std::int64_t base;
    switch (origin) {
    case TSeekOrigin::soBeginning:
        base = 0;
        break;
    case TSeekOrigin::soCurrent:
        base = position;
        break;
    case TSeekOrigin::soEnd:
        base = size;
        break;
    default:
        return position;
    }
    std::int64_t result;
    if (__builtin_add_overflow(base, offset, &result))
        result =
            offset > 0 ? std::numeric_limits<std::int64_t>::max() : std::numeric_limits<std::int64_t>::min();
    return result;
}

} // namespace detail

// --- TCustomMemoryStream --------------------------------------------------------------------------

TCustomMemoryStream::~TCustomMemoryStream() = default;

void TCustomMemoryStream::SetPointer(void* ptr, std::int64_t size) {
    FMemory = static_cast<char*>(ptr);
    FSize = size;
}

std::int32_t TCustomMemoryStream::Read(void* buffer, std::int32_t count) {
    if (count <= 0 || FPosition < 0 || FPosition >= FSize) return 0;
    const auto n = static_cast<std::int32_t>(std::min<std::int64_t>(count, FSize - FPosition));
    std::memcpy(buffer, FMemory + FPosition, static_cast<std::size_t>(n));
    FPosition += n;
    return n;
}

std::int64_t TCustomMemoryStream::Seek(std::int64_t offset, TSeekOrigin origin) {
    FPosition = detail::SeekTarget(FPosition, FSize, offset, origin);
    return FPosition;
}

void TCustomMemoryStream::SaveToStream(TStream* stream) {
    if (FSize != 0) stream->WriteBuffer(FMemory, FSize);
}

void TCustomMemoryStream::SaveToFile(const AnsiString& fileName) {
    auto file = New<TFileStream>(fileName, fmCreate);
    SaveToStream(file.get());
}

// --- TMemoryStream --------------------------------------------------------------------------------

TMemoryStream::~TMemoryStream() {
    std::free(FMemory);
}

void TMemoryStream::SetCapacity(std::int64_t capacity) {
    capacity = std::max(capacity, FSize);
    if (capacity == FCapacity) return;
    if (capacity == 0) {
        std::free(FMemory);
        FMemory = nullptr;
        FCapacity = 0;
        return;
    }
    if (static_cast<std::uint64_t>(capacity) > std::numeric_limits<std::size_t>::max() / 2)
        throw EStreamError(SMemoryStreamError);
    void* p = std::realloc(FMemory, static_cast<std::size_t>(capacity));
    if (p == nullptr) throw EStreamError(SMemoryStreamError);
    FMemory = static_cast<char*>(p);
    FCapacity = capacity;
}

void TMemoryStream::Reserve(std::int64_t needed) {
    if (needed <= FCapacity) return;
    std::int64_t grown = FCapacity + FCapacity / 2;
    if (grown < needed) grown = needed;
    // Round up to 8 KB, the block size the framework's memory streams grow by.
    constexpr std::int64_t Delta = 8192;
    if (grown <= std::numeric_limits<std::int64_t>::max() - Delta) grown = (grown + Delta - 1) & ~(Delta - 1);
    SetCapacity(grown);
}

std::int32_t TMemoryStream::Write(const void* buffer, std::int32_t count) {
    if (count <= 0 || FPosition < 0) return 0;
    std::int64_t end;
    if (__builtin_add_overflow(FPosition, static_cast<std::int64_t>(count), &end))
        throw EStreamError(SMemoryStreamError);
    if (end > FSize) {
        Reserve(end);
        if (FPosition > FSize) std::memset(FMemory + FSize, 0, static_cast<std::size_t>(FPosition - FSize));
        FSize = end;
    }
    std::memcpy(FMemory + FPosition, buffer, static_cast<std::size_t>(count));
    FPosition = end;
    return count;
}

void TMemoryStream::SetSize(std::int64_t newSize) {
    if (newSize < 0) throw EStreamError(SInvalidOperation);
    const std::int64_t old = FSize;
    if (newSize > old) {
        Reserve(newSize);
        std::memset(FMemory + old, 0, static_cast<std::size_t>(newSize - old));
    }
    FSize = newSize;
    if (FPosition > newSize) FPosition = newSize;
}

void TMemoryStream::Clear() {
    std::free(FMemory);
    FMemory = nullptr;
    FCapacity = 0;
    FSize = 0;
    FPosition = 0;
}

void TMemoryStream::LoadFromStream(TStream* stream) {
    stream->SetPosition(0);
    const std::int64_t count = stream->GetSize();
    SetSize(count);
    if (count != 0) stream->ReadBuffer(FMemory, count);
}

void TMemoryStream::LoadFromFile(const AnsiString& fileName) {
    auto file = New<TFileStream>(fileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(file.get());
}

// --- TStringStream --------------------------------------------------------------------------------

TStringStream::TStringStream(std::string_view data) : FData(data) {}

TStringStream::~TStringStream() = default;

std::int32_t TStringStream::Read(void* buffer, std::int32_t count) {
    const auto size = static_cast<std::int64_t>(FData.size());
    if (count <= 0 || FPosition < 0 || FPosition >= size) return 0;
    const auto n = static_cast<std::int32_t>(std::min<std::int64_t>(count, size - FPosition));
    std::memcpy(buffer, FData.data() + FPosition, static_cast<std::size_t>(n));
    FPosition += n;
    return n;
}

std::int32_t TStringStream::Write(const void* buffer, std::int32_t count) {
    if (count <= 0 || FPosition < 0) return 0;
    std::int64_t end;
    if (__builtin_add_overflow(FPosition, static_cast<std::int64_t>(count), &end) ||
        static_cast<std::uint64_t>(end) > FData.max_size())
        throw EStreamError(SMemoryStreamError);
    if (end > static_cast<std::int64_t>(FData.size())) FData.resize(static_cast<std::size_t>(end), '\0');
    std::memcpy(FData.data() + FPosition, buffer, static_cast<std::size_t>(count));
    FPosition = end;
    return count;
}

std::int64_t TStringStream::Seek(std::int64_t offset, TSeekOrigin origin) {
    FPosition = detail::SeekTarget(FPosition, static_cast<std::int64_t>(FData.size()), offset, origin);
    return FPosition;
}

void TStringStream::SetSize(std::int64_t newSize) {
    if (newSize < 0) throw EStreamError(SInvalidOperation);
    FData.resize(static_cast<std::size_t>(newSize), '\0');
    if (FPosition > newSize) FPosition = newSize;
}

AnsiString TStringStream::ReadString(std::int32_t count) {
    const auto size = static_cast<std::int64_t>(FData.size());
    if (count <= 0 || FPosition < 0 || FPosition >= size) return AnsiString();
    const auto n = std::min<std::int64_t>(count, size - FPosition);
    AnsiString result = FData.substr(static_cast<std::size_t>(FPosition), static_cast<std::size_t>(n));
    FPosition += n;
    return result;
}

void TStringStream::WriteString(std::string_view text) {
    WriteBuffer(text.data(), static_cast<std::int64_t>(text.size()));
}

} // namespace vcl
