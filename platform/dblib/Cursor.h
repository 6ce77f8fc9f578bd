// Cursor: a named cursor of a connection over a prepared statement (dbpp_declare, dbpp_open and
// the calls that use the name), and CursorSet, the connection's cursors by name.
//
// Result sets. A cursor gives the rows of its statement's queries one result set after another:
// opening runs the statement's parts up to its first query (parts that are not queries run as
// they are reached) and NextResultSet moves on to the next query. Input values are copied at
// the open, so the parts after the first are bound from the values the open was given.
//
// Keeping rows. Rows are read from the engine only when the cursor first needs them.
//   - A scrollable cursor (default, fixed scroll) keeps every row it has read, in the order read,
//     so that it can go back and to absolute positions; going to the end, or counting from it,
//     reads the rest. Memory grows with the rows visited, never beyond the result.
//   - A forward-only cursor keeps no rows of its own: it delivers straight from the engine and
//     copies a row only when the engine must step past the row it stands on (inside a block, so
//     that a block ended by the end of the result still leaves its last row at hand). Memory is
//     one row, whatever the size of the result.
//   - An insensitive cursor reads its whole result at the open.
// Positions are numbered over the rows the caller sees ("logical"); rows deleted through a
// scrollable cursor stay in its store but leave the numbering (LiveIndex). Rows changed or
// inserted through the cursor are remembered by row identifier so that the engine's scan never
// delivers them a second time.
//
// Snapshots. While a cursor has rows left to read, its engine statement holds the snapshot the
// open took. When the connection must start a change and another connection has committed since,
// the engine refuses the change; the connection then asks every cursor to Drain (read the rest of
// its current result set into memory and let go of the statement) and tries again.
#pragma once

#include "platform/dblib/Errors.h"
#include "platform/dblib/LiveIndex.h"
#include "platform/dblib/RowStore.h"
#include "platform/dblib/StmtHandle.h"
#include "platform/dblib/TypeMap.h"
#include "platform/dblib/UpdatableQuery.h"
#include "platform/dblib/dblib.h"

#include <sqlite3.h>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace tnxdb {

class Connection;
class Statement;

// Cursor options (dbpp_declare, dbpp_open), as the interface header names them.
constexpr unsigned kCursorReadOnly = DBLIB_CURSOR_READ_ONLY;
constexpr unsigned kCursorForwardOnly = DBLIB_CURSOR_FORWARD_ONLY;
constexpr unsigned kCursorFixedScroll = DBLIB_CURSOR_FIXED_SCROLL;
constexpr unsigned kCursorInsensitive = DBLIB_CURSOR_INSENSITIVE;
constexpr unsigned kCursorForUpdate = DBLIB_CURSOR_FOR_UPDATE;

class Cursor {
public:
    Cursor(std::string name, int statement, unsigned options);
    ~Cursor();
    Cursor(const Cursor&) = delete;
    Cursor& operator=(const Cursor&) = delete;

    const std::string& Name() const { return FName; }
    int StatementNumber() const { return FStatementNumber; }
    bool IsOpen() const { return FOpen; }
    // The statement the open cursor runs (null while closed).
    const Statement* OpenStatement() const { return FStatement; }
    // dbpp_declare again: a closed cursor takes a new statement and options.
    void Redeclare(int statement, unsigned options);

    // dbpp_open: runs the statement with the input SQLDA. Returns what sqlerrd[2] reports: the
    // row count (>= 0) when it is exact, else minus an estimate.
    int32_t Open(Connection& c, const sqlda* in, unsigned options);
    void Close();

    // dbpp_describe_cursor: kind 1 (or 9) the result columns, 2 the statement's inputs.
    void Describe(Connection& c, sqlda* da, unsigned kind, sqlca* ca);
    // dbpp_fetch_array and dbpp_fetch (see dblib.h for positions and codes).
    void Fetch(Connection& c, unsigned kind, int offset, sqlda* da, unsigned rows, sqlca* ca);
    void Move(Connection& c, unsigned kind, int offset, sqlca* ca);
    // dbpp_get_data: one piece of a column of the current row.
    void GetData(Connection& c, unsigned column, int offset, sqlda* da, sqlca* ca);
    // Positioned changes.
    void Update(Connection& c, const sqlda* da, sqlca* ca);
    void Delete(Connection& c, sqlca* ca);
    void PutInto(Connection& c, const sqlda* put, sqlda* into, sqlca* ca);

    // ---- Several result sets ----
    // Moves the open cursor to its statement's next query, running the parts between; true with
    // `rowReport` set as Open sets it. False when no query follows: the current result set, its
    // rows and the position stay as they were.
    bool NextResultSet(Connection& c, int32_t& rowReport);
    // The engine text of the query giving the current result set ("" when there is none).
    std::string QueryText() const;
    // The rows the cursor holds in memory now (a forward-only cursor: at most the row it stands
    // on, unless it had to read the rest of its result to release its snapshot).
    size_t KeptRows() const { return FRows.Rows(); }

    // ---- Connection hooks ----
    // Before the connection changes data: a row the cursor would read from the engine's current
    // position is copied first (a change may move what the engine points at).
    void BeforeWrite();
    // Whether the current result set still has an engine statement with rows left.
    bool HoldsSnapshot() const { return FOpen && FEngine && !FAtEnd && !FFailure; }
    // Reads the rest of the current result set into memory and releases the engine statement.
    void Drain(Connection& c);

private:
    enum class Where { Before, On, Hole, After };
    enum class Outcome { Row, PastEnd, PastStart, NoRow };
    struct Target {
        Outcome What;
        size_t Row;
    };

    void StartResultSet(Connection& c, sqlite3_stmt* stmt, size_t part, bool own);
    void EndResultSet();
    bool FirstQuery(Connection& c);
    void RunPart(Connection& c, sqlite3_stmt* stmt);
    void BindInputs(Connection& c, sqlite3_stmt* stmt, size_t first, size_t count);
    size_t PartFirstMarker(size_t part) const;
    int32_t RowReport(Connection& c);
    bool CountRows(Connection& c, int64_t& count);
    int64_t EstimateRows(Connection& c);

    // Rows and positions.
    bool Step(Connection& c, bool keep = false);
    void KeepEngineRow();
    void KeepRow(size_t physical, const Value* values);
    // Copies the engine's current row (physical FRead - 1) into the shadow.
    void ShadowEngineRow();
    // Keeps the shadow's row in the store when the cursor stands on it; the shadow is then spent.
    void KeepShadowRowIfCurrent();
    // Ends the result at a failure of the engine's step: the statement is reset and every later
    // step raises the same error (rows read before it are still served).
    void EndAtFailure(const DbError& e);
    bool Have(Connection& c, size_t logical);
    size_t LiveRows() const { return FKeepAll ? FLive.LiveCount() : FRead - FDeletedForward; }
    size_t Physical(size_t logical) const {
        return FKeepAll ? FLive.Select(logical) : logical + FDeletedForward;
    }
    bool Stored(size_t physical) const {
        return physical >= FStoreBase && physical - FStoreBase < FRows.Rows();
    }
    Value CellValue(size_t physical, size_t col) const;
    const Value* LiveValues() const;
    Target Resolve(Connection& c, unsigned kind, int offset);
    void DeliverRow(Connection& c, size_t physical, sqlda* da, size_t first, sqlca* ca,
                    bool& cutWithoutIndicator);

    // Positioned changes.
    void RequireChangeable() const;
    void RequireCurrentRow() const;
    int64_t CurrentRowid() const;
    // The quoted table columns named by an SQLDA's variables, and those variables, in order.
    std::vector<std::string> ChangedColumns(Connection& c, const sqlda* da,
                                            std::vector<const sqlvar*>& vars) const;
    bool ReadRow(Connection& c, int64_t rowid);
    void PrepareUpdatable(Connection& c, sqlite3_stmt* part);

    // Declaration.
    std::string FName;
    int FStatementNumber;
    unsigned FDeclaredOptions;

    // Open state.
    bool FOpen = false;
    unsigned FOptions = 0;
    bool FForwardOnly = false; // moves may only go forward
    bool FKeepAll = false;     // keeps every row read (scrollable or insensitive)
    Statement* FStatement = nullptr;
    RowStore FInputs; // one row: the statement's input values as the open received them
    size_t FPart = 0; // the statement part giving the current result set

    // Changing rows through the cursor. The compiled cursor and row queries are kept across
    // opens while the statement's text stays the same.
    bool FUpdatable = false;
    std::string FNotUpdatable; // why the rows cannot be changed (when opened for update)
    UpdatableQuery FQuery;
    std::string FOwnSource; // the engine text FOwnStmt and FRowStmt were built from
    StmtHandle FOwnStmt;
    StmtHandle FRowStmt;
    std::unordered_set<int64_t> FSkip; // rows changed or inserted through the cursor

    // The compiled query counting the rows of the query text FCountSource (row_counts ON), kept
    // across opens; reset and without bindings between opens.
    std::string FCountSource;
    StmtHandle FCountStmt;

    // The current result set. Physical rows are numbered in the order read from the engine.
    sqlite3_stmt* FEngine = nullptr;       // borrowed; null: the statement gave no result set
    bool FOwnEngine = false;               // FEngine is FOwnStmt (with the hidden rowid column)
    size_t FCols = 0;                      // columns the caller sees
    int FRowidCol = -1;                    // engine column holding the row identifier, or -1
    std::vector<DeclaredType> FValueTypes; // per column: its type from its first value (describe)
    size_t FRead = 0;                      // physical rows read from the engine
    bool FEngineOn = false;                // the engine's current row is physical row FRead - 1
    // The values of the engine's current row, read once for delivery and copy alike (forward-only
    // cursors); valid while FLiveRead, that is until the engine steps.
    mutable std::vector<Value> FLiveValues;
    mutable bool FLiveRead = false;
    // A forward-only cursor copies the row it stands on before the engine steps past it, so that
    // a block ended by the end of the result (or by a row that cannot be delivered) still has its
    // last row at hand. Most such copies are never used: the next row follows and the cursor moves
    // on to it. So the copy goes into this one-row shadow (the values, their bytes in the shadow's
    // own buffer), and the store takes it over only when the step finds no row while the cursor
    // still stands on it, or the next row cannot be delivered.
    // Rows whose texts and blobs take more than kShadowBytes go to the store straight away.
    static constexpr size_t kShadowBytes = size_t(16) << 10;
    std::vector<Value> FShadow;
    std::unique_ptr<char[]> FShadowBytes; // kShadowBytes, made when first needed
    size_t FShadowRow = 0; // physical row in the shadow
    bool FShadowOn = false; // the shadow holds a row the store does not
    bool FAtEnd = false;             // the engine has no more rows
    std::optional<DbError> FFailure; // the engine failed: rows not yet read are unavailable
    RowStore FRows;                  // kept rows: physical FStoreBase .. FStoreBase + Rows() - 1
    size_t FStoreBase = 0;           // always 0 when FKeepAll
    LiveIndex FLive;                 // FKeepAll: logical <-> physical
    size_t FDeletedForward = 0;      // forward-only: rows deleted through the cursor (all behind it)
    Where FWhere = Where::Before;
    size_t FPos = 0; // On: the current row; Hole: the row after the deleted one
};

class CursorSet {
public:
    // dbpp_declare: a new cursor, or a closed one declared again (an open one: -172).
    Cursor& Declare(std::string_view name, int statement, unsigned options);
    Cursor* Find(std::string_view name);
    // Like Find, but an unknown name is DBLIB_E_CURSOR_NOT_DECLARED.
    Cursor& Get(std::string_view name);
    // The same for a name as the caller passes it (NUL-terminated, not empty): the name of the
    // last call is recognised in one pass over it, without measuring it first.
    Cursor& Get(const char* name);
    // A statement was dropped or replaced: its cursors close.
    void StatementGone(int number);
    // The open cursor running this statement, or null.
    const Cursor* OpenOn(const Statement* s) const;
    void BeforeWrite();
    // Drains every cursor that holds a snapshot; false when none did.
    bool ReleaseSnapshots(Connection& c);

private:
    static std::string Key(std::string_view name);
    Cursor* Remember(std::string_view name, Cursor* cursor);
    std::map<std::string, std::unique_ptr<Cursor>> FCursors; // by upper-case name
    // The cursor named last, under the spelling it was named by: a caller that declares, opens,
    // fetches and closes one cursor finds it again without folding the name's case. Cursors are
    // never removed from the set, so the pointer stays valid.
    Cursor* FLast = nullptr;
    std::string FLastName;
};

} // namespace tnxdb
