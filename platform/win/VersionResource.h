// Finding the version-information block inside an executable or library file:
//   - ELF (32- and 64-bit, either byte order): the contents of the section named
//     kVersionSectionName, found through the section headers (the build puts it there with
//     tnx_embed_version_info, cmake/TnxVersionInfo.cmake);
//   - Windows PE (PE32 and PE32+): the first RT_VERSION resource of the resource directory.
// Every offset, size and count read from the file is checked against the file before use, so a
// truncated or hostile file yields an error, never a read outside it or an unbounded loop.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace win {

inline constexpr const char* kVersionSectionName = ".tnx_verinfo";

// Random-access bytes: a file or a buffer. Read fails (false) for any range not inside Size().
class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual std::uint64_t Size() const = 0;
    virtual bool Read(std::uint64_t offset, void* out, size_t count) const = 0;
};

class MemoryByteSource : public ByteSource {
public:
    MemoryByteSource(const std::uint8_t* data, size_t size) : FData(data), FSize(size) {}
    std::uint64_t Size() const override { return FSize; }
    bool Read(std::uint64_t offset, void* out, size_t count) const override;

private:
    const std::uint8_t* FData;
    size_t FSize;
};

// A file opened for reading; IsOpen() false (and errno kept in Error()) when it could not be.
class FileByteSource : public ByteSource {
public:
    explicit FileByteSource(const std::string& path);
    ~FileByteSource() override;
    FileByteSource(const FileByteSource&) = delete;
    FileByteSource& operator=(const FileByteSource&) = delete;
    bool IsOpen() const { return FFd >= 0; }
    int Error() const { return FError; }
    std::uint64_t Size() const override { return FSize; }
    bool Read(std::uint64_t offset, void* out, size_t count) const override;

private:
    int FFd = -1;
    int FError = 0;
    std::uint64_t FSize = 0;
};

enum class VersionResourceStatus {
    Found,      // block holds the version-information block, parsed and checked
    NotFound,   // a valid image without version information
    NotAnImage, // neither ELF nor PE
    Malformed,  // the image or its version information is damaged
};

// Reads the version-information block of an image. On Found, block holds exactly the root's
// wLength bytes and has passed ParseVersionBlock.
VersionResourceStatus ReadVersionResource(const ByteSource& source, std::vector<std::uint8_t>& block);

} // namespace win
