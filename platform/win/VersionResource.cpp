// Locating the version-information block in ELF and PE images. The tables a reader needs (ELF
// section headers and names, PE sections and resource directories) are read whole once their
// sizes have been checked against the file, and every offset taken from them is checked again.
#include "platform/win/VersionResource.h"

#include "platform/win/VersionBlock.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace win {

bool MemoryByteSource::Read(std::uint64_t offset, void* out, size_t count) const {
    if (offset > FSize || count > FSize - offset) return false;
    if (count != 0) std::memcpy(out, FData + offset, count);
    return true;
}

FileByteSource::FileByteSource(const std::string& path) {
    FFd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (FFd < 0) {
        FError = errno;
        return;
    }
    struct stat st;
    if (::fstat(FFd, &st) != 0 || !S_ISREG(st.st_mode)) {
        FError = S_ISDIR(st.st_mode) ? EISDIR : errno;
        ::close(FFd);
        FFd = -1;
        return;
    }
    FSize = static_cast<std::uint64_t>(st.st_size);
}

FileByteSource::~FileByteSource() {
    if (FFd >= 0) ::close(FFd);
}

bool FileByteSource::Read(std::uint64_t offset, void* out, size_t count) const {
    if (FFd < 0 || offset > FSize || count > FSize - offset) return false;
    auto* p = static_cast<char*>(out);
    while (count > 0) {
        ssize_t n = ::pread(FFd, p, count, static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        p += n;
        offset += static_cast<std::uint64_t>(n);
        count -= static_cast<size_t>(n);
    }
    return true;
}

namespace {

// Tables larger than this are not believed (no real image has section tables or resource
// directories near this size).
constexpr std::uint64_t kMaxTable = 64u << 20;
// A version block is at most 0xFFFF bytes; a section or resource may carry padding after it.
constexpr size_t kMaxBlockRead = 0x10000;

struct Bytes {
    bool Big = false; // byte order of the image (ELF only; PE is little-endian)
    std::uint16_t U16(const std::uint8_t* p) const {
        return Big ? static_cast<std::uint16_t>(p[0] << 8 | p[1])
                   : static_cast<std::uint16_t>(p[1] << 8 | p[0]);
    }
    std::uint32_t U32(const std::uint8_t* p) const {
        std::uint32_t a = U16(p), b = U16(p + 2);
        return Big ? (a << 16 | b) : (b << 16 | a);
    }
    std::uint64_t U64(const std::uint8_t* p) const {
        std::uint64_t a = U32(p), b = U32(p + 4);
        return Big ? (a << 32 | b) : (b << 32 | a);
    }
};

bool ReadTable(const ByteSource& src, std::uint64_t offset, std::uint64_t size,
               std::vector<std::uint8_t>& out) {
    if (size > kMaxTable || offset > src.Size() || size > src.Size() - offset) return false;
    out.resize(static_cast<size_t>(size));
    return src.Read(offset, out.data(), out.size());
}

// Reads the block that starts at offset and may occupy up to available bytes.
VersionResourceStatus ReadBlockAt(const ByteSource& src, std::uint64_t offset, std::uint64_t available,
                                  std::vector<std::uint8_t>& block) {
    if (available < 6) return VersionResourceStatus::Malformed;
    size_t count = static_cast<size_t>(available < kMaxBlockRead ? available : kMaxBlockRead);
    std::vector<std::uint8_t> bytes(count);
    if (!src.Read(offset, bytes.data(), count)) return VersionResourceStatus::Malformed;
    size_t length = static_cast<size_t>(bytes[0] | bytes[1] << 8);
    VersionNode root;
    if (length > count || !ParseVersionBlock(bytes.data(), length, root))
        return VersionResourceStatus::Malformed;
    bytes.resize(length);
    block = std::move(bytes);
    return VersionResourceStatus::Found;
}

struct ElfSection {
    std::uint32_t Name = 0;
    std::uint32_t Type = 0;
    std::uint64_t Offset = 0;
    std::uint64_t Size = 0;
    std::uint32_t Link = 0;
};

constexpr std::uint32_t SHT_NOBITS_ = 8;
constexpr std::uint32_t SHN_XINDEX_ = 0xFFFF;

VersionResourceStatus ReadElf(const ByteSource& src, std::vector<std::uint8_t>& block) {
    using S = VersionResourceStatus;
    std::uint8_t eh[64];
    if (!src.Read(0, eh, 52)) return S::Malformed;
    if ((eh[4] != 1 && eh[4] != 2) || (eh[5] != 1 && eh[5] != 2)) return S::Malformed;
    const bool is64 = eh[4] == 2;
    Bytes b;
    b.Big = eh[5] == 2;
    if (is64 && !src.Read(0, eh, 64)) return S::Malformed;

    std::uint64_t shoff = is64 ? b.U64(eh + 0x28) : b.U32(eh + 0x20);
    std::uint64_t entsize = b.U16(eh + (is64 ? 0x3A : 0x2E));
    std::uint64_t shnum = b.U16(eh + (is64 ? 0x3C : 0x30));
    std::uint64_t shstrndx = b.U16(eh + (is64 ? 0x3E : 0x32));
    if (shoff == 0) return S::NotFound; // no section headers at all
    const std::uint64_t minEntry = is64 ? 64 : 40;
    if (entsize < minEntry || shoff > src.Size()) return S::Malformed;
    const std::uint64_t maxCount = (src.Size() - shoff) / entsize;

    auto section = [&](std::uint64_t index, ElfSection& s) {
        if (index >= maxCount) return false;
        std::uint8_t h[64];
        if (!src.Read(shoff + index * entsize, h, static_cast<size_t>(minEntry))) return false;
        s.Name = b.U32(h);
        s.Type = b.U32(h + 4);
        s.Offset = is64 ? b.U64(h + 24) : b.U32(h + 16);
        s.Size = is64 ? b.U64(h + 32) : b.U32(h + 20);
        s.Link = b.U32(h + (is64 ? 40 : 24));
        return true;
    };

    // Many sections: the real count and name-table index live in section 0.
    if (shnum == 0 || shstrndx == SHN_XINDEX_) {
        ElfSection zero;
        if (!section(0, zero)) return S::Malformed;
        if (shnum == 0) shnum = zero.Size;
        if (shstrndx == SHN_XINDEX_) shstrndx = zero.Link;
    }
    if (shnum == 0) return S::NotFound;
    if (shnum > maxCount || shstrndx >= shnum) return S::Malformed;

    ElfSection names;
    if (!section(shstrndx, names) || names.Type == SHT_NOBITS_) return S::Malformed;
    std::vector<std::uint8_t> strtab;
    if (!ReadTable(src, names.Offset, names.Size, strtab)) return S::Malformed;

    const std::string wanted = kVersionSectionName;
    for (std::uint64_t i = 0; i < shnum; ++i) {
        ElfSection s;
        if (!section(i, s)) return S::Malformed;
        if (s.Name >= strtab.size() || strtab.size() - s.Name < wanted.size() + 1) continue;
        if (std::memcmp(strtab.data() + s.Name, wanted.c_str(), wanted.size() + 1) != 0) continue;
        if (s.Type == SHT_NOBITS_ || s.Offset > src.Size() || s.Size > src.Size() - s.Offset)
            return S::Malformed;
        return ReadBlockAt(src, s.Offset, s.Size, block);
    }
    return S::NotFound;
}

struct PeSection {
    std::uint32_t VirtualAddress = 0;
    std::uint32_t RawSize = 0;
    std::uint32_t RawPointer = 0;
};

// Maps an address range of the loaded image to the file; false when no section holds it whole.
bool RvaToFile(const std::vector<PeSection>& sections, std::uint32_t rva, std::uint64_t length,
               std::uint64_t& offset, std::uint64_t& available) {
    for (const PeSection& s : sections) {
        if (rva < s.VirtualAddress) continue;
        std::uint64_t into = rva - s.VirtualAddress;
        if (into >= s.RawSize || length > s.RawSize - into) continue;
        offset = std::uint64_t(s.RawPointer) + into;
        available = s.RawSize - into;
        return true;
    }
    return false;
}

constexpr std::uint32_t RT_VERSION_ = 16;
constexpr std::uint32_t kSubdirectory = 0x80000000u;

// What the PE headers tell about the resources: where their directory is loaded, and the
// sections that map loaded addresses to the file.
struct PeResources {
    std::uint32_t DirectoryRva = 0;
    std::vector<PeSection> Sections;
};

// Reads the headers of a PE image: Found when they name a resource directory (described in
// `out`), NotFound when the image has none, NotAnImage or Malformed otherwise.
VersionResourceStatus ReadPeHeaders(const ByteSource& src, PeResources& out) {
    using S = VersionResourceStatus;
    Bytes b; // little-endian
    std::uint8_t dos[64];
    if (!src.Read(0, dos, sizeof dos)) return S::NotAnImage;
    std::uint64_t pe = b.U32(dos + 0x3C);
    std::uint8_t coff[24];
    if (!src.Read(pe, coff, sizeof coff) || std::memcmp(coff, "PE\0\0", 4) != 0) return S::NotAnImage;
    std::uint32_t sectionCount = b.U16(coff + 6);
    std::uint32_t optionalSize = b.U16(coff + 20);
    std::uint64_t opt = pe + 24;

    std::vector<std::uint8_t> optional;
    if (!ReadTable(src, opt, optionalSize, optional) || optional.size() < 2) return S::Malformed;
    std::uint16_t magic = b.U16(optional.data());
    size_t countAt, dirAt;
    if (magic == 0x10B) {
        countAt = 92, dirAt = 96;
    } else if (magic == 0x20B) {
        countAt = 108, dirAt = 112;
    } else {
        return S::Malformed;
    }
    const size_t resourceEntry = dirAt + 2 * 8;
    if (optional.size() < resourceEntry + 8 || b.U32(optional.data() + countAt) < 3) return S::NotFound;
    out.DirectoryRva = b.U32(optional.data() + resourceEntry);
    if (out.DirectoryRva == 0) return S::NotFound;

    std::vector<std::uint8_t> table;
    if (!ReadTable(src, opt + optionalSize, std::uint64_t(sectionCount) * 40, table)) return S::Malformed;
    out.Sections.resize(sectionCount);
    for (std::uint32_t i = 0; i < sectionCount; ++i) {
        const std::uint8_t* h = table.data() + i * 40;
        out.Sections[i].VirtualAddress = b.U32(h + 12);
        out.Sections[i].RawSize = b.U32(h + 16);
        out.Sections[i].RawPointer = b.U32(h + 20);
    }
    return S::Found;
}

// The resource directory in the file: offsets inside it are relative to its start and must stay
// inside the file data of the section that holds it.
struct ResourceDirectory {
    struct Entry {
        std::uint32_t Name, Offset;
    };

    const ByteSource& Src;
    std::uint64_t Root = 0; // file offset of the directory's start
    std::uint64_t Span = 0; // bytes of the section from there

    // The entries of the directory table at `rel`; false when it does not fit.
    bool Read(std::uint64_t rel, std::vector<Entry>& entries) const {
        Bytes b;
        std::uint8_t h[16];
        if (rel > Span || Span - rel < 16 || !Src.Read(Root + rel, h, 16)) return false;
        std::uint64_t count = std::uint64_t(b.U16(h + 12)) + b.U16(h + 14);
        if (Span - rel - 16 < count * 8) return false;
        std::vector<std::uint8_t> raw;
        if (!ReadTable(Src, Root + rel + 16, count * 8, raw)) return false;
        entries.resize(static_cast<size_t>(count));
        for (size_t i = 0; i < entries.size(); ++i)
            entries[i] = {b.U32(&raw[i * 8]), b.U32(&raw[i * 8 + 4])};
        return true;
    }

    // The first entry that `wanted` accepts, or null.
    template <class Predicate>
    static const Entry* First(const std::vector<Entry>& entries, Predicate wanted) {
        for (const Entry& e : entries)
            if (wanted(e)) return &e;
        return nullptr;
    }
};

VersionResourceStatus ReadPe(const ByteSource& src, std::vector<std::uint8_t>& block) {
    using S = VersionResourceStatus;
    using Entry = ResourceDirectory::Entry;
    PeResources pe;
    if (S status = ReadPeHeaders(src, pe); status != S::Found) return status;
    ResourceDirectory dir{src};
    if (!RvaToFile(pe.Sections, pe.DirectoryRva, 16, dir.Root, dir.Span)) return S::Malformed;

    // Three levels: the type (RT_VERSION, by number), its first named or numbered resource, and
    // that one's first language, whose entry points at the data.
    std::vector<Entry> types, names, languages;
    if (!dir.Read(0, types)) return S::Malformed;
    const Entry* type = ResourceDirectory::First(
        types, [](const Entry& e) { return (e.Name & kSubdirectory) == 0 && e.Name == RT_VERSION_; });
    if (type == nullptr) return S::NotFound;
    if ((type->Offset & kSubdirectory) == 0 || !dir.Read(type->Offset & ~kSubdirectory, names))
        return S::Malformed;
    const Entry* name =
        ResourceDirectory::First(names, [](const Entry& e) { return (e.Offset & kSubdirectory) != 0; });
    if (name == nullptr || !dir.Read(name->Offset & ~kSubdirectory, languages)) return S::Malformed;
    const Entry* language =
        ResourceDirectory::First(languages, [](const Entry& e) { return (e.Offset & kSubdirectory) == 0; });
    if (language == nullptr || language->Offset > dir.Span || dir.Span - language->Offset < 16)
        return S::Malformed;

    Bytes b;
    std::uint8_t data[16];
    if (!src.Read(dir.Root + language->Offset, data, sizeof data)) return S::Malformed;
    std::uint32_t dataRva = b.U32(data), dataSize = b.U32(data + 4);
    std::uint64_t offset = 0, available = 0;
    if (dataSize < 6 || !RvaToFile(pe.Sections, dataRva, dataSize, offset, available)) return S::Malformed;
    return ReadBlockAt(src, offset, dataSize, block);
}

} // namespace

VersionResourceStatus ReadVersionResource(const ByteSource& source, std::vector<std::uint8_t>& block) {
    std::uint8_t magic[4];
    if (!source.Read(0, magic, sizeof magic)) return VersionResourceStatus::NotAnImage;
    if (std::memcmp(magic,
                    "\x7f"
                    "ELF",
                    4) == 0)
        return ReadElf(source, block);
    if (magic[0] == 'M' && magic[1] == 'Z') return ReadPe(source, block);
    return VersionResourceStatus::NotAnImage;
}

} // namespace win
