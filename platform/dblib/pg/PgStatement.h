// PgStatement and PgCursor: a statement prepared on the server (its markers numbered as the
// server's typed parameters) and a server-side cursor over it.
//
// Cursors. Opening declares a server cursor named after the library's cursor (letter case folded):
//   - SCROLL, or NO SCROLL for a forward-only cursor (a move back is refused here, before it is
//     sent, with DBLIB_E_CURSOR_FORWARD_ONLY);
//   - WITH HOLD unless opened for update, so that it stays open across commit and rollback. A
//     cursor opened for update changes rows with WHERE CURRENT OF, which the server allows only
//     on a cursor of the transaction it was opened in: such a cursor ends with its transaction.
// A read-only forward-only cursor's DECLARE carries a FETCH of its first rows in the same request,
// and its fetches read ahead of the caller's blocks (rows with long values excepted); those rows
// are kept as rows fetched but not delivered. A fetch that came short tells that a forward-only
// cursor has nothing more, so the moves after it ask the server nothing. A cursor closed right after its own
// last request leaves its CLOSE for the connection's next request (PgBackend::DeferClose).
// A block fetch is FETCH FORWARD n when it moves one row on, else FETCH ABSOLUTE/RELATIVE to its
// first row and FETCH FORWARD for the rest; the cursor then stands on the last row delivered, as
// the server's own cursor does. The last block stays at hand so that long values of the current
// row are read in pieces from memory (a bytea value is decoded once, then each piece costs its
// own length).
//
// Lifetime: statements and cursors refer to their backend and must go before it; dropping one
// drops its server-side statement or cursor (quietly, when the connection is already gone).
#pragma once

#include "platform/dblib/Backend.h"
#include "platform/dblib/pg/PgBackend.h"

#include "platform/dblib/pg/PqApi.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tnxdb::pg {

// The text with every '?' and ':name' marker written as the server's numbered parameter ($1, $2,
// ...) and a trailing ';' dropped; markers is set to their number.
std::string ServerText(std::string_view sql, size_t& markers);

class PgStatement final : public BackendStatement {
public:
    // Prepares text with '?' and ':name' markers. Throws DbError.
    static std::unique_ptr<PgStatement> Prepare(PgBackend& backend, std::string_view sql);
    ~PgStatement() override;
    PgStatement(const PgStatement&) = delete;
    PgStatement& operator=(const PgStatement&) = delete;

    const std::vector<BackendColumn>& Columns() const override { return FColumns; }
    const std::vector<BackendColumn>& Inputs() const override { return FInputs; }
    int64_t Execute(const sqlda* in, sqlda* out, bool& truncated) override;
    std::unique_ptr<BackendCursor> Open(std::string_view name, const sqlda* in, unsigned options) override;
    std::string Plan() override;

    // The text as the server runs it ($1, $2, ... for the markers).
    const std::string& ServerText() const { return FServerText; }
    // The planner's row estimate for the query (asked once, then kept), at least 1.
    int64_t EstimateRows() const;
    // The type the server gave each parameter.
    const std::vector<Oid>& ParamTypes() const { return FParamTypes; }
    const std::vector<Oid>& ColumnTypes() const { return FColumnTypes; }
    // Per result column: the table it is taken from and its column number there (InvalidOid and
    // 0 for an expression).
    const std::vector<Oid>& ColumnTables() const { return FColumnTables; }
    const std::vector<int>& ColumnNumbers() const { return FColumnNumbers; }

private:
    PgStatement(PgBackend& backend) : FBackend(backend) {}
    void MarkNotNullColumns();

    PgBackend& FBackend;
    std::string FName;       // the server's prepared statement
    std::string FServerText;
    std::vector<BackendColumn> FColumns, FInputs;
    std::vector<Oid> FParamTypes, FColumnTypes, FColumnTables;
    std::vector<int> FColumnNumbers;
    mutable int64_t FEstimate = -1; // -1: not asked yet
};

// The typed parameters of one request: values read from an input SQLDA and kept until sent.
class ParamSet {
public:
    // Reads the first `count` variables of `in` (fewer there: DBLIB_E_TOO_FEW_VALUES) for
    // parameters of the given types.
    ParamSet(const sqlda* in, size_t count, const std::vector<Oid>& types, VariableAccess* vars);
    // Adds one value for a parameter of unknown type (the server infers it from its use).
    void Add(const sqlvar& var, VariableAccess* vars);
    int Count() const { return static_cast<int>(FValues.size()); }
    const char* const* Values() const { return FValues.data(); }
    const int* Lengths() const { return FLengths.data(); }
    const int* Formats() const { return FFormats.data(); }

private:
    void Put(const sqlvar& var, Oid type, VariableAccess* vars);
    struct Scratch {
        char Bytes[64];
    };
    std::vector<std::unique_ptr<Scratch>> FScratch; // date texts ReadInput builds
    std::vector<std::unique_ptr<std::string>> FText; // number texts WriteParam builds
    std::vector<const char*> FValues;
    std::vector<int> FLengths, FFormats;
};

class PgCursor final : public BackendCursor {
public:
    // Most rows a forward-only cursor's open fetches with its DECLARE.
    static constexpr int64_t kFirstRowsMax = 100;
    // Most rows a read-only forward-only cursor reads ahead of what a fetch asks.
    static constexpr unsigned kReadAheadMax = 1000;

    PgCursor(PgBackend& backend, const PgStatement& statement, std::string name, unsigned options);
    ~PgCursor() override;
    PgCursor(const PgCursor&) = delete;
    PgCursor& operator=(const PgCursor&) = delete;

    // Declares the server cursor with the input values.
    void Open(const sqlda* in);

    const std::vector<BackendColumn>& Columns() const override { return FStatement.Columns(); }
    int32_t RowReport() override;
    FetchOutcome Fetch(FetchKind kind, int offset, sqlda* da, unsigned rows) override;
    PieceOutcome GetData(unsigned column, size_t offset, sqlvar& var) override;
    void Update(const sqlda* values) override;
    void Delete() override;
    void PutInto(const sqlda* values, sqlda* into, bool& truncated) override;
    void Close() override;

private:
    PgResult FetchCommand(const std::string& command);
    // After a block cut short: rows from `from` on were not delivered. A scrollable cursor moves
    // the server's cursor back to them; a forward-only one keeps them for the next fetch.
    void KeepUndelivered(const std::vector<std::pair<std::shared_ptr<PgResult>, int>>& block, size_t from,
                         bool forwardOnly, bool reachedEnd);
    int PendingRows() const;
    void SkipPending(int rows);
    // Sends the cursor's DECLARE with the values of its open.
    int SendDeclare(PGconn* c) const;
    void ShowOwnChange(bool deleted);
    void RequireChangeable() const;
    const std::string& TableName();
    // The table column a variable's name means (a result column's name, or the table's own).
    std::string TableColumn(const sqlname& name);

    PgBackend& FBackend;
    const PgStatement& FStatement;
    std::string FName;       // as given
    std::string FServerName; // quoted, letter case folded
    unsigned FOptions;
    bool FOpen = false;
    std::string FDeclare;                           // the DECLARE text
    std::vector<std::optional<std::string>> FParams; // the open's values (nullopt: NULL)
    std::vector<int> FParamFormats;

    // Where the cursor stands (kept for forward-only cursors and for relative 0 at an end).
    long long FPos = 0;  // 1-based row; 0 before the first
    int FSide = -1;      // when not on a row: -1 before the first, 1 after the last
    bool FOnRow = false;
    std::shared_ptr<PgResult> FBlock; // the result holding the current row (row FBlockRow)
    int FBlockRow = -1;
    bool FPosKnown = true;            // FPos is exact (not after a move counted from the end)
    int FServerAhead = 0;             // 1: the server's cursor stands after the last row, this on it
    // Forward-only: rows fetched from the server but not delivered yet, in order: each run is the
    // rows of one result from Row to its end. The server's cursor stands on the last of them
    // (or after it when FServerDone).
    struct PendingRun {
        std::shared_ptr<PgResult> Result;
        int Row = 0;
    };
    std::vector<PendingRun> FPending;
    bool FServerDone = false;         // forward-only: the server's cursor has delivered its last row
    unsigned FReadAhead = 0;          // rows the next server fetch asks at least (0: as many as needed)
    uint64_t FOwnRequest = 0;         // the backend's request count after this cursor's last request
    unsigned FBlockStamp = 0;         // changes with every block (the piece cache's key)
    unsigned FPieceStamp = ~0u;       // block and column of the decoded value in FPiece
    unsigned FPieceColumn = 0;
    std::string FPiece;

    // Positioned changes: the table and the table column of each result column.
    bool FTableRead = false;
    std::string FTable;
    std::vector<std::string> FTableColumns; // per result column ("" for an expression)
    std::vector<std::string> FAllColumns;   // every column of the table
};

} // namespace tnxdb::pg
