// Minimal ELF and PE images for the version-reader tests.
#include "ImageBuilder.h"

#include <cstring>

namespace wintest {

void PutLe(std::vector<std::uint8_t>& bytes, size_t offset, std::uint64_t value, int count) {
    if (bytes.size() < offset + count) bytes.resize(offset + count);
    for (int i = 0; i < count; ++i)
        bytes[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

void PutElf(ElfImage& image, size_t offset, std::uint64_t value, int count) {
    if (!image.Big) {
        PutLe(image.Bytes, offset, value, count);
        return;
    }
    if (image.Bytes.size() < offset + count) image.Bytes.resize(offset + count);
    for (int i = 0; i < count; ++i)
        image.Bytes[offset + i] = static_cast<std::uint8_t>(value >> (8 * (count - 1 - i)));
}

ElfImage BuildElf(const std::vector<std::uint8_t>& payload, bool is64, bool big,
                  const std::string& sectionName, bool noBits) {
    ElfImage im;
    im.Is64 = is64;
    im.Big = big;
    const size_t header = is64 ? 64 : 52;
    im.EntrySize = is64 ? 64 : 40;
    im.Bytes.assign(header, 0);
    std::memcpy(im.Bytes.data(),
                "\x7f"
                "ELF",
                4);
    im.Bytes[4] = is64 ? 2 : 1;
    im.Bytes[5] = big ? 2 : 1;
    im.Bytes[6] = 1;

    // Section names, then the payload on a 4-byte boundary, then the section headers.
    std::string names = std::string("\0.shstrtab\0", 11) + sectionName + std::string(1, '\0');
    const size_t namesAt = im.Bytes.size();
    im.Bytes.insert(im.Bytes.end(), names.begin(), names.end());
    while (im.Bytes.size() % 8)
        im.Bytes.push_back(0);
    im.Payload = im.Bytes.size();
    im.Bytes.insert(im.Bytes.end(), payload.begin(), payload.end());
    while (im.Bytes.size() % 8)
        im.Bytes.push_back(0);
    im.SectionHeaders = im.Bytes.size();
    im.Bytes.resize(im.SectionHeaders + 3 * im.EntrySize, 0);

    auto section = [&](int index, std::uint32_t name, std::uint32_t type, std::uint64_t offset,
                       std::uint64_t size) {
        size_t at = im.SectionHeaders + index * im.EntrySize;
        PutElf(im, at, name, 4);
        PutElf(im, at + 4, type, 4);
        PutElf(im, at + (is64 ? 24 : 16), offset, is64 ? 8 : 4);
        PutElf(im, at + (is64 ? 32 : 20), size, is64 ? 8 : 4);
    };
    section(1, 1, 3, namesAt, names.size());
    section(2, 11, noBits ? 8 : 1, im.Payload, payload.size());

    if (is64) {
        PutElf(im, 0x28, im.SectionHeaders, 8);
        PutElf(im, 0x3A, im.EntrySize, 2);
        PutElf(im, 0x3C, 3, 2);
        PutElf(im, 0x3E, 1, 2);
    } else {
        PutElf(im, 0x20, im.SectionHeaders, 4);
        PutElf(im, 0x2E, im.EntrySize, 2);
        PutElf(im, 0x30, 3, 2);
        PutElf(im, 0x32, 1, 2);
    }
    return im;
}

PeImage BuildPe(const std::vector<std::uint8_t>& block) {
    PeImage pe;
    std::vector<std::uint8_t>& b = pe.Bytes;
    b.assign(0x200, 0);
    b[0] = 'M';
    b[1] = 'Z';
    PutLe(b, 0x3C, 0x40, 4);
    std::memcpy(&b[0x40], "PE\0\0", 4);
    PutLe(b, 0x44, 0x8664, 2); // machine
    PutLe(b, 0x46, 1, 2);      // one section
    PutLe(b, 0x54, 240, 2);    // optional header size (PE32+ with 16 directories)
    PutLe(b, 0x56, 0x2022, 2); // characteristics: executable, large-address aware, DLL
    pe.Optional = 0x58;
    PutLe(b, pe.Optional, 0x20B, 2);
    PutLe(b, pe.Optional + 108, 16, 4);
    const std::uint32_t rva = 0x1000;
    PutLe(b, pe.Optional + 112 + 2 * 8, rva, 4); // resource directory
    pe.Sections = pe.Optional + 240;
    std::memcpy(&b[pe.Sections], ".rsrc\0\0\0", 8);

    // The resource section: type directory -> name directory -> language directory -> data.
    pe.Resources = 0x200;
    std::vector<std::uint8_t> r(0x58, 0);
    PutLe(r, 0x0E, 1, 2);                  // one id entry
    PutLe(r, 0x10, 16, 4);                 // RT_VERSION
    PutLe(r, 0x14, 0x80000000u | 0x18, 4); // -> subdirectory
    PutLe(r, 0x18 + 0x0E, 1, 2);
    PutLe(r, 0x18 + 0x10, 1, 4); // name id 1
    PutLe(r, 0x18 + 0x14, 0x80000000u | 0x30, 4);
    PutLe(r, 0x30 + 0x0E, 1, 2);
    PutLe(r, 0x30 + 0x10, 0x409, 4); // language
    PutLe(r, 0x30 + 0x14, 0x48, 4);  // -> data entry
    PutLe(r, 0x48, rva + 0x58, 4);   // data RVA
    PutLe(r, 0x4C, block.size(), 4); // data size
    r.insert(r.end(), block.begin(), block.end());
    while (r.size() % 0x200)
        r.push_back(0);
    pe.DataEntry = pe.Resources + 0x48;

    PutLe(b, pe.Sections + 8, r.size(), 4);  // virtual size
    PutLe(b, pe.Sections + 12, rva, 4);      // virtual address
    PutLe(b, pe.Sections + 16, r.size(), 4); // raw size
    PutLe(b, pe.Sections + 20, pe.Resources, 4);
    b.insert(b.end(), r.begin(), r.end());
    return pe;
}

} // namespace wintest
