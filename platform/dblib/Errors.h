// Error codes of the client library: the table of codes with their SQLSTATE and message template,
// the exception that carries a code through the library's C++ code, and the routines that write
// an outcome into a caller's SQLCA. Every entry point ends by writing an SQLCA through here, so
// the rules "sqlerrmc holds the parameters" and "messages never hold a password" live in one place.
#pragma once

#include "platform/dblib/dblib.h"

#include <exception>
#include <string>

namespace tnxdb {

// One known code. Text is the message template: %1 and %2 stand for the parameters.
struct ErrorInfo {
    int Code;
    const char* SqlState;
    const char* Text;
};

// The entry for a code, or null for a code the table does not know.
const ErrorInfo* FindError(int code);

// The full message of a code with its parameters substituted. Unknown codes get a generic text.
std::string FormatMessage(int code, const std::string& p1, const std::string& p2);

// A failure inside the library: a code (negative error or positive warning) and up to two
// message parameters. Parameters never hold passwords: callers pass names and positions only.
class DbError : public std::exception {
public:
    explicit DbError(int code, std::string p1 = {}, std::string p2 = {})
        : FCode(code), FP1(std::move(p1)), FP2(std::move(p2)) {}
    int Code() const { return FCode; }
    const std::string& P1() const { return FP1; }
    const std::string& P2() const { return FP2; }
    // Where the failure happened, when the code's message alone would not tell (for a value that
    // cannot be delivered: its column and row). Shown after the message, in parentheses.
    const std::string& Where() const { return FWhere; }
    DbError& At(std::string where) {
        FWhere = std::move(where);
        return *this;
    }
    const char* what() const noexcept override { return "database error"; }

private:
    int FCode;
    std::string FP1, FP2;
    std::string FWhere;
};

// Sets the SQLCA to success: code 0, SQLSTATE "00000", no parameters, counts 0, no warnings.
void ResetSqlca(sqlca* ca);

// Writes a code with its parameters into the SQLCA (sqlcode, sqlstate, sqlerrmc, sqlerrml) and
// returns the full message text. sqlerrd is left as the call set it.
std::string WriteSqlca(sqlca* ca, int code, const std::string& p1, const std::string& p2);

// Marks a truncated value in sqlwarn.
void SetTruncationWarning(sqlca* ca);

} // namespace tnxdb
