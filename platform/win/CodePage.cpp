// Table-driven ANSI/OEM/UTF-16 conversions over the generated tables of CodePageTables.cpp.
#include "platform/win/CodePage.h"

#include "platform/win/LastError.h"

#include <cstring>

namespace win {

namespace {

BOOL Translate(LPCSTR source, LPSTR dest, DWORD length, const unsigned char* table) {
    if (source == nullptr || dest == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    // Byte by byte from the front, so source == dest converts in place.
    for (DWORD i = 0; i < length; ++i)
        dest[i] = static_cast<char>(table[static_cast<unsigned char>(source[i])]);
    return TRUE;
}

} // namespace

BOOL CharToOemBuffA(LPCSTR source, LPSTR dest, DWORD length) {
    return Translate(source, dest, length, detail::kAnsiToOem);
}

BOOL OemToCharBuffA(LPCSTR source, LPSTR dest, DWORD length) {
    return Translate(source, dest, length, detail::kOemToAnsi);
}

BOOL CharToOemA(LPCSTR source, LPSTR dest) {
    if (source == nullptr) return Translate(source, dest, 0, detail::kAnsiToOem);
    return Translate(source, dest, static_cast<DWORD>(std::strlen(source) + 1), detail::kAnsiToOem);
}

BOOL OemToCharA(LPCSTR source, LPSTR dest) {
    if (source == nullptr) return Translate(source, dest, 0, detail::kOemToAnsi);
    return Translate(source, dest, static_cast<DWORD>(std::strlen(source) + 1), detail::kOemToAnsi);
}

char AnsiToOemChar(char c) {
    return static_cast<char>(detail::kAnsiToOem[static_cast<unsigned char>(c)]);
}

char OemToAnsiChar(char c) {
    return static_cast<char>(detail::kOemToAnsi[static_cast<unsigned char>(c)]);
}

std::u16string AnsiToUtf16(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (char c : text)
        out.push_back(detail::kAnsiToUnicode[static_cast<unsigned char>(c)]);
    return out;
}

bool Utf16UnitToAnsi(char16_t unit, char& out) {
    // Latin-1 range except 0x80..0x9F maps to itself; 0x80..0x9F holds the C1 controls only for
    // the five undefined bytes; everything else is one of the 27 characters Windows-1252 puts there.
    if (unit < 0x80 || (unit >= 0xA0 && unit <= 0xFF)) {
        out = static_cast<char>(unit);
        return true;
    }
    for (int b = 0x80; b < 0xA0; ++b) {
        if (detail::kAnsiToUnicode[b] == unit) {
            out = static_cast<char>(b);
            return true;
        }
    }
    return false;
}

std::string Utf16ToAnsi(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char16_t u = text[i];
        char c;
        if (u >= 0xD800 && u <= 0xDFFF) {
            // A surrogate pair is one character: one '?'.
            if (u <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) ++i;
            out.push_back('?');
        } else if (Utf16UnitToAnsi(u, c)) {
            out.push_back(c);
        } else {
            out.push_back('?');
        }
    }
    return out;
}

} // namespace win
