// tnx_verinfo_gen: writes a C source that puts a version-information block into the section the
// version reader looks for, for tnx_embed_version_info (cmake/TnxVersionInfo.cmake).
//
// Usage: tnx_verinfo_gen <description file> <output .c file>
// The description holds one "key=value" per line (values in UTF-8, written by the CMake function):
//   target=<name>                    only for the comment of the output
//   product_version=6.0.3.2345       text of the ProductVersion string (required)
//   fixed_product_version=6.0.3.2345 numbers of the fixed product version (default: from the text)
//   file_version=...                 text of the FileVersion string (default: product_version)
//   fixed_file_version=...           numbers of the fixed file version (default: from file_version)
//   language=0x0409  codepage=1252   the translation and string-table key (defaults as shown)
//   file_type=dll|app|static|unknown dwFileType
//   string=Name=Value                more strings of the table, in order (a name given twice, or
//                                    given as ProductVersion/FileVersion, replaces the earlier value)
//   no_string_table / no_translation leave out StringFileInfo / VarFileInfo
// Exit status 0 on success, 1 with a message on standard error otherwise.
#include "platform/win/VersionBlock.h"
#include "platform/win/VersionResource.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

[[noreturn]] void Fail(const std::string& message) {
    std::fprintf(stderr, "tnx_verinfo_gen: %s\n", message.c_str());
    std::exit(1);
}

std::u16string Utf8ToUtf16(const std::string& text) {
    std::u16string out;
    for (size_t i = 0; i < text.size();) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        char32_t cp;
        size_t extra;
        if (c < 0x80) {
            cp = c, extra = 0;
        } else if ((c & 0xE0) == 0xC0) {
            cp = c & 0x1F, extra = 1;
        } else if ((c & 0xF0) == 0xE0) {
            cp = c & 0x0F, extra = 2;
        } else if ((c & 0xF8) == 0xF0) {
            cp = c & 0x07, extra = 3;
        } else {
            Fail("invalid UTF-8 in \"" + text + "\"");
        }
        if (extra > 0 && i + extra >= text.size()) Fail("truncated UTF-8 in \"" + text + "\"");
        for (size_t k = 1; k <= extra; ++k) {
            unsigned char d = static_cast<unsigned char>(text[i + k]);
            if ((d & 0xC0) != 0x80) Fail("invalid UTF-8 in \"" + text + "\"");
            cp = (cp << 6) | (d & 0x3F);
        }
        i += extra + 1;
        if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) Fail("invalid character in \"" + text + "\"");
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
    }
    return out;
}

struct Numbers {
    win::WORD Part[4] = {0, 0, 0, 0};
};

// "6.0.3.2345" -> 6, 0, 3, 2345. Strict: one to four numbers 0..65535 separated by dots, nothing
// else. Lenient (for numbers taken from a version text such as "6.0 beta"): the leading numbers,
// stopping at the first part that is not one; missing parts stay 0.
bool ParseNumbers(const std::string& text, Numbers& out, bool strict) {
    std::stringstream parts(text);
    std::string part;
    int index = 0;
    while (std::getline(parts, part, '.')) {
        size_t digits = 0;
        while (digits < part.size() && part[digits] >= '0' && part[digits] <= '9')
            ++digits;
        bool whole = digits == part.size() && digits > 0 && digits <= 5;
        unsigned long value =
            digits > 0 && digits <= 5 ? std::strtoul(part.substr(0, digits).c_str(), nullptr, 10) : 0;
        if (index == 4 || !whole || value > 0xFFFF) {
            if (strict) return false;
            if (index < 4 && digits > 0 && digits <= 5 && value <= 0xFFFF)
                out.Part[index] = static_cast<win::WORD>(value);
            return true;
        }
        out.Part[index++] = static_cast<win::WORD>(value);
    }
    return index > 0 || !strict;
}

unsigned long ParseUnsigned(const std::string& key, const std::string& text, unsigned long max) {
    char* end = nullptr;
    unsigned long value = std::strtoul(text.c_str(), &end, 0);
    if (text.empty() || *end != '\0' || value > max) Fail("bad " + key + ": \"" + text + "\"");
    return value;
}

// The description file's settings, with the defaults of the keys left out.
struct Description {
    std::string Target;
    std::string ProductText, FileText;   // the version strings
    std::string FixedProduct, FixedFile; // the fixed versions' numbers, when given apart
    std::string FileType = "dll";
    unsigned long Language = 0x0409, CodePage = 1252;
    bool StringTable = true, Translation = true;
    std::vector<std::pair<std::string, std::string>> Strings; // more strings, in order
};

Description ReadDescription(const char* path) {
    std::ifstream in(path);
    if (!in) Fail(std::string("cannot read ") + path);
    Description d;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty()) continue;
        size_t eq = line.find('=');
        std::string key = line.substr(0, eq);
        std::string value = eq == std::string::npos ? std::string() : line.substr(eq + 1);
        if (key == "target")
            d.Target = value;
        else if (key == "product_version")
            d.ProductText = value;
        else if (key == "file_version")
            d.FileText = value;
        else if (key == "fixed_product_version")
            d.FixedProduct = value;
        else if (key == "fixed_file_version")
            d.FixedFile = value;
        else if (key == "language")
            d.Language = ParseUnsigned(key, value, 0xFFFF);
        else if (key == "codepage")
            d.CodePage = ParseUnsigned(key, value, 0xFFFF);
        else if (key == "file_type")
            d.FileType = value;
        else if (key == "no_string_table")
            d.StringTable = false;
        else if (key == "no_translation")
            d.Translation = false;
        else if (key == "string") {
            size_t sep = value.find('=');
            if (sep == std::string::npos || sep == 0)
                Fail("a string needs the form Name=Value: \"" + value + "\"");
            d.Strings.emplace_back(value.substr(0, sep), value.substr(sep + 1));
        } else {
            Fail("unknown key \"" + key + "\"");
        }
    }
    if (d.ProductText.empty()) Fail("PRODUCT_VERSION is required");
    if (d.FileText.empty()) d.FileText = d.ProductText;
    return d;
}

// The numbers of a fixed version: given apart (strict), or taken from the version's text.
Numbers FixedVersion(const std::string& what, const std::string& fixed, const std::string& text) {
    Numbers n;
    if (!fixed.empty() ? !ParseNumbers(fixed, n, true) : !ParseNumbers(text, n, false))
        Fail("bad fixed " + what + " version: \"" + (fixed.empty() ? text : fixed) + "\"");
    return n;
}

win::DWORD FileTypeCode(const std::string& fileType) {
    if (fileType == "dll") return win::VFT_DLL;
    if (fileType == "app") return win::VFT_APP;
    if (fileType == "static") return win::VFT_STATIC_LIB;
    if (fileType != "unknown") Fail("bad file_type \"" + fileType + "\"");
    return win::VFT_UNKNOWN;
}

// FileVersion and ProductVersion first, as resource compilers order them, then the rest; a later
// entry of the same name replaces the earlier value in place.
win::VersionBlockContents::StringTable MakeStringTable(const Description& d) {
    win::VersionBlockContents::StringTable table;
    table.Key = Utf8ToUtf16(
        win::TranslationKey(static_cast<win::WORD>(d.Language), static_cast<win::WORD>(d.CodePage)));
    std::vector<std::pair<std::string, std::string>> all{{"FileVersion", d.FileText},
                                                         {"ProductVersion", d.ProductText}};
    for (const auto& s : d.Strings) {
        bool replaced = false;
        for (auto& existing : all)
            if (existing.first == s.first) existing.second = s.second, replaced = true;
        if (!replaced) all.push_back(s);
    }
    for (const auto& [name, value] : all)
        table.Strings.emplace_back(Utf8ToUtf16(name), Utf8ToUtf16(value));
    return table;
}

win::VersionBlockContents MakeContents(const Description& d) {
    // Checked in this order so that the first error reported is the same whatever else is wrong.
    const Numbers product = FixedVersion("product", d.FixedProduct, d.ProductText);
    const Numbers file = FixedVersion("file", d.FixedFile, d.FileText);
    const win::DWORD type = FileTypeCode(d.FileType);
    win::VersionBlockContents contents;
    contents.Fixed =
        win::MakeFixedFileInfo(product.Part[0], product.Part[1], product.Part[2], product.Part[3],
                               file.Part[0], file.Part[1], file.Part[2], file.Part[3], type);
    contents.HasTranslation = d.Translation;
    contents.Translations.emplace_back(static_cast<win::WORD>(d.Language),
                                       static_cast<win::WORD>(d.CodePage));
    if (d.StringTable) contents.StringTables.push_back(MakeStringTable(d));
    return contents;
}

// The C source that places the block in the version section.
void WriteSource(const char* path, const std::string& target, const std::vector<std::uint8_t>& block) {
    std::ostringstream out;
    out << "/* Version information block of " << target
        << ", generated by tnx_embed_version_info (cmake/TnxVersionInfo.cmake). Do not edit. */\n"
        << "__attribute__((used, aligned(4), section(\"" << win::kVersionSectionName << "\")))\n"
        << "static const unsigned char tnx_version_info_block[" << block.size() << "] = {";
    for (size_t i = 0; i < block.size(); ++i) {
        if (i % 16 == 0) out << "\n   ";
        char hex[8];
        std::snprintf(hex, sizeof hex, " 0x%02X,", block[i]);
        out << hex;
    }
    out << "\n};\n";

    std::ofstream file_out(path, std::ios::binary | std::ios::trunc);
    file_out << out.str();
    if (!file_out.flush()) Fail(std::string("cannot write ") + path);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) Fail("usage: tnx_verinfo_gen <description file> <output .c file>");
    const Description description = ReadDescription(argv[1]);
    std::vector<std::uint8_t> block;
    try {
        block = win::BuildVersionBlock(MakeContents(description));
    } catch (const std::exception& e) {
        Fail(e.what());
    }
    WriteSource(argv[2], description.Target, block);
    return 0;
}
