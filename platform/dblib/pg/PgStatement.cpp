// Statements prepared on the server and server-side cursors (see PgStatement.h).
#include "platform/dblib/pg/PgStatement.h"

#include "platform/dblib/Convert.h"
#include "platform/dblib/Errors.h"
#include "platform/dblib/Pieces.h"
#include "platform/dblib/SqlScanner.h"
#include "platform/dblib/Text.h"
#include "platform/dblib/pg/PgTypes.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <cstring>

namespace tnxdb::pg {

// The scanner's engine text already has each marker as '?' and comments in the form the server
// reads; scanning it again finds those '?' as the only markers, in order.
std::string ServerText(std::string_view sql, size_t& markers) {
    ScannedSql first = ScanSql(sql);
    const std::string& engine = first.EngineText;
    ScannedSql again = ScanSql(engine);
    std::string out;
    out.reserve(engine.size() + 8);
    size_t at = 0;
    markers = 0;
    for (const Token& t : again.Tokens) {
        if (t.Kind != TokKind::Marker) continue;
        out.append(engine, at, t.Begin - at);
        out += '$';
        out += std::to_string(++markers);
        at = t.End;
    }
    out.append(engine, at, std::string::npos);
    while (!out.empty() && (out.back() == ';' || IsBlank(out.back()))) out.pop_back();
    return out;
}

namespace {


// Stores row `row` of a result into variables first..first+cols-1; true when a value was cut.
bool DeliverRow(const PGresult* r, int row, const std::vector<Oid>& types, sqlda* out, size_t first,
                VariableAccess* vars, std::string& scratch) {
    bool cut = false;
    const int cols = Pq().PQnfields(r);
    for (int c = 0; c < cols && first + static_cast<size_t>(c) < static_cast<size_t>(out->sqld); ++c) {
        sqlvar& var = out->sqlvar[first + static_cast<size_t>(c)];
        Value v = Pq().PQgetisnull(r, row, c)
                      ? Value::MakeNull()
                      : ReadServerText(types[static_cast<size_t>(c)], Pq().PQgetvalue(r, row, c),
                                       static_cast<size_t>(Pq().PQgetlength(r, row, c)), scratch);
        try {
            cut |= StoreOutput(v, var, vars);
        } catch (DbError& e) {
            e.At("column \"" + std::string(Pq().PQfname(r, c)) + "\"");
            throw;
        }
    }
    return cut;
}

int64_t CountOf(const PGresult* r) {
    const char* n = Pq().PQcmdTuples(const_cast<PGresult*>(r));
    int64_t count = 0;
    if (n && *n) std::from_chars(n, n + std::strlen(n), count);
    return count;
}

} // namespace

// ---- Parameters ---------------------------------------------------------------------------------

ParamSet::ParamSet(const sqlda* in, size_t count, const std::vector<Oid>& types, VariableAccess* vars) {
    if (count == 0) return;
    if (!in || in->sqld < 0 || static_cast<size_t>(in->sqld) < count) throw DbError(DBLIB_E_TOO_FEW_VALUES);
    for (size_t i = 0; i < count; ++i) Put(in->sqlvar[i], i < types.size() ? types[i] : oid::Unknown, vars);
}

void ParamSet::Add(const sqlvar& var, VariableAccess* vars) { Put(var, oid::Unknown, vars); }

void ParamSet::Put(const sqlvar& var, Oid type, VariableAccess* vars) {
    FScratch.push_back(std::make_unique<Scratch>());
    FText.push_back(std::make_unique<std::string>());
    Value v = ReadInput(var, FScratch.back()->Bytes, vars);
    ParamWire w = WriteParam(v, type, *FText.back());
    FValues.push_back(w.Data);
    FLengths.push_back(w.Length);
    FFormats.push_back(w.Format);
}

// ---- Statements ---------------------------------------------------------------------------------

std::unique_ptr<PgStatement> PgStatement::Prepare(PgBackend& backend, std::string_view sql) {
    std::unique_ptr<PgStatement> s(new PgStatement(backend));
    size_t markers = 0;
    s->FServerText = pg::ServerText(sql, markers);
    s->FName = backend.NextStatementName();
    const std::string& name = s->FName;
    const std::string& text = s->FServerText;
    auto results = backend.Run({[&](PGconn* c) { return Pq().PQsendPrepare(c, name.c_str(), text.c_str(), 0, nullptr); },
                                [&](PGconn* c) { return Pq().PQsendDescribePrepared(c, name.c_str()); }},
                               false);
    const PGresult* d = results[1].Get();
    ScannedSql scan = ScanSql(sql);
    for (int i = 0; i < Pq().PQnparams(d); ++i) {
        s->FParamTypes.push_back(Pq().PQparamtype(d, i));
        BackendColumn in;
        in.SqlType = DBLIB_T_STRING;
        in.SqlLen = 32767;
        if (static_cast<size_t>(i) < scan.MarkerNames.size()) in.Name = scan.MarkerNames[static_cast<size_t>(i)];
        s->FInputs.push_back(std::move(in));
    }
    for (int i = 0; i < Pq().PQnfields(d); ++i) {
        BackendColumn col = DescribeType(Pq().PQftype(d, i), Pq().PQfmod(d, i));
        col.Name = Pq().PQfname(d, i);
        s->FColumnTypes.push_back(Pq().PQftype(d, i));
        s->FColumnTables.push_back(Pq().PQftable(d, i));
        s->FColumnNumbers.push_back(Pq().PQftable(d, i) == InvalidOid ? 0 : Pq().PQftablecol(d, i));
        s->FColumns.push_back(std::move(col));
    }
    s->MarkNotNullColumns();
    return s;
}

void PgStatement::MarkNotNullColumns() {
    // A column taken straight from a table is described as not nullable when the table declares it
    // NOT NULL (the describe the server sends does not say).
    std::string tables;
    for (Oid t : FColumnTables)
        if (t != InvalidOid) tables += (tables.empty() ? "{" : ",") + std::to_string(t);
    if (tables.empty()) return;
    tables += '}';
    const char* sql = "SELECT attrelid, attnum FROM pg_attribute WHERE attnotnull AND attnum > 0 "
                      "AND attrelid = ANY($1::oid[])";
    const char* values[] = {tables.c_str()};
    auto results = FBackend.Run(
        {[&](PGconn* c) { return Pq().PQsendQueryParams(c, sql, 1, nullptr, values, nullptr, nullptr, 0); }}, false);
    const PGresult* r = results[0].Get();
    for (int row = 0; row < Pq().PQntuples(r); ++row) {
        const Oid table = static_cast<Oid>(std::strtoul(Pq().PQgetvalue(r, row, 0), nullptr, 10));
        const int attnum = std::atoi(Pq().PQgetvalue(r, row, 1));
        for (size_t i = 0; i < FColumns.size(); ++i)
            if (FColumnTables[i] == table && FColumnNumbers[i] == attnum) FColumns[i].Nullable = false;
    }
}

PgStatement::~PgStatement() { FBackend.Forget("DEALLOCATE " + QuoteIdent(FName)); }

int64_t PgStatement::Execute(const sqlda* in, sqlda* out, bool& truncated) {
    ParamSet params(in, FInputs.size(), FParamTypes, FBackend.Variables());
    auto results = FBackend.Run({[&](PGconn* c) {
        return Pq().PQsendQueryPrepared(c, FName.c_str(), params.Count(), params.Values(), params.Lengths(),
                                   params.Formats(), 0);
    }});
    const PGresult* r = results[0].Get();
    if (Pq().PQresultStatus(r) == PGRES_TUPLES_OK) {
        if (Pq().PQntuples(r) == 0) throw DbError(DBLIB_W_NOT_FOUND);
        std::string scratch;
        if (out) truncated = DeliverRow(r, 0, FColumnTypes, out, 0, FBackend.Variables(), scratch);
        return 1;
    }
    return CountOf(r);
}

std::unique_ptr<BackendCursor> PgStatement::Open(std::string_view name, const sqlda* in, unsigned options) {
    if (FColumns.empty()) throw DbError(DBLIB_E_NOT_A_QUERY, FServerText.substr(0, 40));
    auto cursor = std::make_unique<PgCursor>(FBackend, *this, std::string(name), options);
    cursor->Open(in);
    return cursor;
}

std::string PgStatement::Plan() {
    if (FColumns.empty()) throw DbError(DBLIB_E_NOT_A_QUERY, FServerText.substr(0, 40));
    // The plan for unknown input values (each one NULL of its type).
    const std::string explain = "EXPLAIN " + FServerText;
    std::vector<const char*> values(FParamTypes.size(), nullptr);
    auto results = FBackend.Run({[&](PGconn* c) {
        return Pq().PQsendQueryParams(c, explain.c_str(), static_cast<int>(FParamTypes.size()),
                                      FParamTypes.empty() ? nullptr : FParamTypes.data(), values.data(), nullptr,
                                      nullptr, 0);
    }});
    const PGresult* r = results[0].Get();
    std::string plan;
    for (int row = 0; row < Pq().PQntuples(r); ++row) {
        if (row) plan += '\n';
        plan += Pq().PQgetvalue(r, row, 0);
    }
    return plan;
}

// ---- Cursors ------------------------------------------------------------------------------------

namespace {
// Whether a row of these columns is small enough to read ahead: no long value, and no column
// longer than a few kilobytes.
bool RowsAreShort(const std::vector<BackendColumn>& columns) {
    for (const BackendColumn& col : columns) {
        if (col.SqlType == DBLIB_T_LONGVARCHAR || col.SqlType == DBLIB_T_LONGBINARY) return false;
        if (col.SqlLen > 4096) return false;
    }
    return true;
}

int SendSimpleText(PGconn* c, const std::string& sql) {
    return Pq().PQsendQueryParams(c, sql.c_str(), 0, nullptr, nullptr, nullptr, nullptr, 0);
}
} // namespace

PgCursor::PgCursor(PgBackend& backend, const PgStatement& statement, std::string name, unsigned options)
    : FBackend(backend), FStatement(statement), FName(std::move(name)), FOptions(options) {
    FServerName = QuoteIdent(ToLower(FName));
}

PgCursor::~PgCursor() {
    if (FOpen) FBackend.Forget("CLOSE " + FServerName);
}

void PgCursor::Open(const sqlda* in) {
    const bool forwardOnly = (FOptions & kBackendForwardOnly) != 0;
    const bool forUpdate = (FOptions & kBackendForUpdate) != 0;
    FDeclare = "DECLARE " + FServerName + (forwardOnly ? " NO SCROLL" : " SCROLL") + " CURSOR" +
               (forUpdate ? "" : " WITH HOLD") + " FOR " + FStatement.ServerText();
    ParamSet params(in, FStatement.Inputs().size(), FStatement.ParamTypes(), FBackend.Variables());
    // The values are kept: a cursor that changes rows declares itself again to show them.
    FParams.clear();
    for (int i = 0; i < params.Count(); ++i) {
        const char* v = params.Values()[i];
        if (!v) {
            FParams.emplace_back(std::nullopt);
            continue;
        }
        const size_t n = params.Formats()[i] == 1 ? static_cast<size_t>(params.Lengths()[i]) : std::strlen(v);
        FParams.emplace_back(std::string(v, n));
    }
    FParamFormats.assign(params.Formats(), params.Formats() + params.Count());
    FBlock.reset();
    FPending.clear();
    FServerDone = false;
    FReadAhead = 0;
    if (forwardOnly && (FOptions & kBackendReadOnly)) {
        // The first rows travel with the DECLARE, in the same request: a short result (a lookup)
        // then costs one round trip to open and read. They wait as rows fetched but not
        // delivered. One more row than the planner expects is asked for, so that a result as
        // short as expected is known to have ended without another fetch. Rows with long values
        // are fetched one at a time, as asked, so that no more than one is held.
        const bool shortRows = RowsAreShort(FStatement.Columns());
        const int64_t ask = shortRows ? std::clamp<int64_t>(FStatement.EstimateRows() + 1, 2, kFirstRowsMax) : 1;
        FReadAhead = shortRows ? static_cast<unsigned>(ask) : 0;
        const std::string fetch = "FETCH FORWARD " + std::to_string(ask) + " FROM " + FServerName;
        std::optional<std::vector<PgResult>> results;
        try {
            results = FBackend.Run({[&](PGconn* c) { return SendDeclare(c); },
                                    [&](PGconn* c) { return SendSimpleText(c, fetch); }});
        } catch (const DbError& e) {
            if (e.Code() == DBLIB_E_CONNECTION_ENDED || e.Code() == DBLIB_E_INTERRUPTED) throw;
            // The request was undone whole. Whether the DECLARE or the rows failed, the open goes
            // on as without the first rows: a DECLARE that fails fails the open, rows that fail
            // fail the first fetch, each with its own code.
        }
        if (results) {
            auto rows = std::make_shared<PgResult>(std::move((*results)[1]));
            const int got = Pq().PQntuples(rows->Get());
            if (got > 0) FPending.push_back({std::move(rows), 0});
            FServerDone = got < ask;
        } else {
            FBackend.Run({[&](PGconn* c) { return SendDeclare(c); }});
        }
    } else {
        FBackend.Run({[&](PGconn* c) { return SendDeclare(c); }});
    }
    FOwnRequest = FBackend.Requests();
    FOpen = true;
    FPos = 0;
    FSide = -1;
    FOnRow = false;
    FPosKnown = true;
    FServerAhead = 0;
}

int PgCursor::SendDeclare(PGconn* c) const {
    std::vector<const char*> values;
    std::vector<int> lengths;
    for (const auto& p : FParams) {
        values.push_back(p ? p->data() : nullptr);
        lengths.push_back(p ? static_cast<int>(p->size()) : 0);
    }
    const std::vector<Oid>& types = FStatement.ParamTypes();
    return Pq().PQsendQueryParams(c, FDeclare.c_str(), static_cast<int>(values.size()),
                                  types.empty() ? nullptr : types.data(), values.data(), lengths.data(),
                                  FParamFormats.data(), 0);
}

void PgCursor::ShowOwnChange(bool deleted) {
    // The server's cursors show the rows as they were when declared. A scrollable cursor that is
    // not insensitive shows its own changes: it is declared again (in the same transaction, so it
    // sees them) and put back where it stood; a deleted row has left it, which then stands
    // between the deleted row's neighbours.
    if ((FOptions & (kBackendForwardOnly | kBackendInsensitive)) || !FPosKnown || FPos < 1) return;
    const std::string close = "CLOSE " + FServerName;
    const long long target = deleted ? FPos - 1 : FPos;
    const std::string position =
        (deleted ? "MOVE ABSOLUTE " : "FETCH ABSOLUTE ") + std::to_string(target) + " FROM " + FServerName;
    auto results = FBackend.Run({[&](PGconn* c) { return SendSimpleText(c, close); },
                                 [&](PGconn* c) { return SendDeclare(c); },
                                 [&](PGconn* c) { return SendSimpleText(c, position); }});
    ++FBlockStamp;
    FBlock.reset();
    FOnRow = false;
    FServerAhead = 0;
    if (deleted) {
        FPos = target;
        FSide = target == 0 ? -1 : 0;
        return;
    }
    auto row = std::make_shared<PgResult>(std::move(results[2]));
    if (Pq().PQntuples(row->Get()) == 1) {
        FBlock = std::move(row);
        FBlockRow = 0;
        FOnRow = true;
    }
}

int32_t PgCursor::RowReport() {
    if (FBackend.RowCounts() && !(FOptions & kBackendForwardOnly)) {
        // Count by moving to the end, then stand before the first row again.
        PgResult all = FetchCommand("MOVE FORWARD ALL IN " + FServerName);
        FetchCommand("MOVE ABSOLUTE 0 IN " + FServerName);
        int64_t n = CountOf(all.Get());
        return static_cast<int32_t>(std::min<int64_t>(n, INT32_MAX));
    }
    return -static_cast<int32_t>(std::clamp<int64_t>(FStatement.EstimateRows(), 1, INT32_MAX));
}

int64_t PgStatement::EstimateRows() const {
    // The planner's estimate for the query, with the open's parameters unknown (a generic plan),
    // asked once per statement: an estimate needs no round trip at every open.
    if (FEstimate >= 0) return FEstimate;
    std::string explain = "EXPLAIN " + FServerText;
    std::vector<const char*> values(FParamTypes.size(), nullptr);
    int64_t estimate = 1;
    try {
        auto results = FBackend.Run({[&](PGconn* c) {
            return Pq().PQsendQueryParams(c, explain.c_str(), static_cast<int>(FParamTypes.size()),
                                          FParamTypes.empty() ? nullptr : FParamTypes.data(), values.data(), nullptr,
                                          nullptr, 0);
        }});
        const PGresult* r = results[0].Get();
        if (Pq().PQntuples(r) > 0) {
            const char* line = Pq().PQgetvalue(r, 0, 0);
            const char* rows = std::strstr(line, "rows=");
            if (rows) std::from_chars(rows + 5, rows + std::strlen(rows), estimate);
        }
    } catch (const DbError& e) {
        if (e.Code() == DBLIB_E_CONNECTION_ENDED || e.Code() == DBLIB_E_INTERRUPTED) throw;
        // A query the planner cannot explain with unknown parameters still has rows: report 1.
    }
    FEstimate = std::max<int64_t>(estimate, 1);
    return FEstimate;
}

PgResult PgCursor::FetchCommand(const std::string& command) {
    try {
        auto results = FBackend.Run({[&](PGconn* c) {
            return Pq().PQsendQueryParams(c, command.c_str(), 0, nullptr, nullptr, nullptr, nullptr, 0);
        }});
        FOwnRequest = FBackend.Requests();
        return std::move(results[0]);
    } catch (const DbError& e) {
        // The server no longer knows the cursor: one opened for update ended with its transaction.
        if (e.Code() != DBLIB_E_CURSOR_NOT_DECLARED) throw;
        FOpen = false;
        FOnRow = false;
        FBlock.reset();
        throw DbError(DBLIB_E_CURSOR_NOT_OPEN, FName);
    }
}

FetchOutcome PgCursor::Fetch(FetchKind kind, int offset, sqlda* da, unsigned rows) {
    if (!FOpen) throw DbError(DBLIB_E_CURSOR_NOT_OPEN, FName);
    const size_t cols = Columns().size();
    if (rows == 0) rows = 1;
    if (da) {
        if (da->sqld < 0 || da->sqld > da->sqln) throw DbError(DBLIB_E_BAD_SQLDA, "sqld outside 0..sqln");
        size_t room = cols ? static_cast<size_t>(da->sqld) / cols : 0;
        if (room == 0) throw DbError(DBLIB_E_BAD_SQLDA, "not enough variables for one row");
        rows = static_cast<unsigned>(std::min<size_t>(rows, room));
    } else {
        rows = 1;
    }
    const bool forwardOnly = (FOptions & kBackendForwardOnly) != 0;
    if (forwardOnly) {
        // Only moves that go forward: the server's NO SCROLL cursor cannot go back. Past the last
        // row every forward move finds nothing, as on the in-process engine.
        const bool afterLast = FSide == 1 && !FOnRow;
        const bool forward = kind == FetchKind::Relative ? offset >= 1 : (offset > 0 && (afterLast || offset > FPos));
        if (!forward) throw DbError(DBLIB_E_CURSOR_FORWARD_ONLY, FName);
        if (afterLast) {
            FetchOutcome none;
            none.Beyond = 1;
            return none;
        }
    }
    // A forward-only cursor's absolute move is a move forward from where it stands: counted so,
    // it takes the rows already fetched first (its first fetch, ABSOLUTE 1, is a step on), and
    // the server's cursor, which may stand ahead of this one, is only ever moved forward.
    if (forwardOnly && kind == FetchKind::Absolute && FPosKnown) {
        kind = FetchKind::Relative;
        offset -= static_cast<int>(FPos);
    }
    bool stepOn = kind == FetchKind::Relative && offset == 1;
    if (const int kept = PendingRows(); kept > 0 && !stepOn) {
        // Rows kept by a forward-only cursor lie between it and the server's cursor.
        if (kind == FetchKind::Relative && offset <= kept) {
            SkipPending(offset - 1);
            FPos += offset - 1;
            stepOn = true;
        } else {
            if (kind == FetchKind::Relative) offset -= kept, FPos += kept;
            FPending.clear();
        }
    }
    // After a block that ended with the result, the server's cursor stands after the last row while
    // this one stands on it: a relative move counts from one row further there.
    if (!stepOn && kind == FetchKind::Relative) offset -= FServerAhead;
    FServerAhead = 0;
    FOnRow = false;
    FBlock.reset();
    FBlockRow = -1;
    ++FBlockStamp;

    // The rows of the block, in order: (result, row in it). reachedEnd: a server fetch gave fewer
    // rows than it was asked for (the server's cursor then stands after the last row).
    bool reachedEnd = false;
    std::vector<std::pair<std::shared_ptr<PgResult>, int>> block;
    const std::string from = " FROM " + FServerName;
    if (stepOn) {
        // Rows fetched before but not delivered (read ahead, or a block cut short by a value)
        // come first.
        while (!FPending.empty() && block.size() < rows) {
            PendingRun& next = FPending.front();
            block.emplace_back(next.Result, next.Row++);
            if (next.Row >= Pq().PQntuples(next.Result->Get())) FPending.erase(FPending.begin());
        }
        if (block.size() < rows && FServerDone) {
            reachedEnd = true;
        } else if (block.size() < rows) {
            // A read-only forward-only cursor over short rows reads ahead, twice as far each time
            // up to kReadAheadMax rows, so that a caller's small blocks do not each cost a round
            // trip; the rows read ahead wait as rows not delivered.
            const size_t needed = rows - block.size();
            const size_t asked = std::max<size_t>(needed, FReadAhead);
            if (FReadAhead > 0) FReadAhead = std::min<unsigned>(FReadAhead * 2, kReadAheadMax);
            auto more = std::make_shared<PgResult>(FetchCommand("FETCH FORWARD " + std::to_string(asked) + from));
            const size_t got = static_cast<size_t>(Pq().PQntuples(more->Get()));
            for (size_t r = 0; r < std::min(got, needed); ++r) block.emplace_back(more, static_cast<int>(r));
            if (got > needed) FPending.push_back({more, static_cast<int>(needed)});
            reachedEnd = got < asked;
            // A forward-only cursor that came short has nothing more: later moves need not ask.
            FServerDone = forwardOnly && reachedEnd;
        }
    } else if (forwardOnly && FServerDone) {
        // Beyond the rows already fetched there are none.
    } else {
        auto first = std::make_shared<PgResult>(FetchCommand(
            std::string(kind == FetchKind::Absolute ? "FETCH ABSOLUTE " : "FETCH RELATIVE ") + std::to_string(offset) + from));
        if (Pq().PQntuples(first->Get()) == 1) {
            block.emplace_back(first, 0);
            if (rows > 1) {
                auto rest = std::make_shared<PgResult>(FetchCommand("FETCH FORWARD " + std::to_string(rows - 1) + from));
                for (int r = 0; r < Pq().PQntuples(rest->Get()); ++r) block.emplace_back(rest, r);
                reachedEnd = static_cast<unsigned>(Pq().PQntuples(rest->Get())) < rows - 1;
            }
        }
        FServerDone = forwardOnly && (block.empty() || reachedEnd);
    }

    FetchOutcome out;
    if (block.empty()) {
        if (kind == FetchKind::Absolute) FSide = offset > 0 ? 1 : -1;
        else if (offset != 0) FSide = offset > 0 ? 1 : -1;
        out.Beyond = FSide;
        FPos = FSide < 0 ? 0 : FPos;
        if (FSide < 0) FPosKnown = true;
        return out;
    }
    // Where the block starts.
    if (stepOn) {
        FPos += 1;
    } else if (kind == FetchKind::Absolute) {
        FPosKnown = offset > 0;
        FPos = offset;
    } else {
        FPos += offset;
    }
    std::string scratch;
    size_t delivered = 0;
    for (; delivered < block.size(); ++delivered) {
        const auto& [result, row] = block[delivered];
        if (da) {
            try {
                out.Truncated |= DeliverRow(result->Get(), row, FStatement.ColumnTypes(), da, delivered * cols,
                                            FBackend.Variables(), scratch);
            } catch (const DbError& e) {
                // A value that cannot be delivered fails the fetch of its own row only: the rows of
                // the block before it are delivered, the cursor stays on the last of them, and the
                // next fetch reaches the row again and reports it. When it is the block's first row,
                // the cursor stands on it (as on any row whose delivery failed).
                if (e.Code() != DBLIB_E_CONVERSION && e.Code() != DBLIB_E_OUT_OF_RANGE) throw;
                KeepUndelivered(block, delivered == 0 ? 1 : delivered, forwardOnly, reachedEnd);
                if (delivered > 0) break;
                FSide = 0;
                FOnRow = true;
                FBlock = block[0].first;
                FBlockRow = block[0].second;
                throw;
            }
        }
    }
    out.Rows = static_cast<unsigned>(delivered);
    if (delivered == block.size() && reachedEnd) FServerAhead = 1;
    FPos += static_cast<long long>(delivered) - 1;
    FSide = 0;
    FOnRow = true;
    FBlock = block[delivered - 1].first;
    FBlockRow = block[delivered - 1].second;
    return out;
}

void PgCursor::KeepUndelivered(const std::vector<std::pair<std::shared_ptr<PgResult>, int>>& block, size_t from,
                               bool forwardOnly, bool reachedEnd) {
    if (!forwardOnly) {
        // The server's cursor goes back to the row the library's cursor stands on.
        const size_t back = block.size() - std::min(from, block.size()) + (reachedEnd ? 1 : 0);
        if (back > 0) FetchCommand("MOVE RELATIVE -" + std::to_string(back) + " IN " + FServerName);
        return;
    }
    if (from >= block.size()) return;
    // A forward-only cursor cannot go back: the rows stay here for the next fetch, ahead of the
    // rows read ahead. The block's rows of one result run to that result's end, except the last
    // result's, whose remaining rows are the ones read ahead.
    std::vector<PendingRun> kept;
    for (size_t i = from; i < block.size(); ++i)
        if (kept.empty() || kept.back().Result != block[i].first) kept.push_back({block[i].first, block[i].second});
    for (PendingRun& later : FPending)
        if (later.Result != kept.back().Result) kept.push_back(std::move(later));
    FPending = std::move(kept);
}

int PgCursor::PendingRows() const {
    int n = 0;
    for (const PendingRun& run : FPending) n += Pq().PQntuples(run.Result->Get()) - run.Row;
    return n;
}

void PgCursor::SkipPending(int rows) {
    while (rows > 0 && !FPending.empty()) {
        PendingRun& next = FPending.front();
        const int step = std::min(rows, Pq().PQntuples(next.Result->Get()) - next.Row);
        next.Row += step;
        rows -= step;
        if (next.Row >= Pq().PQntuples(next.Result->Get())) FPending.erase(FPending.begin());
    }
}

PieceOutcome PgCursor::GetData(unsigned column, size_t offset, sqlvar& var) {
    if (!FOpen) throw DbError(DBLIB_E_CURSOR_NOT_OPEN, FName);
    if (!FOnRow || !FBlock) throw DbError(DBLIB_E_NO_CURRENT_ROW, FName);
    if (column < 1 || column > Columns().size()) throw DbError(DBLIB_E_BAD_ARGUMENT, "column " + std::to_string(column));
    const int c = static_cast<int>(column) - 1;
    const PGresult* r = FBlock->Get();
    if (Pq().PQgetisnull(r, FBlockRow, c)) return StorePiece({}, true, offset, var);
    const Oid type = FStatement.ColumnTypes()[static_cast<size_t>(c)];
    if (type == oid::Bytea) {
        // Decoded once for the current row and column; every piece then copies its own bytes.
        if (FPieceStamp != FBlockStamp || FPieceColumn != column) {
            ReadServerText(type, Pq().PQgetvalue(r, FBlockRow, c), static_cast<size_t>(Pq().PQgetlength(r, FBlockRow, c)), FPiece);
            FPieceStamp = FBlockStamp;
            FPieceColumn = column;
        }
        return StorePiece(FPiece, false, offset, var);
    }
    std::string scratch;
    Value v = ReadServerText(type, Pq().PQgetvalue(r, FBlockRow, c), static_cast<size_t>(Pq().PQgetlength(r, FBlockRow, c)), scratch);
    if (v.K == Value::Text || v.K == Value::Blob) return StorePiece(std::string_view(v.P, v.N), false, offset, var);
    // Numbers read as their text.
    return StorePiece(std::string_view(Pq().PQgetvalue(r, FBlockRow, c), static_cast<size_t>(Pq().PQgetlength(r, FBlockRow, c))),
                      false, offset, var);
}

void PgCursor::RequireChangeable() const {
    if (!FOpen) throw DbError(DBLIB_E_CURSOR_NOT_OPEN, FName);
    if (!(FOptions & kBackendForUpdate) || (FOptions & kBackendReadOnly)) throw DbError(DBLIB_E_CURSOR_READ_ONLY, FName);
    if (!FOnRow) throw DbError(DBLIB_E_NO_CURRENT_ROW, FName);
}

const std::string& PgCursor::TableName() {
    if (FTableRead) return FTable;
    // The table behind the result columns, and the table column of each (the server tells both
    // for columns taken straight from a table).
    Oid table = InvalidOid;
    const std::vector<int>& attnums = FStatement.ColumnNumbers();
    for (Oid t : FStatement.ColumnTables()) {
        if (t == InvalidOid) continue;
        if (table != InvalidOid && t != table) throw DbError(DBLIB_E_NOT_UPDATABLE, FName, "the query joins tables");
        table = t;
    }
    if (table == InvalidOid) throw DbError(DBLIB_E_NOT_UPDATABLE, FName, "no column comes from a table");
    std::string tableText = std::to_string(table);
    const char* values[] = {tableText.c_str()};
    const char* sql =
        "SELECT a.attrelid::regclass::text, a.attnum, a.attname FROM pg_attribute a "
        "WHERE a.attrelid = $1::oid AND a.attnum > 0 AND NOT a.attisdropped ORDER BY a.attnum";
    auto results = FBackend.Run(
        {[&](PGconn* c) { return Pq().PQsendQueryParams(c, sql, 1, nullptr, values, nullptr, nullptr, 0); }});
    const PGresult* r = results[0].Get();
    FTableColumns.assign(attnums.size(), std::string());
    for (int row = 0; row < Pq().PQntuples(r); ++row) {
        FTable = Pq().PQgetvalue(r, row, 0); // already quoted where it needs it
        int attnum = std::atoi(Pq().PQgetvalue(r, row, 1));
        std::string attname = Pq().PQgetvalue(r, row, 2);
        for (size_t i = 0; i < attnums.size(); ++i)
            if (attnums[i] == attnum) FTableColumns[i] = attname;
        FAllColumns.push_back(std::move(attname));
    }
    FTableRead = true;
    return FTable;
}

std::string PgCursor::TableColumn(const sqlname& name) {
    std::string wanted(name.data, static_cast<size_t>(std::clamp<int16_t>(name.length, 0, 30)));
    const auto& cols = Columns();
    for (size_t i = 0; i < cols.size(); ++i) {
        if (!IEquals(cols[i].Name, wanted)) continue;
        if (FTableColumns[i].empty()) throw DbError(DBLIB_E_NOT_UPDATABLE, FName, "column " + wanted + " is an expression");
        return FTableColumns[i];
    }
    for (const std::string& c : FAllColumns)
        if (IEquals(c, wanted)) return c;
    throw DbError(DBLIB_E_COLUMN_NOT_FOUND, wanted);
}

void PgCursor::Update(const sqlda* values) {
    RequireChangeable();
    if (!values || values->sqld <= 0) return;
    if (values->sqld > values->sqln) throw DbError(DBLIB_E_BAD_SQLDA, "sqld outside 0..sqln");
    const std::string table = TableName();
    std::string sql = "UPDATE " + table + " SET ";
    ParamSet params(nullptr, 0, {}, nullptr);
    for (int i = 0; i < values->sqld; ++i) {
        const sqlvar& v = values->sqlvar[i];
        if (v.sqlname.length <= 0 || (v.sqltype & ~1) == 0) continue;
        std::string column = TableColumn(v.sqlname);
        params.Add(v, FBackend.Variables());
        if (params.Count() > 1) sql += ", ";
        sql += QuoteIdent(column) + " = $" + std::to_string(params.Count());
    }
    if (params.Count() == 0) return;
    sql += " WHERE CURRENT OF " + FServerName;
    auto results = FBackend.Run({[&](PGconn* c) {
        return Pq().PQsendQueryParams(c, sql.c_str(), params.Count(), nullptr, params.Values(), params.Lengths(),
                                 params.Formats(), 0);
    }});
    if (CountOf(results[0].Get()) == 0) throw DbError(DBLIB_E_NO_CURRENT_ROW, FName);
    ShowOwnChange(false);
}

void PgCursor::Delete() {
    RequireChangeable();
    const std::string sql = "DELETE FROM " + TableName() + " WHERE CURRENT OF " + FServerName;
    PgResult r = FetchCommand(sql);
    if (CountOf(r.Get()) == 0) throw DbError(DBLIB_E_NO_CURRENT_ROW, FName);
    FOnRow = false;
    ShowOwnChange(true);
}

void PgCursor::PutInto(const sqlda* values, sqlda* into, bool& truncated) {
    if (!FOpen) throw DbError(DBLIB_E_CURSOR_NOT_OPEN, FName);
    if (!(FOptions & kBackendForUpdate) || (FOptions & kBackendReadOnly)) throw DbError(DBLIB_E_CURSOR_READ_ONLY, FName);
    if (values && (values->sqld < 0 || values->sqld > values->sqln)) throw DbError(DBLIB_E_BAD_SQLDA, "sqld outside 0..sqln");
    const std::string table = TableName();
    std::string names, markers;
    ParamSet params(nullptr, 0, {}, nullptr);
    for (int i = 0; values && i < values->sqld; ++i) {
        const sqlvar& v = values->sqlvar[i];
        if (v.sqlname.length <= 0 || (v.sqltype & ~1) == 0) continue;
        std::string column;
        try {
            column = TableColumn(v.sqlname);
        } catch (const DbError& e) {
            // Callers send every column of a new row: a NULL for an expression column is passed over.
            char scratch[kScratchSize];
            if (e.Code() == DBLIB_E_NOT_UPDATABLE && ReadInput(v, scratch, FBackend.Variables()).K == Value::Null)
                continue;
            throw;
        }
        params.Add(v, FBackend.Variables());
        names += (params.Count() > 1 ? ", " : "") + QuoteIdent(column);
        markers += (params.Count() > 1 ? ", $" : "$") + std::to_string(params.Count());
    }
    // The stored row as the query shows it: its table columns, NULL for an expression.
    std::string returning;
    for (size_t i = 0; i < FTableColumns.size(); ++i)
        returning += (i ? ", " : "") + (FTableColumns[i].empty() ? std::string("NULL") : QuoteIdent(FTableColumns[i]));
    std::string sql = "INSERT INTO " + table +
                      (params.Count() ? " (" + names + ") VALUES (" + markers + ")" : std::string(" DEFAULT VALUES")) +
                      " RETURNING " + returning;
    auto results = FBackend.Run({[&](PGconn* c) {
        return Pq().PQsendQueryParams(c, sql.c_str(), params.Count(), nullptr, params.Values(), params.Lengths(),
                                      params.Formats(), 0);
    }});
    const PGresult* r = results[0].Get();
    if (into && Pq().PQntuples(r) > 0) {
        std::string scratch;
        truncated = DeliverRow(r, 0, FStatement.ColumnTypes(), into, 0, FBackend.Variables(), scratch);
    }
}

void PgCursor::Close() {
    if (!FOpen) throw DbError(DBLIB_E_CURSOR_NOT_OPEN, FName);
    FOpen = false;
    FOnRow = false;
    FBlock.reset();
    FPending.clear();
    // When the last request on the connection was this cursor's own, the cursor is surely open on
    // the server and its CLOSE rides with the next request; else it is sent now, its failure (a
    // cursor some other request already ended) ignored.
    if (FBackend.Requests() == FOwnRequest)
        FBackend.DeferClose("CLOSE " + FServerName);
    else
        FBackend.Forget("CLOSE " + FServerName);
}

} // namespace tnxdb::pg
