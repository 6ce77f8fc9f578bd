// Maps the engine's (SQLite's) result codes and messages onto the library's codes, SQLSTATEs and
// message parameters: missing tables and columns, syntax errors, key and constraint violations,
// locks, deadlocks, interruptions, I/O and memory failures.
#pragma once

#include "platform/dblib/Errors.h"

#include <sqlite3.h>

#include <string>

namespace tnxdb {

// What the failing statement did, where the mapping depends on it (a foreign-key violation is a
// missing parent for an INSERT or UPDATE, a referenced row for a DELETE).
enum class Verb { Other, Delete };

// The error for a failed engine call (rc is the call's result; the handle's extended code and
// message are read from db).
// `table` names the statement's target table where the engine's message does not.
DbError EngineError(sqlite3* db, int rc, Verb verb = Verb::Other, const std::string& table = {});

// Runs SQL text that returns no rows; throws the mapped error.
void ExecOrThrow(sqlite3* db, const char* sql);

} // namespace tnxdb
