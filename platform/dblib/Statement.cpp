// Statements: compile, classify, describe and execute (see Statement.h).
#include "platform/dblib/Statement.h"

#include "platform/dblib/Callbacks.h"
#include "platform/dblib/Catalog.h"
#include "platform/dblib/Connection.h"
#include "platform/dblib/Convert.h"
#include "platform/dblib/Cursor.h"
#include "platform/dblib/Engine.h"
#include "platform/dblib/ErrorMap.h"
#include "platform/dblib/Errors.h"
#include "platform/dblib/PlainInsert.h"
#include "platform/dblib/Text.h"
#include "platform/dblib/TypeMap.h"

#include <cstring>

namespace tnxdb {

namespace {

[[noreturn]] void Syntax(const std::string& near) { throw DbError(DBLIB_E_SYNTAX, near); }

// The first keyword of an engine statement's text, upper case.
std::string FirstWord(const char* sql) {
    ScannedSql s = ScanSql(sql ? sql : "");
    for (const Token& t : s.Tokens)
        if (t.Kind == TokKind::Word) return ToUpper(std::string_view(sql).substr(t.Begin, t.End - t.Begin));
    return {};
}

// The table an INSERT, REPLACE, UPDATE or DELETE names, or "".
std::string TargetTable(const char* sql) {
    std::string_view text(sql ? sql : "");
    ScannedSql s = ScanSql(text);
    const auto& t = s.Tokens;
    for (size_t i = 0; i + 1 < t.size(); ++i) {
        if (IsKeyword(text, t[i], "INTO") || IsKeyword(text, t[i], "FROM") ||
            (IsKeyword(text, t[i], "UPDATE") && i == 0)) {
            size_t j = i + 1;
            if (IsKeyword(text, t[i], "UPDATE") && IsKeyword(text, t[j], "OR")) j += 2;
            if (j < t.size() && (t[j].Kind == TokKind::Word || t[j].Kind == TokKind::QuotedIdent))
                return TokenText(text, t[j]);
            return {};
        }
    }
    return {};
}

bool IsDdlWord(const std::string& w) {
    return w == "CREATE" || w == "ALTER" || w == "DROP" || w == "GRANT" || w == "REVOKE";
}

void CheckSqlda(const sqlda* da, const char* which) {
    if (da && (da->sqld < 0 || da->sqld > da->sqln))
        throw DbError(DBLIB_E_BAD_SQLDA, std::string(which) + " SQLDA has sqld " + std::to_string(da->sqld) +
                                             " and sqln " + std::to_string(da->sqln));
}

// Whether scanned text holds more than one statement: a ';' outside parentheses that is not
// the last token.
bool HoldsSeveralStatements(const ScannedSql& scanned, const std::string& text) {
    const auto& t = scanned.Tokens;
    int depth = 0;
    for (size_t i = 0; i < t.size(); ++i) {
        if (t[i].Kind != TokKind::Punct) continue;
        char c = text[t[i].Begin];
        if (c == '(')
            ++depth;
        else if (c == ')')
            --depth;
        else if (c == ';' && depth == 0 && i + 1 < t.size())
            return true;
    }
    return false;
}

} // namespace

void SetSqlName(sqlname& n, std::string_view text) {
    size_t len = text.size() < sizeof n.data ? text.size() : sizeof n.data;
    std::memcpy(n.data, text.data(), len);
    if (len < sizeof n.data) std::memset(n.data + len, 0, sizeof n.data - len);
    n.length = static_cast<int16_t>(len);
}

Statement::~Statement() = default;

std::unique_ptr<Statement> Statement::Classified(int number, std::string module, std::string_view text) {
    std::unique_ptr<Statement> s(new Statement);
    s->FNumber = number;
    s->FModule = std::move(module);
    s->FText = std::string(text);
    s->FScan = ScanSql(s->FText);
    s->FSeveral = HoldsSeveralStatements(s->FScan, s->FText);
    s->Classify();
    return s;
}

std::unique_ptr<Statement> Statement::Prepare(Connection& c, int number, std::string module, std::string_view text) {
    std::unique_ptr<Statement> s = Classified(number, std::move(module), text);
    if (s->FKind == StmtKind::Engine) {
        if (!s->CompileNextPart(c)) Syntax("end of statement");
    } else if (s->FKind != StmtKind::SetVariable && s->FKind != StmtKind::AppendVariable &&
               s->FKind != StmtKind::Message && s->InputCount() > 0) {
        Syntax("?");
    }
    return s;
}

void Statement::Classify() {
    const auto& tokens = FScan.Tokens;
    size_t n = tokens.size();
    if (n > 0 && tokens[n - 1].Kind == TokKind::Punct && FText[tokens[n - 1].Begin] == ';') --n;
    FTokenCount = n;
    if (n == 0) return; // the engine reports the empty text
    const ClassifyTokens t{FText, tokens, n};
    if ((t.Kw(0, "CREATE") || t.Kw(0, "DROP")) && t.Kw(1, "VARIABLE"))
        ClassifyVariable(t);
    else if (t.Kw(0, "SET"))
        ClassifySet(t);
    else if (t.Kw(0, "CREATE") && t.Kw(1, "DATABASE"))
        ClassifyCreateDatabase(t);
    else if (t.Kw(0, "GRANT"))
        ClassifyGrant(t);
    else if (t.Kw(0, "REVOKE"))
        ClassifyRevoke(t);
    else if (t.Kw(0, "MESSAGE"))
        ClassifyMessage(t);
    else
        ClassifyTransaction(t);
}

void Statement::ClassifyVariable(const ClassifyTokens& t) {
    if (t.Kw(0, "CREATE")) {
        if (!t.IsName(2) || t.N < 4) Syntax("CREATE VARIABLE");
        FKind = StmtKind::CreateVariable;
        FArgs = CreateVariableArgs{t.String(2), t.From(3)};
        return;
    }
    if (!t.IsName(2) || t.N != 3) Syntax("DROP VARIABLE");
    FKind = StmtKind::DropVariable;
    FArgs = DropVariableArgs{t.String(2)};
}

void Statement::ClassifySet(const ClassifyTokens& t) {
    const bool temporary = t.Kw(1, "TEMPORARY");
    size_t i = temporary ? 2 : 1;
    if (t.Kw(i, "OPTION")) {
        SetOptionArgs option;
        option.Temporary = temporary;
        size_t j = i + 1;
        if (t.IsName(j) && t.Punct(j + 1, '.')) {
            option.Owner = t.String(j);
            j += 2;
        }
        if (!t.IsName(j) || !t.Punct(j + 1, '=')) Syntax("SET OPTION");
        option.Name = t.String(j);
        j += 2;
        if (j + 1 == t.N && t.T[j].Kind == TokKind::String)
            option.Value = t.String(j);
        else if (j < t.N)
            option.Value = t.From(j);
        FKind = StmtKind::SetOption;
        FArgs = std::move(option);
        return;
    }
    if (temporary || !t.IsName(1) || !t.Punct(2, '=') || t.N < 4) Syntax("SET");
    SetVariableArgs set{t.String(1), 3};
    FKind = StmtKind::SetVariable;
    // SET v = v || piece, the piece one marker or constant: appended in place.
    const auto pieceKind = t.N == 7 ? t.T[6].Kind : TokKind::Punct;
    if (t.N == 7 && t.IsName(3) && IEquals(t.String(3), set.Name) && t.Punct(4, '|') && t.Punct(5, '|') &&
        t.T[5].Begin == t.T[4].End &&
        (pieceKind == TokKind::Marker || pieceKind == TokKind::String || pieceKind == TokKind::Number)) {
        FKind = StmtKind::AppendVariable;
        set.ExprToken = 6;
    }
    FArgs = std::move(set);
}

void Statement::ClassifyCreateDatabase(const ClassifyTokens& t) {
    if (t.N < 3 || t.T[2].Kind != TokKind::String) Syntax("CREATE DATABASE");
    CreateDatabaseArgs db;
    db.File = t.String(2);
    size_t i = 3;
    while (i < t.N) {
        if (t.Kw(i, "PAGE") && t.Kw(i + 1, "SIZE") && i + 2 < t.N && t.T[i + 2].Kind == TokKind::Number)
            db.PageSize = std::atoi(t.String(i + 2).c_str());
        else if (t.Kw(i, "DBA") && t.Kw(i + 1, "USER") && t.NameOrString(i + 2))
            db.DbaUser = t.String(i + 2);
        else if (t.Kw(i, "DBA") && t.Kw(i + 1, "PASSWORD") && t.NameOrString(i + 2))
            db.DbaPassword = t.String(i + 2);
        else
            Syntax("CREATE DATABASE");
        i += 3;
    }
    FKind = StmtKind::CreateDatabase;
    FArgs = std::move(db);
}

void Statement::ClassifyGrant(const ClassifyTokens& t) {
    if (t.Kw(1, "CONNECT") && t.Kw(2, "TO") && t.IsName(3)) {
        UserArgs user{t.String(3), false, {}};
        if (t.N != 4) {
            // The message of a malformed GRANT never quotes the statement: it may hold a password.
            if (t.N != 7 || !t.Kw(4, "IDENTIFIED") || !t.Kw(5, "BY") || !t.NameOrString(6)) Syntax("GRANT");
            user.Password = t.String(6);
            user.HasPassword = true;
        }
        FKind = StmtKind::GrantConnect;
        FArgs = std::move(user);
        return;
    }
    if (t.Kw(1, "CONNECT")) Syntax("GRANT");
    if (t.Kw(1, "DBA") && t.Kw(2, "TO") && t.IsName(3) && t.N == 4) {
        FKind = StmtKind::GrantDba;
        FArgs = UserArgs{t.String(3), false, {}};
        return;
    }
    FKind = StmtKind::OtherPrivilege;
}

void Statement::ClassifyRevoke(const ClassifyTokens& t) {
    if (!t.Kw(1, "CONNECT")) {
        FKind = StmtKind::OtherPrivilege;
        return;
    }
    if (!t.Kw(2, "FROM") || !t.IsName(3) || t.N != 4) Syntax("REVOKE");
    FKind = StmtKind::RevokeConnect;
    FArgs = UserArgs{t.String(3), false, {}};
}

void Statement::ClassifyMessage(const ClassifyTokens& t) {
    // The clauses come last, in either order; what precedes them is the expression list.
    MessageArgs message;
    size_t end = t.N;
    bool typed = false, directed = false;
    while (end >= 3) {
        if (!typed && t.Kw(end - 2, "TYPE")) {
            static const char* const kTypes[] = {"INFO", "WARNING", "ACTION", "STATUS"};
            bool known = false;
            for (unsigned char k = 0; k < 4; ++k)
                if (t.Kw(end - 1, kTypes[k])) {
                    message.Type = k;
                    known = true;
                }
            if (!known) Syntax("TYPE");
            typed = true;
            end -= 2;
        } else if (!directed && t.Kw(end - 2, "TO") &&
                   (t.Kw(end - 1, "CLIENT") || t.Kw(end - 1, "CONSOLE") || t.Kw(end - 1, "LOG"))) {
            message.ToClient = t.Kw(end - 1, "CLIENT");
            directed = true;
            end -= 2;
        } else {
            break;
        }
    }
    if (end < 2) Syntax("MESSAGE");
    message.ExprEnd = end;
    FKind = StmtKind::Message;
    FArgs = message;
}

void Statement::ClassifyTransaction(const ClassifyTokens& t) {
    // COMMIT, ROLLBACK and BEGIN alone or with WORK, TRANSACTION or TRAN; anything else goes to the
    // engine.
    if (t.N == 2 && !(t.Kw(1, "WORK") || t.Kw(1, "TRANSACTION") || t.Kw(1, "TRAN"))) return;
    if (t.N > 2) return;
    if (t.Kw(0, "COMMIT"))
        FKind = StmtKind::Commit;
    else if (t.Kw(0, "ROLLBACK"))
        FKind = StmtKind::Rollback;
    else if (t.Kw(0, "BEGIN"))
        FKind = StmtKind::Begin;
}

std::optional<Statement::Part> Statement::CompileCheckedInsert(Connection& c) {
    std::optional<PlainInsert> shape = MatchPlainInsert(FText, FScan);
    if (!shape) return std::nullopt;
    std::optional<InsertPlan> plan = c.Domains().PlanInsert(
        shape->Table, shape->Columns ? &*shape->Columns : nullptr, shape->Values.size());
    if (!plan) return std::nullopt;
    Part p;
    if (plan->KeyItem >= 0) {
        // A marker's NULL is seen at the bind; a number or string is never NULL; anything else
        // may leave the key to the engine.
        const auto key = static_cast<size_t>(plan->KeyItem);
        p.KeyMarker = shape->ValueMarker[key];
        if (p.KeyMarker < 0 && !shape->Simple[key]) return std::nullopt;
    }
    const std::string text = CheckedInsertText(FText, FScan, *shape, *plan);
    if (PrepareStmt(c.Handle(), text.c_str(), static_cast<int>(text.size()), SQLITE_PREPARE_PERSISTENT, p.Stmt) !=
            SQLITE_OK ||
        !p.Stmt || sqlite3_bind_parameter_count(p.Stmt.get()) != static_cast<int>(InputCount()))
        return std::nullopt; // the plain compile reports what is wrong
    p.Markers = static_cast<int>(InputCount());
    p.Table = shape->Table;
    p.Writes = true;
    p.InlineChecks = true;
    p.PlanKey = plan->SchemaKey;
    return p;
}

void Statement::BeginCheckedInsert(Connection& c, size_t i, const sqlda* in) {
    c.BeginIfNeeded(true, FParts[i].KeyNull ? DomainChecks::Start::CheckedWrite : DomainChecks::Start::InlineWrite);
    if (c.Domains().SchemaKey() != FParts[i].PlanKey) {
        // The schema changed since the plan: plan again (or compile the text as it stands).
        std::optional<Part> again = CompileCheckedInsert(c);
        if (!again) {
            // The whole text is this one part: compiled again as it stands, checked by the triggers.
            FParts.clear();
            FNextPart = 0;
            FMarkersUsed = 0;
            if (!CompileNextPart(c)) Syntax("end of statement");
        } else {
            FParts[i] = std::move(*again);
        }
        if (FParts[i].Markers > 0) BindPart(c, i, in, false);
    }
    if (!FParts[i].InlineChecks || FParts[i].KeyNull) c.Domains().EnsureInTransaction();
}

bool Statement::CompileNextPart(Connection& c) {
    const std::string& sql = FScan.EngineText;
    if (FNextPart == 0 && FParts.empty() && !FSeveral && FKind == StmtKind::Engine) {
        if (std::optional<Part> checked = CompileCheckedInsert(c)) {
            FMarkersUsed = checked->Markers;
            FParts.push_back(std::move(*checked));
            FNextPart = sql.size();
            return true;
        }
    }
    while (FNextPart < sql.size()) {
        StmtHandle compiled;
        const char* begin = sql.c_str() + FNextPart;
        const char* tail = nullptr;
        int rc = PrepareStmt(c.Handle(), begin, static_cast<int>(sql.size() - FNextPart),
                             SQLITE_PREPARE_PERSISTENT, compiled, &tail);
        if (rc != SQLITE_OK) c.ThrowEngine(rc);
        FNextPart = tail ? static_cast<size_t>(tail - sql.c_str()) : sql.size();
        if (!compiled) continue; // only blanks, comments or ';' were left
        sqlite3_stmt* stmt = compiled.get();
        Part p;
        p.Markers = sqlite3_bind_parameter_count(stmt);
        for (int i = 1; i <= p.Markers; ++i)
            if (const char* name = sqlite3_bind_parameter_name(stmt, i)) Syntax(name);
        p.FirstMarker = FMarkersUsed;
        FMarkersUsed += p.Markers;
        std::string word = FirstWord(sqlite3_sql(stmt));
        p.Table = TargetTable(sqlite3_sql(stmt));
        p.Ddl = IsDdlWord(word);
        p.Writes = !sqlite3_stmt_readonly(stmt);
        p.IsDelete = word == "DELETE";
        p.Stmt = std::move(compiled);
        FParts.push_back(std::move(p));
        return true;
    }
    return false;
}

void Statement::BindPart(Connection& c, size_t i, const sqlda* in, bool copy) {
    Part& p = FParts[i];
    char scratch[kScratchSize];
    for (int k = 0; k < p.Markers; ++k) {
        const sqlvar& var = in->sqlvar[p.FirstMarker + k];
        Value v = fast::ReadBound(var, scratch, &c.Variables());
        if (k == p.KeyMarker) p.KeyNull = v.K == Value::Null;
        bool inScratch = v.P == scratch;
        // A time-stamp record's text with a date (19 characters or more; a time of day alone has
        // at most 15), written from the validated record: its checks need not parse it again.
        if (inScratch && p.InlineChecks && (var.sqltype & ~1) == DBLIB_T_TIMESTAMP_STRUCT && v.N >= 19)
            c.Domains().NoteValidStamp(v.P, v.N);
        if (inScratch && !copy) {
            // A value converted into the scratch buffer (a time stamp as text, say) is held by
            // the part until its next bind, in storage that keeps its capacity: no allocation.
            if (p.Held.size() < static_cast<size_t>(p.Markers)) p.Held.resize(static_cast<size_t>(p.Markers));
            std::vector<char>& held = p.Held[static_cast<size_t>(k)];
            held.assign(v.P, v.P + v.N);
            v.P = held.data();
            inScratch = false;
        }
        int rc = BindValue(p.Stmt.get(), k + 1, v, copy || inScratch);
        if (rc != SQLITE_OK) c.ThrowEngine(rc);
    }
}

void Statement::Describe(Connection& c, sqlda* da, unsigned kind, sqlca* ca) {
    if (!da) throw DbError(DBLIB_E_BAD_SQLDA, "no SQLDA given");
    if (kind == DBLIB_DESCRIBE_INPUT) {
        FillDescribe(da, InputCount(), [&](size_t i, sqlvar& v) {
            v.sqltype = DBLIB_T_STRING | DBLIB_T_NULLABLE;
            v.sqllen = 32767;
            SetSqlName(v.sqlname, FScan.MarkerNames[i]);
            if (v.sqlind) *v.sqlind = 0;
        });
        return;
    }
    if (kind != DBLIB_DESCRIBE_OUTPUT && kind != DBLIB_DESCRIBE_FIXED && kind != DBLIB_DESCRIBE_LONG_NAMES)
        throw DbError(DBLIB_E_BAD_ARGUMENT, "describe kind " + std::to_string(kind));
    if (FKind != StmtKind::Engine || FParts.empty()) {
        da->sqld = 0;
        if (kind == DBLIB_DESCRIBE_FIXED) ca->sqlerrd[2] = 1;
        return;
    }
    sqlite3_stmt* s = FParts[0].Stmt.get();
    if (kind == DBLIB_DESCRIBE_LONG_NAMES) {
        FillLongNames(da, static_cast<size_t>(sqlite3_column_count(s)),
                      [&](size_t i) { return sqlite3_column_name(s, static_cast<int>(i)); });
        return;
    }
    int count = sqlite3_column_count(s);
    bool allDeclared = true;
    for (int i = 0; i < count; ++i)
        if (!sqlite3_column_decltype(s, i)) allDeclared = false;
    FillDescribe(da, static_cast<size_t>(count), [&](size_t i, sqlvar& v) {
        int col = static_cast<int>(i);
        const char* decl = sqlite3_column_decltype(s, col);
        DeclaredType dt = MapDeclaredType(decl ? decl : "");
        bool nullable = true;
        const char* table = sqlite3_column_table_name(s, col);
        const char* origin = sqlite3_column_origin_name(s, col);
        const char* dbName = sqlite3_column_database_name(s, col);
        int notNull = 0, primaryKey = 0, autoInc = 0;
        if (table && origin &&
            sqlite3_table_column_metadata(c.Handle(), dbName, table, origin, nullptr, nullptr, &notNull, &primaryKey,
                                          &autoInc) == SQLITE_OK)
            nullable = !(notNull || primaryKey);
        v.sqltype = static_cast<int16_t>(dt.SqlType | (nullable ? DBLIB_T_NULLABLE : 0));
        v.sqllen = dt.SqlLen;
        const char* name = sqlite3_column_name(s, col);
        SetSqlName(v.sqlname, name ? name : "");
        if (v.sqlind) *v.sqlind = 0;
    });
    if (kind == DBLIB_DESCRIBE_FIXED) ca->sqlerrd[2] = allDeclared ? 1 : 0;
}

void Statement::Execute(Connection& c, const sqlda* in, sqlda* out, sqlca* ca) {
    CheckSqlda(in, "input");
    CheckSqlda(out, "output");
    // An open cursor is reading this statement's results: running it would disturb them.
    if (const Cursor* cursor = c.CursorOn(this)) throw DbError(DBLIB_E_CURSOR_ALREADY_OPEN, cursor->Name());
    size_t needed = InputCount();
    if (needed > 0 && (!in || static_cast<size_t>(in->sqld) < needed)) throw DbError(DBLIB_E_TOO_FEW_VALUES);
    if (FKind == StmtKind::Engine)
        ExecuteEngine(c, in, out, ca);
    else
        ExecuteOwn(c, in, ca);
}

void Statement::ExecuteEngine(Connection& c, const sqlda* in, sqlda* out, sqlca* ca) {
    sqlite3* h = c.Handle();
    int64_t rows = 0;
    bool noRow = false;
    bool cutWithoutIndicator = false;
    bool delivered = false;
    for (size_t i = 0; i < FParts.size() || CompileNextPart(c); ++i) {
        if (FParts[i].Ddl) c.Commit();
        if (FParts[i].InlineChecks) {
            if (FParts[i].Markers > 0) BindPart(c, i, in, false);
            BeginCheckedInsert(c, i, in); // may plan the part again
        } else {
            c.BeginIfNeeded(FParts[i].Writes);
            if (FParts[i].Markers > 0) BindPart(c, i, in, false);
        }
        Part& p = FParts[i];
        sqlite3_int64 before = sqlite3_total_changes64(h);
        int rc = sqlite3_step(p.Stmt.get());
        if (rc == SQLITE_ROW) {
            if (out && !delivered) {
                int cols = sqlite3_column_count(p.Stmt.get());
                int nvars = out->sqld < cols ? out->sqld : cols;
                try {
                    for (int k = 0; k < nvars; ++k) {
                        sqlvar& var = out->sqlvar[k];
                        if (fast::StoreDelivered(ColumnValue(p.Stmt.get(), k), var, &c.Variables())) {
                            SetTruncationWarning(ca);
                            if (!var.sqlind) cutWithoutIndicator = true;
                        }
                    }
                } catch (...) {
                    sqlite3_reset(p.Stmt.get());
                    throw;
                }
                delivered = true;
            }
            rows += 1;
            noRow = false;
            // A statement that changes data runs to its end; a query stops at its first row.
            if (p.Writes) {
                while ((rc = sqlite3_step(p.Stmt.get())) == SQLITE_ROW) {
                }
            } else {
                rc = SQLITE_DONE;
            }
        } else if (rc == SQLITE_DONE && sqlite3_column_count(p.Stmt.get()) > 0 && !p.Writes) {
            noRow = true;
        }
        if (rc != SQLITE_DONE) {
            sqlite3_reset(p.Stmt.get());
            c.ThrowEngine(rc, p.IsDelete, p.Table);
        }
        if (sqlite3_total_changes64(h) != before && sqlite3_column_count(p.Stmt.get()) == 0)
            rows += sqlite3_changes64(h);
        rc = sqlite3_reset(p.Stmt.get());
        if (rc != SQLITE_OK) c.ThrowEngine(rc, p.IsDelete, p.Table);
        if (p.Ddl) c.Commit();
        c.AfterStatement();
    }
    ca->sqlerrd[2] = static_cast<int32_t>(rows > INT32_MAX ? INT32_MAX : rows);
    if (noRow && !delivered) WriteSqlca(ca, DBLIB_W_NOT_FOUND, {}, {});
    else if (cutWithoutIndicator) WriteSqlca(ca, DBLIB_W_TRUNCATED, {}, {});
}

void Statement::EvaluateSet(Connection& c, const sqlda* in) {
    const auto& set = std::get<SetVariableArgs>(FArgs);
    SqlVariable& target = c.Variables().Get(set.Name);
    StmtHandle expr = CompileExpression(c, in, set.ExprToken, FTokenCount);
    sqlite3_stmt* s = expr.get();
    int rc = sqlite3_step(s);
    if (rc != SQLITE_ROW) c.ThrowEngine(rc == SQLITE_DONE ? SQLITE_ERROR : rc);
    target.Assign(ColumnValue(s, 0));
}

void Statement::ExecuteMessage(Connection& c, const sqlda* in) {
    const auto& message = std::get<MessageArgs>(FArgs);
    StmtHandle expr = CompileExpression(c, in, 1, message.ExprEnd);
    sqlite3_stmt* s = expr.get();
    int rc = sqlite3_step(s);
    if (rc != SQLITE_ROW) c.ThrowEngine(rc == SQLITE_DONE ? SQLITE_ERROR : rc);
    if (!message.ToClient) return;
    // The values of the list joined as text; a NULL adds nothing.
    std::string text;
    int cols = sqlite3_column_count(s);
    for (int i = 0; i < cols; ++i) {
        const unsigned char* p = sqlite3_column_text(s, i);
        if (p) text.append(reinterpret_cast<const char*>(p), static_cast<size_t>(sqlite3_column_bytes(s, i)));
    }
    c.DeliverMessage(message.Type, 0, text.data(), text.size());
}

StmtHandle Statement::CompileExpression(Connection& c, const sqlda* in, size_t first, size_t end) {
    const auto& t = FScan.Tokens;
    std::string sql = "SELECT ";
    struct Source {
        int Marker;           // >= 0: an input
        SqlVariable* Var;     // else a variable
    };
    std::vector<Source> sources;
    for (size_t i = first; i < end; ++i) {
        const Token& tok = t[i];
        if (i > first && tok.Begin > t[i - 1].End) sql += ' ';
        if (tok.Kind == TokKind::Marker) {
            sql += '?';
            sources.push_back({tok.MarkerIndex, nullptr});
            continue;
        }
        bool afterDot = i > first && t[i - 1].Kind == TokKind::Punct && FText[t[i - 1].Begin] == '.';
        bool beforeParen = i + 1 < end && t[i + 1].Kind == TokKind::Punct && FText[t[i + 1].Begin] == '(';
        if ((tok.Kind == TokKind::Word || tok.Kind == TokKind::QuotedIdent) && !afterDot && !beforeParen) {
            if (SqlVariable* v = c.Variables().Find(TokenString(i))) {
                sql += '?';
                sources.push_back({-1, v});
                continue;
            }
        }
        sql.append(FText, tok.Begin, tok.End - tok.Begin);
    }
    StmtHandle s;
    int rc = PrepareStmt(c.Handle(), sql.c_str(), static_cast<int>(sql.size()), 0, s);
    if (rc != SQLITE_OK) c.ThrowEngine(rc);
    char scratch[kScratchSize];
    for (size_t k = 0; k < sources.size(); ++k) {
        Value v = sources[k].Var ? sources[k].Var->View()
                                 : ReadInput(in->sqlvar[sources[k].Marker], scratch, &c.Variables());
        rc = BindValue(s.get(), static_cast<int>(k + 1), v, true);
        if (rc != SQLITE_OK) c.ThrowEngine(rc);
    }
    return s;
}

void Statement::ExecuteOwn(Connection& c, const sqlda* in, sqlca* /*ca*/) {
    sqlite3* h = c.Handle();
    bool utility = c.GetDatabase().Utility;
    switch (FKind) {
    case StmtKind::CreateVariable: {
        const auto& create = std::get<CreateVariableArgs>(FArgs);
        c.Variables().Create(create.Name, create.TypeText);
        return;
    }
    case StmtKind::DropVariable:
        c.Variables().Drop(std::get<DropVariableArgs>(FArgs).Name);
        return;
    case StmtKind::SetVariable: EvaluateSet(c, in); return;
    case StmtKind::AppendVariable: {
        const auto& set = std::get<SetVariableArgs>(FArgs);
        SqlVariable& v = c.Variables().Get(set.Name);
        if (!v.CanAppend()) {
            EvaluateSet(c, in);
            return;
        }
        const Token& piece = FScan.Tokens[set.ExprToken];
        if (piece.Kind == TokKind::Marker) {
            char scratch[kScratchSize];
            v.Append(ReadInput(in->sqlvar[piece.MarkerIndex], scratch, &c.Variables()));
        } else {
            std::string text = TokenString(set.ExprToken);
            v.Append(Value::MakeText(text.data(), text.size()));
        }
        return;
    }
    case StmtKind::SetOption: {
        const auto& option = std::get<SetOptionArgs>(FArgs);
        ApplyOption(c, option.Temporary, option.Owner, option.Name, option.Value);
        return;
    }
    case StmtKind::CreateDatabase: {
        const auto& db = std::get<CreateDatabaseArgs>(FArgs);
        Server::CreateDatabaseFile(db.File, db.PageSize, db.DbaUser, db.DbaPassword);
        return;
    }
    case StmtKind::GrantConnect:
    case StmtKind::GrantDba:
    case StmtKind::RevokeConnect:
        c.Commit();
        if (utility) throw DbError(DBLIB_E_PERMISSION, "utility_db has no users to change");
        if (!c.IsDba()) throw DbError(DBLIB_E_PERMISSION, "DBA authority is required");
        if (const auto& user = std::get<UserArgs>(FArgs); FKind == StmtKind::RevokeConnect)
            RevokeUser(h, user.User);
        else
            GrantUser(h, user.User, user.HasPassword ? &user.Password : nullptr, FKind == StmtKind::GrantDba);
        return;
    case StmtKind::OtherPrivilege: c.Commit(); return;
    case StmtKind::Commit: c.Commit(); return;
    case StmtKind::Rollback: c.Rollback(); return;
    case StmtKind::Begin: c.BeginIfNeeded(true, DomainChecks::Start::Neutral); return;
    case StmtKind::Message: ExecuteMessage(c, in); return;
    case StmtKind::Engine: return;
    }
}

void ApplyOption(Connection& c, bool temporary, std::string_view user, std::string_view name, std::string_view value) {
    OptionId id = FindOption(name);
    std::string v(Trim(value));
    if (!v.empty()) ValidateOption(id, v);
    if (temporary) {
        c.Options().SetTemporary(id, v);
        return;
    }
    std::string target(Trim(user));
    if (target.empty()) target = c.UserName();
    bool isPublic = IEquals(target, "PUBLIC");
    bool isSelf = IEquals(target, c.UserName());
    if (!isSelf && !c.IsDba()) throw DbError(DBLIB_E_PERMISSION, "DBA authority is required");
    if (!c.GetDatabase().Utility) {
        c.Commit();
        if (!isPublic && !UserExists(c.Handle(), target)) throw DbError(DBLIB_E_PERMISSION, "no user " + target);
        SaveOption(c.Handle(), isPublic ? "PUBLIC" : target, OptionName(id), v);
    }
    if (isPublic)
        c.Options().SetPublic(id, v);
    else if (isSelf)
        c.Options().SetUser(id, v);
}

} // namespace tnxdb
