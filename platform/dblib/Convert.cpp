// Value conversions (see Convert.h).
#include "platform/dblib/Convert.h"

#include "platform/dblib/Errors.h"
#include "platform/dblib/Text.h"
#include "platform/dblib/TypeMap.h"

#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>

namespace tnxdb {

namespace {

// A short description of a value for error messages (text is cut; bytes are not shown).
std::string Describe(const Value& v) {
    char buf[40];
    switch (v.K) {
    case Value::Null: return "NULL";
    case Value::Int: return std::to_string(v.I);
    case Value::Real: return std::string(buf, FormatDouble(v.D, buf, sizeof buf));
    case Value::Text: {
        std::string s(v.P ? v.P : "", std::min<size_t>(v.N, 40));
        return "'" + s + (v.N > 40 ? "...'" : "'");
    }
    case Value::Blob: return "a binary value";
    }
    return "a value";
}

[[noreturn]] void ConversionError(const Value& v, int type) {
    throw DbError(DBLIB_E_CONVERSION, Describe(v), TypeName(type));
}
[[noreturn]] void RangeError(const Value& v) { throw DbError(DBLIB_E_OUT_OF_RANGE, Describe(v)); }
[[noreturn]] void BadVariable(const std::string& what) { throw DbError(DBLIB_E_BAD_HOST_VARIABLE, what); }

template <class T>
T Load(const void* p) {
    T v;
    std::memcpy(&v, p, sizeof v);
    return v;
}
template <class T>
void StoreRaw(void* p, T v) {
    std::memcpy(p, &v, sizeof v);
}

bool IsDigitC(char c) { return c >= '0' && c <= '9'; }

// Reads 1..maxDigits digits at p[i]; returns the count read (0 if none).
int ReadDigits(const char* p, size_t n, size_t& i, int maxDigits, int& value) {
    int count = 0;
    value = 0;
    while (i < n && count < maxDigits && IsDigitC(p[i])) {
        value = value * 10 + (p[i] - '0');
        ++i;
        ++count;
    }
    return count;
}

using fast::DaysInMonth;
using fast::IsLeap;

bool ParseTimePart(const char* p, size_t n, size_t& i, DateTimeParts& dt) {
    int h, mi, s = 0;
    if (ReadDigits(p, n, i, 2, h) == 0 || i >= n || p[i] != ':') return false;
    ++i;
    if (ReadDigits(p, n, i, 2, mi) != 2) return false;
    int micro = 0;
    if (i < n && p[i] == ':') {
        ++i;
        if (ReadDigits(p, n, i, 2, s) != 2) return false;
        if (i < n && p[i] == '.') {
            ++i;
            int digits = 0;
            while (i < n && IsDigitC(p[i])) {
                if (digits < 6) micro = micro * 10 + (p[i] - '0');
                ++digits;
                ++i;
            }
            if (digits == 0) return false;
            for (int k = digits; k < 6; ++k) micro *= 10;
        }
    }
    if (h > 23 || mi > 59 || s > 59) return false;
    dt.Hour = h;
    dt.Minute = mi;
    dt.Second = s;
    dt.Micro = micro;
    dt.HasTime = true;
    return true;
}

// The text of a value, formatting numbers into buf.
void TextOf(const Value& v, char (&buf)[48], const char*& p, size_t& n) {
    switch (v.K) {
    case Value::Int: {
        auto r = std::to_chars(buf, buf + sizeof buf, v.I);
        p = buf;
        n = static_cast<size_t>(r.ptr - buf);
        return;
    }
    case Value::Real:
        n = FormatDouble(v.D, buf, sizeof buf);
        p = buf;
        return;
    default:
        p = v.P ? v.P : "";
        n = v.N;
    }
}

DateTimeParts DateTimeOf(const Value& v, int type) {
    DateTimeParts dt;
    if (v.K != Value::Text && v.K != Value::Blob) ConversionError(v, type);
    if (!fast::ParseCanonicalStamp(v.P, v.N, dt) && !ParseDateTime(v.P, v.N, dt)) ConversionError(v, type);
    return dt;
}

int16_t TruncIndicator(size_t full) { return static_cast<int16_t>(full > 32767 ? 32767 : full); }

// ---- Packed decimal ----------------------------------------------------------------------------

void DecimalShape(int16_t sqllen, int& prec, int& scale) {
    prec = sqllen & 0xff;
    scale = (sqllen >> 8) & 0xff;
    if (prec < 1 || prec > 40 || scale > prec)
        BadVariable("decimal precision " + std::to_string(prec) + " and scale " + std::to_string(scale));
}

Value DecodeDecimal(const unsigned char* p, int16_t sqllen, char (&scratch)[kScratchSize]) {
    int prec, scale;
    DecimalShape(sqllen, prec, scale);
    int nbytes = prec / 2 + 1;
    int nibbles = nbytes * 2;
    int sign = p[nbytes - 1] & 0x0f;
    if (sign != 0x0c && sign != 0x0d && sign != 0x0f)
        throw DbError(DBLIB_E_CONVERSION, "a packed decimal with a bad sign", "decimal");
    char digits[48];
    int nd = 0;
    for (int k = 0; k < nibbles - 1; ++k) {
        int d = (k % 2 == 0) ? (p[k / 2] >> 4) : (p[k / 2] & 0x0f);
        if (d > 9) throw DbError(DBLIB_E_CONVERSION, "a packed decimal with a bad digit", "decimal");
        digits[nd++] = static_cast<char>('0' + d);
    }
    // nd is prec or prec + 1 (even precision carries a leading zero digit).
    int intDigits = nd - scale;
    if (scale == 0) {
        int first = 0;
        while (first < nd - 1 && digits[first] == '0') ++first;
        if (nd - first <= 18) {
            int64_t v = 0;
            for (int k = first; k < nd; ++k) v = v * 10 + (digits[k] - '0');
            return Value::MakeInt(sign == 0x0d ? -v : v);
        }
    }
    size_t o = 0;
    if (sign == 0x0d) scratch[o++] = '-';
    for (int k = 0; k < intDigits; ++k) scratch[o++] = digits[k];
    if (scale > 0) {
        scratch[o++] = '.';
        for (int k = intDigits; k < nd; ++k) scratch[o++] = digits[k];
    }
    scratch[o] = '\0';
    return Value::MakeReal(std::strtod(scratch, nullptr));
}

void EncodeDecimal(const Value& v, int16_t sqllen, unsigned char* out) {
    int prec, scale;
    DecimalShape(sqllen, prec, scale);
    bool negative = false;
    char text[96];
    size_t len = 0;
    Value num = v;
    if (v.K == Value::Text || v.K == Value::Blob) {
        bool isInt;
        int64_t i;
        double d;
        if (!ParseNumber(v.P, v.N, isInt, i, d)) ConversionError(v, DBLIB_T_DECIMAL);
        num = isInt ? Value::MakeInt(i) : Value::MakeReal(d);
    }
    if (num.K == Value::Int) {
        negative = num.I < 0;
        uint64_t mag = negative ? 0 - static_cast<uint64_t>(num.I) : static_cast<uint64_t>(num.I);
        len = static_cast<size_t>(std::to_chars(text, text + 24, mag).ptr - text);
        for (int k = 0; k < scale; ++k) text[len++] = '0';
    } else {
        if (!std::isfinite(num.D) || std::fabs(num.D) >= 1e40) RangeError(v);
        negative = num.D < 0;
        char tmp[96];
        int w = std::snprintf(tmp, sizeof tmp, "%.*f", scale, std::fabs(num.D));
        if (w <= 0 || w >= static_cast<int>(sizeof tmp)) RangeError(v);
        for (int k = 0; k < w; ++k)
            if (tmp[k] != '.') text[len++] = tmp[k];
    }
    // text holds the digits with exactly `scale` fraction digits at the end.
    size_t first = 0;
    while (first + scale < len && first < len && text[first] == '0' && len - first > static_cast<size_t>(scale))
        ++first;
    size_t digits = len - first;
    if (digits > static_cast<size_t>(prec)) RangeError(v);
    bool allZero = true;
    for (size_t k = first; k < len; ++k)
        if (text[k] != '0') allZero = false;
    if (allZero) negative = false;
    int nbytes = prec / 2 + 1;
    int nibbles = nbytes * 2;
    std::memset(out, 0, static_cast<size_t>(nbytes));
    // Digits fill the nibbles right-aligned before the sign nibble.
    int pos = nibbles - 2;
    for (size_t k = len; k > first; --k, --pos) {
        int d = text[k - 1] - '0';
        if (pos % 2 == 0)
            out[pos / 2] = static_cast<unsigned char>(out[pos / 2] | (d << 4));
        else
            out[pos / 2] = static_cast<unsigned char>(out[pos / 2] | d);
    }
    out[nbytes - 1] = static_cast<unsigned char>((out[nbytes - 1] & 0xf0) | (negative ? 0x0d : 0x0c));
}

// Writes text (or bytes) into a buffer of `cap` bytes; returns true when it was cut.
bool CopyCut(char* dst, size_t cap, const char* p, size_t n, size_t& written) {
    written = n < cap ? n : cap;
    if (written) std::memcpy(dst, p, written);
    return n > cap;
}

} // namespace

// ---- Formats ------------------------------------------------------------------------------------

bool ParseDateTime(const char* p, size_t n, DateTimeParts& out) {
    DateTimeParts dt;
    size_t i = 0;
    while (i < n && IsBlank(p[i])) ++i;
    while (n > i && IsBlank(p[n - 1])) --n;
    if (i >= n) return false;
    // A date starts with four digits and a '-'.
    if (n - i >= 8 && IsDigitC(p[i]) && IsDigitC(p[i + 1]) && IsDigitC(p[i + 2]) && IsDigitC(p[i + 3]) &&
        p[i + 4] == '-') {
        int y, m, d;
        ReadDigits(p, n, i, 4, y);
        ++i;
        if (ReadDigits(p, n, i, 2, m) == 0 || i >= n || p[i] != '-') return false;
        ++i;
        if (ReadDigits(p, n, i, 2, d) == 0) return false;
        if (y < 1 || m < 1 || m > 12 || d < 1 || d > DaysInMonth(y, m)) return false;
        dt.Year = y;
        dt.Month = m;
        dt.Day = d;
        dt.HasDate = true;
        if (i < n) {
            if (p[i] != ' ' && p[i] != 'T') return false;
            while (i < n && (p[i] == ' ' || p[i] == 'T')) ++i;
            if (!ParseTimePart(p, n, i, dt)) return false;
            // A time stamp written in UTC form ("...T13:45:56Z"): the value has no zone of its own.
            if (i + 1 == n && (p[i] == 'Z' || p[i] == 'z')) ++i;
        }
    } else if (!ParseTimePart(p, n, i, dt)) {
        return false;
    }
    if (i != n) return false;
    out = dt;
    return true;
}

namespace {

// Writes v (0 <= v < 10^width) as `width` digits with leading zeros; returns the end.
char* PutDigits(char* out, int v, int width) {
    for (int k = width - 1; k >= 0; --k) {
        out[k] = static_cast<char>('0' + v % 10);
        v /= 10;
    }
    return out + width;
}

bool InRange(int v, int limit) {
    return v >= 0 && v < limit;
}

} // namespace

size_t FormatDateTime(const DateTimeParts& dt, int type, char* out) {
    bool date = type != DBLIB_T_TIME && dt.HasDate;
    bool time = type == DBLIB_T_TIME || (type == DBLIB_T_TIMESTAMP && (dt.HasTime || dt.HasDate));
    // Every value met on the row paths has fields of their usual widths: those are written digit by
    // digit (a bound or fetched time stamp is formatted once per row). Anything else (a negative
    // or five-digit year) takes the general formatter, which widens the field as needed.
    const bool usual = InRange(dt.Year, 10000) && InRange(dt.Month, 100) && InRange(dt.Day, 100) &&
                       InRange(dt.Hour, 100) && InRange(dt.Minute, 100) && InRange(dt.Second, 100) &&
                       InRange(dt.Micro, 1000000);
    if (usual) {
        char* p = out;
        if (date) {
            p = PutDigits(p, dt.Year, 4);
            *p++ = '-';
            p = PutDigits(p, dt.Month, 2);
            *p++ = '-';
            p = PutDigits(p, dt.Day, 2);
        }
        if (time) {
            if (date) *p++ = ' ';
            p = PutDigits(p, dt.Hour, 2);
            *p++ = ':';
            p = PutDigits(p, dt.Minute, 2);
            *p++ = ':';
            p = PutDigits(p, dt.Second, 2);
            if (dt.Micro) {
                *p++ = '.';
                p = PutDigits(p, dt.Micro, 6);
            }
        }
        return static_cast<size_t>(p - out);
    }
    int n = 0;
    if (date) n += std::snprintf(out + n, 12, "%04d-%02d-%02d", dt.Year, dt.Month, dt.Day);
    if (time) {
        if (date) out[n++] = ' ';
        n += std::snprintf(out + n, 10, "%02d:%02d:%02d", dt.Hour, dt.Minute, dt.Second);
        if (dt.Micro) n += std::snprintf(out + n, 9, ".%06d", dt.Micro);
    }
    return static_cast<size_t>(n);
}

bool ParseNumber(const char* p, size_t n, bool& isInt, int64_t& i, double& d) {
    if (!p) return false;
    size_t b = 0;
    while (b < n && IsBlank(p[b])) ++b;
    while (n > b && IsBlank(p[n - 1])) --n;
    if (b >= n) return false;
    if (p[b] == '+') ++b;
    if (b >= n) return false;
    size_t s = (p[b] == '-') ? b + 1 : b;
    if (s >= n || !(IsDigitC(p[s]) || (p[s] == '.' && s + 1 < n && IsDigitC(p[s + 1])))) return false;
    auto ri = std::from_chars(p + b, p + n, i);
    if (ri.ec == std::errc() && ri.ptr == p + n) {
        isInt = true;
        return true;
    }
    auto rd = std::from_chars(p + b, p + n, d);
    if (rd.ptr != p + n) return false;
    if (rd.ec == std::errc::result_out_of_range) d = (p[b] == '-') ? -HUGE_VAL : HUGE_VAL;
    else if (rd.ec != std::errc()) return false;
    isInt = false;
    return true;
}

size_t FormatDouble(double d, char* out, size_t size) {
    auto r = std::to_chars(out, out + size, d);
    return r.ec == std::errc() ? static_cast<size_t>(r.ptr - out) : 0;
}

double ToDouble(const Value& v) {
    switch (v.K) {
    case Value::Int: return static_cast<double>(v.I);
    case Value::Real: return v.D;
    case Value::Text:
    case Value::Blob: {
        bool isInt;
        int64_t i;
        double d;
        if (!ParseNumber(v.P, v.N, isInt, i, d)) ConversionError(v, DBLIB_T_DOUBLE);
        return isInt ? static_cast<double>(i) : d;
    }
    default: return 0;
    }
}

int64_t ToIntegerOf(const Value& v, int type) {
    int64_t lo, hi;
    switch (type) {
    case DBLIB_T_INT: lo = INT32_MIN; hi = INT32_MAX; break;
    case DBLIB_T_SMALLINT: lo = INT16_MIN; hi = INT16_MAX; break;
    case DBLIB_T_TINYINT: lo = 0; hi = 255; break;
    case DBLIB_T_UNSINT: lo = 0; hi = UINT32_MAX; break;
    case DBLIB_T_UNSSMALLINT: lo = 0; hi = UINT16_MAX; break;
    case DBLIB_T_UNSBIGINT: lo = 0; hi = INT64_MAX; break;
    case DBLIB_T_BIT: lo = 0; hi = 1; break;
    default: lo = INT64_MIN; hi = INT64_MAX; break;
    }
    int64_t r;
    Value num = v;
    if (v.K == Value::Text || v.K == Value::Blob) {
        bool isInt;
        int64_t i;
        double d;
        if (!ParseNumber(v.P, v.N, isInt, i, d)) ConversionError(v, type);
        num = isInt ? Value::MakeInt(i) : Value::MakeReal(d);
    }
    if (num.K == Value::Int) {
        r = num.I;
    } else if (num.K == Value::Real) {
        if (std::isnan(num.D)) ConversionError(v, type);
        double t = std::trunc(num.D);
        if (t < -9223372036854775808.0 || t >= 9223372036854775808.0) RangeError(v);
        r = static_cast<int64_t>(t);
    } else {
        ConversionError(v, type);
    }
    if (r < lo || r > hi) RangeError(v);
    return r;
}

uint64_t ToUnsigned64(const Value& v) {
    if (v.K == Value::Text || v.K == Value::Blob) {
        const char* p = v.P ? v.P : "";
        size_t b = 0, n = v.N;
        while (b < n && IsBlank(p[b])) ++b;
        while (n > b && IsBlank(p[n - 1])) --n;
        if (b < n && p[b] == '+') ++b;
        uint64_t u;
        auto r = std::from_chars(p + b, p + n, u);
        if (b < n && r.ec == std::errc() && r.ptr == p + n) return u;
        if (b < n && r.ec == std::errc::result_out_of_range && r.ptr == p + n) RangeError(v);
    }
    if (v.K == Value::Real || v.K == Value::Text || v.K == Value::Blob) {
        double d = ToDouble(v);
        if (std::isnan(d)) ConversionError(v, DBLIB_T_UNSBIGINT);
        double t = std::trunc(d);
        if (t < 0 || t >= 18446744073709551616.0) RangeError(v);
        return static_cast<uint64_t>(t);
    }
    if (v.K == Value::Int) {
        if (v.I < 0) RangeError(v);
        return static_cast<uint64_t>(v.I);
    }
    ConversionError(v, DBLIB_T_UNSBIGINT);
}

void CheckStorable(const Value& v, int type) {
    if (v.K == Value::Null) return;
    switch (type) {
    case DBLIB_T_INT: case DBLIB_T_SMALLINT: case DBLIB_T_TINYINT: case DBLIB_T_BIGINT:
    case DBLIB_T_UNSINT: case DBLIB_T_UNSSMALLINT: case DBLIB_T_UNSBIGINT: case DBLIB_T_BIT:
        ToIntegerOf(v, type);
        return;
    case DBLIB_T_DATE:
    case DBLIB_T_TIME:
    case DBLIB_T_TIMESTAMP: {
        DateTimeParts dt = DateTimeOf(v, type);
        if (type == DBLIB_T_DATE && !dt.HasDate) ConversionError(v, type);
        return;
    }
    default:
        return;
    }
}

// ---- Engine values ------------------------------------------------------------------------------

void ThrowOutOfMemory() { throw DbError(DBLIB_E_MEMORY); }

int BindValue(sqlite3_stmt* stmt, int param, const Value& v, bool copy) {
    switch (v.K) {
    case Value::Int: return sqlite3_bind_int64(stmt, param, v.I);
    case Value::Real: return sqlite3_bind_double(stmt, param, v.D);
    case Value::Text:
        return sqlite3_bind_text64(stmt, param, v.P ? v.P : "", v.N, copy ? SQLITE_TRANSIENT : SQLITE_STATIC,
                                   SQLITE_UTF8);
    case Value::Blob:
        if (v.N == 0) return sqlite3_bind_zeroblob(stmt, param, 0);
        return sqlite3_bind_blob64(stmt, param, v.P, v.N, copy ? SQLITE_TRANSIENT : SQLITE_STATIC);
    default: return sqlite3_bind_null(stmt, param);
    }
}

// ---- SQLDA inputs -------------------------------------------------------------------------------

Value ReadInput(const sqlvar& var, char (&scratch)[kScratchSize], VariableAccess* vars) {
    int type = var.sqltype & ~1;
    if (var.sqlind && *var.sqlind < 0) return Value::MakeNull();
    if (type == DBLIB_T_VARIABLE) {
        if (!var.sqldata) BadVariable("a type 600 variable without a name");
        if (!vars) throw DbError(DBLIB_E_VARIABLE_NOT_FOUND, static_cast<const char*>(var.sqldata));
        return vars->ReadVariable(static_cast<const char*>(var.sqldata));
    }
    if (!IsKnownType(type)) BadVariable("data type " + std::to_string(type));
    const void* d = var.sqldata;
    if (!d) return Value::MakeNull();
    const char* c = static_cast<const char*>(d);
    switch (type) {
    case DBLIB_T_INT: return Value::MakeInt(Load<int32_t>(d));
    case DBLIB_T_SMALLINT: return Value::MakeInt(Load<int16_t>(d));
    case DBLIB_T_TINYINT: return Value::MakeInt(Load<uint8_t>(d));
    case DBLIB_T_BIGINT: return Value::MakeInt(Load<int64_t>(d));
    case DBLIB_T_UNSINT: return Value::MakeInt(Load<uint32_t>(d));
    case DBLIB_T_UNSSMALLINT: return Value::MakeInt(Load<uint16_t>(d));
    case DBLIB_T_UNSBIGINT: {
        uint64_t u = Load<uint64_t>(d);
        if (u > static_cast<uint64_t>(INT64_MAX))
            throw DbError(DBLIB_E_OUT_OF_RANGE, std::to_string(u));
        return Value::MakeInt(static_cast<int64_t>(u));
    }
    case DBLIB_T_BIT: return Value::MakeInt(Load<uint8_t>(d) ? 1 : 0);
    case DBLIB_T_DOUBLE: return Value::MakeReal(Load<double>(d));
    case DBLIB_T_FLOAT: return Value::MakeReal(Load<float>(d));
    case DBLIB_T_DECIMAL: return DecodeDecimal(static_cast<const unsigned char*>(d), var.sqllen, scratch);
    case DBLIB_T_STRING: {
        size_t n = var.sqllen > 0 ? strnlen(c, static_cast<size_t>(var.sqllen)) : std::strlen(c);
        return Value::MakeText(c, n);
    }
    case DBLIB_T_FIXCHAR: return Value::MakeText(c, var.sqllen > 0 ? static_cast<size_t>(var.sqllen) : 0);
    case DBLIB_T_VARCHAR:
    case DBLIB_T_BINARY: {
        uint16_t n = Load<uint16_t>(d);
        if (var.sqllen >= 2 && n > var.sqllen - 2)
            BadVariable("a length of " + std::to_string(n) + " in a buffer of " + std::to_string(var.sqllen));
        return type == DBLIB_T_VARCHAR ? Value::MakeText(c + 2, n) : Value::MakeBlob(c + 2, n);
    }
    case DBLIB_T_LONGVARCHAR:
    case DBLIB_T_LONGBINARY: {
        const uint32_t n = longdata::Get(d, longdata::kStoredLen);
        const char* bytes = longdata::Bytes(d);
        return type == DBLIB_T_LONGVARCHAR ? Value::MakeText(bytes, n) : Value::MakeBlob(bytes, n);
    }
    case DBLIB_T_DATE:
    case DBLIB_T_TIME:
    case DBLIB_T_TIMESTAMP: {
        size_t n = var.sqllen > 0 ? strnlen(c, static_cast<size_t>(var.sqllen)) : std::strlen(c);
        Value text = Value::MakeText(c, n);
        DateTimeParts dt = DateTimeOf(text, type);
        if (type == DBLIB_T_DATE && !dt.HasDate) ConversionError(text, type);
        return Value::MakeText(scratch, FormatDateTime(dt, type, scratch));
    }
    case DBLIB_T_TIMESTAMP_STRUCT: {
        sqldatetime ts;
        std::memcpy(&ts, d, sizeof ts);
        DateTimeParts dt;
        bool noDate = ts.year == 0 && ts.month == 0 && ts.day == 0;
        bool ok = ts.hour < 24 && ts.minute < 60 && ts.second < 60 && ts.microsecond >= 0 &&
                  ts.microsecond < 1000000;
        if (!noDate)
            ok = ok && ts.year >= 1 && ts.year <= 9999 && ts.month < 12 && ts.day >= 1 &&
                 ts.day <= DaysInMonth(ts.year, ts.month + 1);
        if (!ok) throw DbError(DBLIB_E_CONVERSION, "an invalid time-stamp record", "timestamp");
        dt.HasDate = !noDate;
        dt.HasTime = true;
        dt.Year = ts.year;
        dt.Month = ts.month + 1;
        dt.Day = ts.day;
        dt.Hour = ts.hour;
        dt.Minute = ts.minute;
        dt.Second = ts.second;
        dt.Micro = ts.microsecond;
        return Value::MakeText(scratch, FormatDateTime(dt, noDate ? DBLIB_T_TIME : DBLIB_T_TIMESTAMP, scratch));
    }
    default: BadVariable("data type " + std::to_string(type));
    }
}

// ---- SQLDA outputs ------------------------------------------------------------------------------

bool StoreOutput(const Value& v, sqlvar& var, VariableAccess* vars) {
    int type = var.sqltype & ~1;
    if (var.sqldata && fast::StoreCommon(v, var, type)) return false;
    if (type == DBLIB_T_VARIABLE) {
        if (!var.sqldata) BadVariable("a type 600 variable without a name");
        if (!vars) throw DbError(DBLIB_E_VARIABLE_NOT_FOUND, static_cast<const char*>(var.sqldata));
        vars->AssignVariable(static_cast<const char*>(var.sqldata), v);
        if (var.sqlind) *var.sqlind = 0;
        return false;
    }
    if (!IsKnownType(type)) BadVariable("data type " + std::to_string(type));
    if (v.K == Value::Null) {
        if (!var.sqlind) throw DbError(DBLIB_E_NO_INDICATOR);
        *var.sqlind = -1;
        return false;
    }
    void* d = var.sqldata;
    if (!d) {
        if (var.sqlind) *var.sqlind = 0;
        return false;
    }
    char* c = static_cast<char*>(d);
    bool cut = false;
    size_t full = 0;
    char buf[48];
    const char* tp;
    size_t tn;
    switch (type) {
    case DBLIB_T_INT: StoreRaw(d, static_cast<int32_t>(ToIntegerOf(v, type))); break;
    case DBLIB_T_SMALLINT: StoreRaw(d, static_cast<int16_t>(ToIntegerOf(v, type))); break;
    case DBLIB_T_TINYINT: StoreRaw(d, static_cast<uint8_t>(ToIntegerOf(v, type))); break;
    case DBLIB_T_BIGINT: StoreRaw(d, ToIntegerOf(v, type)); break;
    case DBLIB_T_UNSINT: StoreRaw(d, static_cast<uint32_t>(ToIntegerOf(v, type))); break;
    case DBLIB_T_UNSSMALLINT: StoreRaw(d, static_cast<uint16_t>(ToIntegerOf(v, type))); break;
    case DBLIB_T_UNSBIGINT: StoreRaw(d, ToUnsigned64(v)); break;
    case DBLIB_T_BIT: StoreRaw(d, static_cast<uint8_t>(ToIntegerOf(v, type))); break;
    case DBLIB_T_DOUBLE: StoreRaw(d, ToDouble(v)); break;
    case DBLIB_T_FLOAT: {
        double x = ToDouble(v);
        if (std::isfinite(x) && std::fabs(x) > FLT_MAX) RangeError(v);
        StoreRaw(d, static_cast<float>(x));
        break;
    }
    case DBLIB_T_DECIMAL: EncodeDecimal(v, var.sqllen, static_cast<unsigned char*>(d)); break;
    case DBLIB_T_STRING: {
        if (var.sqllen < 1) BadVariable("a string buffer of length " + std::to_string(var.sqllen));
        TextOf(v, buf, tp, tn);
        size_t w;
        cut = CopyCut(c, static_cast<size_t>(var.sqllen) - 1, tp, tn, w);
        c[w] = '\0';
        full = tn;
        break;
    }
    case DBLIB_T_FIXCHAR: {
        if (var.sqllen < 0) BadVariable("a char buffer of length " + std::to_string(var.sqllen));
        TextOf(v, buf, tp, tn);
        size_t w;
        cut = CopyCut(c, static_cast<size_t>(var.sqllen), tp, tn, w);
        if (w < static_cast<size_t>(var.sqllen)) std::memset(c + w, ' ', static_cast<size_t>(var.sqllen) - w);
        full = tn;
        break;
    }
    case DBLIB_T_VARCHAR:
    case DBLIB_T_BINARY: {
        if (var.sqllen < 2) BadVariable("a buffer of length " + std::to_string(var.sqllen));
        TextOf(v, buf, tp, tn);
        size_t w;
        cut = CopyCut(c + 2, static_cast<size_t>(var.sqllen) - 2, tp, tn, w);
        StoreRaw(d, static_cast<uint16_t>(w));
        full = tn;
        break;
    }
    case DBLIB_T_LONGVARCHAR:
    case DBLIB_T_LONGBINARY: {
        const uint32_t cap = longdata::Get(d, longdata::kArrayLen);
        TextOf(v, buf, tp, tn);
        size_t w;
        cut = CopyCut(longdata::Bytes(d), cap, tp, tn, w);
        longdata::Set(d, longdata::kStoredLen, static_cast<uint32_t>(w));
        longdata::Set(d, longdata::kUntruncLen, static_cast<uint32_t>(tn > UINT32_MAX ? UINT32_MAX : tn));
        full = tn;
        break;
    }
    case DBLIB_T_DATE:
    case DBLIB_T_TIME:
    case DBLIB_T_TIMESTAMP: {
        if (var.sqllen < 1) BadVariable("a date buffer of length " + std::to_string(var.sqllen));
        DateTimeParts dt = DateTimeOf(v, type);
        if (type == DBLIB_T_DATE && !dt.HasDate) ConversionError(v, type);
        size_t n = FormatDateTime(dt, type, buf);
        size_t w;
        cut = CopyCut(c, static_cast<size_t>(var.sqllen) - 1, buf, n, w);
        c[w] = '\0';
        full = n;
        break;
    }
    case DBLIB_T_TIMESTAMP_STRUCT: fast::StoreStamp(DateTimeOf(v, type), d); break;
    default: BadVariable("data type " + std::to_string(type));
    }
    if (var.sqlind) *var.sqlind = cut ? TruncIndicator(full) : 0;
    return cut;
}

} // namespace tnxdb
