// The work of the entry points on a connection to a network server (see ServerSession.h).
#include "platform/dblib/ServerSession.h"

#include "platform/dblib/Client.h"
#include "platform/dblib/Connection.h"
#include "platform/dblib/Convert.h"
#include "platform/dblib/Errors.h"
#include "platform/dblib/Options.h"
#include "platform/dblib/Sqlda.h"
#include "platform/dblib/Statement.h"
#include "platform/dblib/StatementNumbers.h"
#include "platform/dblib/Text.h"

#if TNXDB_HAVE_SERVER_BACKEND
#include "platform/dblib/pg/PgBackend.h"
#endif

#include <algorithm>
#include <cstring>

namespace tnxdb {

namespace {

void CheckSqlda(const sqlda* da, const char* which) {
    if (da && (da->sqld < 0 || da->sqld > da->sqln))
        throw DbError(DBLIB_E_BAD_SQLDA, std::string(which) + " SQLDA: sqld outside 0..sqln");
}

bool StartsWithDdl(const Statement& s) {
    const auto& tokens = s.Scanned().Tokens;
    if (tokens.empty() || tokens[0].Kind != TokKind::Word) return false;
    const std::string& text = s.Text();
    for (const char* word : {"CREATE", "ALTER", "DROP", "GRANT", "REVOKE"})
        if (IsKeyword(text, tokens[0], word)) return true;
    return false;
}

// Whether some variable of `da` that has no indicator was cut (the SQLCA then says so as a
// warning code, as the in-process path does).
bool CutWithoutIndicator(const sqlda* da, bool truncated) {
    if (!truncated || !da) return false;
    for (int k = 0; k < da->sqld; ++k)
        if (!da->sqlvar[k].sqlind) return true;
    return false;
}

void ReportTruncation(sqlca* ca, const sqlda* da, bool truncated) {
    if (!truncated) return;
    SetTruncationWarning(ca);
    if (CutWithoutIndicator(da, truncated)) WriteSqlca(ca, DBLIB_W_TRUNCATED, {}, {});
}

// An SQLDA owned for the length of a scope.
struct OwnedSqlda {
    explicit OwnedSqlda(unsigned n) : Da(AllocSqlda(n, true)) {
        if (!Da) throw DbError(DBLIB_E_MEMORY);
    }
    ~OwnedSqlda() { FreeSqlda(Da); }
    OwnedSqlda(const OwnedSqlda&) = delete;
    OwnedSqlda& operator=(const OwnedSqlda&) = delete;
    sqlda* Da;
};

constexpr unsigned kCursorOptionMask = kBackendReadOnly | kBackendForwardOnly | kBackendInsensitive | kBackendForUpdate;

} // namespace

ServerSession::ServerSession(std::unique_ptr<Backend> backend) : FBackend(std::move(backend)) { FStatements.resize(1); }

ServerSession::~ServerSession() { End(); }

Backend& ServerSession::Db() {
    if (!FBackend) throw DbError(DBLIB_E_CONNECTION_ENDED);
    return *FBackend;
}

// ---- Statements ---------------------------------------------------------------------------------

namespace {

// Whether the library carries a classified statement out itself; the database's own text, and
// the statements about databases and users (which the server runs in its own syntax), go to the
// server. Throws for an own statement that takes no inputs but has markers.
bool CarriedOutHere(const Statement& s) {
    switch (s.Kind()) {
    case StmtKind::CreateVariable:
    case StmtKind::DropVariable:
    case StmtKind::SetOption:
    case StmtKind::Commit:
    case StmtKind::Rollback:
    case StmtKind::Begin:
        if (s.InputCount() > 0) throw DbError(DBLIB_E_SYNTAX, "?");
        return true;
    case StmtKind::SetVariable:
    case StmtKind::AppendVariable:
    case StmtKind::Message: return true;
    default: return false;
    }
}

} // namespace

std::unique_ptr<ServerSession::StatementSlot> ServerSession::Compile(int number, std::string module,
                                                                     std::string_view text) {
    auto slot = std::make_unique<StatementSlot>();
    slot->Own = Statement::Classified(number, std::move(module), text);
    if (CarriedOutHere(*slot->Own)) return slot;
    slot->Ddl = StartsWithDdl(*slot->Own);
    slot->Remote = Db().Prepare(text);
    return slot;
}

void ServerSession::Prepare(Connection& /*c*/, short* stmt, std::string module, const char* sql) {
    const int number = ChooseStatementNumber(*stmt, FStatements);
    auto slot = Compile(number, std::move(module), sql);
    const size_t n = static_cast<size_t>(number);
    if (n >= FStatements.size()) FStatements.resize(n + 1);
    StatementGone(number);
    FStatements[n] = std::move(slot);
    *stmt = static_cast<short>(number);
}

bool ServerSession::HasStatement(int number) const {
    return number > 0 && static_cast<size_t>(number) < FStatements.size() && FStatements[static_cast<size_t>(number)];
}

ServerSession::StatementSlot& ServerSession::StatementAt(int number) {
    if (!HasStatement(number)) throw DbError(DBLIB_E_BAD_STATEMENT);
    return *FStatements[static_cast<size_t>(number)];
}

void ServerSession::DropStatement(int number) {
    StatementGone(number);
    if (HasStatement(number)) FStatements[static_cast<size_t>(number)].reset();
}

void ServerSession::StatementGone(int number) {
    for (auto& [key, cursor] : FCursors)
        if (cursor.Statement == number && cursor.Open) {
            try {
                cursor.Open->Close();
            } catch (...) {
                // The cursor goes with its statement whatever the server says.
            }
            cursor.Open.reset();
        }
}

void ServerSession::Describe(int number, sqlda* da, unsigned kind, sqlca* ca) {
    if (!da) throw DbError(DBLIB_E_BAD_SQLDA, "no SQLDA given");
    StatementSlot& s = StatementAt(number);
    if (kind == DBLIB_DESCRIBE_INPUT) {
        if (s.Remote) {
            const auto& inputs = s.Remote->Inputs();
            const auto& names = s.Own->Scanned().MarkerNames;
            FillDescribe(da, inputs.size(), [&](size_t i, sqlvar& v) {
                v.sqltype = static_cast<int16_t>(inputs[i].SqlType | DBLIB_T_NULLABLE);
                v.sqllen = inputs[i].SqlLen;
                SetSqlName(v.sqlname, i < names.size() ? names[i] : inputs[i].Name);
                if (v.sqlind) *v.sqlind = 0;
            });
        } else {
            const auto& names = s.Own->Scanned().MarkerNames;
            FillDescribe(da, names.size(), [&](size_t i, sqlvar& v) {
                v.sqltype = DBLIB_T_STRING | DBLIB_T_NULLABLE;
                v.sqllen = 32767;
                SetSqlName(v.sqlname, names[i]);
                if (v.sqlind) *v.sqlind = 0;
            });
        }
        return;
    }
    if (kind != DBLIB_DESCRIBE_OUTPUT && kind != DBLIB_DESCRIBE_FIXED && kind != DBLIB_DESCRIBE_LONG_NAMES)
        throw DbError(DBLIB_E_BAD_ARGUMENT, "describe kind " + std::to_string(kind));
    // The server knows the type of every result column: kind 9 always reports them all declared.
    if (kind == DBLIB_DESCRIBE_FIXED) ca->sqlerrd[2] = 1;
    static const std::vector<BackendColumn> kNone;
    const std::vector<BackendColumn>& columns = s.Remote ? s.Remote->Columns() : kNone;
    if (kind == DBLIB_DESCRIBE_LONG_NAMES) {
        FillLongNames(da, columns.size(), [&](size_t i) { return columns[i].Name.c_str(); });
        return;
    }
    FillDescribe(da, columns.size(), [&](size_t i, sqlvar& v) {
        v.sqltype = static_cast<int16_t>(columns[i].SqlType | (columns[i].Nullable ? DBLIB_T_NULLABLE : 0));
        v.sqllen = columns[i].SqlLen;
        SetSqlName(v.sqlname, columns[i].Name);
        if (v.sqlind) *v.sqlind = 0;
    });
}

void ServerSession::RunRemote(StatementSlot& s, const sqlda* in, sqlda* out, sqlca* ca) {
    Backend& db = Db();
    if (s.Ddl) db.Commit();
    bool truncated = false;
    int64_t rows = 0;
    try {
        rows = s.Remote->Execute(in, out, truncated);
    } catch (const DbError& e) {
        if (e.Code() != DBLIB_W_NOT_FOUND) throw;
        WriteSqlca(ca, DBLIB_W_NOT_FOUND, {}, {});
        return;
    }
    if (s.Ddl) db.Commit();
    ca->sqlerrd[2] = static_cast<int32_t>(std::min<int64_t>(rows, INT32_MAX));
    ReportTruncation(ca, out, truncated);
}

void ServerSession::Execute(Connection& c, int number, const sqlda* in, sqlda* out, sqlca* ca) {
    CheckSqlda(in, "input");
    CheckSqlda(out, "output");
    StatementSlot& s = StatementAt(number);
    // An open cursor is reading this statement's results: running it would disturb them.
    for (const auto& [key, cursor] : FCursors)
        if (cursor.Statement == number && cursor.Open) throw DbError(DBLIB_E_CURSOR_ALREADY_OPEN, cursor.Name);
    const size_t needed = s.Own->InputCount();
    if (needed > 0 && (!in || static_cast<size_t>(in->sqld) < needed)) throw DbError(DBLIB_E_TOO_FEW_VALUES);
    if (s.Remote)
        RunRemote(s, in, out, ca);
    else
        RunOwn(c, *s.Own, in);
}

void ServerSession::ExecuteImmediate(Connection& c, const char* sql, sqlca* ca) {
    auto own = Statement::Classified(0, {}, sql);
    if (own->InputCount() > 0) throw DbError(DBLIB_E_TOO_FEW_VALUES);
    if (CarriedOutHere(*own)) {
        RunOwn(c, *own, nullptr);
        return;
    }
    // One round trip: nothing is prepared or kept on the server.
    Backend& db = Db();
    const bool ddl = StartsWithDdl(*own);
    if (ddl) db.Commit();
    const int64_t rows = db.ExecuteImmediate(sql);
    if (ddl) db.Commit();
    ca->sqlerrd[2] = static_cast<int32_t>(std::min<int64_t>(rows, INT32_MAX));
}

void ServerSession::Commit() { Db().Commit(); }

void ServerSession::Rollback() { Db().Rollback(); }

void ServerSession::RunOwn(Connection& c, const Statement& s, const sqlda* in) {
    VariableStore& vars = c.Variables();
    switch (s.Kind()) {
    case StmtKind::CreateVariable: {
        const auto& create = std::get<CreateVariableArgs>(s.Args());
        vars.Create(create.Name, create.TypeText);
        return;
    }
    case StmtKind::DropVariable: vars.Drop(std::get<DropVariableArgs>(s.Args()).Name); return;
    case StmtKind::AppendVariable:
    case StmtKind::SetVariable: {
        const auto& set = std::get<SetVariableArgs>(s.Args());
        SqlVariable& target = vars.Get(set.Name);
        const auto& tokens = s.Scanned().Tokens;
        const Token& first = tokens[set.ExprToken];
        const bool single = set.ExprToken + 1 == s.TokenCount();
        char scratch[kScratchSize];
        if (single && (first.Kind == TokKind::Marker || first.Kind == TokKind::String)) {
            // One marker or one string: its value, without a round trip.
            Value v = first.Kind == TokKind::Marker ? ReadInput(in->sqlvar[first.MarkerIndex], scratch, &vars)
                                                    : Value();
            std::string text;
            if (first.Kind == TokKind::String) {
                text = TokenText(s.Text(), first);
                v = Value::MakeText(text.data(), text.size());
            }
            if (s.Kind() == StmtKind::AppendVariable && target.CanAppend())
                target.Append(v);
            else
                target.Assign(v);
            return;
        }
        if (s.Kind() == StmtKind::AppendVariable && target.CanAppend()) {
            std::string text = TokenText(s.Text(), first);
            target.Append(Value::MakeText(text.data(), text.size()));
            return;
        }
        OwnedSqlda out(1);
        out.Da->sqld = 1;
        std::string name = target.Name();
        out.Da->sqlvar[0].sqltype = DBLIB_T_VARIABLE;
        out.Da->sqlvar[0].sqldata = name.data();
        Evaluate(c, s, in, set.ExprToken, s.TokenCount(), out.Da, nullptr);
        return;
    }
    case StmtKind::SetOption: {
        const auto& option = std::get<SetOptionArgs>(s.Args());
        SetOption(c, option.Temporary, option.Owner, option.Name, option.Value);
        return;
    }
    case StmtKind::Commit: Db().Commit(); return;
    case StmtKind::Rollback: Db().Rollback(); return;
    case StmtKind::Begin:
        // A transaction that stays open until COMMIT or ROLLBACK, chained or not.
        if (!Db().InTransaction()) Db().ExecuteImmediate(c.Options().Chained() ? "SELECT NULL WHERE false" : "BEGIN");
        return;
    case StmtKind::Message: {
        const auto& message = std::get<MessageArgs>(s.Args());
        std::vector<std::string> texts;
        Evaluate(c, s, in, 1, message.ExprEnd, nullptr, &texts);
        if (!message.ToClient) return;
        std::string text;
        for (const auto& t : texts) text += t;
        c.DeliverMessage(message.Type, 0, text.data(), text.size());
        return;
    }
    default: return;
    }
}

void ServerSession::Evaluate(Connection& c, const Statement& s, const sqlda* in, size_t first, size_t end,
                             sqlda* out, std::vector<std::string>* texts) {
    const auto& t = s.Scanned().Tokens;
    const std::string& text = s.Text();
    std::string sql = "SELECT ";
    // The parameters in order: a copy of an input variable, or a type-600 variable naming an SQL
    // variable (the backend reads its value).
    std::vector<sqlvar> params;
    std::vector<std::string> variableNames;
    variableNames.reserve(end - first);
    for (size_t i = first; i < end; ++i) {
        const Token& tok = t[i];
        if (i > first && tok.Begin > t[i - 1].End) sql += ' ';
        if (tok.Kind == TokKind::Marker) {
            sql += '?';
            params.push_back(in->sqlvar[tok.MarkerIndex]);
            continue;
        }
        const bool afterDot = i > first && t[i - 1].Kind == TokKind::Punct && text[t[i - 1].Begin] == '.';
        const bool beforeParen = i + 1 < end && t[i + 1].Kind == TokKind::Punct && text[t[i + 1].Begin] == '(';
        if ((tok.Kind == TokKind::Word || tok.Kind == TokKind::QuotedIdent) && !afterDot && !beforeParen) {
            if (SqlVariable* v = c.Variables().Find(TokenText(text, tok))) {
                sql += '?';
                variableNames.push_back(v->Name());
                sqlvar var{};
                var.sqltype = DBLIB_T_VARIABLE;
                var.sqldata = variableNames.back().data();
                params.push_back(var);
                continue;
            }
        }
        sql.append(text, tok.Begin, tok.End - tok.Begin);
    }
    OwnedSqlda inputs(static_cast<unsigned>(params.size()));
    inputs.Da->sqld = static_cast<int16_t>(params.size());
    for (size_t k = 0; k < params.size(); ++k) inputs.Da->sqlvar[k] = params[k];
    auto query = Db().Prepare(sql);
    bool truncated = false;
    if (out) {
        query->Execute(inputs.Da, out, truncated);
        return;
    }
    // Every column as text, into buffers of the longest text the describe allows.
    const size_t cols = query->Columns().size();
    OwnedSqlda values(static_cast<unsigned>(cols));
    values.Da->sqld = static_cast<int16_t>(cols);
    std::vector<std::vector<char>> buffers(cols, std::vector<char>(32767));
    for (size_t k = 0; k < cols; ++k) {
        values.Da->sqlvar[k].sqltype = DBLIB_T_STRING | DBLIB_T_NULLABLE;
        values.Da->sqlvar[k].sqllen = 32767;
        values.Da->sqlvar[k].sqldata = buffers[k].data();
    }
    query->Execute(inputs.Da, values.Da, truncated);
    for (size_t k = 0; k < cols; ++k)
        if (!(values.Da->sqlvar[k].sqlind && *values.Da->sqlvar[k].sqlind < 0)) texts->emplace_back(buffers[k].data());
}

void ServerSession::SetOption(Connection& c, bool temporary, std::string_view user, std::string_view name,
                              std::string_view value) {
    OptionId id = FindOption(name);
    std::string v(Trim(value));
    if (!v.empty()) ValidateOption(id, v);
    std::string target(Trim(user));
    const bool isPublic = IEquals(target, "PUBLIC");
    const bool isSelf = target.empty() || IEquals(target, c.UserName());
    // Options are the connection's own on a server: nothing is stored, nothing reaches another
    // user's connections.
    if (temporary)
        c.Options().SetTemporary(id, v);
    else if (isPublic)
        c.Options().SetPublic(id, v);
    else if (isSelf)
        c.Options().SetUser(id, v);
    else
        throw DbError(DBLIB_E_PERMISSION, "options of another user are not kept on a server connection");
    ApplyOptions(c.Options());
}

void ServerSession::ApplyOptions(const OptionSet& options) {
    Backend& db = Db();
    db.SetIsolationLevel(options.IsolationLevel());
    db.SetChained(options.Chained());
    db.SetRowCounts(options.RowCounts());
    db.SetBlocking(options.Blocking(), options.BlockingTimeoutMs());
}

std::string ServerSession::Info(int kind) { return Db().Info(kind); }

// ---- Cursors ------------------------------------------------------------------------------------

void ServerSession::Declare(std::string_view name, int statement, unsigned options) {
    StatementAt(statement);
    CursorSlot& slot = FCursors[ToUpper(name)];
    if (slot.Open) throw DbError(DBLIB_E_CURSOR_ALREADY_OPEN, slot.Name);
    slot.Name = std::string(name);
    slot.Statement = statement;
    slot.DeclaredOptions = options;
}

ServerSession::CursorSlot& ServerSession::CursorNamed(std::string_view name) {
    if (name.empty()) throw DbError(DBLIB_E_BAD_ARGUMENT, "no cursor name");
    auto it = FCursors.find(ToUpper(name));
    if (it == FCursors.end()) throw DbError(DBLIB_E_CURSOR_NOT_DECLARED, std::string(name));
    return it->second;
}

BackendCursor& ServerSession::OpenCursor(std::string_view name) {
    CursorSlot& slot = CursorNamed(name);
    if (!slot.Open) throw DbError(DBLIB_E_CURSOR_NOT_OPEN, slot.Name);
    return *slot.Open;
}

int32_t ServerSession::Open(std::string_view name, const short* stmt, const sqlda* in, unsigned options) {
    CursorSlot& slot = CursorNamed(name);
    if (stmt && *stmt != slot.Statement)
        throw DbError(DBLIB_E_BAD_ARGUMENT,
                      "cursor " + slot.Name + " was declared for statement " + std::to_string(slot.Statement));
    if (slot.Open) throw DbError(DBLIB_E_CURSOR_ALREADY_OPEN, slot.Name);
    StatementSlot& s = StatementAt(slot.Statement);
    if (!s.Remote || s.Remote->Columns().empty())
        throw DbError(DBLIB_E_NOT_A_QUERY, "statement " + std::to_string(slot.Statement));
    for (const auto& [key, other] : FCursors)
        if (other.Open && other.Statement == slot.Statement) throw DbError(DBLIB_E_CURSOR_ALREADY_OPEN, other.Name);
    CheckSqlda(in, "input");
    const size_t needed = s.Own->InputCount();
    if (needed > 0 && (!in || static_cast<size_t>(in->sqld) < needed)) throw DbError(DBLIB_E_TOO_FEW_VALUES);
    const unsigned effective = (options ? options : slot.DeclaredOptions) & kCursorOptionMask;
    auto cursor = s.Remote->Open(slot.Name, in, effective);
    const int32_t report = cursor->RowReport();
    slot.Open = std::move(cursor);
    return report;
}

void ServerSession::DescribeCursor(std::string_view name, sqlda* da, unsigned kind, sqlca* ca) {
    CursorSlot& slot = CursorNamed(name);
    if (!slot.Open) throw DbError(DBLIB_E_CURSOR_NOT_OPEN, slot.Name);
    Describe(slot.Statement, da, kind, ca);
}

void ServerSession::Fetch(std::string_view name, unsigned kind, int offset, sqlda* da, unsigned rows, sqlca* ca) {
    BackendCursor& cursor = OpenCursor(name);
    if (!da) throw DbError(DBLIB_E_BAD_SQLDA, "no SQLDA given");
    CheckSqlda(da, "output");
    if (kind != DBLIB_FETCH_ABSOLUTE && kind != DBLIB_FETCH_RELATIVE)
        throw DbError(DBLIB_E_BAD_ARGUMENT, "fetch kind " + std::to_string(kind));
    const size_t cols = cursor.Columns().size();
    unsigned want = rows ? rows : 1;
    if (cols > 0 && static_cast<size_t>(da->sqld) >= cols)
        want = static_cast<unsigned>(std::min<size_t>(want, static_cast<size_t>(da->sqld) / cols));
    else
        want = 1;
    FetchOutcome o = cursor.Fetch(static_cast<FetchKind>(kind), offset, da, want);
    if (o.Rows == 0) {
        WriteSqlca(ca, DBLIB_W_NOT_FOUND, {}, {});
        return;
    }
    ca->sqlerrd[2] = static_cast<int32_t>(o.Rows);
    ReportTruncation(ca, da, o.Truncated);
}

void ServerSession::Move(std::string_view name, unsigned kind, int offset, sqlca* ca) {
    BackendCursor& cursor = OpenCursor(name);
    if (kind != DBLIB_FETCH_ABSOLUTE && kind != DBLIB_FETCH_RELATIVE)
        throw DbError(DBLIB_E_BAD_ARGUMENT, "fetch kind " + std::to_string(kind));
    FetchOutcome o = cursor.Fetch(static_cast<FetchKind>(kind), offset, nullptr, 1);
    if (o.Rows > 0) return;
    ca->sqlerrd[2] = o.Beyond;
    WriteSqlca(ca, DBLIB_W_NOT_FOUND, {}, {});
}

void ServerSession::GetData(std::string_view name, unsigned column, int offset, sqlda* da, sqlca* ca) {
    BackendCursor& cursor = OpenCursor(name);
    if (column < 1 || column > cursor.Columns().size())
        throw DbError(DBLIB_E_BAD_ARGUMENT, "column " + std::to_string(column));
    if (offset < 0) throw DbError(DBLIB_E_BAD_ARGUMENT, "offset " + std::to_string(offset));
    if (!da || da->sqld < 1 || da->sqld > da->sqln) throw DbError(DBLIB_E_BAD_SQLDA, "one variable is needed");
    PieceOutcome piece = cursor.GetData(column, static_cast<size_t>(offset), da->sqlvar[0]);
    ca->sqlerrd[2] = static_cast<int32_t>(piece.Length);
    if (piece.More) {
        SetTruncationWarning(ca);
        WriteSqlca(ca, DBLIB_W_TRUNCATED, {}, {});
    }
}

void ServerSession::PutInto(std::string_view name, const sqlda* put, sqlda* into, sqlca* ca) {
    BackendCursor& cursor = OpenCursor(name);
    if (!put) throw DbError(DBLIB_E_BAD_SQLDA, "no SQLDA given");
    CheckSqlda(put, "put");
    CheckSqlda(into, "output");
    bool truncated = false;
    cursor.PutInto(put, into, truncated);
    ReportTruncation(ca, into, truncated);
}

void ServerSession::Update(std::string_view name, const sqlda* da, sqlca* ca) {
    BackendCursor& cursor = OpenCursor(name);
    if (!da) throw DbError(DBLIB_E_BAD_SQLDA, "no SQLDA given");
    CheckSqlda(da, "update");
    cursor.Update(da);
    ca->sqlerrd[2] = 1;
}

void ServerSession::Delete(std::string_view name, sqlca* ca) {
    OpenCursor(name).Delete();
    ca->sqlerrd[2] = 1;
}

void ServerSession::Close(std::string_view name) {
    CursorSlot& slot = CursorNamed(name);
    if (!slot.Open) throw DbError(DBLIB_E_CURSOR_NOT_OPEN, slot.Name);
    std::unique_ptr<BackendCursor> cursor = std::move(slot.Open);
    cursor->Close();
}

void ServerSession::Resume(std::string_view name, sqlca* ca) {
    // A statement on a server gives one result set: there is never a next one.
    OpenCursor(name);
    WriteSqlca(ca, DBLIB_W_NO_MORE_RESULTS, {}, {});
}

void ServerSession::Explain(Connection& c, std::string_view name, sqlda* da, sqlca* ca) {
    if (!da || da->sqld < 1 || da->sqld > da->sqln) throw DbError(DBLIB_E_BAD_SQLDA, "one variable is needed");
    CursorSlot& slot = CursorNamed(name);
    if (!slot.Open) throw DbError(DBLIB_E_CURSOR_NOT_OPEN, slot.Name);
    const std::string plan = StatementAt(slot.Statement).Remote->Plan();
    sqlvar& var = da->sqlvar[0];
    if (StoreOutput(Value::MakeText(plan.data(), plan.size()), var, &c.Variables())) {
        SetTruncationWarning(ca);
        if (!var.sqlind) WriteSqlca(ca, DBLIB_W_TRUNCATED, {}, {});
    }
}

// ---- Services -----------------------------------------------------------------------------------

bool ServerSession::Cancel() {
    std::lock_guard<std::mutex> lock(FEndMutex);
    return FBackend && FBackend->Cancel();
}

void ServerSession::End() noexcept {
    // Cursors and statements refer to the backend: they go first.
    FCursors.clear();
    FStatements.clear();
    FStatements.resize(1);
    std::unique_ptr<Backend> backend;
    {
        std::lock_guard<std::mutex> lock(FEndMutex);
        backend = std::move(FBackend);
    }
    // Closing the server session rolls back what was not committed.
    backend.reset();
}

std::shared_ptr<Connection> ConnectServer(const ServerTarget& target, const ConnParams& params, ClientState* client) {
#if TNXDB_HAVE_SERVER_BACKEND
    std::unique_ptr<Backend> backend = pg::PgBackend::Connect(target, params);
#else
    (void)target;
    (void)params;
    std::unique_ptr<Backend> backend;
    throw DbError(DBLIB_E_ENGINE_NOT_FOUND, "this client library was built without network server support");
#endif
    auto session = std::make_unique<ServerSession>(std::move(backend));
    auto conn = std::make_shared<Connection>(std::move(session), params.Trimmed(ConnKey::UserId));
    if (client) conn->AttachClient(client->Ca, client->Callbacks, params.Trimmed(ConnKey::ConnectionName));
    return conn;
}

void PingServer(const ServerTarget& target, const ConnParams& params, bool connectToDb) {
#if TNXDB_HAVE_SERVER_BACKEND
    pg::PgBackend::PingServer(target, params, connectToDb);
#else
    (void)target;
    (void)params;
    (void)connectToDb;
    throw DbError(DBLIB_E_ENGINE_NOT_FOUND, "this client library was built without network server support");
#endif
}

} // namespace tnxdb
