// Declared-type mapping (see TypeMap.h).
#include "platform/dblib/TypeMap.h"

#include "platform/dblib/SqlScanner.h"
#include "platform/dblib/Text.h"
#include "platform/dblib/dblib.h"

#include <string>
#include <vector>

namespace tnxdb {

namespace {

constexpr int16_t kLong = 32767;

// The words of a type text and the numbers in its parentheses.
struct TypeWords {
    std::vector<std::string> Words; // upper case
    std::vector<int> Numbers;
};

TypeWords SplitType(std::string_view decl) {
    TypeWords tw;
    ScannedSql scanned = ScanSql(decl);
    for (const Token& t : scanned.Tokens) {
        if (t.Kind == TokKind::Word) tw.Words.push_back(ToUpper(decl.substr(t.Begin, t.End - t.Begin)));
        if (t.Kind == TokKind::Number) {
            long v = 0;
            for (size_t i = t.Begin; i < t.End && decl[i] >= '0' && decl[i] <= '9' && v < 100000; ++i)
                v = v * 10 + (decl[i] - '0');
            tw.Numbers.push_back(static_cast<int>(v));
        }
    }
    return tw;
}

bool Has(const TypeWords& tw, const char* w) {
    for (const auto& x : tw.Words)
        if (x == w) return true;
    return false;
}

int16_t ClampLen(int v, int16_t def) {
    if (v <= 0) return def;
    return static_cast<int16_t>(v > kLong ? kLong : v);
}

} // namespace

DeclaredType MapDeclaredType(std::string_view decl) {
    if (Trim(decl).empty()) return {DBLIB_T_LONGVARCHAR, kLong, Storage::Any, false};
    TypeWords tw = SplitType(decl);
    int n0 = tw.Numbers.empty() ? 0 : tw.Numbers[0];
    bool isUnsigned = Has(tw, "UNSIGNED");
    bool isLong = Has(tw, "LONG");
    if (isLong && (Has(tw, "BINARY") || Has(tw, "VARBINARY"))) return {DBLIB_T_LONGBINARY, kLong, Storage::Binary, true};
    if (isLong && (Has(tw, "VARCHAR") || Has(tw, "CHAR") || Has(tw, "NVARCHAR") || tw.Words.size() == 1))
        return {DBLIB_T_LONGVARCHAR, kLong, Storage::Text, true};
    if (Has(tw, "BLOB") || Has(tw, "IMAGE")) return {DBLIB_T_LONGBINARY, kLong, Storage::Binary, true};
    if (Has(tw, "TEXT") || Has(tw, "CLOB")) return {DBLIB_T_LONGVARCHAR, kLong, Storage::Text, true};
    if (Has(tw, "VARCHAR") || Has(tw, "NVARCHAR") || (Has(tw, "CHARACTER") && Has(tw, "VARYING")) ||
        (Has(tw, "CHAR") && Has(tw, "VARYING")))
        return {DBLIB_T_VARCHAR, ClampLen(n0, kLong), Storage::Text, true};
    if (Has(tw, "CHAR") || Has(tw, "CHARACTER") || Has(tw, "NCHAR"))
        return {DBLIB_T_FIXCHAR, ClampLen(n0, 1), Storage::Text, true};
    if (Has(tw, "VARBINARY")) return {DBLIB_T_BINARY, ClampLen(n0, kLong), Storage::Binary, true};
    if (Has(tw, "BINARY")) return {DBLIB_T_BINARY, ClampLen(n0, kLong), Storage::Binary, true};
    if (Has(tw, "BIGINT")) return {int16_t(isUnsigned ? DBLIB_T_UNSBIGINT : DBLIB_T_BIGINT), 8, Storage::Integer, true};
    if (Has(tw, "SMALLINT"))
        return {int16_t(isUnsigned ? DBLIB_T_UNSSMALLINT : DBLIB_T_SMALLINT), 2, Storage::Integer, true};
    if (Has(tw, "TINYINT")) return {DBLIB_T_TINYINT, 1, Storage::Integer, true};
    if (Has(tw, "INT") || Has(tw, "INTEGER"))
        return {int16_t(isUnsigned ? DBLIB_T_UNSINT : DBLIB_T_INT), 4, Storage::Integer, true};
    if (Has(tw, "BIT") || Has(tw, "BOOLEAN")) return {DBLIB_T_BIT, 1, Storage::Integer, true};
    if (Has(tw, "DOUBLE")) return {DBLIB_T_DOUBLE, 8, Storage::Real, true};
    if (Has(tw, "FLOAT") || Has(tw, "REAL")) return {DBLIB_T_FLOAT, 4, Storage::Real, true};
    if (Has(tw, "DECIMAL") || Has(tw, "NUMERIC") || Has(tw, "DEC")) {
        int p = tw.Numbers.empty() ? 30 : tw.Numbers[0];
        int s = tw.Numbers.size() > 1 ? tw.Numbers[1] : (tw.Numbers.empty() ? 6 : 0);
        if (p < 1) p = 1;
        if (p > 40) p = 40;
        if (s > p) s = p;
        if (s < 0) s = 0;
        return {DBLIB_T_DECIMAL, int16_t(p | (s << 8)), Storage::Decimal, true};
    }
    if (Has(tw, "SMALLMONEY")) return {DBLIB_T_DECIMAL, int16_t(10 | (4 << 8)), Storage::Decimal, true};
    if (Has(tw, "MONEY")) return {DBLIB_T_DECIMAL, int16_t(19 | (4 << 8)), Storage::Decimal, true};
    if (Has(tw, "TIMESTAMP") || Has(tw, "DATETIME") || Has(tw, "SMALLDATETIME"))
        return {DBLIB_T_TIMESTAMP, 26, Storage::Timestamp, true};
    if (Has(tw, "DATE")) return {DBLIB_T_DATE, 10, Storage::Date, true};
    if (Has(tw, "TIME")) return {DBLIB_T_TIME, 8, Storage::Time, true};
    return {DBLIB_T_LONGVARCHAR, kLong, Storage::Any, true};
}

bool IsKnownType(int type) {
    switch (type) {
    case DBLIB_T_DATE: case DBLIB_T_TIME: case DBLIB_T_TIMESTAMP_STRUCT: case DBLIB_T_TIMESTAMP:
    case DBLIB_T_VARCHAR: case DBLIB_T_FIXCHAR: case DBLIB_T_LONGVARCHAR: case DBLIB_T_STRING:
    case DBLIB_T_DOUBLE: case DBLIB_T_FLOAT: case DBLIB_T_DECIMAL: case DBLIB_T_INT: case DBLIB_T_SMALLINT:
    case DBLIB_T_BINARY: case DBLIB_T_LONGBINARY: case DBLIB_T_VARIABLE: case DBLIB_T_TINYINT:
    case DBLIB_T_BIGINT: case DBLIB_T_UNSINT: case DBLIB_T_UNSSMALLINT: case DBLIB_T_UNSBIGINT: case DBLIB_T_BIT:
        return true;
    default:
        return false;
    }
}

const char* TypeName(int type) {
    switch (type) {
    case DBLIB_T_DATE: return "date";
    case DBLIB_T_TIME: return "time";
    case DBLIB_T_TIMESTAMP_STRUCT:
    case DBLIB_T_TIMESTAMP: return "timestamp";
    case DBLIB_T_VARCHAR: return "varchar";
    case DBLIB_T_FIXCHAR: return "char";
    case DBLIB_T_LONGVARCHAR: return "long varchar";
    case DBLIB_T_STRING: return "string";
    case DBLIB_T_DOUBLE: return "double";
    case DBLIB_T_FLOAT: return "float";
    case DBLIB_T_DECIMAL: return "decimal";
    case DBLIB_T_INT: return "integer";
    case DBLIB_T_SMALLINT: return "smallint";
    case DBLIB_T_BINARY: return "binary";
    case DBLIB_T_LONGBINARY: return "long binary";
    case DBLIB_T_TINYINT: return "tinyint";
    case DBLIB_T_BIGINT: return "bigint";
    case DBLIB_T_UNSINT: return "unsigned int";
    case DBLIB_T_UNSSMALLINT: return "unsigned smallint";
    case DBLIB_T_UNSBIGINT: return "unsigned bigint";
    case DBLIB_T_BIT: return "bit";
    default: return "unknown type";
    }
}

} // namespace tnxdb
