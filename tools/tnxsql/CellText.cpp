// Text forms of values; see CellText.h.
#include "tools/tnxsql/CellText.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace tnxsql {

namespace {
// 2^53: below it every whole number has its own double.
constexpr double MaxExactWhole = 9007199254740992.0;
} // namespace

void AppendFloat(std::string& out, double v) {
    if (std::isnan(v)) {
        out += "NaN";
        return;
    }
    if (std::isinf(v)) {
        out += v < 0 ? "-Infinity" : "Infinity";
        return;
    }
    char buf[32];
    // Whole numbers a double holds exactly print in full: the library delivers 64-bit integer
    // columns as doubles, and "5000000000" reads better than "5e+09" in a table or a CSV file.
    if (std::fabs(v) < MaxExactWhole && std::trunc(v) == v) {
        auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed);
        out.append(buf, r.ptr);
        return;
    }
    auto r = std::to_chars(buf, buf + sizeof buf, v);
    out.append(buf, r.ptr);
}

void AppendFloat(std::string& out, double v, int32_t scale, int digits) {
    if (!std::isfinite(v) || (scale < 0 && digits <= 0)) {
        AppendFloat(out, v);
        return;
    }
    char buf[400]; // the widest fixed form of a double with up to 40 decimals
    std::to_chars_result r;
    if (scale >= 0)
        r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, std::min(scale, 40));
    else
        r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, std::min(digits, 17));
    if (r.ec != std::errc()) {
        AppendFloat(out, v);
        return;
    }
    out.append(buf, r.ptr);
}

void AppendInteger(std::string& out, int64_t v) {
    char buf[24];
    auto r = std::to_chars(buf, buf + sizeof buf, v);
    out.append(buf, r.ptr);
}

namespace {

// Decimal digits of v, at least `width` of them (zero-padded). Written by hand: this runs for
// every date and time of a result, and a formatted print per field would dominate the output cost.
void AppendPadded(std::string& out, unsigned v, int width) {
    char buf[16];
    int n = 0;
    do {
        buf[n++] = static_cast<char>('0' + v % 10);
        v /= 10;
    } while (v != 0);
    while (n < width)
        buf[n++] = '0';
    while (n > 0)
        out += buf[--n];
}

void AppendDate(std::string& out, const Timestamp& ts) {
    if (ts.Year < 0) {
        out += '-';
        AppendPadded(out, static_cast<unsigned>(-static_cast<int64_t>(ts.Year)), 4);
    } else {
        AppendPadded(out, static_cast<unsigned>(ts.Year), 4);
    }
    out += '-';
    AppendPadded(out, ts.Month, 2);
    out += '-';
    AppendPadded(out, ts.Day, 2);
}

void AppendTime(std::string& out, const Timestamp& ts) {
    AppendPadded(out, ts.Hour, 2);
    out += ':';
    AppendPadded(out, ts.Minute, 2);
    out += ':';
    AppendPadded(out, ts.Second, 2);
    if (ts.Microsecond == 0) return;
    out += '.';
    if (ts.Microsecond % 1000 == 0)
        AppendPadded(out, ts.Microsecond / 1000, 3);
    else
        AppendPadded(out, ts.Microsecond, 6);
}

} // namespace

void AppendTimestamp(std::string& out, CellKind kind, const Timestamp& ts, char dateTimeSeparator) {
    if (kind == CellKind::Date || kind == CellKind::DateTime) AppendDate(out, ts);
    if (kind == CellKind::DateTime) out += dateTimeSeparator;
    if (kind == CellKind::Time || kind == CellKind::DateTime) AppendTime(out, ts);
}

void AppendHex(std::string& out, std::string_view bytes, size_t maxBytes) {
    static constexpr char digits[] = "0123456789abcdef";
    out += "0x";
    size_t n = bytes.size() < maxBytes ? bytes.size() : maxBytes;
    for (size_t i = 0; i < n; ++i) {
        unsigned char b = static_cast<unsigned char>(bytes[i]);
        out += digits[b >> 4];
        out += digits[b & 15];
    }
}

bool IsValidUtf8(std::string_view text) {
    size_t i = 0;
    const size_t n = text.size();
    while (i < n) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
            ++i;
            continue;
        }
        size_t len;
        uint32_t cp;
        if (c >= 0xC2 && c <= 0xDF) {
            len = 2;
            cp = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            len = 3;
            cp = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            len = 4;
            cp = c & 0x07;
        } else {
            return false;
        }
        if (i + len > n) return false;
        for (size_t k = 1; k < len; ++k) {
            unsigned char cc = static_cast<unsigned char>(text[i + k]);
            if ((cc & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (cc & 0x3F);
        }
        // Overlong forms, surrogates and code points past U+10FFFF are not UTF-8.
        if ((len == 3 && cp < 0x800) || (len == 4 && (cp < 0x10000 || cp > 0x10FFFF)) ||
            (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += len;
    }
    return true;
}

uint32_t Cp1252ToUnicode(unsigned char byte) {
    static constexpr uint16_t high[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                          0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                          0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                          0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    if (byte >= 0x80 && byte <= 0x9F) return high[byte - 0x80];
    return byte;
}

void AppendUtf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

void AppendAsUtf8(std::string& out, std::string_view text) {
    if (IsValidUtf8(text)) {
        out += text;
        return;
    }
    for (char ch : text)
        AppendUtf8(out, Cp1252ToUnicode(static_cast<unsigned char>(ch)));
}

size_t Utf8Length(std::string_view text) {
    size_t n = 0;
    for (char ch : text)
        if ((static_cast<unsigned char>(ch) & 0xC0) != 0x80) ++n;
    return n;
}

} // namespace tnxsql
