// Streams over memory: TCustomMemoryStream (reading a block), TMemoryStream (a growable block)
// and TStringStream (a stream over an AnsiString).
//
// Positions may be set anywhere, before the start or past the end: reading there gives 0 bytes;
// writing past the end grows the data and fills the gap with zero bytes; writing before the start
// writes nothing. Writing never truncates: it overwrites and extends.
#pragma once

#include "platform/vcl/Stream.h"

#include <cstdint>
#include <string_view>

namespace vcl {

class TCustomMemoryStream : public TStream {
    VCL_CLASS(TCustomMemoryStream, TStream)
public:
    std::int32_t Read(void* buffer, std::int32_t count) override;
    std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
    std::int64_t GetSize() override { return FSize; }

    // The data (Size bytes; null while empty).
    void* Memory() const { return FMemory; }
    // Writes all the data, from its start, at the target's position.
    void SaveToStream(TStream* stream);
    // Creates (or replaces) the file with the data.
    void SaveToFile(const AnsiString& fileName);

protected:
    TCustomMemoryStream() = default;
    ~TCustomMemoryStream() override;
    // Points the stream at a block (not owned here; TMemoryStream manages its own).
    void SetPointer(void* ptr, std::int64_t size);

    char* FMemory = nullptr; // Size bytes of data, or null
    std::int64_t FSize = 0;
    std::int64_t FPosition = 0; // may lie outside 0 .. Size
};

class TMemoryStream : public TCustomMemoryStream {
    VCL_CLASS(TMemoryStream, TCustomMemoryStream)
public:
    TMemoryStream() = default;

    std::int32_t Write(const void* buffer, std::int32_t count) override;
    // Truncates or extends (with zero bytes); the position moves to the end if it was past it.
    void SetSize(std::int64_t newSize) override;
    // Releases the data: size and position 0.
    void Clear();
    // Replaces the data with the whole of the stream (read from its beginning).
    void LoadFromStream(TStream* stream);
    void LoadFromFile(const AnsiString& fileName);
    std::int64_t GetCapacity() const { return FCapacity; }
    void SetCapacity(std::int64_t capacity);

protected:
    ~TMemoryStream() override;

private:
    // Makes room for at least 'needed' bytes, growing geometrically so that writing n bytes in
    // pieces costs O(n). Raises EStreamError "Out of memory while expanding memory stream".
    void Reserve(std::int64_t needed);

    std::int64_t FCapacity = 0; // bytes allocated at FMemory (>= Size)
};

class TStringStream : public TStream {
    VCL_CLASS(TStringStream, TStream)
public:
    explicit TStringStream(std::string_view data = {});

    std::int32_t Read(void* buffer, std::int32_t count) override;
    std::int32_t Write(const void* buffer, std::int32_t count) override;
    std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
    std::int64_t GetSize() override { return static_cast<std::int64_t>(FData.size()); }
    void SetSize(std::int64_t newSize) override;

    const AnsiString& GetDataString() const { return FData; }
    // Up to count characters from the position.
    AnsiString ReadString(std::int32_t count);
    void WriteString(std::string_view text);

protected:
    ~TStringStream() override;

private:
    AnsiString FData;
    std::int64_t FPosition = 0;
};

namespace detail {
// The new position for a seek, saturated to the 64-bit range; an unknown origin leaves it.
std::int64_t SeekTarget(std::int64_t position, std::int64_t size, std::int64_t offset, TSeekOrigin origin);
} // namespace detail

} // namespace vcl
