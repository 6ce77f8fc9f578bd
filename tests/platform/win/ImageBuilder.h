// Builds small ELF and PE images around a version block, so that tests (and the fuzz seeds) can
// hand the readers well-formed files and then damage them field by field.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace wintest {

struct ElfImage {
    std::vector<std::uint8_t> Bytes;
    size_t SectionHeaders = 0; // offset of the section header table
    size_t EntrySize = 0;      // bytes per section header
    size_t Payload = 0;        // offset of the version section's contents
    bool Is64 = true;
    bool Big = false;
};

// An ELF file (no program headers) with sections: null, ".shstrtab", then one named sectionName
// holding payload (type 1, or 8 = no bits when noBits).
ElfImage BuildElf(const std::vector<std::uint8_t>& payload, bool is64 = true, bool big = false,
                  const std::string& sectionName = ".tnx_verinfo", bool noBits = false);

// Writes an integer of the image's byte order at offset.
void PutElf(ElfImage& image, size_t offset, std::uint64_t value, int bytes);

struct PeImage {
    std::vector<std::uint8_t> Bytes;
    size_t Optional = 0;  // offset of the optional header
    size_t Sections = 0;  // offset of the section table
    size_t Resources = 0; // file offset of the resource directory
    size_t DataEntry = 0; // file offset of the version resource's data entry
};

// A PE32+ file with one section ".rsrc" holding a resource directory with one RT_VERSION entry.
PeImage BuildPe(const std::vector<std::uint8_t>& block);

void PutLe(std::vector<std::uint8_t>& bytes, size_t offset, std::uint64_t value, int count);

} // namespace wintest
