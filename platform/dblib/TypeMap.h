// The mapping from declared column and variable types to the type codes of the SQLDA, and the
// storage class in which an SQL variable of a declared type keeps its value.
#pragma once

#include <cstdint>
#include <string_view>

namespace tnxdb {

// How a value of a declared type is kept (SQL variables convert what they are given to this).
enum class Storage { Integer, Real, Decimal, Text, Binary, Date, Time, Timestamp, Any };

struct DeclaredType {
    int16_t SqlType; // a DBLIB_T_* code, bit 0 clear
    int16_t SqlLen;  // the length the describe reports
    Storage Store;
    bool Declared;   // false: no declared type (an expression)
};

// Maps a declared type text (as written in CREATE TABLE or CREATE VARIABLE; null or empty for an
// expression) onto its type code and length, by the table in dblib.h.
DeclaredType MapDeclaredType(std::string_view decl);

// Whether a type code (bit 0 cleared) is one the library converts to or from.
bool IsKnownType(int type);

// A short name of a type code for messages ("integer", "timestamp", ...).
const char* TypeName(int type);

} // namespace tnxdb
