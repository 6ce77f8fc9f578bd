// Conversions between values (Value) and the buffers of SQLDA variables, in both directions, for
// every type code of dblib.h; plus the date, time and decimal formats those conversions share.
// The routines work in place: text and numbers are formatted into the caller's buffer or a
// scratch buffer on the stack, never through the heap. A value that cannot convert throws
// DbError(DBLIB_E_CONVERSION); one outside the target's range DbError(DBLIB_E_OUT_OF_RANGE).
#pragma once

#include "platform/dblib/Value.h"
#include "platform/dblib/dblib.h"

#include <sqlite3.h>

namespace tnxdb {

// Where type-600 variables are read from and stored into (the connection's SQL variables).
class VariableAccess {
public:
    virtual ~VariableAccess() = default;
    // The value of the variable named `name`; throws DBLIB_E_VARIABLE_NOT_FOUND.
    virtual Value ReadVariable(const char* name) = 0;
    // Stores a value into the variable, converting it to the variable's type.
    virtual void AssignVariable(const char* name, const Value& v) = 0;
};

// Size a scratch buffer must have for ReadInput.
constexpr size_t kScratchSize = 64;

// The value an input variable sends. Dates, times and time stamps come back as normalized text
// in `scratch`; other text and bytes point into the caller's buffer or the variable.
Value ReadInput(const sqlvar& var, char (&scratch)[kScratchSize], VariableAccess* vars);

// Stores a value into an output variable. Returns true when the value was cut short (the
// indicator, if any, then holds its full length).
bool StoreOutput(const Value& v, sqlvar& var, VariableAccess* vars);

// The current value of an engine column as a view (valid until the statement moves).
Value ColumnValue(sqlite3_stmt* stmt, int col);

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

// Parses "YYYY-MM-DD", "HH:MM[:SS[.f...]]" or both separated by a blank or 'T', with blanks
// around; validates every field. Returns false when the text holds no valid date or time.
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

} // namespace tnxdb
