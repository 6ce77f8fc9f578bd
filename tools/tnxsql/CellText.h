// Text forms of cell values shared by the output formats: numbers, dates and times, hexadecimal for
// binary values, and the text encodings. Text from the library is single-byte; the formats that must
// produce valid UTF-8 (tables on a terminal, JSON) pass text through unchanged when it already is
// valid UTF-8 and otherwise read it as Windows-1252, the library's single-byte code page.
#pragma once

#include "tools/tnxsql/Value.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tnxsql {

// Shortest text that reads back as the same double; "NaN", "Infinity", "-Infinity" for the rest.
void AppendFloat(std::string& out, double v);
// The same, but with exactly `scale` digits after the point when scale >= 0 (a fixed-point
// column's declared scale: 182484.10), else with `digits` significant digits when digits > 0.
void AppendFloat(std::string& out, double v, int32_t scale, int digits);
void AppendInteger(std::string& out, int64_t v);

// YYYY-MM-DD, HH:MM:SS and YYYY-MM-DD<sep>HH:MM:SS by the cell kind. Fractions of a second appear
// only when present: 3 digits when they are whole milliseconds, else 6. Years outside 0..9999 keep
// all their digits and their sign.
void AppendTimestamp(std::string& out, CellKind kind, const Timestamp& ts, char dateTimeSeparator = ' ');

// "0x" followed by two lower-case hexadecimal digits per byte, for at most `maxBytes` bytes.
void AppendHex(std::string& out, std::string_view bytes, size_t maxBytes = SIZE_MAX);

bool IsValidUtf8(std::string_view text);
// The Unicode code point of a Windows-1252 byte (bytes the code page leaves undefined map to the
// code point of the same number, as the system's conversion does).
uint32_t Cp1252ToUnicode(unsigned char byte);
void AppendUtf8(std::string& out, uint32_t codePoint);
// The text as UTF-8: unchanged when valid UTF-8, else converted from Windows-1252.
void AppendAsUtf8(std::string& out, std::string_view text);
// Number of code points of valid UTF-8 text (the display width the tables use).
size_t Utf8Length(std::string_view text);

} // namespace tnxsql
