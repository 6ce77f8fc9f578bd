// Character-set conversions between the ANSI code page (Windows-1252), the OEM code page (850) and
// UTF-16, as the Windows calls of the same names do them.
//
// The byte tables are generated (platform/win/tools/gen_codepage_tables.py, output committed as
// CodePageTables.cpp): every byte with an exact counterpart maps to it, so converting such a byte
// there and back gives it back; the rest map by the best fit listed in the generated file.
#pragma once

#include "platform/win/WinTypes.h"

#include <string>
#include <string_view>

namespace win {

// Converts length bytes from source into dest, ANSI to OEM (CharToOemBuffA) or OEM to ANSI
// (OemToCharBuffA). source and dest may be the same buffer (in place) but must not otherwise
// overlap. Return FALSE, with ERROR_INVALID_PARAMETER, when either pointer is null.
BOOL CharToOemBuffA(LPCSTR source, LPSTR dest, DWORD length);
BOOL OemToCharBuffA(LPCSTR source, LPSTR dest, DWORD length);
// The same for NUL-terminated text; dest receives the NUL too.
BOOL CharToOemA(LPCSTR source, LPSTR dest);
BOOL OemToCharA(LPCSTR source, LPSTR dest);

// One byte each way.
char AnsiToOemChar(char c);
char OemToAnsiChar(char c);

// Windows-1252 text to UTF-16 (every byte has a counterpart; the five bytes Windows-1252 leaves
// undefined become the C1 controls of the same value, as Windows decodes them).
std::u16string AnsiToUtf16(std::string_view text);
// UTF-16 to Windows-1252: characters without a Windows-1252 form, and unpaired or paired
// surrogates, become '?'. Stops at nothing: embedded NULs are converted like any character.
std::string Utf16ToAnsi(std::u16string_view text);
// One UTF-16 unit to Windows-1252; false when it has no exact counterpart.
bool Utf16UnitToAnsi(char16_t unit, char& out);

namespace detail {
// Generated tables (CodePageTables.cpp).
extern const unsigned char kAnsiToOem[256];
extern const unsigned char kOemToAnsi[256];
extern const char16_t kAnsiToUnicode[256];
} // namespace detail

} // namespace win
