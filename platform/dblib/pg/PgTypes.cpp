// Server types, values and errors in the library's terms (see PgTypes.h).
#include "platform/dblib/pg/PgTypes.h"

#include "platform/dblib/Convert.h"

#include <charconv>
#include <cstdlib>
#include <cstring>

namespace tnxdb::pg {

BackendColumn DescribeType(Oid type, int typmod) {
    BackendColumn c;
    auto set = [&](int t, int len) {
        c.SqlType = static_cast<int16_t>(t);
        c.SqlLen = static_cast<int16_t>(len);
    };
    // A character type's modifier is its declared length plus a 4-byte header.
    const int declared = typmod >= 4 ? typmod - 4 : -1;
    switch (type) {
    case oid::Int2: set(DBLIB_T_SMALLINT, 2); break;
    case oid::Int4: set(DBLIB_T_INT, 4); break;
    case oid::Int8: set(DBLIB_T_BIGINT, 8); break;
    case oid::Float4: set(DBLIB_T_FLOAT, 4); break;
    case oid::Float8: set(DBLIB_T_DOUBLE, 8); break;
    case oid::Bool: set(DBLIB_T_BIT, 1); break;
    case oid::Oid_: set(DBLIB_T_UNSINT, 4); break;
    case oid::Numeric: {
        // The modifier packs (precision << 16 | scale) + 4; the library's decimals hold 1..40
        // digits, so a wider declared precision reports 40.
        int p = 30, s = 6;
        if (typmod >= 4) {
            p = ((typmod - 4) >> 16) & 0xffff;
            s = (typmod - 4) & 0xffff;
            if (p > 40) p = 40;
            if (s > p) s = p;
        }
        set(DBLIB_T_DECIMAL, p | (s << 8));
        break;
    }
    case oid::BpChar: set(DBLIB_T_FIXCHAR, declared > 0 && declared <= 32767 ? declared : 32767); break;
    case oid::VarChar: set(DBLIB_T_VARCHAR, declared > 0 && declared <= 32767 ? declared : 32767); break;
    case oid::Bytea: set(DBLIB_T_LONGBINARY, 32767); break;
    case oid::Date: set(DBLIB_T_DATE, 10); break;
    case oid::Time: set(DBLIB_T_TIME, 8); break;
    case oid::Timestamp:
    case oid::TimestampTz: set(DBLIB_T_TIMESTAMP, 26); break;
    default: set(DBLIB_T_LONGVARCHAR, 32767); break; // text, name and every other type: its text
    }
    return c;
}

namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// bytea's text form: "\x" and two hex digits a byte (the server's default output). The older
// escape form is decoded too, for servers configured with bytea_output = escape.
void DecodeBytea(const char* p, size_t n, std::string& out) {
    out.clear();
    if (n >= 2 && p[0] == '\\' && p[1] == 'x') {
        out.resize((n - 2) / 2);
        char* d = out.data();
        for (size_t i = 2; i + 1 < n; i += 2) {
            int hi = HexDigit(p[i]), lo = HexDigit(p[i + 1]);
            if (hi < 0 || lo < 0) throw DbError(DBLIB_E_CONVERSION, "binary data", "bytes");
            *d++ = static_cast<char>(hi << 4 | lo);
        }
        return;
    }
    out.reserve(n);
    for (size_t i = 0; i < n;) {
        if (p[i] != '\\') {
            out += p[i++];
        } else if (i + 1 < n && p[i + 1] == '\\') {
            out += '\\';
            i += 2;
        } else if (i + 3 < n) {
            out += static_cast<char>((p[i + 1] - '0') * 64 + (p[i + 2] - '0') * 8 + (p[i + 3] - '0'));
            i += 4;
        } else {
            throw DbError(DBLIB_E_CONVERSION, "binary data", "bytes");
        }
    }
}

} // namespace

Value ReadServerText(Oid type, const char* text, size_t n, std::string& scratch) {
    switch (type) {
    case oid::Int2:
    case oid::Int4:
    case oid::Int8:
    case oid::Oid_: {
        int64_t i = 0;
        auto [end, ec] = std::from_chars(text, text + n, i);
        if (ec == std::errc() && end == text + n) return Value::MakeInt(i);
        return Value::MakeText(text, n);
    }
    case oid::Float4:
    case oid::Float8:
        // strtod reads the server's "NaN", "Infinity" and "-Infinity" as well.
        return Value::MakeReal(std::strtod(text, nullptr));
    case oid::Bool:
        return Value::MakeInt(n > 0 && (text[0] == 't' || text[0] == 'T') ? 1 : 0);
    case oid::Bytea:
        DecodeBytea(text, n, scratch);
        return Value::MakeBlob(scratch.data(), scratch.size());
    case oid::TimestampTz: {
        // "YYYY-MM-DD HH:MM:SS[.ffffff]+00": the session's zone is UTC (set at connect), so the
        // zone is always +00 and is dropped. (A time of day with a zone keeps its own offset and
        // is read as text, zone and all.)
        size_t keep = n;
        for (size_t i = n; i > 19; --i) {
            if (text[i - 1] == '+' || text[i - 1] == '-') {
                keep = i - 1;
                break;
            }
        }
        return Value::MakeText(text, keep);
    }
    default:
        return Value::MakeText(text, n);
    }
}

ParamWire WriteParam(const Value& v, Oid type, std::string& scratch) {
    ParamWire w;
    char buf[40];
    switch (v.K) {
    case Value::Null:
        return w;
    case Value::Int: {
        if (type == oid::Bool) {
            scratch.assign(v.I != 0 ? "t" : "f");
        } else {
            auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v.I);
            (void)ec;
            scratch.assign(buf, end);
        }
        break;
    }
    case Value::Real: {
        size_t len = FormatDouble(v.D, buf, sizeof buf);
        scratch.assign(buf, len);
        break;
    }
    case Value::Text:
    case Value::Blob:
        if (type == oid::Bytea || (v.K == Value::Blob && type == oid::Unknown)) {
            w.Data = v.P ? v.P : "";
            w.Length = static_cast<int>(v.N);
            w.Format = 1;
            return w;
        }
        // Text goes as it is; a NUL inside cannot travel in a text parameter.
        if (v.N && std::memchr(v.P, '\0', v.N)) throw DbError(DBLIB_E_CONVERSION, "binary data", "text");
        scratch.assign(v.P ? v.P : "", v.N);
        break;
    }
    w.Data = scratch.c_str();
    w.Length = static_cast<int>(scratch.size());
    return w;
}

int CodeOfSqlState(std::string_view s) {
    struct Entry {
        const char* State;
        int Code;
    };
    static constexpr Entry kExact[] = {
        {"42601", DBLIB_E_SYNTAX},           {"42P01", DBLIB_E_TABLE_NOT_FOUND},
        {"42703", DBLIB_E_COLUMN_NOT_FOUND}, {"42883", DBLIB_E_FUNCTION_NOT_FOUND},
        {"42501", DBLIB_E_PERMISSION},       {"42P07", DBLIB_E_ALREADY_EXISTS},
        {"42710", DBLIB_E_ALREADY_EXISTS},   {"23505", DBLIB_E_UNIQUE},
        {"23502", DBLIB_E_NOT_NULL},         {"23503", DBLIB_E_FOREIGN_KEY},
        {"23514", DBLIB_E_CHECK},            {"22P02", DBLIB_E_CONVERSION},
        {"22007", DBLIB_E_CONVERSION},       {"22008", DBLIB_E_OUT_OF_RANGE},
        {"22003", DBLIB_E_OUT_OF_RANGE},     {"22001", DBLIB_E_OUT_OF_RANGE},
        {"57014", DBLIB_E_INTERRUPTED},      {"40001", DBLIB_E_DEADLOCK},
        {"40P01", DBLIB_E_DEADLOCK},         {"55P03", DBLIB_E_ROW_LOCKED},
        {"28P01", DBLIB_E_BAD_USER},         {"28000", DBLIB_E_BAD_USER},
        {"3D000", DBLIB_E_DB_NOT_FOUND},     {"34000", DBLIB_E_CURSOR_NOT_DECLARED},
        {"42P03", DBLIB_E_CURSOR_ALREADY_OPEN}, {"24000", DBLIB_E_NO_CURRENT_ROW},
        {"25006", DBLIB_E_READ_ONLY},        {"53100", DBLIB_E_DISK_FULL},
        {"53200", DBLIB_E_MEMORY},           {"57P01", DBLIB_E_CONNECTION_ENDED},
        {"57P02", DBLIB_E_CONNECTION_ENDED}, {"57P03", DBLIB_E_ENGINE_NOT_FOUND},
    };
    for (const Entry& e : kExact)
        if (s == e.State) return e.Code;
    if (s.size() == 5 && s.substr(0, 2) == "08") return DBLIB_E_CONNECTION_ENDED;
    if (s.size() == 5 && s.substr(0, 2) == "22") return DBLIB_E_CONVERSION;
    return DBLIB_E_RUNTIME;
}

namespace {

std::string Field(const PGresult* r, int field) {
    const char* v = r ? Pq().PQresultErrorField(r, field) : nullptr;
    return v ? v : "";
}

// The first "quoted" name in a server message ("relation \"t\" does not exist" gives t).
std::string FirstQuoted(const std::string& message) {
    size_t a = message.find('"');
    if (a == std::string::npos) return message;
    size_t b = message.find('"', a + 1);
    return b == std::string::npos ? message : message.substr(a + 1, b - a - 1);
}

} // namespace

DbError ErrorOf(PGconn* conn, const PGresult* result) {
    if (!conn || Pq().PQstatus(conn) == CONNECTION_BAD) return DbError(DBLIB_E_CONNECTION_ENDED);
    std::string state = Field(result, PG_DIAG_SQLSTATE);
    std::string primary = Field(result, PG_DIAG_MESSAGE_PRIMARY);
    if (primary.empty()) {
        primary = result ? Pq().PQresultErrorMessage(result) : Pq().PQerrorMessage(conn);
        while (!primary.empty() && (primary.back() == '\n' || primary.back() == ' ')) primary.pop_back();
    }
    const int code = CodeOfSqlState(state);
    const std::string table = Field(result, PG_DIAG_TABLE_NAME);
    const std::string constraint = Field(result, PG_DIAG_CONSTRAINT_NAME);
    switch (code) {
    case DBLIB_E_SYNTAX:
    case DBLIB_E_TABLE_NOT_FOUND:
    case DBLIB_E_COLUMN_NOT_FOUND:
    case DBLIB_E_FUNCTION_NOT_FOUND:
    case DBLIB_E_ALREADY_EXISTS:
        return DbError(code, FirstQuoted(primary));
    case DBLIB_E_UNIQUE:
        if (constraint.size() > 5 && constraint.compare(constraint.size() - 5, 5, "_pkey") == 0)
            return DbError(DBLIB_E_PRIMARY_KEY, table);
        return DbError(code, constraint, table);
    case DBLIB_E_NOT_NULL:
        return DbError(code, Field(result, PG_DIAG_COLUMN_NAME), table);
    case DBLIB_E_FOREIGN_KEY:
        // The server reports both directions under one state; a row still referenced says so.
        if (primary.find("still referenced") != std::string::npos || primary.find("update or delete") == 0)
            return DbError(DBLIB_E_REFERENCED, table);
        return DbError(code, table);
    case DBLIB_E_CHECK:
        return DbError(code, constraint, table);
    case DBLIB_E_INTERRUPTED:
    case DBLIB_E_CONNECTION_ENDED:
    case DBLIB_E_DEADLOCK:
    case DBLIB_E_ROW_LOCKED:
    case DBLIB_E_BAD_USER:
    case DBLIB_E_DISK_FULL:
    case DBLIB_E_MEMORY:
        return DbError(code);
    default:
        return DbError(code, primary);
    }
}

} // namespace tnxdb::pg
