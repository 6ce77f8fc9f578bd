// Domain checks: what a typed column refuses to store. The engine keeps any value in any column
// (an INT column takes 4294967296, a DATE column takes 'not a date'), but the library delivers a
// column's values in the form its declared type names, so such a value could be written and then
// never read back. Each connection therefore refuses, when a row is inserted or updated, a value
// that the delivery of its column's declared type could not convert:
//   - integer columns (INT, SMALLINT, TINYINT, BIT, BIGINT and the unsigned ones): a number
//     outside the type's range (DBLIB_E_OUT_OF_RANGE, -158), text that is no number (-157);
//   - DATE, TIME, DATETIME / TIMESTAMP columns: a value that is no date or time text (-157).
// NULL always passes. The statement that tries fails as a whole and changes nothing.
//
// How: the connection registers the SQL function tnx_domain(value, type, column, ...) and keeps
// one temporary AFTER INSERT and one AFTER UPDATE OF trigger per table of the database that has
// such columns; the triggers pass the function every checked column of the new row.
//
// Cost: a table with a trigger makes the engine keep a statement journal for each write and run the
// trigger for each row: about 1.3 microseconds a row on this machine class, whatever the checks. Temporary
// objects belong to this connection alone: the file's schema is never touched, and other programs
// writing the file are not checked (which is why a value may still arrive that fails its fetch).
// The triggers are brought up to date before a write transaction starts whenever the database's
// schema changed since they were made (a table created, altered or dropped, by any connection).
#pragma once

#include "platform/dblib/Errors.h"
#include "platform/dblib/StmtHandle.h"

#include <sqlite3.h>

#include <map>
#include <optional>
#include <string>

namespace tnxdb {

class DomainChecks {
public:
    DomainChecks() = default;
    ~DomainChecks();
    DomainChecks(const DomainChecks&) = delete;
    DomainChecks& operator=(const DomainChecks&) = delete;

    // Registers the check function on the handle. Call once, before any statement writes.
    void Attach(sqlite3* handle);
    // Releases the cached statements (before the handle closes).
    void Detach();

    // Brings the triggers up to date when the schema changed since the last time. Call outside a
    // transaction (the temporary schema then commits on its own). A failure leaves the triggers as
    // they were and is tried again at the next write: it never fails the user's statement.
    void Refresh();

    // The error the check function raised in the statement that just failed (consumed).
    std::optional<DbError> TakeFailure();
    // Forgets a failure left by a statement whose error was reported otherwise.
    void ClearFailure() { FFailure.reset(); }

private:
    static void CheckFunction(sqlite3_context* ctx, int argc, sqlite3_value** argv);
    bool SchemaChanged();
    void Rebuild();

    sqlite3* FHandle = nullptr;
    StmtHandle FSchemaVersion;              // PRAGMA main.schema_version, kept compiled
    int FBuiltFor = -1;                     // the schema version the triggers were made for
    // The triggers this connection made: name -> the text it made it from.
    std::map<std::string, std::string> FTriggers;
    std::optional<DbError> FFailure;
};

} // namespace tnxdb
