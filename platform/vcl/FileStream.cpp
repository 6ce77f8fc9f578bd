// File streams over POSIX descriptors, with the share modes kept through OFD locks.
#include "platform/vcl/FileStream.h"

#include "platform/vcl/Exceptions.h"
#include "platform/vcl/TypInfo.h"
#include "platform/vcl/VclConsts.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vcl {

VCL_CLASS_INFO(THandleStream)
VCL_CLASS_INFO(TFileStream)

// --- THandleStream ----------------------------------------------------------------------------

THandleStream::THandleStream(int handle) : FHandle(handle) {}

THandleStream::~THandleStream() = default;

std::int32_t THandleStream::Read(void* buffer, std::int32_t count) {
    if (count <= 0) return 0;
    for (;;) {
        const ssize_t n = ::read(FHandle, buffer, static_cast<std::size_t>(count));
        if (n >= 0) return static_cast<std::int32_t>(n);
        if (errno != EINTR) return 0;
    }
}

std::int32_t THandleStream::Write(const void* buffer, std::int32_t count) {
    if (count <= 0) return 0;
    const auto* p = static_cast<const char*>(buffer);
    std::int32_t done = 0;
    while (done < count) {
        const ssize_t n = ::write(FHandle, p + done, static_cast<std::size_t>(count - done));
        if (n < 0) {
            if (errno == EINTR) continue;
            break;
        }
        if (n == 0) break;
        done += static_cast<std::int32_t>(n);
    }
    return done;
}

std::int64_t THandleStream::Seek(std::int64_t offset, TSeekOrigin origin) {
    int whence;
    switch (origin) {
    case TSeekOrigin::soBeginning:
        whence = SEEK_SET;
        break;
    case TSeekOrigin::soCurrent:
        whence = SEEK_CUR;
        break;
    case TSeekOrigin::soEnd:
        whence = SEEK_END;
        break;
    default:
        whence = SEEK_CUR;
        offset = 0;
        break;
    }
    const off_t pos = ::lseek(FHandle, static_cast<off_t>(offset), whence);
    return pos < 0 ? -1 : static_cast<std::int64_t>(pos);
}

std::int64_t THandleStream::GetSize() {
    struct stat st;
    if (::fstat(FHandle, &st) == 0 && S_ISREG(st.st_mode)) return static_cast<std::int64_t>(st.st_size);
    return TStream::GetSize();
}

void THandleStream::SetSize(std::int64_t newSize) {
    if (newSize < 0 || ::ftruncate(FHandle, static_cast<off_t>(newSize)) != 0) throw EWriteError(SWriteError);
    if (GetPosition() > newSize) SetPosition(newSize);
}

// --- TFileStream ------------------------------------------------------------------------------

namespace {

// Lock layout: four ranges, each 2^40 bytes wide, starting at 2^62 (far past any real data).
// Every open stream takes a one-byte lock in its own slot of the ranges that describe it: what
// it does (read, write) and what it denies (read, write). A read lock when the descriptor can
// read, else a write lock (the only kind a write-only descriptor may take); slots are distinct,
// so the kinds never collide. Opening first takes its own locks, then looks for conflicting
// ones in the ranges that matter; of two streams opening at the same moment, one or both back
// off, never both succeed against each other's mode.
constexpr off_t LockBase = off_t{1} << 62;
constexpr off_t RangeWidth = off_t{1} << 40;
enum LockRange { lrRead = 0, lrWrite = 1, lrDenyRead = 2, lrDenyWrite = 3 };

off_t NextSlot() {
    static std::atomic<unsigned> counter{0};
    const auto pid = static_cast<off_t>(::getpid()) & ((off_t{1} << 22) - 1);
    return (pid << 18) | static_cast<off_t>(counter.fetch_add(1) & 0x3FFFF);
}

// Returns false when the system does not support the locks (the share mode is then not kept).
bool PlaceLock(int fd, LockRange range, off_t slot, bool readable, bool& refused) {
    struct flock fl;
    std::memset(&fl, 0, sizeof fl);
    fl.l_type = readable ? F_RDLCK : F_WRLCK;
    fl.l_whence = SEEK_SET;
    fl.l_start = LockBase + range * RangeWidth + slot;
    fl.l_len = 1;
    if (::fcntl(fd, F_OFD_SETLK, &fl) == 0) return true;
    if (errno == EAGAIN || errno == EACCES) {
        refused = true;
        return true;
    }
    return false;
}

bool RangeTaken(int fd, LockRange range) {
    struct flock fl;
    std::memset(&fl, 0, sizeof fl);
    fl.l_type = F_WRLCK;
    fl.l_whence = SEEK_SET;
    fl.l_start = LockBase + range * RangeWidth;
    fl.l_len = RangeWidth;
    if (::fcntl(fd, F_OFD_GETLK, &fl) != 0) return false;
    return fl.l_type != F_UNLCK;
}

// Places the locks of a stream and checks them against the others; false on a conflict.
bool ApplyShareMode(int fd, bool reads, bool writes, std::uint16_t share) {
    bool denyRead = false, denyWrite = false;
    switch (share) {
    case fmShareCompat:
    case fmShareExclusive:
        denyRead = denyWrite = true;
        break;
    case fmShareDenyWrite:
        denyWrite = true;
        break;
    case fmShareDenyRead:
        denyRead = true;
        break;
    default:
        break; // fmShareDenyNone
    }
    const off_t slot = NextSlot();
    bool refused = false;
    const struct {
        bool want;
        LockRange range;
    } locks[] = {{reads, lrRead}, {writes, lrWrite}, {denyRead, lrDenyRead}, {denyWrite, lrDenyWrite}};
    for (const auto& l : locks) {
        if (!l.want) continue;
        if (!PlaceLock(fd, l.range, slot, reads, refused)) return true; // no lock support
        if (refused) return false;
    }
    if (reads && RangeTaken(fd, lrDenyRead)) return false;
    if (writes && RangeTaken(fd, lrDenyWrite)) return false;
    if (denyRead && RangeTaken(fd, lrRead)) return false;
    if (denyWrite && RangeTaken(fd, lrWrite)) return false;
    return true;
}

[[noreturn]] void RaiseFileError(bool create, const AnsiString& fileName, const AnsiString& reason) {
    if (create) throw EFCreateError(SFCreateErrorEx, {fileName, reason});
    throw EFOpenError(SFOpenErrorEx, {fileName, reason});
}

AnsiString ReasonOf(int error) {
    AnsiString text = std::strerror(error);
    if (!text.empty() && text.back() != '.') text += '.';
    return text;
}

int OpenFile(const AnsiString& fileName, std::uint16_t mode, unsigned rights) {
    const bool create = (mode & fmCreate) == fmCreate;
    const std::uint16_t share = mode & 0x00F0;
    if (share > fmShareDenyNone) RaiseFileError(create, fileName, ReasonOf(EINVAL));
    int flags = O_CLOEXEC;
    bool reads = true, writes = true;
    if (create) {
        flags |= O_RDWR | O_CREAT;
    } else {
        switch (mode & 0x000F) {
        case fmOpenRead:
            flags |= O_RDONLY;
            writes = false;
            break;
        case fmOpenWrite:
            flags |= O_WRONLY;
            reads = false;
            break;
        case fmOpenReadWrite:
            flags |= O_RDWR;
            break;
        default:
            RaiseFileError(false, fileName, ReasonOf(EINVAL));
        }
    }
    int fd;
    do {
        fd = ::open(fileName.c_str(), flags, static_cast<mode_t>(rights));
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) RaiseFileError(create, fileName, ReasonOf(errno));
    struct stat st;
    if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(fd);
        RaiseFileError(create, fileName, ReasonOf(EISDIR));
    }
    if (!ApplyShareMode(fd, reads, writes, share)) {
        ::close(fd);
        RaiseFileError(create, fileName, LoadResString(SShareViolation));
    }
    if (create && ::ftruncate(fd, 0) != 0) {
        const int error = errno;
        ::close(fd);
        RaiseFileError(true, fileName, ReasonOf(error));
    }
    return fd;
}

} // namespace

TFileStream::TFileStream(const AnsiString& fileName, std::uint16_t mode, unsigned rights)
    : THandleStream(OpenFile(fileName, mode, rights)), FFileName(fileName) {}

TFileStream::~TFileStream() {
    if (FHandle >= 0) ::close(FHandle);
}

} // namespace vcl
