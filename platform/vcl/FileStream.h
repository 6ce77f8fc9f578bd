// Streams over files: THandleStream (an open file descriptor, not closed by the stream) and
// TFileStream (opens or creates a file by name and closes it when freed).
//
// Open modes (combine one access mode with one share mode):
//   fmCreate                    create the file, or empty an existing one; read and write access
//   fmOpenRead / fmOpenWrite / fmOpenReadWrite
//   fmShareExclusive            no other stream may open the file
//   fmShareDenyWrite            others may open it for reading only
//   fmShareDenyRead             others may open it for writing only
//   fmShareDenyNone             no restriction
//   fmShareCompat (no share bits, the default) behaves as fmShareExclusive, as on the framework's
//   home platform.
// Share modes are kept with advisory locks on the open file description (Linux OFD locks on a
// range far past any data), so they hold between streams of this process and of other processes
// that use this class; programs that ignore advisory locks are not restrained. A mode that
// conflicts with a stream already open fails as "in use". With fmCreate the file is emptied only
// once the share check has passed.
//
// Failures raise EFOpenError "Cannot open file "<name>". <reason>" or EFCreateError "Cannot create
// file "<name>". <reason>", with the system's reason (or the sharing message).
#pragma once

#include "platform/vcl/Stream.h"

#include <cstdint>

namespace vcl {

inline constexpr std::uint16_t fmCreate = 0xFF00;
inline constexpr std::uint16_t fmOpenRead = 0x0000;
inline constexpr std::uint16_t fmOpenWrite = 0x0001;
inline constexpr std::uint16_t fmOpenReadWrite = 0x0002;
inline constexpr std::uint16_t fmShareCompat = 0x0000;
inline constexpr std::uint16_t fmShareExclusive = 0x0010;
inline constexpr std::uint16_t fmShareDenyWrite = 0x0020;
inline constexpr std::uint16_t fmShareDenyRead = 0x0030;
inline constexpr std::uint16_t fmShareDenyNone = 0x0040;

class THandleStream : public TStream {
    VCL_CLASS(THandleStream, TStream)
public:
    // Wraps a file descriptor; the caller keeps it open while the stream is used, and closes it.
    explicit THandleStream(int handle);

    // Read and Write retry interrupted calls; Write writes all it can and returns the count.
    std::int32_t Read(void* buffer, std::int32_t count) override;
    std::int32_t Write(const void* buffer, std::int32_t count) override;
    // Returns -1 when the system refuses the position (e.g. before the start).
    std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
    std::int64_t GetSize() override;
    // Truncates or extends the file; the position moves to the new end if it was past it. Raises
    // EWriteError when the system refuses.
    void SetSize(std::int64_t newSize) override;
    int GetHandle() const { return FHandle; }

protected:
    ~THandleStream() override;
    int FHandle;
};

class TFileStream : public THandleStream {
    VCL_CLASS(TFileStream, THandleStream)
public:
    // rights: permission bits for a created file (the process's umask applies).
    TFileStream(const AnsiString& fileName, std::uint16_t mode, unsigned rights = 0666);
    const AnsiString& GetFileName() const { return FFileName; }

protected:
    ~TFileStream() override;

private:
    AnsiString FFileName;
};

} // namespace vcl
