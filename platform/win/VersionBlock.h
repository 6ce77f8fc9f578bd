// The version-information block (VS_VERSIONINFO) in its Windows binary form: a tree of nodes, each
//   WORD wLength        bytes of the node, children included (not the padding after it)
//   WORD wValueLength   value size: characters (NUL included) for text, bytes for binary values
//   WORD wType          1 text, 0 binary
//   UTF-16 szKey        NUL-terminated
//   padding to a 32-bit boundary (counted from the block's start)
//   the value, padding to a 32-bit boundary, then the children, each starting on a 32-bit boundary.
// The root is "VS_VERSION_INFO" with a VS_FIXEDFILEINFO value; its children are "StringFileInfo"
// (string tables keyed "<language 4 hex><code page 4 hex>", holding text nodes such as
// "ProductVersion") and "VarFileInfo" (a binary "Translation" array of language/code-page pairs).
// All numbers are little-endian, whatever the host.
//
// ParseVersionBlock accepts only a block whose every node lies inside its parent and whose keys
// end inside their node, so that a query over a parsed block never reads outside it.
#pragma once

#include "platform/win/WinTypes.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace win {

// VS_FIXEDFILEINFO, the value of the root node.
struct VS_FIXEDFILEINFO {
    DWORD dwSignature;        // kFixedFileInfoSignature
    DWORD dwStrucVersion;     // 0x00010000
    DWORD dwFileVersionMS;    // major << 16 | minor
    DWORD dwFileVersionLS;    // release << 16 | build
    DWORD dwProductVersionMS; // major << 16 | minor
    DWORD dwProductVersionLS; // release << 16 | build
    DWORD dwFileFlagsMask;
    DWORD dwFileFlags;
    DWORD dwFileOS;
    DWORD dwFileType; // VFT_APP, VFT_DLL, ...
    DWORD dwFileSubtype;
    DWORD dwFileDateMS;
    DWORD dwFileDateLS;
};
static_assert(sizeof(VS_FIXEDFILEINFO) == 52, "VS_FIXEDFILEINFO is 52 bytes in the block");

inline constexpr DWORD kFixedFileInfoSignature = 0xFEEF04BD;
inline constexpr DWORD VS_FFI_STRUCVERSION = 0x00010000;
inline constexpr DWORD VS_FFI_FILEFLAGSMASK = 0x0000003F;
inline constexpr DWORD VOS_UNKNOWN = 0;
inline constexpr DWORD VFT_UNKNOWN = 0;
inline constexpr DWORD VFT_APP = 1;
inline constexpr DWORD VFT_DLL = 2;
inline constexpr DWORD VFT_STATIC_LIB = 7;

// The largest block: wLength is 16 bits.
inline constexpr size_t kMaxVersionBlockSize = 0xFFFF;

// One parsed node. Offsets are from the start of the block. Invariant (after ParseVersionBlock):
// Offset + Length <= the parent's end, ValueOffset + ValueBytes <= Offset + Length.
struct VersionNode {
    std::u16string Key;
    size_t Offset = 0;
    size_t Length = 0; // wLength
    size_t ValueOffset = 0;
    size_t ValueBytes = 0;  // bytes of the value inside the node (text: up to and with its NUL)
    size_t ValueLength = 0; // wValueLength as stored
    bool Text = false;      // wType == 1
    std::vector<VersionNode> Children;
};

// Parses and checks a block of size bytes (the root's wLength must not exceed size; bytes after it
// are ignored). False for anything malformed: a root that is not "VS_VERSION_INFO", a node
// shorter than its header, a node or value running past its parent, an unterminated key, nesting
// deeper than any version block has. A child whose wLength is 0 ends its parent's children (zero
// padding that some tools leave).
bool ParseVersionBlock(const std::uint8_t* data, size_t size, VersionNode& root);

// The node at a path such as "\StringFileInfo\040904E4\ProductVersion" ('\' or '/' separate the
// keys; keys compare without regard to ASCII case; "\" or "" is the root). Null when absent.
const VersionNode* FindVersionNode(const VersionNode& root, const std::string& path);

// The text value of a text node as UTF-16 (up to its first NUL).
std::u16string VersionNodeText(const std::uint8_t* block, const VersionNode& node);

// What a block says; the input of BuildVersionBlock.
struct VersionBlockContents {
    VS_FIXEDFILEINFO Fixed{};
    bool HasTranslation = true;
    std::vector<std::pair<WORD, WORD>> Translations; // (language, code page)
    struct StringTable {
        std::u16string Key; // "040904E4"
        std::vector<std::pair<std::u16string, std::u16string>> Strings;
    };
    std::vector<StringTable> StringTables; // none: no StringFileInfo node
};

// A VS_FIXEDFILEINFO with the signature, structure version and flags mask filled in.
VS_FIXEDFILEINFO MakeFixedFileInfo(WORD productMajor, WORD productMinor, WORD productRelease,
                                   WORD productBuild, WORD fileMajor, WORD fileMinor, WORD fileRelease,
                                   WORD fileBuild, DWORD fileType);

// The binary block for the contents; throws std::length_error when it would exceed
// kMaxVersionBlockSize.
std::vector<std::uint8_t> BuildVersionBlock(const VersionBlockContents& contents);

// "040904E4" for language 0x0409 and code page 1252 (upper-case hexadecimal).
std::string TranslationKey(WORD language, WORD codePage);

} // namespace win
