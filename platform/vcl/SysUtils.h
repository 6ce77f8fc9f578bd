// Text routines of the framework: trimming, number <-> text, letter case, comparison and
// collation, C-string helpers and file-name parts. All text is single-byte Windows-1252.
//
// Letter case: UpperCase/LowerCase/CompareText/SameText change only ASCII letters. The Ansi*
// routines use Windows-1252 letter case: besides A-Z they map the accented letters
// (C0-DE <-> E0-FE except D7/F7) and 8A/9A (S caron), 8C/9C (OE), 8E/9E (Z caron), 9F/FF (Y
// diaeresis); DF (sharp s) and B5 (micro) have no upper-case form in the code page and stay.
//
// Collation of the "locale-aware" comparisons (AnsiCompareStr, AnsiCompareText, AnsiStrComp,
// AnsiStrIComp, AnsiStrLIComp, AnsiSameText), a fixed Windows-1252 order:
//  - Each byte has three weights. Primary: control characters first, then blanks, punctuation
//    and symbols (in code order), then digits, then letters A..Z, then thorn (DE/FE). Accented
//    letters take their base letter's primary weight (A-grave..A-ring and AE sort with A, C-cedilla
//    with C, E's, I's, eth with D, N-tilde with N, O's with O-stroke and OE with O, S caron and
//    sharp s with S, U's, Y-acute and Y-diaeresis with Y, Z caron with Z, f-hook with F).
//    Secondary: the accent (none sorts first). Tertiary: letter case (lower before upper).
//  - Strings compare by primary weights first (a proper prefix sorts first); if those are equal,
//    by secondary weights; if still equal and the comparison is case-sensitive, by tertiary
//    weights. So case-insensitively "Cote" = "cote" < "c\xF4te" (o-circumflex), and
//    case-sensitively "cote" < "Cote" < "c\xF4te" (accents outrank case).
//  - Case-insensitive comparison equals two strings exactly when AnsiUpperCase makes them
//    identical; case-sensitive comparison equals them only when they are identical.
// Results are <0, 0 or >0.
#pragma once

#include "platform/vcl/FormatSettings.h"
#include "platform/vcl/SysTypes.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace vcl {

// --- Trimming: blanks and control characters (every byte <= 0x20) ---------------------------
AnsiString Trim(std::string_view s);
AnsiString TrimLeft(std::string_view s);
AnsiString TrimRight(std::string_view s);

// --- Integers ---------------------------------------------------------------------------------
AnsiString IntToStr(std::int64_t value);
// Upper-case hexadecimal, at least 'digits' digits (zero-padded).
AnsiString IntToHex(std::int64_t value, int digits);
// Accepts optional leading blanks, a sign, then decimal digits or hexadecimal digits after '$'
// or "0x"; nothing may follow. Raises EConvertError "'<text>' is not a valid integer value"
// when the text is not such a number or does not fit.
std::int32_t StrToInt(std::string_view s);
std::int64_t StrToInt64(std::string_view s);
std::int32_t StrToIntDef(std::string_view s, std::int32_t def);
std::int64_t StrToInt64Def(std::string_view s, std::int64_t def);
bool TryStrToInt(std::string_view s, std::int32_t& value);
bool TryStrToInt64(std::string_view s, std::int64_t& value);

// --- Floating point ---------------------------------------------------------------------------
// Up to 15 significant digits, trailing zeros removed; scientific ("1.5E20", "1E-7") when the
// exponent is 15 or more or the value is below 0.00001. "NAN", "INF", "-INF" for the specials.
AnsiString FloatToStr(double value);
AnsiString FloatToStr(double value, const TFormatSettings& settings);
// Blanks around the number allowed; optional sign, digits with one decimal separator, optional
// exponent ("E" or "e", optional sign, digits). Raises EConvertError
// "'<text>' is not a valid floating point value".
double StrToFloat(std::string_view s);
double StrToFloat(std::string_view s, const TFormatSettings& settings);
double StrToFloatDef(std::string_view s, double def);
bool TryStrToFloat(std::string_view s, double& value);
bool TryStrToFloat(std::string_view s, double& value, const TFormatSettings& settings);

// Currency as text: up to four decimals, trailing zeros removed ("12.5", "-0.0001", "3").
AnsiString CurrToStr(Currency value);
AnsiString CurrToStr(Currency value, const TFormatSettings& settings);
Currency StrToCurr(std::string_view s);

// --- Booleans ---------------------------------------------------------------------------------
// "True"/"False" (UseBoolStrs) or "-1"/"0".
AnsiString BoolToStr(bool value, bool useBoolStrs = false);
// Accepts "True"/"False" in any case and numbers (non-zero is true); raises EConvertError
// "'<text>' is not a valid boolean value".
bool StrToBool(std::string_view s);
bool TryStrToBool(std::string_view s, bool& value);

// --- Letter case ------------------------------------------------------------------------------
AnsiString UpperCase(std::string_view s);
AnsiString LowerCase(std::string_view s);
AnsiString AnsiUpperCase(std::string_view s);
AnsiString AnsiLowerCase(std::string_view s);
char AnsiUpperChar(char c);
char AnsiLowerChar(char c);

// --- Comparison -------------------------------------------------------------------------------
// Ordinal (byte) comparison.
int CompareStr(std::string_view a, std::string_view b);
// Ordinal after folding ASCII a-z to upper case.
int CompareText(std::string_view a, std::string_view b);
bool SameText(std::string_view a, std::string_view b);
// Windows-1252 collation (see the file comment).
int AnsiCompareStr(std::string_view a, std::string_view b);
int AnsiCompareText(std::string_view a, std::string_view b);
bool AnsiSameText(std::string_view a, std::string_view b);
bool AnsiSameStr(std::string_view a, std::string_view b);

// --- NUL-terminated text ----------------------------------------------------------------------
std::size_t StrLen(const char* s);
// Collation comparisons of NUL-terminated texts; a null pointer is an empty text.
int AnsiStrComp(const char* a, const char* b);
int AnsiStrIComp(const char* a, const char* b);
// Case-insensitive comparison of at most maxLen characters of each text (fewer when a text ends
// earlier).
int AnsiStrLIComp(const char* a, const char* b, std::size_t maxLen);
int AnsiStrLComp(const char* a, const char* b, std::size_t maxLen);
// First occurrence of sub in s, or null (null also when either is null or sub is empty).
const char* AnsiStrPos(const char* s, const char* sub);
char* AnsiStrPos(char* s, const char* sub);

// --- 1-based positions ------------------------------------------------------------------------
// Position of the first occurrence of sub in s, 1-based; 0 when absent or sub is empty.
std::size_t Pos(std::string_view sub, std::string_view s);
// 'count' characters from the 1-based position 'index' (clipped to the text).
AnsiString Copy(std::string_view s, std::int64_t index, std::int64_t count);

// --- Memory ---------------------------------------------------------------------------------
// Asks the system to back a large block that is about to be filled (8 MB or more) with huge
// pages: it is then mapped with a fault per 2 MB instead of one per 4 KB page. Only a hint:
// where the system does not take it, nothing changes; smaller blocks are left alone.
void PreferHugePages(void* data, std::size_t size) noexcept;

// --- File names -------------------------------------------------------------------------------
// Both '/' and '\' separate folders (names written on Windows keep working); ':' ends a drive.
// New delimiters added here are '/'.
inline constexpr char PathDelim = '/';
bool IsPathDelimiter(std::string_view s, std::size_t index1); // 1-based index
// "C:\data\sales.db" -> "sales.db"; "/tmp/x.db" -> "x.db".
AnsiString ExtractFileName(std::string_view path);
// Everything up to and including the last delimiter: "C:\data\sales.db" -> "C:\data\".
AnsiString ExtractFilePath(std::string_view path);
// The folder without its trailing delimiter (except a root): "/tmp/x.db" -> "/tmp".
AnsiString ExtractFileDir(std::string_view path);
// From the last '.' of the file name on, including the dot; "" when the name has no dot.
AnsiString ExtractFileExt(std::string_view path);
AnsiString ChangeFileExt(std::string_view path, std::string_view ext);
// Adds a '/' unless the text already ends in '/' or '\'. An empty text stays empty (it names
// the current folder; a lone '/' would name the root instead).
AnsiString IncludeTrailingPathDelimiter(std::string_view path);
AnsiString ExcludeTrailingPathDelimiter(std::string_view path);

} // namespace vcl
