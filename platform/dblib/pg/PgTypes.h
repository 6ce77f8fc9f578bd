// The server's types and errors in the library's terms: describing a column of a server type
// (its type OID and type modifier) with a DBLIB_T_* code and length, reading a value the server
// sent as text into a Value, writing a Value as the text (or bytes) a typed parameter carries,
// and turning a server error (its SQLSTATE) into the library's code.
#pragma once

#include "platform/dblib/Backend.h"
#include "platform/dblib/Errors.h"
#include "platform/dblib/UpdatableQuery.h"
#include "platform/dblib/Value.h"

#include "platform/dblib/pg/PqApi.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace tnxdb::pg {

// Type OIDs of the server's built-in types (fixed by the server's catalog).
namespace oid {
constexpr Oid Bool = 16, Bytea = 17, Name = 19, Int8 = 20, Int2 = 21, Int4 = 23, Text = 25, Oid_ = 26,
              Float4 = 700, Float8 = 701, Unknown = 705, BpChar = 1042, VarChar = 1043, Date = 1082,
              Time = 1083, Timestamp = 1114, TimestampTz = 1184, TimeTz = 1266, Numeric = 1700;
} // namespace oid

// The describe of a column of type `type` with modifier `typmod` (-1: none):
//   int2 500/2, int4 496/4, int8 608/8, float4 482/4, float8 480/8, bool 624/1,
//   numeric(p,s) 484 p|s<<8 (no modifier: 30,6), char(n) 452/n, varchar(n) 448/n (no length:
//   32767), text 456/32767, bytea 528/32767, date 384/10, time 388/8, timestamp[tz] 392/26,
//   oid 612/4, anything else 456/32767 (read as its text).
BackendColumn DescribeType(Oid type, int typmod);

// A value of that type as the server sent it in text form (NUL-terminated, n bytes). bytea is
// decoded from its hex form into `scratch`, which the result then points into; other values
// point into the text. Time stamps with a time zone drop the zone (the session runs in UTC, so it
// is always +00).
Value ReadServerText(Oid type, const char* text, size_t n, std::string& scratch);

// A parameter's wire form: text for every type but bytea, whose bytes go as binary.
struct ParamWire {
    const char* Data = nullptr; // null: NULL
    int Length = 0;
    int Format = 0;             // 0 text, 1 binary
};
// Writes v for a parameter of type `type` (Unknown when the server did not say); text forms of
// numbers are built in `scratch`, which must outlive the call that sends them.
ParamWire WriteParam(const Value& v, Oid type, std::string& scratch);

// The library's error for a failed server result (null: the connection failed before a result).
// A connection that is gone gives DBLIB_E_CONNECTION_ENDED whatever the result says.
DbError ErrorOf(PGconn* conn, const PGresult* result);

// The library's code for an SQLSTATE (five characters); DBLIB_E_RUNTIME when none fits.
int CodeOfSqlState(std::string_view state);

// Quotes a name as an identifier ("a""b"), as the in-process engine's positioned changes do.
inline std::string QuoteIdent(std::string_view name) { return UpdatableQuery::Quote(std::string(name)); }

} // namespace tnxdb::pg
