// Version information: libraries built with tnx_embed_version_info read back through
// GetFileVersionInfo*A/VerQueryValueA, and damaged blocks, ELF and PE files refused.
#include "platform/win/VersionInfo.h"
#include "ImageBuilder.h"
#include "WinTestSupport.h"
#include "platform/win/LastError.h"
#include "platform/win/Library.h"
#include "platform/win/VersionResource.h"

#include <cstring>
#include <fstream>
#include <gtest/gtest.h>
#include <string>

using namespace win;

namespace {

std::vector<std::uint8_t> ReadFileBlock(const std::string& file) {
    DWORD handle = 1;
    DWORD size = GetFileVersionInfoSizeA(file.c_str(), &handle);
    EXPECT_EQ(handle, 0u);
    if (size == 0) return {};
    std::vector<std::uint8_t> block(size);
    if (!GetFileVersionInfoA(file.c_str(), handle, size, block.data())) return {};
    return block;
}

std::string QueryText(const std::vector<std::uint8_t>& block, const std::string& path) {
    LPVOID value = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(block.data(), path.c_str(), &value, &length)) return "<none>";
    const char* text = static_cast<const char*>(value);
    EXPECT_EQ(length, std::strlen(text) == 0 ? 0 : std::strlen(text) + 1);
    return text;
}

// The product's way of reading a file's product version: the fixed part, and when its major
// number is 0 the ProductVersion text of the first translation's string table.
bool ProductVersion(const std::string& file, WORD v[4]) {
    std::vector<std::uint8_t> block = ReadFileBlock(file);
    if (block.empty()) return false;
    LPVOID value = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(block.data(), "\\", &value, &length) || length != sizeof(VS_FIXEDFILEINFO))
        return false;
    const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
    v[0] = static_cast<WORD>(fixed->dwProductVersionMS >> 16);
    v[1] = fixed->dwProductVersionMS & 0xFFFF;
    v[2] = fixed->dwProductVersionLS >> 16;
    v[3] = fixed->dwProductVersionLS & 0xFFFF;
    if (v[0] != 0) return true;
    if (!VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", &value, &length) || length < 4)
        return false;
    const auto* words = static_cast<const WORD*>(value);
    std::string text =
        QueryText(block, "\\StringFileInfo\\" + TranslationKey(words[0], words[1]) + "\\ProductVersion");
    if (text == "<none>") return false;
    size_t start = 0;
    for (int i = 0; i < 4 && start <= text.size(); ++i) {
        size_t dot = text.find('.', start);
        if (dot == std::string::npos) dot = text.size();
        v[i] = static_cast<WORD>(std::stoi(text.substr(start, dot - start)));
        start = dot + 1;
    }
    return true;
}

} // namespace

TEST(VersionInfo, FixedMajorZeroTakesTheProductVersionFromTheStringTable) {
    WORD v[4] = {9, 9, 9, 9};
    EXPECT_TRUE(ProductVersion(wintest::VersionLib("tnxwin_ver_zero"), v));
    EXPECT_EQ(v[0], 6);
    EXPECT_EQ(v[1], 0);
    EXPECT_EQ(v[2], 3);
    EXPECT_EQ(v[3], 2345);

    std::vector<std::uint8_t> block = ReadFileBlock(wintest::VersionLib("tnxwin_ver_zero"));
    LPVOID value = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\", &value, &length));
    const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
    EXPECT_EQ(fixed->dwSignature, kFixedFileInfoSignature);
    EXPECT_EQ(fixed->dwProductVersionMS, 0u);
    EXPECT_EQ(fixed->dwProductVersionLS, 0u);
    EXPECT_EQ(fixed->dwFileType, VFT_DLL);
    // The defaults: US English, Windows-1252; FileVersion follows PRODUCT_VERSION.
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", &value, &length));
    ASSERT_EQ(length, 4u);
    EXPECT_EQ(static_cast<const WORD*>(value)[0], 0x0409);
    EXPECT_EQ(static_cast<const WORD*>(value)[1], 1252);
    EXPECT_EQ(QueryText(block, "\\StringFileInfo\\040904E4\\FileVersion"), "6.0.3.2345");
}

TEST(VersionInfo, FullVersionStringsAndNarrowText) {
    WORD v[4] = {};
    ASSERT_TRUE(ProductVersion(wintest::VersionLib("tnxwin_ver_full"), v));
    EXPECT_EQ(v[0], 7);
    EXPECT_EQ(v[1], 1);
    EXPECT_EQ(v[2], 2);
    EXPECT_EQ(v[3], 3456);

    std::vector<std::uint8_t> block = ReadFileBlock(wintest::VersionLib("tnxwin_ver_full"));
    ASSERT_FALSE(block.empty());
    LPVOID value = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\", &value, &length));
    const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
    EXPECT_EQ(fixed->dwFileVersionMS, (7u << 16) | 1u);
    EXPECT_EQ(fixed->dwFileVersionLS, (2u << 16) | 3457u);

    // UTF-8 in the build description comes back as Windows-1252 text.
    EXPECT_EQ(QueryText(block, "\\StringFileInfo\\040704E4\\CompanyName"), "Tarnix \xDC"
                                                                           "ber \xA9 Ltd");
    EXPECT_EQ(QueryText(block, "\\StringFileInfo\\040704E4\\FileVersion"), "7.1.2.3457 (release)");
    // Keys without regard to case, and '/' as a separator.
    EXPECT_EQ(QueryText(block, "/stringfileinfo/040704e4/productname"), "Tarnix");
    EXPECT_EQ(QueryText(block, "\\StringFileInfo\\040904E4\\ProductName"), "<none>");
    EXPECT_EQ(QueryText(block, "\\StringFileInfo\\040704E4\\Comments"), "<none>");
}

TEST(VersionInfo, LibraryWithoutVersionInformation) {
    WORD v[4] = {1, 2, 3, 4};
    EXPECT_FALSE(ProductVersion(wintest::VersionLib("tnxwin_ver_none"), v));
    EXPECT_EQ(v[0], 1); // untouched
    EXPECT_EQ(v[3], 4);
    EXPECT_EQ(GetFileVersionInfoSizeA(wintest::VersionLib("tnxwin_ver_none").c_str(), nullptr), 0u);
    EXPECT_EQ(GetLastError(), ERROR_RESOURCE_TYPE_NOT_FOUND);

    // Fixed major 0 and no string table: the product version cannot be completed.
    EXPECT_FALSE(ProductVersion(wintest::VersionLib("tnxwin_ver_notable"), v));
    EXPECT_EQ(v[0], 0);
    EXPECT_EQ(v[1], 9);
    EXPECT_EQ(v[3], 1);
}

TEST(VersionInfo, FileIsFoundLikeALibrary) {
    wintest::CwdGuard guard;
    std::filesystem::current_path(wintest::VersionLibDir());
    EXPECT_GT(GetFileVersionInfoSizeA("tnxwin_ver_zero.dll", nullptr), 0u);
    std::string windows = wintest::VersionLibDir() + "\\tnxwin_ver_full.dll";
    EXPECT_GT(GetFileVersionInfoSizeA(windows.c_str(), nullptr), 0u);

    tnxtest::TempDir elsewhere;
    std::filesystem::current_path(elsewhere.Path());
    EXPECT_EQ(GetFileVersionInfoSizeA("tnxwin_ver_zero.dll", nullptr), 0u);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);

    wintest::Touch(elsewhere.File("notes.txt"));
    EXPECT_EQ(GetFileVersionInfoSizeA("notes.txt", nullptr), 0u);
    EXPECT_EQ(GetLastError(), ERROR_BAD_FORMAT);
}

TEST(VersionInfo, ALoadedLibraryIsFoundByItsBareName) {
    // As the product does: load the library by path, then ask for its version by the bare name
    // from a folder where no search would find the file.
    wintest::CwdGuard guard;
    tnxtest::TempDir elsewhere;
    std::filesystem::current_path(elsewhere.Path());
    EXPECT_EQ(GetFileVersionInfoSizeA("tnxwin_ver_zero.dll", nullptr), 0u);

    HMODULE module = LoadLibraryA(wintest::VersionLib("tnxwin_ver_zero").c_str());
    ASSERT_NE(module, nullptr) << SystemErrorMessage(GetLastError());
    std::optional<std::string> found = ResolveVersionFile("tnxwin_ver_zero.dll");
    ASSERT_TRUE(found.has_value());
    EXPECT_EQ(*found, wintest::VersionLib("tnxwin_ver_zero"));
    WORD v[4] = {};
    EXPECT_TRUE(ProductVersion("tnxwin_ver_zero.dll", v));
    EXPECT_EQ(v[3], 2345);
    EXPECT_TRUE(FreeLibrary(module));
}

TEST(VersionInfo, TooSmallABufferIsRefused) {
    std::string file = wintest::VersionLib("tnxwin_ver_zero");
    DWORD size = GetFileVersionInfoSizeA(file.c_str(), nullptr);
    ASSERT_GT(size, 0u);
    std::vector<std::uint8_t> block(size, 0xEE);
    EXPECT_FALSE(GetFileVersionInfoA(file.c_str(), 0, size - 1, block.data()));
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(block[0], 0xEE);
    EXPECT_FALSE(GetFileVersionInfoA(file.c_str(), 0, size, nullptr));
}

namespace {

std::vector<std::uint8_t> SampleBlock() {
    VersionBlockContents c;
    c.Fixed = MakeFixedFileInfo(1, 2, 3, 4, 1, 2, 3, 4, VFT_APP);
    c.Translations = {{0x0409, 1252}};
    c.StringTables.push_back({u"040904E4", {{u"ProductVersion", u"1.2.3.4"}, {u"Empty", u""}}});
    return BuildVersionBlock(c);
}

void PutWord(std::vector<std::uint8_t>& b, size_t at, unsigned value) {
    b[at] = static_cast<std::uint8_t>(value);
    b[at + 1] = static_cast<std::uint8_t>(value >> 8);
}

// A node with one child, and that child with one child, depth times over.
std::vector<std::uint8_t> NestedNode(const std::u16string& key, int depth) {
    std::vector<std::uint8_t> n(6, 0);
    for (char16_t c : key)
        n.insert(n.end(), {static_cast<std::uint8_t>(c), static_cast<std::uint8_t>(c >> 8)});
    n.insert(n.end(), {0, 0});
    while (n.size() % 4)
        n.push_back(0);
    if (depth > 0) {
        std::vector<std::uint8_t> child = NestedNode(u"X", depth - 1);
        n.insert(n.end(), child.begin(), child.end());
    }
    PutWord(n, 0, static_cast<unsigned>(n.size()));
    PutWord(n, 4, 1);
    return n;
}

} // namespace

TEST(VersionBlock, WellFormedBlockParsesAndQueries) {
    std::vector<std::uint8_t> raw = SampleBlock();
    VersionNode root;
    ASSERT_TRUE(ParseVersionBlock(raw.data(), raw.size(), root));
    ASSERT_EQ(root.Children.size(), 2u);
    const VersionNode* pv = FindVersionNode(root, "\\StringFileInfo\\040904E4\\ProductVersion");
    ASSERT_NE(pv, nullptr);
    EXPECT_EQ(VersionNodeText(raw.data(), *pv), u"1.2.3.4");

    std::vector<std::uint8_t> filled = MakeVersionInfoBuffer(raw);
    EXPECT_EQ(QueryText(filled, "\\StringFileInfo\\040904E4\\ProductVersion"), "1.2.3.4");
    EXPECT_EQ(QueryText(filled, "\\StringFileInfo\\040904E4\\Empty"), "");
    // Trailing bytes after the root are ignored.
    raw.resize(raw.size() + 7, 0xCC);
    EXPECT_TRUE(ParseVersionBlock(raw.data(), raw.size(), root));
}

TEST(VersionBlock, DamagedBlocksAreRejected) {
    const std::vector<std::uint8_t> good = SampleBlock();
    VersionNode root;
    auto rejects = [&](std::vector<std::uint8_t> b) { return !ParseVersionBlock(b.data(), b.size(), root); };

    std::vector<std::uint8_t> b = good;
    b.resize(b.size() - 1); // root longer than the data
    EXPECT_TRUE(rejects(b));
    b = good;
    PutWord(b, 0, 4); // root shorter than a node header
    EXPECT_TRUE(rejects(b));
    b = good;
    b[6] = 'X'; // not VS_VERSION_INFO
    EXPECT_TRUE(rejects(b));
    b = good;
    PutWord(b, 0, 20); // the key's NUL falls outside the node
    EXPECT_TRUE(rejects(b));
    b = good;
    PutWord(b, 4, 7); // unknown type
    EXPECT_TRUE(rejects(b));
    b = good;
    PutWord(b, 2, 0xFFF0); // binary value larger than the node
    EXPECT_TRUE(rejects(b));

    // A child claiming more than its parent holds.
    b = good;
    VersionNode parsed;
    ASSERT_TRUE(ParseVersionBlock(good.data(), good.size(), parsed));
    size_t child = parsed.Children[0].Offset;
    PutWord(b, child, static_cast<unsigned>(good.size()));
    EXPECT_TRUE(rejects(b));

    EXPECT_FALSE(ParseVersionBlock(nullptr, 0, root));
    EXPECT_FALSE(ParseVersionBlock(good.data(), 5, root));

    // Nodes nested deeper than any version block: refused, without deep recursion.
    EXPECT_TRUE(rejects(NestedNode(u"VS_VERSION_INFO", 200)));
    EXPECT_FALSE(rejects(NestedNode(u"VS_VERSION_INFO", 3)));
}

TEST(VersionBlock, QueriesRefuseWhatTheyCannotAnswer) {
    std::vector<std::uint8_t> filled = MakeVersionInfoBuffer(SampleBlock());
    LPVOID value = nullptr;
    UINT length = 0;
    EXPECT_TRUE(VerQueryValueA(filled.data(), "", &value, &length)); // the root
    EXPECT_EQ(length, sizeof(VS_FIXEDFILEINFO));
    EXPECT_FALSE(VerQueryValueA(filled.data(), "\\Nope", &value, &length));
    EXPECT_FALSE(VerQueryValueA(nullptr, "\\", &value, &length));
    EXPECT_FALSE(VerQueryValueA(filled.data(), nullptr, &value, &length));

    // A fixed part with the wrong signature.
    VersionNode root;
    ASSERT_TRUE(ParseVersionBlock(filled.data(), filled.size(), root));
    std::vector<std::uint8_t> bad = filled;
    bad[root.ValueOffset] ^= 0xFF;
    EXPECT_FALSE(VerQueryValueA(bad.data(), "\\", &value, &length));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_DATA);

    // A raw block without the narrow text area answers binary queries only.
    std::vector<std::uint8_t> raw = SampleBlock();
    raw.resize(raw.size() + 16, 0);
    EXPECT_TRUE(VerQueryValueA(raw.data(), "\\VarFileInfo\\Translation", &value, &length));
    EXPECT_FALSE(VerQueryValueA(raw.data(), "\\StringFileInfo\\040904E4\\ProductVersion", &value, &length));
}

TEST(VersionResource, ElfOfEitherClassAndByteOrder) {
    const std::vector<std::uint8_t> block = SampleBlock();
    for (bool is64 : {true, false}) {
        for (bool big : {false, true}) {
            wintest::ElfImage elf = wintest::BuildElf(block, is64, big);
            MemoryByteSource src(elf.Bytes.data(), elf.Bytes.size());
            std::vector<std::uint8_t> found;
            ASSERT_EQ(ReadVersionResource(src, found), VersionResourceStatus::Found) << is64 << big;
            EXPECT_EQ(found, block);
        }
    }
    // Padding after the block inside the section (as sanitizer builds add) is ignored.
    std::vector<std::uint8_t> padded = block;
    padded.resize(block.size() + 32, 0);
    wintest::ElfImage elf = wintest::BuildElf(padded);
    MemoryByteSource src(elf.Bytes.data(), elf.Bytes.size());
    std::vector<std::uint8_t> found;
    EXPECT_EQ(ReadVersionResource(src, found), VersionResourceStatus::Found);
    EXPECT_EQ(found, block);

    wintest::ElfImage other = wintest::BuildElf(block, true, false, ".data");
    MemoryByteSource otherSrc(other.Bytes.data(), other.Bytes.size());
    EXPECT_EQ(ReadVersionResource(otherSrc, found), VersionResourceStatus::NotFound);
}

TEST(VersionResource, HostileElfFilesAreRejected) {
    const std::vector<std::uint8_t> block = SampleBlock();
    auto status = [](const wintest::ElfImage& im) {
        MemoryByteSource src(im.Bytes.data(), im.Bytes.size());
        std::vector<std::uint8_t> out;
        return ReadVersionResource(src, out);
    };
    using S = VersionResourceStatus;
    const wintest::ElfImage good = wintest::BuildElf(block);
    const size_t sh = good.SectionHeaders, es = good.EntrySize;

    wintest::ElfImage im = good;
    wintest::PutElf(im, sh + 2 * es + 24, im.Bytes.size() - 10, 8); // section runs past the end
    EXPECT_EQ(status(im), S::Malformed);
    im = good;
    wintest::PutElf(im, sh + 2 * es + 32, UINT64_MAX - 4, 8); // size that wraps around
    EXPECT_EQ(status(im), S::Malformed);
    im = good;
    wintest::PutElf(im, 0x3E, 7, 2); // name table index past the table
    EXPECT_EQ(status(im), S::Malformed);
    im = good;
    wintest::PutElf(im, 0x3C, 0xFFF0, 2); // more headers than the file holds
    EXPECT_EQ(status(im), S::Malformed);
    im = good;
    wintest::PutElf(im, 0x3A, 16, 2); // header entries too small
    EXPECT_EQ(status(im), S::Malformed);
    im = good;
    wintest::PutElf(im, 0x28, UINT64_MAX, 8); // table beyond the file
    EXPECT_EQ(status(im), S::Malformed);
    im = good;
    wintest::PutElf(im, sh + 2 * es, 0xFFFFFF, 4); // name offset outside the name table: not ours
    EXPECT_EQ(status(im), S::NotFound);
    im = good;
    im.Bytes[im.Payload + 6] = 'Q'; // damaged block inside a sound file
    EXPECT_EQ(status(im), S::Malformed);
    im = good;
    im.Bytes.resize(40); // truncated header
    EXPECT_EQ(status(im), S::Malformed);
    im = good;
    im.Bytes[4] = 9; // unknown class
    EXPECT_EQ(status(im), S::Malformed);
    EXPECT_EQ(status(wintest::BuildElf(block, true, false, ".tnx_verinfo", true)), S::Malformed); // no bits

    // Through the file API the damage is reported, not crashed on.
    tnxtest::TempDir dir;
    im = good;
    im.Bytes[im.Payload + 6] = 'Q';
    std::ofstream(dir.File("bad.so"), std::ios::binary)
        .write(reinterpret_cast<const char*>(im.Bytes.data()), static_cast<std::streamsize>(im.Bytes.size()));
    EXPECT_EQ(GetFileVersionInfoSizeA(dir.File("bad.so").c_str(), nullptr), 0u);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_DATA);
}

TEST(VersionResource, PeVersionResource) {
    const std::vector<std::uint8_t> block = SampleBlock();
    wintest::PeImage pe = wintest::BuildPe(block);
    auto status = [](const std::vector<std::uint8_t>& bytes, std::vector<std::uint8_t>& out) {
        MemoryByteSource src(bytes.data(), bytes.size());
        return ReadVersionResource(src, out);
    };
    using S = VersionResourceStatus;
    std::vector<std::uint8_t> found;
    ASSERT_EQ(status(pe.Bytes, found), S::Found);
    EXPECT_EQ(found, block);

    // Read from a file like any library.
    tnxtest::TempDir dir;
    std::ofstream(dir.File("probe.dll"), std::ios::binary)
        .write(reinterpret_cast<const char*>(pe.Bytes.data()), static_cast<std::streamsize>(pe.Bytes.size()));
    std::vector<std::uint8_t> filled = ReadFileBlock(dir.File("probe.dll"));
    EXPECT_EQ(QueryText(filled, "\\StringFileInfo\\040904E4\\ProductVersion"), "1.2.3.4");

    std::vector<std::uint8_t> b = pe.Bytes;
    wintest::PutLe(b, pe.Optional + 112 + 16, 0x9000, 4); // resource directory outside every section
    EXPECT_EQ(status(b, found), S::Malformed);
    b = pe.Bytes;
    wintest::PutLe(b, pe.Resources + 0x14, 0x80000000u | 0x7FFFFFF0u, 4); // subdirectory far outside
    EXPECT_EQ(status(b, found), S::Malformed);
    b = pe.Bytes;
    wintest::PutLe(b, pe.Resources + 0x0E, 0xFFFF, 2); // more entries than the section holds
    EXPECT_EQ(status(b, found), S::Malformed);
    b = pe.Bytes;
    wintest::PutLe(b, pe.DataEntry + 4, 0x7FFFFFFF, 4); // data larger than its section
    EXPECT_EQ(status(b, found), S::Malformed);
    b = pe.Bytes;
    wintest::PutLe(b, pe.Sections + 20, 0xFFFFFF00u, 4); // section data beyond the file
    EXPECT_EQ(status(b, found), S::Malformed);
    b = pe.Bytes;
    wintest::PutLe(b, pe.Resources + 0x10, 3, 4); // only an RT_ICON
    EXPECT_EQ(status(b, found), S::NotFound);
    b = pe.Bytes;
    wintest::PutLe(b, pe.Optional + 108, 2, 4); // no resource directory entry
    EXPECT_EQ(status(b, found), S::NotFound);
    b = pe.Bytes;
    wintest::PutLe(b, 0x3C, 0xFFFFFFF0u, 4); // PE header beyond the file
    EXPECT_EQ(status(b, found), S::NotAnImage);
}
