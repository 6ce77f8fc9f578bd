// The one owner of a compiled engine statement in this library.
//
// StmtHandle finalizes the statement it holds when it goes out of scope, is reset or is moved
// over, so a statement is released on every path, including an exception thrown between its
// compilation and its last use. Code that only uses a statement another object owns keeps a
// plain sqlite3_stmt* (obtained through get()); nothing else calls sqlite3_finalize.
#pragma once

#include <sqlite3.h>

#include <memory>
#include <string>

namespace tnxdb {

struct StmtFinalizer {
    void operator()(sqlite3_stmt* s) const noexcept { sqlite3_finalize(s); }
};

using StmtHandle = std::unique_ptr<sqlite3_stmt, StmtFinalizer>;

// Compiles the first statement of sql on db into out (released first). Returns the engine's
// result code; out is empty unless the code is SQLITE_OK and the text held a statement (a text
// of blanks or comments compiles to nothing). flags are the sqlite3_prepare_v3 flags; tail, when
// given, receives the start of the text after the compiled statement.
inline int PrepareStmt(sqlite3* db, const char* sql, int bytes, unsigned flags, StmtHandle& out,
                       const char** tail = nullptr) {
    out.reset();
    sqlite3_stmt* s = nullptr;
    int rc = sqlite3_prepare_v3(db, sql, bytes, flags, &s, tail);
    out.reset(s); // on failure the engine leaves s null, or a statement that must still be released
    if (rc != SQLITE_OK) out.reset();
    return rc;
}

inline int PrepareStmt(sqlite3* db, const std::string& sql, unsigned flags, StmtHandle& out) {
    return PrepareStmt(db, sql.c_str(), -1, flags, out);
}

// Resets a statement (not owned) when the scope ends, so that it releases its read snapshot and
// its locks whichever way the scope is left.
class StmtResetScope {
public:
    explicit StmtResetScope(sqlite3_stmt* s) noexcept : FStmt(s) {}
    ~StmtResetScope() {
        if (FStmt) sqlite3_reset(FStmt);
    }
    StmtResetScope(const StmtResetScope&) = delete;
    StmtResetScope& operator=(const StmtResetScope&) = delete;

private:
    sqlite3_stmt* FStmt;
};

} // namespace tnxdb
