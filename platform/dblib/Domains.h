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
// How, for most writes: the connection registers the SQL function tnx_domain(value, type, column,
// ...) and makes one temporary AFTER INSERT and one AFTER UPDATE OF trigger per table of the
// database that has such columns; the triggers pass the function every checked column of the new
// row. A table with a trigger makes the engine keep a statement journal for each write and run the
// trigger for each row: about 3,500 instructions a row, whatever the checks. Temporary objects
// belong to this connection alone: the file's schema is never touched, and other programs writing
// the file are not checked (which is why a value may still arrive that fails its fetch).
//
// How, for plain single-row inserts ("INSERT INTO t [(cols)] VALUES (...)") into a table without
// triggers of its own: the statement's text checks each checked column's value before the row is
// written, converted as the column's affinity will convert it (PlanInsert says when). The markers
// and constants among the values are checked by one call, "CASE WHEN tnx_domain_pass(value, type,
// column, ...) THEN value END" on the first of them; any other value becomes
// "tnx_domain_value(value, type, column)", which hands a copy of it on. A failed check fails the
// statement before it writes, so it needs no statement journal either.
//
// The triggers therefore exist only while writes that need them run. A write that is not such an
// insert makes them: outside a transaction when it starts one, else inside the running one, and
// then they are looked for again before each later such write of that transaction, as a ROLLBACK
// TO can take them away. They are dropped once kQuietTransactions write transactions in a row
// needed none, and rebuilt whenever the database's schema changed since they were made (a table
// created, altered or dropped, by any connection).
#pragma once

#include "platform/dblib/Errors.h"
#include "platform/dblib/StmtHandle.h"
#include "platform/dblib/Value.h"

#include <sqlite3.h>

#include <cstdint>
#include <cstring>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace tnxdb {

// How to check the values of one plain single-row INSERT (see PlanInsert).
struct InsertPlan {
    // Per value of the VALUES list: the type code its column checks (0: not checked) and the
    // column's name.
    struct Item {
        int Type = 0;
        std::string Column;
    };
    std::vector<Item> Items;
    // The value that feeds an integer key column narrower than 64 bits that is the table's row
    // identifier: a NULL there makes the engine choose the key, which only the triggers check.
    // -1: none.
    int KeyItem = -1;
    uint64_t SchemaKey = 0; // the schemas the plan was made for (SchemaKey())
};

class DomainChecks {
public:
    DomainChecks() = default;
    ~DomainChecks();
    DomainChecks(const DomainChecks&) = delete;
    DomainChecks& operator=(const DomainChecks&) = delete;

    // Registers the check functions and the transaction hooks on the handle. Call once, before
    // any statement writes.
    void Attach(sqlite3* handle);
    // Releases the cached statements (before the handle closes).
    void Detach();
    bool Attached() const { return FHandle != nullptr; }

    // What a write transaction about to start (outside a transaction) is for: a write the
    // triggers must check, a write whose values are checked in its own text, or neither yet (an
    // explicit BEGIN).
    enum class Start { CheckedWrite, InlineWrite, Neutral };
    // Brings the triggers up to date when the writes need them (and the schema changed since they
    // were made), or drops them after enough transactions without such writes. A failure to make
    // them is thrown (the write must not run unchecked); a failure to drop them is not.
    void BeforeTransaction(Start why);
    // Before a write the triggers must check, inside a transaction: makes them when they are
    // missing or stale. Cheap when they were found current in this transaction already.
    void EnsureInTransaction();

    // The plan for "INSERT INTO table [(columns)] VALUES (items values)", or nothing when the
    // triggers must check it: the table is not a plain one of the main database, has triggers,
    // a REPLACE or IGNORE conflict clause, generated columns, a checked column of another
    // affinity than integer or numeric, an unlisted checked column with a default or that is the
    // row identifier, or the names do not match.
    std::optional<InsertPlan> PlanInsert(const std::string& table, const std::vector<std::string>* columns,
                                         size_t items);
    // The main and temporary schemas' versions in one number; read once per transaction.
    uint64_t SchemaKey();

    // A time stamp with a date that the library wrote itself from a valid record, about to be
    // bound: every date, time and time-stamp check takes such text, so a check that meets these
    // very bytes again passes them without parsing. The last kKnownStamps texts are remembered.
    void NoteValidStamp(const char* p, size_t n) {
        if (n > kStampText) return;
        KnownStamp& k = FKnownStamps[FNextStamp];
        std::memcpy(k.Text, p, n);
        k.Length = static_cast<uint8_t>(n);
        FNextStamp = (FNextStamp + 1) % kKnownStamps;
    }

    // The error a check function raised in the statement that just failed (consumed).
    std::optional<DbError> TakeFailure();
    // Forgets a failure left by a statement whose error was reported otherwise.
    void ClearFailure() { FFailure.reset(); }

    // Write transactions in a row without a write that needs the triggers, before they go.
    static constexpr int kQuietTransactions = 8;

private:
    static void CheckFunction(sqlite3_context* ctx, int argc, sqlite3_value** argv);
    // Checks a value against the type code of triple[1]; a failure names the column of triple[2].
    static bool Check(sqlite3_context* ctx, const Value& v, sqlite3_value** triple);
    static bool CheckAsStored(sqlite3_context* ctx, sqlite3_value** argv);
    static void ValueFunction(sqlite3_context* ctx, int argc, sqlite3_value** argv);
    static void PassFunction(sqlite3_context* ctx, int argc, sqlite3_value** argv);
    static int OnCommit(void* self);
    static void OnRollback(void* self);
    void Fail(sqlite3_context* ctx, DbError e, sqlite3_value* column);
    int MainVersion();
    void Build(int version);
    void Rebuild();
    void DropAll();
    std::set<std::string> ExistingTriggers();
    bool TriggersStand(); // exactly the triggers FTriggers names exist

    // Whether p holds exactly one of the remembered time stamps (see NoteValidStamp).
    bool KnownValidStamp(const void* p, size_t n) const;

    static constexpr size_t kStampText = 26; // "YYYY-MM-DD HH:MM:SS.ffffff"
    static constexpr int kKnownStamps = 4;
    struct KnownStamp {
        char Text[kStampText];
        uint8_t Length = 0; // 0: none
    };
    KnownStamp FKnownStamps[kKnownStamps];
    int FNextStamp = 0;

    sqlite3* FHandle = nullptr;
    StmtHandle FSchemaVersion;              // PRAGMA main.schema_version, kept compiled
    StmtHandle FTempVersion;                // PRAGMA temp.schema_version, kept compiled
    int FBuiltFor = -1;                     // the main schema version the triggers were made for
    // The triggers this connection made: name -> the text it made it from.
    std::map<std::string, std::string> FTriggers;
    bool FBuilt = false;        // the triggers stand as made for FBuiltFor
    bool FProvisional = false;  // made inside the running transaction: a ROLLBACK TO may undo them
    uint64_t FEpoch = 1;        // counts transactions ended (commits and rollbacks)
    uint64_t FCurrentIn = 0;    // the epoch in which the triggers were found current (0: never)
    uint64_t FKey = 0, FKeyIn = 0; // SchemaKey() and the epoch it was read in
    int FQuiet = 0;             // write transactions since the last that needed the triggers
    std::optional<DbError> FFailure;
};

} // namespace tnxdb
