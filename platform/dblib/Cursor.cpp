// Cursors (see Cursor.h).
#include "platform/dblib/Cursor.h"
#include "platform/dblib/Pieces.h"

#include "platform/dblib/Connection.h"
#include "platform/dblib/Convert.h"
#include "platform/dblib/ErrorMap.h"
#include "platform/dblib/SqlScanner.h"
#include "platform/dblib/Statement.h"
#include "platform/dblib/StmtHandle.h"
#include "platform/dblib/Text.h"
#include "platform/dblib/TypeMap.h"

#include <algorithm>
#include <cassert>
#include <charconv>
#include <cstring>
#include <limits>
#include <type_traits>

namespace tnxdb {

namespace {

void CheckSqlda(const sqlda* da, const char* which) {
    if (da && (da->sqld < 0 || da->sqld > da->sqln))
        throw DbError(DBLIB_E_BAD_SQLDA, std::string(which) + " SQLDA has sqld " + std::to_string(da->sqld) +
                                             " and sqln " + std::to_string(da->sqln));
}

// Heap memory a closed cursor may keep of each block of its row stores for its next open; more is
// returned. Mapped blocks are kept up to RowStore::kWarmMapLimit (see RowStore::Recycle).
constexpr size_t kKeptStoreBytes = size_t(64) << 10;

int32_t Clamp32(int64_t v) {
    if (v > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    if (v < -std::numeric_limits<int32_t>::max()) return -std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(v);
}

// The engine text from its first token to its last (without a trailing ';', blanks, comments).
std::string StatementText(sqlite3_stmt* s) {
    const char* sql = sqlite3_sql(s);
    std::string text = sql ? sql : "";
    ScannedSql scanned = ScanSql(text);
    size_t n = scanned.Tokens.size();
    if (n > 0 && scanned.Tokens[n - 1].Kind == TokKind::Punct && text[scanned.Tokens[n - 1].Begin] == ';')
        --n;
    if (n == 0) return {};
    size_t begin = scanned.Tokens[0].Begin;
    return text.substr(begin, scanned.Tokens[n - 1].End - begin);
}

bool IsDataDefinition(sqlite3_stmt* s) {
    ScannedSql scanned = ScanSql(sqlite3_sql(s) ? sqlite3_sql(s) : "");
    const char* sql = sqlite3_sql(s);
    for (const Token& t : scanned.Tokens) {
        if (t.Kind != TokKind::Word) continue;
        for (const char* k : {"CREATE", "ALTER", "DROP"})
            if (IsKeyword(sql, t, k)) return true;
        return false;
    }
    return false;
}

// The text of a number or the bytes of a text or binary value, for dbpp_get_data.
std::string_view BytesOf(const Value& v, char (&buf)[48]) {
    if (v.K == Value::Int)
        return {buf, static_cast<size_t>(std::to_chars(buf, buf + sizeof buf, v.I).ptr - buf)};
    if (v.K == Value::Real) return {buf, FormatDouble(v.D, buf, sizeof buf)};
    return {v.P ? v.P : "", v.N};
}

} // namespace

// ---- Declaration, open, close -------------------------------------------------------------------

Cursor::Cursor(std::string name, int statement, unsigned options)
    : FName(std::move(name)), FStatementNumber(statement), FDeclaredOptions(options) {}

Cursor::~Cursor() {
    Close();
}

void Cursor::Redeclare(int statement, unsigned options) {
    assert(!FOpen);
    FStatementNumber = statement;
    FDeclaredOptions = options;
}

int32_t Cursor::Open(Connection& c, const sqlda* in, unsigned options) {
    if (FOpen) throw DbError(DBLIB_E_CURSOR_ALREADY_OPEN, FName);
    Statement* s = c.FindStatement(FStatementNumber);
    if (!s) throw DbError(DBLIB_E_BAD_STATEMENT);
    if (s->Kind() != StmtKind::Engine || s->PartCount() == 0)
        throw DbError(DBLIB_E_NOT_A_QUERY, "statement " + std::to_string(FStatementNumber));
    if (const Cursor* other = c.Cursors().OpenOn(s))
        throw DbError(DBLIB_E_CURSOR_ALREADY_OPEN, other->Name());
    CheckSqlda(in, "input");
    size_t needed = s->InputCount();
    if (needed > 0 && (!in || static_cast<size_t>(in->sqld) < needed)) throw DbError(DBLIB_E_TOO_FEW_VALUES);
    // A single statement that returns no rows is refused before anything runs.
    if (sqlite3_column_count(s->PartStatement(0)) == 0 && !s->HoldsSeveral())
        throw DbError(DBLIB_E_NOT_A_QUERY, "statement " + std::to_string(FStatementNumber));

    // Copy the inputs: the parts after the first are bound from them long after this call.
    FInputs.Reset(needed);
    if (needed > 0) {
        struct Scratch {
            char Buf[kScratchSize];
        };
        // Formatted dates live in the scratch buffers until they are copied; a few inputs need
        // no heap at all.
        constexpr size_t kInline = 8;
        Scratch inlineScratch[kInline];
        Value inlineValues[kInline];
        std::vector<Scratch> heapScratch;
        std::vector<Value> heapValues;
        Scratch* scratch = inlineScratch;
        Value* values = inlineValues;
        if (needed > kInline) {
            heapScratch.resize(needed);
            heapValues.resize(needed);
            scratch = heapScratch.data();
            values = heapValues.data();
        }
        for (size_t k = 0; k < needed; ++k)
            values[k] = fast::ReadBound(in->sqlvar[k], scratch[k].Buf, &c.Variables());
        FInputs.Append(values);
    }

    FOptions = options ? options : FDeclaredOptions;
    FForwardOnly = (FOptions & kCursorForwardOnly) != 0;
    FKeepAll = !FForwardOnly || (FOptions & kCursorInsensitive) != 0;
    FStatement = s;
    FOpen = true;
    FUpdatable = false;
    FNotUpdatable.clear();
    try {
        bool forUpdate = (FOptions & kCursorForUpdate) && !(FOptions & kCursorReadOnly);
        if (forUpdate) {
            if (s->HoldsSeveral())
                FNotUpdatable = "it holds several statements";
            else
                PrepareUpdatable(c, s->PartStatement(0));
        }
        if (FUpdatable) {
            BindInputs(c, FOwnStmt.get(), 0,
                       static_cast<size_t>(sqlite3_bind_parameter_count(FOwnStmt.get())));
            StartResultSet(c, FOwnStmt.get(), 0, true);
        } else if (!FirstQuery(c)) {
            FEngine = nullptr;
            FAtEnd = true;
            FCols = 0;
        }
        return RowReport(c);
    } catch (...) {
        Close();
        throw;
    }
}

void Cursor::PrepareUpdatable(Connection& c, sqlite3_stmt* part) {
    // The analysis and the compiled cursor and row queries of the last open are reused while the
    // statement's text is the same (compared in place: an open that reuses them allocates nothing).
    const char* text = sqlite3_sql(part) ? sqlite3_sql(part) : "";
    if (!FOwnStmt || FOwnSource != text) {
        std::string source = text;
        FOwnStmt.reset();
        FRowStmt.reset();
        FOwnSource.clear();
        FQuery = UpdatableQuery::Analyse(source);
        if (!FQuery.Ok()) {
            FNotUpdatable = FQuery.Reason();
            return;
        }
        StmtHandle own, row;
        int rc = PrepareStmt(c.Handle(), FQuery.CursorText(), SQLITE_PREPARE_PERSISTENT, own);
        if (rc == SQLITE_OK) rc = PrepareStmt(c.Handle(), FQuery.RowText(), SQLITE_PREPARE_PERSISTENT, row);
        if (rc != SQLITE_OK || !own || !row) {
            FNotUpdatable = "'" + FQuery.TableName() + "' has no row identifiers";
            return;
        }
        if (!FQuery.Describe(own.get())) {
            FNotUpdatable = FQuery.Reason();
            return;
        }
        FOwnStmt = std::move(own);
        FRowStmt = std::move(row);
        FOwnSource = source;
    }
    FUpdatable = true;
}

bool Cursor::FirstQuery(Connection& c) {
    for (size_t j = 0;; ++j) {
        while (j >= FStatement->PartCount())
            if (!FStatement->CompileNextPart(c)) return false;
        sqlite3_stmt* p = FStatement->PartStatement(j);
        BindInputs(c, p, PartFirstMarker(j), static_cast<size_t>(sqlite3_bind_parameter_count(p)));
        if (sqlite3_column_count(p) == 0) {
            RunPart(c, p);
            continue;
        }
        StartResultSet(c, p, j, false);
        return true;
    }
}

size_t Cursor::PartFirstMarker(size_t part) const {
    size_t first = 0;
    for (size_t i = 0; i < part; ++i)
        first += static_cast<size_t>(sqlite3_bind_parameter_count(FStatement->PartStatement(i)));
    return first;
}

void Cursor::BindInputs(Connection& c, sqlite3_stmt* stmt, size_t first, size_t count) {
    for (size_t k = 0; k < count; ++k) {
        Value v = first + k < FInputs.Columns() ? FInputs.Get(0, first + k) : Value::MakeNull();
        int rc = BindValue(stmt, static_cast<int>(k + 1), v, true);
        if (rc != SQLITE_OK) c.ThrowEngine(rc);
    }
}

void Cursor::RunPart(Connection& c, sqlite3_stmt* p) {
    bool ddl = IsDataDefinition(p);
    if (ddl) c.Commit();
    c.BeginIfNeeded(!sqlite3_stmt_readonly(p));
    int rc;
    while ((rc = sqlite3_step(p)) == SQLITE_ROW) {
    }
    if (rc != SQLITE_DONE) {
        try {
            c.ThrowEngine(rc);
        } catch (...) {
            sqlite3_reset(p);
            throw;
        }
    }
    sqlite3_reset(p);
    if (ddl) c.Commit();
    c.AfterStatement();
}

void Cursor::StartResultSet(Connection& c, sqlite3_stmt* stmt, size_t part, bool own) {
    FEngine = stmt;
    FOwnEngine = own;
    FPart = part;
    int cols = sqlite3_column_count(stmt);
    FRowidCol = own ? cols - 1 : -1;
    FCols = static_cast<size_t>(own ? cols - 1 : cols);
    FRead = 0;
    FEngineOn = false;
    FAtEnd = false;
    FFailure.reset();
    FRows.Reset(static_cast<size_t>(cols));
    FLiveValues.assign(static_cast<size_t>(cols), Value());
    FLiveRead = false;
    FShadow.assign(static_cast<size_t>(cols), Value());
    FShadowOn = false;
    FStoreBase = 0;
    FLive.Clear();
    FDeletedForward = 0;
    FSkip.clear();
    FWhere = Where::Before;
    FPos = 0;
    c.BeginIfNeeded(!sqlite3_stmt_readonly(stmt));
    // Read the first row now: the open takes its snapshot here, reports the query's errors, and
    // the describe learns the types of columns that have no declared type.
    Step(c);
    // What a column without a declared type is described as: the type of its first value.
    FValueTypes.assign(FCols, DeclaredType{DBLIB_T_LONGVARCHAR, 32767, Storage::Any, false});
    for (size_t i = 0; FRead > 0 && i < FCols; ++i) {
        Value v = CellValue(0, i);
        DeclaredType& t = FValueTypes[i];
        switch (v.K) {
        case Value::Int: {
            bool fits = v.I >= INT32_MIN && v.I <= INT32_MAX;
            t.SqlType = fits ? DBLIB_T_INT : DBLIB_T_BIGINT;
            t.SqlLen = fits ? 4 : 8;
            break;
        }
        case Value::Real:
            t.SqlType = DBLIB_T_DOUBLE;
            t.SqlLen = 8;
            break;
        case Value::Text:
            t.SqlType = DBLIB_T_VARCHAR;
            break;
        case Value::Blob:
            t.SqlType = DBLIB_T_BINARY;
            break;
        case Value::Null:
            break;
        }
    }
    if (FOptions & kCursorInsensitive)
        while (Step(c)) {
        }
}

void Cursor::EndResultSet() {
    if (FEngine) sqlite3_reset(FEngine);
    FEngine = nullptr;
    FEngineOn = false;
    FRows.Recycle(kKeptStoreBytes);
    FLive.Clear();
    FSkip.clear();
    FFailure.reset();
}

void Cursor::Close() {
    if (!FOpen) return;
    EndResultSet();
    if (FOwnStmt) sqlite3_clear_bindings(FOwnStmt.get());
    FInputs.Recycle(kKeptStoreBytes);
    FStatement = nullptr;
    FOpen = false;
    FUpdatable = false;
}

std::string Cursor::QueryText() const {
    if (!FOpen || !FEngine) return {};
    return FOwnEngine ? StatementText(FStatement->PartStatement(FPart)) : StatementText(FEngine);
}

bool Cursor::NextResultSet(Connection& c, int32_t& rowReport) {
    if (!FOpen) throw DbError(DBLIB_E_CURSOR_NOT_OPEN, FName);
    if (!FEngine && FAtEnd && FCols == 0 && FPart == 0 && FStatement->PartCount() == 0) return false;
    for (size_t j = FPart + 1;; ++j) {
        while (j >= FStatement->PartCount())
            if (!FStatement->CompileNextPart(c)) return false;
        sqlite3_stmt* p = FStatement->PartStatement(j);
        BindInputs(c, p, PartFirstMarker(j), static_cast<size_t>(sqlite3_bind_parameter_count(p)));
        if (sqlite3_column_count(p) == 0) {
            FPart = j; // a part that ran is never run again
            RunPart(c, p);
            continue;
        }
        EndResultSet();
        StartResultSet(c, p, j, false);
        rowReport = RowReport(c);
        return true;
    }
}

// ---- Row counts -------------------------------------------------------------------------------

int32_t Cursor::RowReport(Connection& c) {
    if (!FEngine || FAtEnd || FFailure) return Clamp32(static_cast<int64_t>(LiveRows()));
    int64_t n;
    if (c.Options().RowCounts() && CountRows(c, n)) return Clamp32(n);
    int64_t estimate = std::max<int64_t>(EstimateRows(c), static_cast<int64_t>(LiveRows()));
    return Clamp32(-std::max<int64_t>(estimate, 1));
}

bool Cursor::CountRows(Connection& c, int64_t& count) {
    // Counted while the cursor's statement holds its snapshot, so the count is of the same rows.
    // The counting query is compiled once per query text and kept (the engine compiles it again
    // by itself after a schema change); one that fails is thrown away.
    sqlite3_stmt* source = FOwnEngine ? FStatement->PartStatement(FPart) : FEngine;
    const char* text = sqlite3_sql(source) ? sqlite3_sql(source) : "";
    if (!FCountStmt || FCountSource != text) {
        FCountStmt.reset();
        FCountSource.clear();
        std::string sql = "SELECT count(*) FROM (" + StatementText(source) + "\n)";
        if (PrepareStmt(c.Handle(), sql, SQLITE_PREPARE_PERSISTENT, FCountStmt) != SQLITE_OK || !FCountStmt)
            return false;
        FCountSource = text;
    }
    sqlite3_stmt* counter = FCountStmt.get();
    BindInputs(c, counter, FOwnEngine ? 0 : PartFirstMarker(FPart),
               static_cast<size_t>(sqlite3_bind_parameter_count(counter)));
    int rc = sqlite3_step(counter);
    if (rc == SQLITE_ROW) count = sqlite3_column_int64(counter, 0);
    sqlite3_reset(counter);
    sqlite3_clear_bindings(counter); // copies of the inputs are not kept past the open
    if (rc != SQLITE_ROW) {
        FCountStmt.reset();
        FCountSource.clear();
        if (rc == SQLITE_INTERRUPT) c.ThrowEngine(rc);
        return false;
    }
    // Rows changed through the cursor are not delivered twice; none have been changed yet.
    return true;
}

int64_t Cursor::EstimateRows(Connection& c) {
    // The largest row identifier of the table the first column comes from: exact for a whole
    // table that never lost rows, an upper bound for a filtered one. Costs one index lookup
    // through the connection's compiled query for that table.
    for (size_t i = 0; i < FCols; ++i) {
        const char* table = sqlite3_column_table_name(FEngine, static_cast<int>(i));
        const char* db = sqlite3_column_database_name(FEngine, static_cast<int>(i));
        if (!table || !db) continue;
        return c.Estimates().LargestRowid(c.Handle(), db, table);
    }
    return 0;
}

// ---- Reading rows -----------------------------------------------------------------------------

bool Cursor::Step(Connection& c, bool keep) {
    if (!FEngine || FAtEnd) return false;
    if (FFailure) throw *FFailure;
    // A forward-only cursor standing on the engine's row copies it before the engine leaves it:
    // into its shadow, which the store takes over only if the cursor is still on that row when the
    // step finds no row (see FShadow).
    if (!FKeepAll && FEngineOn && FWhere == Where::On && Physical(FPos) == FRead - 1) ShadowEngineRow();
    for (;;) {
        int rc = sqlite3_step(FEngine);
        if (rc == SQLITE_ROW) {
            if (!FSkip.empty() && FRowidCol >= 0 && FSkip.count(sqlite3_column_int64(FEngine, FRowidCol)))
                continue;
            if (FKeepAll) {
                // Kept before it is counted. A row that cannot be kept (no memory for a value)
                // ends the result there, as an engine failure does: later rows are not served
                // past a gap.
                try {
                    FRows.AppendFrom(FEngine);
                } catch (const DbError& e) {
                    EndAtFailure(e);
                    throw;
                }
                FLive.Append();
            }
            ++FRead;
            FEngineOn = true;
            FLiveRead = false;
            if (!FKeepAll && keep) KeepEngineRow();
            return true;
        }
        FEngineOn = false;
        KeepShadowRowIfCurrent();
        if (rc == SQLITE_DONE) {
            sqlite3_reset(FEngine);
            FAtEnd = true;
            return false;
        }
        try {
            c.ThrowEngine(rc);
        } catch (const DbError& e) {
            EndAtFailure(e);
            throw;
        }
    }
}

void Cursor::EndAtFailure(const DbError& e) {
    sqlite3_reset(FEngine);
    FEngineOn = false;
    FFailure = e;
}

void Cursor::KeepEngineRow() {
    KeepRow(FRead - 1, LiveValues());
}

namespace {

// Copies n bytes; the short texts of most rows without a call into the C library (two fixed-size,
// possibly overlapping copies).
inline void CopyBytes(char* to, const char* from, size_t n) {
    if (n >= 8 && n <= 32) {
        if (n <= 16) {
            std::memcpy(to, from, 8);
            std::memcpy(to + n - 8, from + n - 8, 8);
        } else {
            std::memcpy(to, from, 16);
            std::memcpy(to + n - 16, from + n - 16, 16);
        }
    } else {
        std::memcpy(to, from, n);
    }
}

} // namespace

void Cursor::ShadowEngineRow() {
    static_assert(std::is_trivially_copyable_v<Value>);
    const size_t physical = FRead - 1;
    FShadowRow = physical;
    FShadowOn = false;
    if (Stored(physical)) return;
    const Value* live = LiveValues();
    const size_t cols = FRows.Columns();
    size_t bytes = 0;
    for (size_t i = 0; i < cols; ++i)
        bytes += live[i].K == Value::Text || live[i].K == Value::Blob ? live[i].N : 0;
    // A row with long values goes to the store straight away, as before: the store's block takes
    // them without a second copy.
    if (bytes > kShadowBytes) {
        KeepEngineRow();
        return;
    }
    // The values, then their bytes (which the engine is about to let go) into the shadow's own
    // buffer.
    Value* shadow = FShadow.data(); // one value per column (StartResultSet)
    std::memcpy(shadow, live, cols * sizeof(Value));
    if (!FShadowBytes) FShadowBytes = std::make_unique_for_overwrite<char[]>(kShadowBytes);
    char* out = FShadowBytes.get();
    for (size_t i = 0; i < cols; ++i) {
        Value& v = shadow[i];
        if ((v.K == Value::Text || v.K == Value::Blob) && v.N > 0) {
            CopyBytes(out, v.P, v.N);
            v.P = out;
            out += v.N;
        }
    }
    FShadowOn = true;
}

void Cursor::KeepShadowRowIfCurrent() {
    if (!FShadowOn) return;
    if (FWhere == Where::On && Physical(FPos) == FShadowRow) KeepRow(FShadowRow, FShadow.data());
    FShadowOn = false;
}

void Cursor::KeepRow(size_t physical, const Value* values) {
    if (Stored(physical)) return;
    // A forward-only cursor never returns to rows behind it: the store starts over at this row
    // unless it still holds rows the cursor needs (rows drained ahead of it).
    size_t needed = FWhere == Where::Before  ? 0
                    : FWhere == Where::After ? std::numeric_limits<size_t>::max()
                                             : Physical(FPos);
    bool contiguous = FRows.Rows() > 0 && FStoreBase + FRows.Rows() == physical;
    bool behind = FStoreBase < needed && !Stored(needed);
    if (!contiguous || behind) {
        FRows.Clear();
        FStoreBase = physical;
    }
    FRows.Append(values);
}

const Value* Cursor::LiveValues() const {
    if (!FLiveRead) {
        FLiveValues.resize(FRows.Columns());
        for (size_t i = 0; i < FLiveValues.size(); ++i)
            FLiveValues[i] = ColumnValue(FEngine, static_cast<int>(i));
        FLiveRead = true;
    }
    return FLiveValues.data();
}

bool Cursor::Have(Connection& c, size_t logical) {
    while (LiveRows() <= logical)
        if (!Step(c)) return false;
    return true;
}

Value Cursor::CellValue(size_t physical, size_t col) const {
    if (Stored(physical)) return FRows.Get(physical - FStoreBase, col);
    assert(FEngineOn && physical == FRead - 1);
    return LiveValues()[col];
}

void Cursor::BeforeWrite() {
    if (FOpen && FEngine && !FKeepAll && FEngineOn) KeepEngineRow();
}

void Cursor::Drain(Connection& c) {
    if (!HoldsSnapshot()) return;
    try {
        if (!FKeepAll && FEngineOn) KeepEngineRow();
        while (Step(c, true)) {
        }
    } catch (const DbError&) {
        // The failure is kept in FFailure: rows not read stay unavailable, the rest is served.
    }
}

// ---- Describe and fetch -----------------------------------------------------------------------

void Cursor::Describe(Connection& c, sqlda* da, unsigned kind, sqlca* ca) {
    if (!FOpen) throw DbError(DBLIB_E_CURSOR_NOT_OPEN, FName);
    if (!da) throw DbError(DBLIB_E_BAD_SQLDA, "no SQLDA given");
    if (kind == DBLIB_DESCRIBE_INPUT) {
        FStatement->Describe(c, da, DBLIB_DESCRIBE_INPUT, ca);
        return;
    }
    if (kind != DBLIB_DESCRIBE_OUTPUT && kind != DBLIB_DESCRIBE_FIXED && kind != DBLIB_DESCRIBE_LONG_NAMES)
        throw DbError(DBLIB_E_BAD_ARGUMENT, "describe kind " + std::to_string(kind));
    if (kind == DBLIB_DESCRIBE_FIXED) ca->sqlerrd[2] = 1;
    if (!FEngine) {
        da->sqld = 0;
        return;
    }
    if (kind == DBLIB_DESCRIBE_LONG_NAMES) {
        FillLongNames(da, FCols, [&](size_t i) { return sqlite3_column_name(FEngine, static_cast<int>(i)); });
        return;
    }
    FillDescribe(da, FCols, [&](size_t i, sqlvar& v) {
        int col = static_cast<int>(i);
        const char* decl = sqlite3_column_decltype(FEngine, col);
        DeclaredType dt = decl ? MapDeclaredType(decl) : FValueTypes[i];
        bool nullable = true;
        const char* table = sqlite3_column_table_name(FEngine, col);
        const char* origin = sqlite3_column_origin_name(FEngine, col);
        const char* dbName = sqlite3_column_database_name(FEngine, col);
        int notNull = 0, primaryKey = 0, autoInc = 0;
        if (table && origin &&
            sqlite3_table_column_metadata(c.Handle(), dbName, table, origin, nullptr, nullptr, &notNull,
                                          &primaryKey, &autoInc) == SQLITE_OK)
            nullable = !(notNull || primaryKey);
        v.sqltype = static_cast<int16_t>(dt.SqlType | (nullable ? DBLIB_T_NULLABLE : 0));
        v.sqllen = dt.SqlLen;
        const char* name = sqlite3_column_name(FEngine, col);
        SetSqlName(v.sqlname, name ? name : "");
        if (v.sqlind) *v.sqlind = 0;
    });
}

Cursor::Target Cursor::Resolve(Connection& c, unsigned kind, int offset) {
    auto restricted = [&]() { return DbError(DBLIB_E_CURSOR_FORWARD_ONLY, FName); };
    // The smallest row a forward-only cursor may still reach.
    auto lowest = [&]() -> int64_t {
        switch (FWhere) {
        case Where::Before:
            return -1;
        case Where::On:
        case Where::Hole:
            return static_cast<int64_t>(FPos);
        case Where::After:
            return static_cast<int64_t>(LiveRows());
        }
        return 0;
    };
    int64_t target;
    if (kind == DBLIB_FETCH_ABSOLUTE) {
        if (offset > 0) {
            target = static_cast<int64_t>(offset) - 1;
        } else if (offset == 0) {
            if (FForwardOnly && FWhere != Where::Before) throw restricted();
            return {Outcome::PastStart, 0};
        } else {
            if (FForwardOnly) throw restricted();
            while (Step(c)) {
            }
            int64_t n = static_cast<int64_t>(LiveRows());
            target = n + offset;
            if (target < 0) return {Outcome::PastStart, 0};
        }
    } else if (kind == DBLIB_FETCH_RELATIVE) {
        int64_t base;
        switch (FWhere) {
        case Where::Before:
            base = -1;
            break;
        case Where::On:
            base = static_cast<int64_t>(FPos);
            break;
        case Where::After:
            base = static_cast<int64_t>(LiveRows());
            break;
        case Where::Hole:
        default:
            if (offset == 0) return {Outcome::NoRow, 0};
            base = static_cast<int64_t>(FPos) - (offset > 0 ? 1 : 0);
            break;
        }
        target = base + offset;
    } else {
        throw DbError(DBLIB_E_BAD_ARGUMENT, "fetch kind " + std::to_string(kind));
    }
    if (FForwardOnly && target < lowest() && !(target < 0 && FWhere == Where::Before)) throw restricted();
    if (target < 0) return {Outcome::PastStart, 0};
    if (FForwardOnly && FWhere == Where::After) return {Outcome::PastEnd, 0};
    if (!Have(c, static_cast<size_t>(target))) return {Outcome::PastEnd, 0};
    return {Outcome::Row, static_cast<size_t>(target)};
}

void Cursor::DeliverRow(Connection& c, size_t physical, sqlda* da, size_t first, sqlca* ca,
                        bool& cutWithoutIndicator) {
    size_t end = std::min(first + FCols, static_cast<size_t>(da->sqld));
    // The row's values: the engine's current row (read once) or the kept copy.
    const Value* live = Stored(physical) ? nullptr : LiveValues();
    for (size_t k = first; k < end; ++k) {
        sqlvar& var = da->sqlvar[k];
        const Value v = live ? live[k - first] : FRows.Get(physical - FStoreBase, k - first);
        try {
            if (fast::StoreDelivered(v, var, &c.Variables())) {
                SetTruncationWarning(ca);
                if (!var.sqlind) cutWithoutIndicator = true;
            }
        } catch (DbError& e) {
            // A stored value the variable's type cannot take (a foreign file may hold text in a date
            // column, or a number beyond an integer column's range): say where it is.
            if (e.Code() == DBLIB_E_CONVERSION || e.Code() == DBLIB_E_OUT_OF_RANGE) {
                const char* name =
                    FEngine ? sqlite3_column_name(FEngine, static_cast<int>(k - first)) : nullptr;
                e.At("column \"" + std::string(name ? name : "") + "\", row " + std::to_string(FPos + 1));
            }
            throw;
        }
    }
}

void Cursor::Fetch(Connection& c, unsigned kind, int offset, sqlda* da, unsigned rows, sqlca* ca) {
    if (!FOpen) throw DbError(DBLIB_E_CURSOR_NOT_OPEN, FName);
    if (!da) throw DbError(DBLIB_E_BAD_SQLDA, "no SQLDA given");
    CheckSqlda(da, "output");
    size_t want = rows ? rows : 1;
    if (FCols > 0 && static_cast<size_t>(da->sqld) >= FCols)
        want = std::min(want, static_cast<size_t>(da->sqld) / FCols);
    else
        want = 1;
    Target t = Resolve(c, kind, offset);
    switch (t.What) {
    case Outcome::PastStart:
        FWhere = Where::Before;
        break;
    case Outcome::PastEnd:
        FWhere = Where::After;
        break;
    case Outcome::NoRow:
    case Outcome::Row:
        break;
    }
    if (t.What != Outcome::Row) {
        WriteSqlca(ca, DBLIB_W_NOT_FOUND, {}, {});
        return;
    }
    bool cutWithoutIndicator = false;
    for (size_t i = 0; i < want; ++i) {
        size_t row = t.Row + i;
        if (i > 0 && !Have(c, row)) break;
        // The cursor stands on each row as it is delivered: a failure leaves it on that row, and
        // a block that ends early leaves it on the last row delivered.
        FWhere = Where::On;
        FPos = row;
        try {
            DeliverRow(c, Physical(row), da, i * FCols, ca, cutWithoutIndicator);
        } catch (const DbError& e) {
            // A value that cannot be delivered fails the fetch of its own row only: the rows of the
            // block before it are delivered, the cursor stays on the last of them, and the next
            // fetch reaches the row again and reports it.
            const bool valueError = e.Code() == DBLIB_E_CONVERSION || e.Code() == DBLIB_E_OUT_OF_RANGE;
            if (i == 0 || !valueError) throw;
            FPos = row - 1;
            // The engine has left that row: its copy is in the shadow.
            KeepShadowRowIfCurrent();
            break;
        }
        ca->sqlerrd[2] = static_cast<int32_t>(i + 1);
    }
    if (cutWithoutIndicator) WriteSqlca(ca, DBLIB_W_TRUNCATED, {}, {});
}

void Cursor::Move(Connection& c, unsigned kind, int offset, sqlca* ca) {
    if (!FOpen) throw DbError(DBLIB_E_CURSOR_NOT_OPEN, FName);
    Target t = Resolve(c, kind, offset);
    switch (t.What) {
    case Outcome::Row:
        FWhere = Where::On;
        FPos = t.Row;
        return;
    case Outcome::PastStart:
        FWhere = Where::Before;
        ca->sqlerrd[2] = -1;
        break;
    case Outcome::PastEnd:
        FWhere = Where::After;
        ca->sqlerrd[2] = 1;
        break;
    case Outcome::NoRow:
        break;
    }
    WriteSqlca(ca, DBLIB_W_NOT_FOUND, {}, {});
}

void Cursor::GetData(Connection& c, unsigned column, int offset, sqlda* da, sqlca* ca) {
    (void)c;
    if (!FOpen) throw DbError(DBLIB_E_CURSOR_NOT_OPEN, FName);
    RequireCurrentRow();
    if (column < 1 || column > FCols) throw DbError(DBLIB_E_BAD_ARGUMENT, "column " + std::to_string(column));
    if (offset < 0) throw DbError(DBLIB_E_BAD_ARGUMENT, "offset " + std::to_string(offset));
    if (!da || da->sqld < 1 || da->sqld > da->sqln)
        throw DbError(DBLIB_E_BAD_SQLDA, "one variable is needed");
    sqlvar& var = da->sqlvar[0];
    const Value v = CellValue(Physical(FPos), column - 1);
    char buf[48];
    const bool isNull = v.K == Value::Null;
    const PieceOutcome outcome =
        StorePiece(isNull ? std::string_view() : BytesOf(v, buf), isNull, static_cast<size_t>(offset), var);
    const size_t piece = outcome.Length;
    const bool more = outcome.More;
    ca->sqlerrd[2] = static_cast<int32_t>(piece);
    if (more) {
        SetTruncationWarning(ca);
        WriteSqlca(ca, DBLIB_W_TRUNCATED, {}, {});
    }
}

// ---- Positioned changes -----------------------------------------------------------------------

void Cursor::RequireChangeable() const {
    if (!FOpen) throw DbError(DBLIB_E_CURSOR_NOT_OPEN, FName);
    if (!(FOptions & kCursorForUpdate) || (FOptions & kCursorReadOnly))
        throw DbError(DBLIB_E_CURSOR_READ_ONLY, FName);
    if (!FUpdatable) throw DbError(DBLIB_E_NOT_UPDATABLE, FName, FNotUpdatable);
}

void Cursor::RequireCurrentRow() const {
    if (FWhere != Where::On) throw DbError(DBLIB_E_NO_CURRENT_ROW, FName);
}

int64_t Cursor::CurrentRowid() const {
    return CellValue(Physical(FPos), static_cast<size_t>(FRowidCol)).I;
}

std::vector<std::string> Cursor::ChangedColumns(Connection& c, const sqlda* da,
                                                std::vector<const sqlvar*>& vars) const {
    // Variables without a name or a type are not sent; every other one must name a column of
    // the table that the cursor shows. An expression column cannot take a value: a NULL for it
    // is passed over (callers send every column of a new row), any other value is refused.
    std::vector<std::string> columns;
    for (int k = 0; k < da->sqld; ++k) {
        const sqlvar& var = da->sqlvar[k];
        if (var.sqlname.length <= 0 || (var.sqltype & ~1) == 0) continue;
        size_t len = std::min<size_t>(static_cast<size_t>(var.sqlname.length), sizeof var.sqlname.data);
        std::string name(var.sqlname.data, len);
        int col = FQuery.FindColumn(var.sqlname.data, len);
        if (col < 0) throw DbError(DBLIB_E_COLUMN_NOT_FOUND, name);
        const std::string& origin = FQuery.Columns()[static_cast<size_t>(col)].Origin;
        if (origin.empty()) {
            char scratch[kScratchSize];
            if (ReadInput(var, scratch, &c.Variables()).K == Value::Null) continue;
            throw DbError(DBLIB_E_NOT_UPDATABLE, FName,
                          "column '" + name + "' is not a column of '" + FQuery.TableName() + "'");
        }
        columns.push_back(UpdatableQuery::Quote(origin));
        vars.push_back(&var);
    }
    return columns;
}

bool Cursor::ReadRow(Connection& c, int64_t rowid) {
    sqlite3_reset(FRowStmt.get());
    BindInputs(c, FRowStmt.get(), 0, static_cast<size_t>(FQuery.SelectMarkers()));
    sqlite3_bind_int64(FRowStmt.get(), FQuery.SelectMarkers() + 1, rowid);
    int rc = sqlite3_step(FRowStmt.get());
    if (rc == SQLITE_ROW) return true;
    sqlite3_reset(FRowStmt.get());
    if (rc != SQLITE_DONE) c.ThrowEngine(rc);
    return false;
}

namespace {

// Binds the values of the given variables to parameters 1..n, reading type-600 variables from
// the connection's SQL variables.
void BindVariables(Connection& c, sqlite3_stmt* s, const std::vector<const sqlvar*>& vars) {
    char scratch[kScratchSize];
    for (size_t k = 0; k < vars.size(); ++k) {
        Value v = ReadInput(*vars[k], scratch, &c.Variables());
        int rc = BindValue(s, static_cast<int>(k + 1), v, true);
        if (rc != SQLITE_OK) c.ThrowEngine(rc);
    }
}

// Runs a change that returns the row identifier of the row it touched; false when it touched none.
bool RunChange(Connection& c, sqlite3_stmt* s, int64_t& rowid, bool isDelete, const std::string& table) {
    StmtResetScope reset{s};
    int rc = sqlite3_step(s);
    bool touched = rc == SQLITE_ROW;
    if (touched) {
        rowid = sqlite3_column_int64(s, 0);
        while ((rc = sqlite3_step(s)) == SQLITE_ROW) {
        }
    }
    if (rc != SQLITE_DONE) c.ThrowEngine(rc, isDelete, table);
    return touched;
}

} // namespace

void Cursor::Update(Connection& c, const sqlda* da, sqlca* ca) {
    RequireChangeable();
    RequireCurrentRow();
    if (!da) throw DbError(DBLIB_E_BAD_SQLDA, "no SQLDA given");
    CheckSqlda(da, "update");
    std::vector<const sqlvar*> vars;
    std::vector<std::string> columns = ChangedColumns(c, da, vars);
    if (vars.empty()) return;
    std::string sql = "UPDATE " + FQuery.QuotedTable() + " SET ";
    for (size_t k = 0; k < columns.size(); ++k)
        sql += (k ? ", " : "") + columns[k] + " = ?" + std::to_string(k + 1);
    sql += " WHERE _rowid_ = ?" + std::to_string(vars.size() + 1) + " RETURNING _rowid_";
    int64_t rowid = CurrentRowid();
    StmtHandle change;
    int rc = PrepareStmt(c.Handle(), sql, 0, change);
    if (rc != SQLITE_OK) c.ThrowEngine(rc);
    BindVariables(c, change.get(), vars);
    sqlite3_bind_int64(change.get(), static_cast<int>(vars.size() + 1), rowid);
    c.BeginIfNeeded(true); // copies a row the cursor reads from the engine before it changes
    int64_t newRowid = rowid;
    if (!RunChange(c, change.get(), newRowid, false, FQuery.TableName()))
        throw DbError(DBLIB_E_NO_CURRENT_ROW, FName);
    c.AfterStatement();
    FSkip.insert(rowid);
    FSkip.insert(newRowid);
    // The kept row shows the row as stored now (an insensitive cursor keeps showing it as read).
    size_t physical = Physical(FPos);
    if (!(FOptions & kCursorInsensitive) && Stored(physical) && ReadRow(c, newRowid)) {
        StmtResetScope reset{FRowStmt.get()};
        size_t row = physical - FStoreBase;
        FRows.ReplaceFrom(row, FRowStmt.get(), FCols);
        FRows.SetInt(row, static_cast<size_t>(FRowidCol), newRowid);
    }
    ca->sqlerrd[2] = 1;
}

void Cursor::Delete(Connection& c, sqlca* ca) {
    RequireChangeable();
    RequireCurrentRow();
    int64_t rowid = CurrentRowid();
    std::string sql = "DELETE FROM " + FQuery.QuotedTable() + " WHERE _rowid_ = ?1 RETURNING _rowid_";
    StmtHandle change;
    int rc = PrepareStmt(c.Handle(), sql, 0, change);
    if (rc != SQLITE_OK) c.ThrowEngine(rc);
    sqlite3_bind_int64(change.get(), 1, rowid);
    c.BeginIfNeeded(true);
    int64_t gone = rowid;
    if (!RunChange(c, change.get(), gone, true, FQuery.TableName()))
        throw DbError(DBLIB_E_NO_CURRENT_ROW, FName);
    c.AfterStatement();
    // The row leaves the cursor, which stands between its neighbours (an insensitive cursor
    // keeps showing it, and stays on it).
    if (FOptions & kCursorInsensitive) {
        ca->sqlerrd[2] = 1;
        return;
    }
    if (FKeepAll)
        FLive.Erase(Physical(FPos));
    else
        ++FDeletedForward;
    FWhere = Where::Hole;
    ca->sqlerrd[2] = 1;
}

void Cursor::PutInto(Connection& c, const sqlda* put, sqlda* into, sqlca* ca) {
    RequireChangeable();
    if (!put) throw DbError(DBLIB_E_BAD_SQLDA, "no SQLDA given");
    CheckSqlda(put, "put");
    CheckSqlda(into, "output");
    std::vector<const sqlvar*> vars;
    std::vector<std::string> columns = ChangedColumns(c, put, vars);
    std::string sql = "INSERT INTO " + FQuery.QuotedTable();
    if (vars.empty()) {
        sql += " DEFAULT VALUES";
    } else {
        std::string names, markers;
        for (size_t k = 0; k < columns.size(); ++k) {
            names += (k ? ", " : "") + columns[k];
            markers += k ? ", ?" : "?";
        }
        sql += " (" + names + ") VALUES (" + markers + ")";
    }
    sql += " RETURNING _rowid_";
    StmtHandle change;
    int rc = PrepareStmt(c.Handle(), sql, 0, change);
    if (rc != SQLITE_OK) c.ThrowEngine(rc);
    BindVariables(c, change.get(), vars);
    c.BeginIfNeeded(true);
    // The insert and the delivery of the stored row succeed or fail together.
    ExecOrThrow(c.Handle(), "SAVEPOINT tnxdb_put_into");
    try {
        int64_t rowid = 0;
        RunChange(c, change.get(), rowid, false, FQuery.TableName());
        if (into && ReadRow(c, rowid)) {
            StmtResetScope reset{FRowStmt.get()};
            bool cutWithoutIndicator = false;
            size_t end = std::min(FCols, static_cast<size_t>(into->sqld));
            for (size_t k = 0; k < end; ++k) {
                sqlvar& var = into->sqlvar[k];
                if (StoreOutput(ColumnValue(FRowStmt.get(), static_cast<int>(k)), var, &c.Variables())) {
                    SetTruncationWarning(ca);
                    if (!var.sqlind) cutWithoutIndicator = true;
                }
            }
            if (cutWithoutIndicator) WriteSqlca(ca, DBLIB_W_TRUNCATED, {}, {});
        }
        ExecOrThrow(c.Handle(), "RELEASE tnxdb_put_into");
        FSkip.insert(rowid);
    } catch (...) {
        sqlite3_exec(c.Handle(), "ROLLBACK TO tnxdb_put_into; RELEASE tnxdb_put_into", nullptr, nullptr,
                     nullptr);
        throw;
    }
    c.AfterStatement();
    ca->sqlerrd[2] = 1;
}

// ---- The connection's cursors -----------------------------------------------------------------

std::string CursorSet::Key(std::string_view name) {
    return ToUpper(name);
}

Cursor* CursorSet::Remember(std::string_view name, Cursor* cursor) {
    FLastName.assign(name);
    FLast = cursor;
    return cursor;
}

Cursor& CursorSet::Declare(std::string_view name, int statement, unsigned options) {
    Cursor* cur = Find(name);
    if (!cur) {
        auto& slot = FCursors[Key(name)];
        slot = std::make_unique<Cursor>(std::string(name), statement, options);
        return *Remember(name, slot.get());
    }
    if (cur->IsOpen()) throw DbError(DBLIB_E_CURSOR_ALREADY_OPEN, cur->Name());
    cur->Redeclare(statement, options);
    return *cur;
}

Cursor* CursorSet::Find(std::string_view name) {
    if (FLast && name == FLastName) return FLast;
    auto it = FCursors.find(Key(name));
    return it == FCursors.end() ? nullptr : Remember(name, it->second.get());
}

Cursor& CursorSet::Get(std::string_view name) {
    Cursor* cur = Find(name);
    if (!cur) throw DbError(DBLIB_E_CURSOR_NOT_DECLARED, std::string(name));
    return *cur;
}

Cursor& CursorSet::Get(const char* name) {
    if (FLast) {
        const char* p = name;
        const char* q = FLastName.c_str(); // holds no NUL of its own: names come from C strings
        while (*p != '\0' && *p == *q) {
            ++p;
            ++q;
        }
        if (*p == *q) return *FLast;
    }
    return Get(std::string_view(name));
}

void CursorSet::StatementGone(int number) {
    for (auto& [key, cur] : FCursors)
        if (cur->IsOpen() && cur->StatementNumber() == number) cur->Close();
}

const Cursor* CursorSet::OpenOn(const Statement* s) const {
    for (const auto& [key, cur] : FCursors)
        if (cur->IsOpen() && cur->OpenStatement() == s) return cur.get();
    return nullptr;
}

void CursorSet::BeforeWrite() {
    for (auto& [key, cur] : FCursors)
        cur->BeforeWrite();
}

bool CursorSet::ReleaseSnapshots(Connection& c) {
    bool any = false;
    for (auto& [key, cur] : FCursors) {
        if (!cur->HoldsSnapshot()) continue;
        cur->Drain(c);
        any = true;
    }
    return any;
}

} // namespace tnxdb
