// Conversions between values (Value) and the buffers of SQLDA variables, in both directions, for
// every type code of dblib.h; plus the date, time and decimal formats those conversions share.
// The routines work in place: text and numbers are formatted into the caller's buffer or a
// scratch buffer on the stack, never through the heap. A value that cannot convert throws
// DbError(DBLIB_E_CONVERSION); one outside the target's range DbError(DBLIB_E_OUT_OF_RANGE).
#pragma once

#include "platform/dblib/Value.h"
#include "platform/dblib/dblib.h"

#include <sqlite3.h>

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace tnxdb {

// The header fields and bytes of a long-data variable (types 456 and 528), read and written
// wherever the caller's buffer lies: its address need not suit the header's 32-bit fields (a
// caller may receive a piece straight into its own block, with the header laid just before).
namespace longdata {
constexpr size_t kArrayLen = offsetof(dblib_longdata, array_len);
constexpr size_t kStoredLen = offsetof(dblib_longdata, stored_len);
constexpr size_t kUntruncLen = offsetof(dblib_longdata, untrunc_len);
inline uint32_t Get(const void* d, size_t field) {
    uint32_t v;
    std::memcpy(&v, static_cast<const char*>(d) + field, sizeof v);
    return v;
}
inline void Set(void* d, size_t field, uint32_t v) { std::memcpy(static_cast<char*>(d) + field, &v, sizeof v); }
inline char* Bytes(void* d) { return static_cast<char*>(d) + offsetof(dblib_longdata, array); }
inline const char* Bytes(const void* d) { return static_cast<const char*>(d) + offsetof(dblib_longdata, array); }
} // namespace longdata

// Where type-600 variables are read from and stored into (the connection's SQL variables).
class VariableAccess {
public:
    virtual ~VariableAccess() = default;
    // The value of the variable named `name`; throws DBLIB_E_VARIABLE_NOT_FOUND.
    virtual Value ReadVariable(const char* name) = 0;
    // Stores a value into the variable, converting it to the variable's type.
    virtual void AssignVariable(const char* name, const Value& v) = 0;
};

// Throws DbError(DBLIB_E_MEMORY).
[[noreturn]] void ThrowOutOfMemory();

// Size a scratch buffer must have for ReadInput.
constexpr size_t kScratchSize = 64;

// The value an input variable sends. Dates, times and time stamps come back as normalized text
// in `scratch`; other text and bytes point into the caller's buffer or the variable.
Value ReadInput(const sqlvar& var, char (&scratch)[kScratchSize], VariableAccess* vars);

// Stores a value into an output variable. Returns true when the value was cut short (the
// indicator, if any, then holds its full length).
bool StoreOutput(const Value& v, sqlvar& var, VariableAccess* vars);

// The current value of an engine column as a view (valid until the statement moves): ColumnValue,
// with the row path below.

// Binds a value to parameter `param` (1-based). With copy set the engine keeps its own copy of
// text and bytes (needed when the statement outlives the call); otherwise it refers to them.
// Returns the engine's result code.
int BindValue(sqlite3_stmt* stmt, int param, const Value& v, bool copy);

// ---- Shared formats -----------------------------------------------------------------------------

struct DateTimeParts {
    int Year = 0, Month = 0, Day = 0; // Month 1..12
    int Hour = 0, Minute = 0, Second = 0, Micro = 0;
    bool HasDate = false, HasTime = false;
};

// Parses "YYYY-MM-DD", "HH:MM[:SS[.f...]]" or both separated by a blank or 'T' (then optionally
// ending in 'Z'), with blanks around; validates every field. Returns false when the text holds no valid date or time.
bool ParseDateTime(const char* p, size_t n, DateTimeParts& out);

// Formats for a date (384), time (388) or time stamp (392) target; returns the length written
// (at most 26 characters, no NUL).
size_t FormatDateTime(const DateTimeParts& dt, int type, char* out);

// Parses decimal text (blanks around, sign, fraction, exponent). Sets isInt and i when the value
// is an integer that fits 64 bits, else d. Returns false when the text is not a number.
bool ParseNumber(const char* p, size_t n, bool& isInt, int64_t& i, double& d);

// The shortest decimal text of a double that reads back as the same value; returns its length.
size_t FormatDouble(double d, char* out, size_t size);

// Converts a value to the given integer-like type code's range (int, smallint, tinyint, bigint,
// unsigned ones, bit), truncating fractions toward zero. Throws on text that is not a number
// (DBLIB_E_CONVERSION) and on values outside the range (DBLIB_E_OUT_OF_RANGE).
int64_t ToIntegerOf(const Value& v, int type);
// For DBLIB_T_UNSBIGINT outputs: the unsigned 64-bit value.
uint64_t ToUnsigned64(const Value& v);
// Converts a value to a double (DBLIB_E_CONVERSION for text that is not a number).
double ToDouble(const Value& v);
// Throws the error that delivering a value stored in a column of this declared type (a DBLIB_T_*
// code without the NULL bit) would raise: a number beyond an integer type's range, text that is
// no number for an integer type, anything but date or time text for the date and time types (a
// DATE needs its date part). Other types take every value.
void CheckStorable(const Value& v, int type);

// ---- The row path ------------------------------------------------------------------------------
// What every delivered row goes through, inline so that a block fetch pays no call per value.

// The current value of an engine column as a view (valid until the statement moves).
inline Value ColumnValue(sqlite3_stmt* stmt, int col) {
    // The column's value object, read with the value routines: a quarter cheaper per row than
    // the column routines, which each look the column up again. The object is the engine's
    // "unprotected" kind, which only matters when threads share a connection; one thread at a
    // time runs a connection's requests (and its handle has no mutex of its own anyway).
    sqlite3_value* v = sqlite3_column_value(stmt, col);
    switch (sqlite3_value_type(v)) {
    case SQLITE_INTEGER:
        return Value::MakeInt(sqlite3_value_int64(v));
    case SQLITE_FLOAT:
        return Value::MakeReal(sqlite3_value_double(v));
    case SQLITE_TEXT: {
        const char* p = reinterpret_cast<const char*>(sqlite3_value_text(v));
        size_t n = static_cast<size_t>(sqlite3_value_bytes(v));
        if (!p) ThrowOutOfMemory();
        return Value::MakeText(p, n);
    }
    case SQLITE_BLOB: {
        const char* p = static_cast<const char*>(sqlite3_value_blob(v));
        size_t n = static_cast<size_t>(sqlite3_value_bytes(v));
        if (!p && n > 0) ThrowOutOfMemory();
        return Value::MakeBlob(p, n);
    }
    default:
        return Value::MakeNull();
    }
}

namespace fast {

inline bool IsLeap(int y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}
inline int DaysInMonth(int y, int m) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && IsLeap(y) ? 29 : kDays[m - 1];
}
// 0-based day of the year.
inline int DayOfYear(int y, int m, int d) {
    static constexpr int kBefore[] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
    return kBefore[m - 1] + (m > 2 && IsLeap(y) ? 1 : 0) + d - 1;
}
// 0 = Sunday, for the Gregorian calendar from year 1 on.
inline int DayOfWeek(int y, int m, int d) {
    static constexpr int kShift[] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
    if (m < 3) --y;
    return (y + y / 4 - y / 100 + y / 400 + kShift[m - 1] + d) % 7;
}

// The form the engine keeps time stamps in, "YYYY-MM-DD HH:MM:SS" exactly, read by position;
// false for any other text (the general parser then decides).
inline bool ParseCanonicalStamp(const char* p, size_t n, DateTimeParts& dt) {
    if (n != 19) return false;
    const auto* u = reinterpret_cast<const unsigned char*>(p);
    if ((u[4] ^ '-') | (u[7] ^ '-') | (u[10] ^ ' ') | (u[13] ^ ':') | (u[16] ^ ':')) return false;
    // Straight-line: every digit position checked and read without a branch per character.
    unsigned d0 = u[0] - 48u, d1 = u[1] - 48u, d2 = u[2] - 48u, d3 = u[3] - 48u, d5 = u[5] - 48u,
             d6 = u[6] - 48u, d8 = u[8] - 48u, d9 = u[9] - 48u, d11 = u[11] - 48u, d12 = u[12] - 48u,
             d14 = u[14] - 48u, d15 = u[15] - 48u, d17 = u[17] - 48u, d18 = u[18] - 48u;
    unsigned bad = (d0 > 9) | (d1 > 9) | (d2 > 9) | (d3 > 9) | (d5 > 9) | (d6 > 9) | (d8 > 9) | (d9 > 9) |
                   (d11 > 9) | (d12 > 9) | (d14 > 9) | (d15 > 9) | (d17 > 9) | (d18 > 9);
    if (bad) return false;
    int y = static_cast<int>(d0 * 1000 + d1 * 100 + d2 * 10 + d3);
    int m = static_cast<int>(d5 * 10 + d6), d = static_cast<int>(d8 * 10 + d9);
    int h = static_cast<int>(d11 * 10 + d12), mi = static_cast<int>(d14 * 10 + d15);
    int sec = static_cast<int>(d17 * 10 + d18);
    if (y < 1 || m < 1 || m > 12 || d < 1 || h > 23 || mi > 59 || sec > 59) return false;
    if (d > 28 && d > DaysInMonth(y, m)) return false;
    dt.Year = y;
    dt.Month = m;
    dt.Day = d;
    dt.Hour = h;
    dt.Minute = mi;
    dt.Second = sec;
    dt.Micro = 0;
    dt.HasDate = dt.HasTime = true;
    return true;
}

// Writes a time-stamp record.
inline void StoreStamp(const DateTimeParts& dt, void* d) {
    sqldatetime ts{};
    if (dt.HasDate) {
        ts.year = static_cast<uint16_t>(dt.Year);
        ts.month = static_cast<uint8_t>(dt.Month - 1);
        ts.day = static_cast<uint8_t>(dt.Day);
        ts.day_of_week = static_cast<uint8_t>(DayOfWeek(dt.Year, dt.Month, dt.Day));
        ts.day_of_year = static_cast<uint16_t>(DayOfYear(dt.Year, dt.Month, dt.Day));
    }
    ts.hour = static_cast<uint8_t>(dt.Hour);
    ts.minute = static_cast<uint8_t>(dt.Minute);
    ts.second = static_cast<uint8_t>(dt.Second);
    ts.microsecond = dt.Micro;
    std::memcpy(d, &ts, sizeof ts);
}

// Stores the pairs of value and type that block fetches meet most, exactly as StoreOutput's
// general path would; false (nothing written) when the pair needs that path. `type` is the
// variable's type without the NULL bit; sqldata must not be null.
inline bool StoreCommon(const Value& v, sqlvar& var, int type) {
    void* d = var.sqldata;
    switch (type) {
    case DBLIB_T_INT: {
        if (v.K != Value::Int || v.I < INT32_MIN || v.I > INT32_MAX) return false;
        int32_t i = static_cast<int32_t>(v.I);
        std::memcpy(d, &i, sizeof i);
        break;
    }
    case DBLIB_T_DOUBLE: {
        double x;
        if (v.K == Value::Real)
            x = v.D;
        else if (v.K == Value::Int)
            x = static_cast<double>(v.I);
        else
            return false;
        std::memcpy(d, &x, sizeof x);
        break;
    }
    case DBLIB_T_TIMESTAMP_STRUCT: {
        DateTimeParts dt;
        if (v.K != Value::Text || !ParseCanonicalStamp(v.P, v.N, dt)) return false;
        StoreStamp(dt, d);
        break;
    }
    case DBLIB_T_STRING: {
        if (v.K != Value::Text || var.sqllen < 1 || v.N >= static_cast<size_t>(var.sqllen)) return false;
        char* c = static_cast<char*>(d);
        if (v.N) std::memcpy(c, v.P, v.N);
        c[v.N] = '\0';
        break;
    }
    default:
        return false;
    }
    if (var.sqlind) *var.sqlind = 0;
    return true;
}

// "YYYY-MM-DD HH:MM:SS" of a record with a date in years 1 .. 9999 and whole seconds: what
// FormatDateTime writes for it (19 characters, no NUL).
inline constexpr char kDigitPairs[201] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";
inline size_t FormatCanonicalStamp(const sqldatetime& ts, char* out) {
    auto put2 = [](char* p, unsigned v) { std::memcpy(p, kDigitPairs + 2 * v, 2); };
    const unsigned y = ts.year;
    put2(out, y / 100);
    put2(out + 2, y % 100);
    out[4] = '-';
    put2(out + 5, ts.month + 1u);
    out[7] = '-';
    put2(out + 8, ts.day);
    out[10] = ' ';
    put2(out + 11, ts.hour);
    out[13] = ':';
    put2(out + 14, ts.minute);
    out[16] = ':';
    put2(out + 17, ts.second);
    return 19;
}

// Reads the input variables that statements bind most, exactly as ReadInput would: a 32-bit
// integer, a double, NUL-terminated text and a valid time-stamp record with a date and whole
// seconds. False (nothing read) when the variable needs ReadInput.
inline bool ReadCommon(const sqlvar& var, char (&scratch)[kScratchSize], Value& out) {
    const void* d = var.sqldata;
    if (!d || (var.sqlind && *var.sqlind < 0)) return false;
    switch (var.sqltype & ~1) {
    case DBLIB_T_INT: {
        int32_t i;
        std::memcpy(&i, d, sizeof i);
        out = Value::MakeInt(i);
        return true;
    }
    case DBLIB_T_DOUBLE: {
        double x;
        std::memcpy(&x, d, sizeof x);
        out = Value::MakeReal(x);
        return true;
    }
    case DBLIB_T_STRING: {
        if (var.sqllen <= 0) return false;
        const char* c = static_cast<const char*>(d);
        out = Value::MakeText(c, strnlen(c, static_cast<size_t>(var.sqllen)));
        return true;
    }
    case DBLIB_T_TIMESTAMP_STRUCT: {
        sqldatetime ts;
        std::memcpy(&ts, d, sizeof ts);
        if (ts.microsecond != 0 || ts.hour >= 24 || ts.minute >= 60 || ts.second >= 60 || ts.year < 1 ||
            ts.year > 9999 || ts.month >= 12 || ts.day < 1 ||
            (ts.day > 28 && ts.day > DaysInMonth(ts.year, ts.month + 1)))
            return false;
        out = Value::MakeText(scratch, FormatCanonicalStamp(ts, scratch));
        return true;
    }
    default:
        return false;
    }
}

// The value an input variable sends, as ReadInput gives it, through ReadCommon first: the path of
// every value a statement binds.
inline Value ReadBound(const sqlvar& var, char (&scratch)[kScratchSize], VariableAccess* vars) {
    Value v;
    if (ReadCommon(var, scratch, v)) return v;
    return ReadInput(var, scratch, vars);
}

// Stores a value into an output variable as StoreOutput does, through StoreCommon first: the
// path of every row a fetch or a single-row query delivers. Returns true when the value was cut.
inline bool StoreDelivered(const Value& v, sqlvar& var, VariableAccess* vars) {
    if (var.sqldata && StoreCommon(v, var, var.sqltype & ~1)) return false;
    return StoreOutput(v, var, vars);
}

} // namespace fast

} // namespace tnxdb
