// Text routines: trimming, numbers as text, ASCII case, ordinal comparison, C strings, 1-based
// positions and file names. (Windows-1252 case and collation live in Collation.cpp.)
#include "platform/vcl/SysUtils.h"

#include "platform/vcl/Exceptions.h"
#include "platform/vcl/FloatText.h"
#include "platform/vcl/VclConsts.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

#include <sys/mman.h>

namespace vcl {

namespace {

inline bool IsBlank(char c) {
    return static_cast<unsigned char>(c) <= ' ';
}

// Parses an integer (see StrToInt) whose value must lie in [min, max]. Hexadecimal text is a bit
// pattern of 'bits' bits, so "$FFFFFFFF" is -1 as a 32-bit value.
bool ParseInteger(std::string_view s, std::int64_t& out, int bits) {
    std::size_t i = 0;
    while (i < s.size() && IsBlank(s[i]))
        ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
    bool hex = false;
    if (i < s.size() && s[i] == '$') {
        hex = true;
        ++i;
    } else if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
        hex = true;
        i += 2;
    }
    if (i >= s.size()) return false;
    std::uint64_t mag = 0;
    const char* first = s.data() + i;
    const char* last = s.data() + s.size();
    auto r = std::from_chars(first, last, mag, hex ? 16 : 10);
    if (r.ec != std::errc() || r.ptr != last) return false;
    const std::uint64_t unsignedMax = bits == 64 ? ~std::uint64_t(0) : (std::uint64_t(1) << bits) - 1;
    std::int64_t value;
    if (hex) {
        if (mag > unsignedMax) return false;
        // Reinterpret the bit pattern as a signed value of the target width (modular in C++20).
        value = bits == 64
                    ? static_cast<std::int64_t>(mag)
                    : static_cast<std::int64_t>(static_cast<std::int32_t>(static_cast<std::uint32_t>(mag)));
        if (negative) {
            if (value == std::numeric_limits<std::int64_t>::min()) return false;
            value = -value;
        }
    } else {
        const std::uint64_t limit = (std::uint64_t(1) << (bits - 1)) - (negative ? 0 : 1);
        if (mag > limit) return false;
        value = negative ? static_cast<std::int64_t>(0 - mag) : static_cast<std::int64_t>(mag);
    }
    if (bits < 64) {
        const std::int64_t lo = -(std::int64_t(1) << (bits - 1)), hi = (std::int64_t(1) << (bits - 1)) - 1;
        if (value < lo || value > hi) return false;
    }
    out = value;
    return true;
}

} // namespace

// --- Trimming ---------------------------------------------------------------------------------

AnsiString Trim(std::string_view s) {
    std::size_t b = 0, e = s.size();
    while (b < e && IsBlank(s[b]))
        ++b;
    while (e > b && IsBlank(s[e - 1]))
        --e;
    return AnsiString(s.substr(b, e - b));
}

AnsiString TrimLeft(std::string_view s) {
    std::size_t b = 0;
    while (b < s.size() && IsBlank(s[b]))
        ++b;
    return AnsiString(s.substr(b));
}

AnsiString TrimRight(std::string_view s) {
    std::size_t e = s.size();
    while (e > 0 && IsBlank(s[e - 1]))
        --e;
    return AnsiString(s.substr(0, e));
}

// --- Integers ---------------------------------------------------------------------------------

AnsiString IntToStr(std::int64_t value) {
    char buf[24];
    auto r = std::to_chars(buf, buf + sizeof buf, value);
    return AnsiString(buf, r.ptr);
}

AnsiString IntToHex(std::int64_t value, int digits) {
    char buf[24];
    auto r = std::to_chars(buf, buf + sizeof buf, static_cast<std::uint64_t>(value), 16);
    AnsiString s(buf, r.ptr);
    for (char& c : s)
        if (c >= 'a' && c <= 'f') c = static_cast<char>(c - 'a' + 'A');
    if (digits > 0 && s.size() < static_cast<std::size_t>(digits))
        s.insert(0, static_cast<std::size_t>(digits) - s.size(), '0');
    return s;
}

bool TryStrToInt(std::string_view s, std::int32_t& value) {
    std::int64_t v;
    if (!ParseInteger(s, v, 32)) return false;
    value = static_cast<std::int32_t>(v);
    return true;
}

bool TryStrToInt64(std::string_view s, std::int64_t& value) {
    return ParseInteger(s, value, 64);
}

std::int32_t StrToInt(std::string_view s) {
    std::int32_t v;
    if (!TryStrToInt(s, v)) throw EConvertError(SInvalidInteger, {s});
    return v;
}

std::int64_t StrToInt64(std::string_view s) {
    std::int64_t v;
    if (!TryStrToInt64(s, v)) throw EConvertError(SInvalidInteger, {s});
    return v;
}

std::int32_t StrToIntDef(std::string_view s, std::int32_t def) {
    std::int32_t v;
    return TryStrToInt(s, v) ? v : def;
}

std::int64_t StrToInt64Def(std::string_view s, std::int64_t def) {
    std::int64_t v;
    return TryStrToInt64(s, v) ? v : def;
}

// --- Floating point ---------------------------------------------------------------------------

AnsiString FloatToStr(double value, const TFormatSettings& settings) {
    return detail::FormatGeneral(value, 15, settings.DecimalSeparator);
}
AnsiString FloatToStr(double value) {
    return FloatToStr(value, FormatSettings);
}

bool TryStrToFloat(std::string_view s, double& value, const TFormatSettings& settings) {
    std::size_t b = 0, e = s.size();
    while (b < e && IsBlank(s[b]))
        ++b;
    while (e > b && IsBlank(s[e - 1]))
        --e;
    // Normalise into "[-]digits[.digits][e[-]digits]" for the locale-independent parser.
    std::string buf;
    buf.reserve(e - b);
    std::size_t i = b;
    bool negative = false;
    if (i < e && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
    if (negative) buf += '-';
    std::size_t mantissaDigits = 0;
    while (i < e && s[i] >= '0' && s[i] <= '9') {
        // Leading zeros carry no value; keep at most one so the text stays short.
        if (!(s[i] == '0' && i + 1 < e && s[i + 1] >= '0' && s[i + 1] <= '9' && (buf.empty() || buf == "-")))
            buf += s[i];
        ++mantissaDigits;
        ++i;
    }
    if (i < e && s[i] == settings.DecimalSeparator) {
        ++i;
        buf += '.';
        while (i < e && s[i] >= '0' && s[i] <= '9') {
            buf += s[i];
            ++mantissaDigits;
            ++i;
        }
    }
    if (mantissaDigits == 0) return false;
    bool negativeExponent = false;
    if (i < e && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        buf += 'e';
        if (i < e && (s[i] == '+' || s[i] == '-')) {
            negativeExponent = s[i] == '-';
            if (negativeExponent) buf += '-';
            ++i;
        }
        std::size_t expDigits = 0;
        while (i < e && s[i] >= '0' && s[i] <= '9') {
            buf += s[i];
            ++expDigits;
            ++i;
        }
        if (expDigits == 0) return false;
    }
    if (i != e) return false;
    double v = 0;
    const char* last = buf.data() + buf.size();
    auto r = std::from_chars(buf.data(), last, v);
    if (r.ptr != last) return false;
    if (r.ec == std::errc::result_out_of_range) {
        if (!negativeExponent) return false; // overflow
        v = negative ? -0.0 : 0.0;           // underflow: the nearest value is zero
    } else if (r.ec != std::errc()) {
        return false;
    }
    value = v;
    return true;
}

bool TryStrToFloat(std::string_view s, double& value) {
    return TryStrToFloat(s, value, FormatSettings);
}

double StrToFloat(std::string_view s, const TFormatSettings& settings) {
    double v;
    if (!TryStrToFloat(s, v, settings)) throw EConvertError(SInvalidFloat, {s});
    return v;
}
double StrToFloat(std::string_view s) {
    return StrToFloat(s, FormatSettings);
}

double StrToFloatDef(std::string_view s, double def) {
    double v;
    return TryStrToFloat(s, v) ? v : def;
}

// --- Currency ---------------------------------------------------------------------------------

Currency Currency::FromDouble(double value) {
    const double scaled = std::nearbyint(value * static_cast<double>(Scale));
    // 2^63 is exactly representable; anything at or beyond it does not fit.
    if (!(scaled > -9223372036854775808.0 && scaled < 9223372036854775808.0))
        throw EConvertError(SCurrencyOverflow, {FloatToStr(value)});
    return FromScaled(static_cast<std::int64_t>(scaled));
}

AnsiString CurrToStr(Currency value, const TFormatSettings& settings) {
    const bool negative = value.Scaled < 0;
    const std::uint64_t mag =
        negative ? 0 - static_cast<std::uint64_t>(value.Scaled) : static_cast<std::uint64_t>(value.Scaled);
    AnsiString s = negative ? "-" : "";
    s += std::to_string(mag / Currency::Scale);
    unsigned frac = static_cast<unsigned>(mag % Currency::Scale);
    if (frac != 0) {
        char digits[5] = {char('0' + frac / 1000), char('0' + frac / 100 % 10), char('0' + frac / 10 % 10),
                          char('0' + frac % 10), 0};
        std::size_t len = 4;
        while (digits[len - 1] == '0')
            --len;
        s += settings.DecimalSeparator;
        s.append(digits, len);
    }
    return s;
}
AnsiString CurrToStr(Currency value) {
    return CurrToStr(value, FormatSettings);
}

Currency StrToCurr(std::string_view s) {
    double v;
    if (!TryStrToFloat(s, v)) throw EConvertError(SInvalidCurrency, {s});
    return Currency::FromDouble(v);
}

// --- Booleans ---------------------------------------------------------------------------------

AnsiString BoolToStr(bool value, bool useBoolStrs) {
    if (useBoolStrs) return value ? "True" : "False";
    return value ? "-1" : "0";
}

bool TryStrToBool(std::string_view s, bool& value) {
    if (SameText(s, "True")) {
        value = true;
        return true;
    }
    if (SameText(s, "False")) {
        value = false;
        return true;
    }
    double d;
    if (!TryStrToFloat(s, d)) return false;
    value = d != 0;
    return true;
}

bool StrToBool(std::string_view s) {
    bool v;
    if (!TryStrToBool(s, v)) throw EConvertError(SInvalidBoolean, {s});
    return v;
}

// --- ASCII case and ordinal comparison --------------------------------------------------------

AnsiString UpperCase(std::string_view s) {
    AnsiString r(s);
    for (char& c : r)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    return r;
}

AnsiString LowerCase(std::string_view s) {
    AnsiString r(s);
    for (char& c : r)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    return r;
}

int CompareStr(std::string_view a, std::string_view b) {
    const int c = a.compare(b);
    return c < 0 ? -1 : c > 0 ? 1 : 0;
}

int CompareText(std::string_view a, std::string_view b) {
    const std::size_t n = a.size() < b.size() ? a.size() : b.size();
    for (std::size_t i = 0; i < n; ++i) {
        unsigned ca = static_cast<unsigned char>(a[i]), cb = static_cast<unsigned char>(b[i]);
        if (ca >= 'a' && ca <= 'z') ca -= 32;
        if (cb >= 'a' && cb <= 'z') cb -= 32;
        if (ca != cb) return static_cast<int>(ca) - static_cast<int>(cb);
    }
    return a.size() == b.size() ? 0 : a.size() < b.size() ? -1 : 1;
}

bool SameText(std::string_view a, std::string_view b) {
    return a.size() == b.size() && CompareText(a, b) == 0;
}

// --- NUL-terminated text and positions --------------------------------------------------------

std::size_t StrLen(const char* s) {
    return s ? std::strlen(s) : 0;
}

const char* AnsiStrPos(const char* s, const char* sub) {
    if (!s || !sub || !*sub) return nullptr;
    return std::strstr(s, sub);
}

char* AnsiStrPos(char* s, const char* sub) {
    return const_cast<char*>(AnsiStrPos(static_cast<const char*>(s), sub));
}

std::size_t Pos(std::string_view sub, std::string_view s) {
    if (sub.empty()) return 0;
    const std::size_t p = s.find(sub);
    return p == std::string_view::npos ? 0 : p + 1;
}

AnsiString Copy(std::string_view s, std::int64_t index, std::int64_t count) {
    if (index < 1) index = 1;
    if (count <= 0 || index > static_cast<std::int64_t>(s.size())) return AnsiString();
    return AnsiString(s.substr(static_cast<std::size_t>(index - 1), static_cast<std::size_t>(count)));
}

// --- File names -------------------------------------------------------------------------------

namespace {

constexpr std::string_view kDelimiters = "/\\:";
inline bool IsSlash(char c) {
    return c == '/' || c == '\\';
}

} // namespace

bool IsPathDelimiter(std::string_view s, std::size_t index1) {
    return index1 >= 1 && index1 <= s.size() && IsSlash(s[index1 - 1]);
}

AnsiString ExtractFileName(std::string_view path) {
    const std::size_t i = path.find_last_of(kDelimiters);
    return AnsiString(i == std::string_view::npos ? path : path.substr(i + 1));
}

AnsiString ExtractFilePath(std::string_view path) {
    const std::size_t i = path.find_last_of(kDelimiters);
    return i == std::string_view::npos ? AnsiString() : AnsiString(path.substr(0, i + 1));
}

AnsiString ExtractFileDir(std::string_view path) {
    std::size_t i = path.find_last_of(kDelimiters);
    if (i == std::string_view::npos) return AnsiString();
    // Drop the delimiter unless it is the root ("/x") or follows a drive ("C:\x").
    if (i > 0 && IsSlash(path[i]) && kDelimiters.find(path[i - 1]) == std::string_view::npos)
        return AnsiString(path.substr(0, i));
    return AnsiString(path.substr(0, i + 1));
}

AnsiString ExtractFileExt(std::string_view path) {
    const std::size_t i = path.find_last_of("./\\:");
    if (i == std::string_view::npos || path[i] != '.') return AnsiString();
    return AnsiString(path.substr(i));
}

AnsiString ChangeFileExt(std::string_view path, std::string_view ext) {
    const std::size_t i = path.find_last_of("./\\:");
    AnsiString r(i != std::string_view::npos && path[i] == '.' ? path.substr(0, i) : path);
    r += ext;
    return r;
}

AnsiString IncludeTrailingPathDelimiter(std::string_view path) {
    AnsiString r(path);
    if (!r.empty() && !IsSlash(r.back())) r += PathDelim;
    return r;
}

AnsiString ExcludeTrailingPathDelimiter(std::string_view path) {
    AnsiString r(path);
    if (!r.empty() && IsSlash(r.back())) r.pop_back();
    return r;
}

// --- Memory ---------------------------------------------------------------------------------

void PreferHugePages(void* data, std::size_t size) noexcept {
    constexpr std::uintptr_t kHuge = std::uintptr_t(2) << 20;
    if (data == nullptr || size < 4 * kHuge) return;
    const auto first = reinterpret_cast<std::uintptr_t>(data);
    const std::uintptr_t start = (first + kHuge - 1) & ~(kHuge - 1);
    const std::uintptr_t end = (first + size) & ~(kHuge - 1);
    if (end > start) madvise(reinterpret_cast<void*>(start), end - start, MADV_HUGEPAGE);
}

} // namespace vcl
