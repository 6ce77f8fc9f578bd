// TStream: the framework's abstract byte stream.
//
// Contract of every stream:
//   Read(buffer, count)   reads up to count bytes at the position, advances it by the bytes
//                         read and returns that number (0 at the end, or for a count <= 0);
//   Write(buffer, count)  writes up to count bytes at the position, advances it and returns the
//                         number written;
//   Seek(offset, origin)  moves the position relative to the beginning, the current position or
//                         the end, and returns the new position (64-bit);
//   Size / SetSize        the length of the data; SetSize truncates or extends it.
// On top of these, ReadBuffer and WriteBuffer transfer exactly count bytes or raise EReadError /
// EWriteError ("Stream read error" / "Stream write error"); CopyFrom(source, count) copies count
// bytes from the source's position, and with a count of 0 first moves the source to its beginning
// and copies all of it. A form file's components are read and written with ReadComponent and
// WriteComponent (Filer).
#pragma once

#include "platform/vcl/Object.h"

#include <cstdint>

namespace vcl {

class TComponent;

enum class TSeekOrigin : std::uint16_t { soBeginning = 0, soCurrent = 1, soEnd = 2 };
// The classic names of the origins.
inline constexpr TSeekOrigin soFromBeginning = TSeekOrigin::soBeginning;
inline constexpr TSeekOrigin soFromCurrent = TSeekOrigin::soCurrent;
inline constexpr TSeekOrigin soFromEnd = TSeekOrigin::soEnd;

class TStream : public TObject {
    VCL_CLASS(TStream, TObject)
public:
    virtual std::int32_t Read(void* buffer, std::int32_t count) = 0;
    virtual std::int32_t Write(const void* buffer, std::int32_t count) = 0;
    virtual std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) = 0;

    std::int64_t GetPosition() { return Seek(0, TSeekOrigin::soCurrent); }
    void SetPosition(std::int64_t position) { Seek(position, TSeekOrigin::soBeginning); }
    // The size; by default found by seeking to the end and back.
    virtual std::int64_t GetSize();
    // Changes the size; the base stream does nothing.
    virtual void SetSize(std::int64_t newSize);

    // Exactly count bytes, or EReadError / EWriteError (the position then tells how far it got).
    void ReadBuffer(void* buffer, std::int64_t count);
    void WriteBuffer(const void* buffer, std::int64_t count);
    // Copies count bytes from the source's position to this stream's position (count 0: the whole
    // source from its beginning) and returns the number copied. Raises when the source has fewer.
    std::int64_t CopyFrom(TStream* source, std::int64_t count);

    // A form file: a root component (with its owned components) read into an existing instance,
    // or created from the class named in the data (registered classes, ClassRegistry.h).
    TComponent* ReadComponent(TComponent* instance);
    TOwned<TComponent> ReadComponent();
    void WriteComponent(TComponent* instance);
    // Writes only what differs from the ancestor (null: as WriteComponent).
    void WriteDescendent(TComponent* instance, TComponent* ancestor);
    // The same inside a resource header named after the resource (the root's class name, upper
    // case, by convention), as form resources are stored.
    void WriteComponentRes(const AnsiString& resName, TComponent* instance);
    TComponent* ReadComponentRes(TComponent* instance);
    // Writes / skips a resource header; FixupResourceHeader fills in the size of the data written
    // after the header that starts at headerPosition.
    void WriteResourceHeader(const AnsiString& resName, std::int64_t& sizePosition);
    void FixupResourceHeader(std::int64_t sizePosition);
    void ReadResHeader();

protected:
    TStream() = default;
    ~TStream() override;
};

} // namespace vcl
