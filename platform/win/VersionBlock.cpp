// Parsing and building the VS_VERSIONINFO tree. Every read is checked against the node it belongs
// to before it is made.
#include "platform/win/VersionBlock.h"

#include "platform/win/CodePage.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>

namespace win {

namespace {

// Deepest nesting accepted: a real block has four levels (root, StringFileInfo, table, string).
constexpr int kMaxDepth = 8;
constexpr size_t kHeaderSize = 6;

size_t Align4(size_t n) {
    return (n + 3) & ~size_t(3);
}

WORD ReadWord(const std::uint8_t* p) {
    return static_cast<WORD>(p[0] | (p[1] << 8));
}

// Parses the node at offset, which must end at or before limit.
bool ParseNode(const std::uint8_t* data, size_t offset, size_t limit, int depth, VersionNode& node) {
    if (depth > kMaxDepth || offset > limit || limit - offset < kHeaderSize) return false;
    size_t length = ReadWord(data + offset);
    if (length < kHeaderSize || length > limit - offset) return false;
    size_t end = offset + length;
    node.Offset = offset;
    node.Length = length;
    node.ValueLength = ReadWord(data + offset + 2);
    WORD type = ReadWord(data + offset + 4);
    if (type > 1) return false;
    node.Text = type == 1;

    // The key: UTF-16 up to its NUL, which must lie inside the node.
    size_t at = offset + kHeaderSize;
    node.Key.clear();
    for (;;) {
        if (end - at < 2) return false;
        char16_t unit = ReadWord(data + at);
        at += 2;
        if (unit == 0) break;
        node.Key.push_back(unit);
    }

    // The value. Text lengths count characters; some tools store bytes instead, so a text value
    // is also bounded by the node and ends at its first NUL.
    at = Align4(at);
    node.ValueOffset = at > end ? end : at;
    node.ValueBytes = 0;
    if (node.ValueLength != 0) {
        if (at >= end) return false;
        size_t want = node.Text ? node.ValueLength * 2 : node.ValueLength;
        if (node.Text) {
            size_t avail = std::min(want, end - at);
            size_t bytes = 0;
            while (bytes + 2 <= avail) {
                bytes += 2;
                if (ReadWord(data + at + bytes - 2) == 0) break;
            }
            node.ValueBytes = bytes;
        } else {
            if (want > end - at) return false;
            node.ValueBytes = want;
        }
        at += want;
    }

    // The children, each on a 32-bit boundary.
    node.Children.clear();
    at = Align4(at);
    while (at < end && end - at >= kHeaderSize) {
        if (ReadWord(data + at) == 0) break; // zero padding, not a node
        VersionNode child;
        if (!ParseNode(data, at, end, depth + 1, child)) return false;
        at = Align4(child.Offset + child.Length);
        node.Children.push_back(std::move(child));
    }
    return true;
}

char16_t FoldAscii(char16_t c) {
    return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 32) : c;
}

bool KeyEquals(const std::u16string& a, const std::u16string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
    return true;
}

// Writes nodes into a growing byte vector, patching wLength when a node is closed.
class Writer {
public:
    size_t Open(const std::u16string& key, WORD valueLength, bool text) {
        Pad();
        size_t start = FBytes.size();
        Word(0); // wLength, patched by Close
        Word(valueLength);
        Word(text ? 1 : 0);
        for (char16_t c : key)
            Word(c);
        Word(0);
        Pad();
        return start;
    }
    void Value(const void* data, size_t size) {
        const auto* p = static_cast<const std::uint8_t*>(data);
        FBytes.insert(FBytes.end(), p, p + size);
    }
    void Text(const std::u16string& text) {
        for (char16_t c : text)
            Word(c);
        Word(0);
    }
    void Close(size_t start) {
        size_t length = FBytes.size() - start;
        if (length > kMaxVersionBlockSize) throw std::length_error("version information block too large");
        FBytes[start] = static_cast<std::uint8_t>(length & 0xFF);
        FBytes[start + 1] = static_cast<std::uint8_t>(length >> 8);
    }
    void Pad() {
        while (FBytes.size() % 4 != 0)
            FBytes.push_back(0);
    }
    void Word(unsigned w) {
        FBytes.push_back(static_cast<std::uint8_t>(w & 0xFF));
        FBytes.push_back(static_cast<std::uint8_t>((w >> 8) & 0xFF));
    }
    void Dword(DWORD d) {
        Word(d & 0xFFFF);
        Word(d >> 16);
    }
    std::vector<std::uint8_t> FBytes;
};

} // namespace

bool ParseVersionBlock(const std::uint8_t* data, size_t size, VersionNode& root) {
    if (data == nullptr || size < kHeaderSize) return false;
    size_t length = ReadWord(data);
    if (length > size) return false;
    if (!ParseNode(data, 0, length, 0, root)) return false;
    return root.Key == u"VS_VERSION_INFO";
}

const VersionNode* FindVersionNode(const VersionNode& root, const std::string& path) {
    const VersionNode* node = &root;
    size_t start = 0;
    while (start < path.size()) {
        size_t end = path.find_first_of("\\/", start);
        if (end == std::string::npos) end = path.size();
        if (end > start) {
            std::u16string key = AnsiToUtf16(std::string_view(path).substr(start, end - start));
            const VersionNode* next = nullptr;
            for (const VersionNode& child : node->Children) {
                if (KeyEquals(child.Key, key)) {
                    next = &child;
                    break;
                }
            }
            if (next == nullptr) return nullptr;
            node = next;
        }
        start = end + 1;
    }
    return node;
}

std::u16string VersionNodeText(const std::uint8_t* block, const VersionNode& node) {
    std::u16string text;
    for (size_t i = 0; i + 2 <= node.ValueBytes; i += 2) {
        char16_t unit = ReadWord(block + node.ValueOffset + i);
        if (unit == 0) break;
        text.push_back(unit);
    }
    return text;
}

VS_FIXEDFILEINFO MakeFixedFileInfo(WORD productMajor, WORD productMinor, WORD productRelease,
                                   WORD productBuild, WORD fileMajor, WORD fileMinor, WORD fileRelease,
                                   WORD fileBuild, DWORD fileType) {
    VS_FIXEDFILEINFO f{};
    f.dwSignature = kFixedFileInfoSignature;
    f.dwStrucVersion = VS_FFI_STRUCVERSION;
    f.dwFileVersionMS = (DWORD(fileMajor) << 16) | fileMinor;
    f.dwFileVersionLS = (DWORD(fileRelease) << 16) | fileBuild;
    f.dwProductVersionMS = (DWORD(productMajor) << 16) | productMinor;
    f.dwProductVersionLS = (DWORD(productRelease) << 16) | productBuild;
    f.dwFileFlagsMask = VS_FFI_FILEFLAGSMASK;
    f.dwFileOS = VOS_UNKNOWN;
    f.dwFileType = fileType;
    return f;
}

std::vector<std::uint8_t> BuildVersionBlock(const VersionBlockContents& contents) {
    Writer w;
    size_t root = w.Open(u"VS_VERSION_INFO", sizeof(VS_FIXEDFILEINFO), false);
    const VS_FIXEDFILEINFO& f = contents.Fixed;
    for (DWORD d : {f.dwSignature, f.dwStrucVersion, f.dwFileVersionMS, f.dwFileVersionLS,
                    f.dwProductVersionMS, f.dwProductVersionLS, f.dwFileFlagsMask, f.dwFileFlags, f.dwFileOS,
                    f.dwFileType, f.dwFileSubtype, f.dwFileDateMS, f.dwFileDateLS})
        w.Dword(d);

    if (!contents.StringTables.empty()) {
        size_t info = w.Open(u"StringFileInfo", 0, true);
        for (const auto& table : contents.StringTables) {
            size_t t = w.Open(table.Key, 0, true);
            for (const auto& [name, value] : table.Strings) {
                if (value.size() + 1 > 0xFFFF) throw std::length_error("version string too long");
                size_t s = w.Open(name, static_cast<WORD>(value.size() + 1), true);
                w.Text(value);
                w.Close(s);
            }
            w.Close(t);
        }
        w.Close(info);
    }
    if (contents.HasTranslation) {
        size_t var = w.Open(u"VarFileInfo", 0, true);
        if (contents.Translations.size() * 4 > 0xFFFF) throw std::length_error("too many translations");
        size_t tr = w.Open(u"Translation", static_cast<WORD>(contents.Translations.size() * 4), false);
        for (const auto& [language, codePage] : contents.Translations) {
            w.Word(language);
            w.Word(codePage);
        }
        w.Close(tr);
        w.Close(var);
    }
    w.Close(root);
    return std::move(w.FBytes);
}

std::string TranslationKey(WORD language, WORD codePage) {
    char key[9];
    std::snprintf(key, sizeof key, "%04X%04X", static_cast<unsigned>(language),
                  static_cast<unsigned>(codePage));
    return key;
}

} // namespace win
