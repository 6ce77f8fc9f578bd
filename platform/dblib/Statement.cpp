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

Statement::~Statement() {
    for (Part& p : FParts) sqlite3_finalize(p.Stmt);
}

std::unique_ptr<Statement> Statement::Prepare(Connection& c, int number, std::string module, std::string_view text) {
    std::unique_ptr<Statement> s(new Statement);
    s->FNumber = number;
    s->FModule = std::move(module);
    s->FText = std::string(text);
    s->FScan = ScanSql(s->FText);
    s->FSeveral = HoldsSeveralStatements(s->FScan, s->FText);
    s->Classify();
    if (s->FKind == StmtKind::Engine) {
        if (!s->CompileNextPart(c)) Syntax("end of statement");
    } else if (s->FKind != StmtKind::SetVariable && s->FKind != StmtKind::AppendVariable &&
               s->FKind != StmtKind::Message && s->InputCount() > 0) {
        Syntax("?");
    }
    return s;
}

void Statement::Classify() {
    const auto& t = FScan.Tokens;
    size_t n = t.size();
    const std::string& text = FText;
    auto punct = [&](size_t i, char ch) { return i < n && t[i].Kind == TokKind::Punct && text[t[i].Begin] == ch; };
    if (n > 0 && punct(n - 1, ';')) --n;
    FTokenCount = n;
    auto kw = [&](size_t i, const char* k) { return i < n && IsKeyword(text, t[i], k); };
    auto isName = [&](size_t i) { return i < n && (t[i].Kind == TokKind::Word || t[i].Kind == TokKind::QuotedIdent); };
    auto nameOrString = [&](size_t i) {
        return i < n && (t[i].Kind == TokKind::Word || t[i].Kind == TokKind::QuotedIdent ||
                         t[i].Kind == TokKind::String || t[i].Kind == TokKind::Number);
    };
    if (n == 0) return; // the engine reports the empty text
    if (kw(0, "CREATE") && kw(1, "VARIABLE")) {
        if (!isName(2) || n < 4) Syntax("CREATE VARIABLE");
        FKind = StmtKind::CreateVariable;
        FName = TokenString(2);
        FArg = text.substr(t[3].Begin, t[n - 1].End - t[3].Begin);
        return;
    }
    if (kw(0, "DROP") && kw(1, "VARIABLE")) {
        if (!isName(2) || n != 3) Syntax("DROP VARIABLE");
        FKind = StmtKind::DropVariable;
        FName = TokenString(2);
        return;
    }
    if (kw(0, "SET")) {
        size_t i = 1;
        if (kw(1, "TEMPORARY")) {
            FFlag = true;
            i = 2;
        }
        if (kw(i, "OPTION")) {
            size_t j = i + 1;
            if (isName(j) && punct(j + 1, '.')) {
                FArg2 = TokenString(j);
                j += 2;
            }
            if (!isName(j) || !punct(j + 1, '=')) Syntax("SET OPTION");
            FKind = StmtKind::SetOption;
            FName = TokenString(j);
            j += 2;
            if (j + 1 == n && t[j].Kind == TokKind::String)
                FArg = TokenString(j);
            else if (j < n)
                FArg = text.substr(t[j].Begin, t[n - 1].End - t[j].Begin);
            return;
        }
        if (FFlag || !isName(1) || !punct(2, '=') || n < 4) Syntax("SET");
        FName = TokenString(1);
        FExprToken = 3;
        FKind = StmtKind::SetVariable;
        if (n == 7 && isName(3) && IEquals(TokenString(3), FName) && punct(4, '|') && punct(5, '|') &&
            t[5].Begin == t[4].End &&
            (t[6].Kind == TokKind::Marker || t[6].Kind == TokKind::String || t[6].Kind == TokKind::Number)) {
            FKind = StmtKind::AppendVariable;
            FExprToken = 6;
        }
        return;
    }
    if (kw(0, "CREATE") && kw(1, "DATABASE")) {
        if (n < 3 || t[2].Kind != TokKind::String) Syntax("CREATE DATABASE");
        FKind = StmtKind::CreateDatabase;
        FName = TokenString(2);
        FArg = "DBA";
        FArg2 = "SQL";
        size_t i = 3;
        while (i < n) {
            if (kw(i, "PAGE") && kw(i + 1, "SIZE") && i + 2 < n && t[i + 2].Kind == TokKind::Number) {
                FPageSize = std::atoi(TokenString(i + 2).c_str());
                i += 3;
            } else if (kw(i, "DBA") && kw(i + 1, "USER") && nameOrString(i + 2)) {
                FArg = TokenString(i + 2);
                i += 3;
            } else if (kw(i, "DBA") && kw(i + 1, "PASSWORD") && nameOrString(i + 2)) {
                FArg2 = TokenString(i + 2);
                i += 3;
            } else {
                Syntax("CREATE DATABASE");
            }
        }
        return;
    }
    if (kw(0, "GRANT")) {
        if (kw(1, "CONNECT") && kw(2, "TO") && isName(3)) {
            FKind = StmtKind::GrantConnect;
            FName = TokenString(3);
            if (n == 4) return;
            // The message of a malformed GRANT never quotes the statement: it may hold a password.
            if (n != 7 || !kw(4, "IDENTIFIED") || !kw(5, "BY") || !nameOrString(6)) Syntax("GRANT");
            FArg = TokenString(6);
            FFlag = true;
            return;
        }
        if (kw(1, "CONNECT")) Syntax("GRANT");
        if (kw(1, "DBA") && kw(2, "TO") && isName(3) && n == 4) {
            FKind = StmtKind::GrantDba;
            FName = TokenString(3);
            return;
        }
        FKind = StmtKind::OtherPrivilege;
        return;
    }
    if (kw(0, "REVOKE")) {
        if (kw(1, "CONNECT")) {
            if (!kw(2, "FROM") || !isName(3) || n != 4) Syntax("REVOKE");
            FKind = StmtKind::RevokeConnect;
            FName = TokenString(3);
            return;
        }
        FKind = StmtKind::OtherPrivilege;
        return;
    }
    if (kw(0, "MESSAGE")) {
        // The clauses come last, in either order; what precedes them is the expression list.
        size_t end = n;
        bool toClient = false, typed = false, directed = false;
        while (end >= 3) {
            if (!typed && kw(end - 2, "TYPE")) {
                static const char* const kTypes[] = {"INFO", "WARNING", "ACTION", "STATUS"};
                bool known = false;
                for (unsigned char k = 0; k < 4; ++k)
                    if (kw(end - 1, kTypes[k])) {
                        FMessageType = k;
                        known = true;
                    }
                if (!known) Syntax("TYPE");
                typed = true;
                end -= 2;
            } else if (!directed && kw(end - 2, "TO") &&
                       (kw(end - 1, "CLIENT") || kw(end - 1, "CONSOLE") || kw(end - 1, "LOG"))) {
                toClient = kw(end - 1, "CLIENT");
                directed = true;
                end -= 2;
            } else {
                break;
            }
        }
        if (end < 2) Syntax("MESSAGE");
        FKind = StmtKind::Message;
        FExprToken = 1;
        FExprEnd = end;
        FFlag = toClient;
        return;
    }
    auto txWord = [&](size_t i) { return kw(i, "WORK") || kw(i, "TRANSACTION") || kw(i, "TRAN"); };
    if (kw(0, "COMMIT") && (n == 1 || (n == 2 && txWord(1)))) FKind = StmtKind::Commit;
    else if (kw(0, "ROLLBACK") && (n == 1 || (n == 2 && txWord(1)))) FKind = StmtKind::Rollback;
    else if (kw(0, "BEGIN") && (n == 1 || (n == 2 && txWord(1)))) FKind = StmtKind::Begin;
}

bool Statement::CompileNextPart(Connection& c) {
    const std::string& sql = FScan.EngineText;
    while (FNextPart < sql.size()) {
        sqlite3_stmt* stmt = nullptr;
        const char* begin = sql.c_str() + FNextPart;
        const char* tail = nullptr;
        int rc = sqlite3_prepare_v3(c.Handle(), begin, static_cast<int>(sql.size() - FNextPart),
                                    SQLITE_PREPARE_PERSISTENT, &stmt, &tail);
        if (rc != SQLITE_OK) c.ThrowEngine(rc);
        FNextPart = tail ? static_cast<size_t>(tail - sql.c_str()) : sql.size();
        if (!stmt) continue; // only blanks, comments or ';' were left
        Part p;
        p.Stmt = stmt;
        p.Markers = sqlite3_bind_parameter_count(stmt);
        for (int i = 1; i <= p.Markers; ++i) {
            if (const char* name = sqlite3_bind_parameter_name(stmt, i)) {
                std::string n = name;
                sqlite3_finalize(stmt);
                Syntax(n);
            }
        }
        p.FirstMarker = FMarkersUsed;
        FMarkersUsed += p.Markers;
        std::string word = FirstWord(sqlite3_sql(stmt));
        p.Table = TargetTable(sqlite3_sql(stmt));
        p.Ddl = IsDdlWord(word);
        p.Writes = !sqlite3_stmt_readonly(stmt);
        p.IsDelete = word == "DELETE";
        FParts.push_back(p);
        return true;
    }
    return false;
}

void Statement::BindPart(Connection& c, size_t i, const sqlda* in, bool copy) {
    Part& p = FParts[i];
    char scratch[kScratchSize];
    for (int k = 0; k < p.Markers; ++k) {
        const sqlvar& var = in->sqlvar[p.FirstMarker + k];
        Value v = ReadInput(var, scratch, &c.Variables());
        bool inScratch = v.P == scratch;
        int rc = BindValue(p.Stmt, k + 1, v, copy || inScratch);
        if (rc != SQLITE_OK) c.ThrowEngine(rc);
    }
}

void Statement::Describe(Connection& c, sqlda* da, unsigned kind, sqlca* ca) {
    if (!da) throw DbError(DBLIB_E_BAD_SQLDA, "no SQLDA given");
    if (kind == 2) {
        FillDescribe(da, InputCount(), [&](size_t i, sqlvar& v) {
            v.sqltype = DBLIB_T_STRING | DBLIB_T_NULLABLE;
            v.sqllen = 32767;
            SetSqlName(v.sqlname, FScan.MarkerNames[i]);
            if (v.sqlind) *v.sqlind = 0;
        });
        return;
    }
    if (kind != 1 && kind != 9 && kind != DBLIB_DESCRIBE_LONG_NAMES)
        throw DbError(DBLIB_E_BAD_ARGUMENT, "describe kind " + std::to_string(kind));
    if (FKind != StmtKind::Engine || FParts.empty()) {
        da->sqld = 0;
        if (kind == 9) ca->sqlerrd[2] = 1;
        return;
    }
    sqlite3_stmt* s = FParts[0].Stmt;
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
    if (kind == 9) ca->sqlerrd[2] = allDeclared ? 1 : 0;
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
        Part& p = FParts[i];
        if (p.Ddl) c.Commit();
        c.BeginIfNeeded(p.Writes);
        if (p.Markers > 0) BindPart(c, i, in, false);
        sqlite3_int64 before = sqlite3_total_changes64(h);
        int rc = sqlite3_step(p.Stmt);
        if (rc == SQLITE_ROW) {
            if (out && !delivered) {
                int cols = sqlite3_column_count(p.Stmt);
                int nvars = out->sqld < cols ? out->sqld : cols;
                try {
                    for (int k = 0; k < nvars; ++k) {
                        sqlvar& var = out->sqlvar[k];
                        if (StoreOutput(ColumnValue(p.Stmt, k), var, &c.Variables())) {
                            SetTruncationWarning(ca);
                            if (!var.sqlind) cutWithoutIndicator = true;
                        }
                    }
                } catch (...) {
                    sqlite3_reset(p.Stmt);
                    throw;
                }
                delivered = true;
            }
            rows += 1;
            noRow = false;
            // A statement that changes data runs to its end; a query stops at its first row.
            if (p.Writes) {
                while ((rc = sqlite3_step(p.Stmt)) == SQLITE_ROW) {
                }
            } else {
                rc = SQLITE_DONE;
            }
        } else if (rc == SQLITE_DONE && sqlite3_column_count(p.Stmt) > 0 && !p.Writes) {
            noRow = true;
        }
        if (rc != SQLITE_DONE) {
            sqlite3_reset(p.Stmt);
            c.ThrowEngine(rc, p.IsDelete, p.Table);
        }
        if (sqlite3_total_changes64(h) != before && sqlite3_column_count(p.Stmt) == 0) rows += sqlite3_changes64(h);
        rc = sqlite3_reset(p.Stmt);
        if (rc != SQLITE_OK) c.ThrowEngine(rc, p.IsDelete, p.Table);
        if (p.Ddl) c.Commit();
        c.AfterStatement();
    }
    ca->sqlerrd[2] = static_cast<int32_t>(rows > INT32_MAX ? INT32_MAX : rows);
    if (noRow && !delivered) WriteSqlca(ca, DBLIB_W_NOT_FOUND, {}, {});
    else if (cutWithoutIndicator) WriteSqlca(ca, DBLIB_W_TRUNCATED, {}, {});
}

void Statement::EvaluateSet(Connection& c, const sqlda* in) {
    SqlVariable& target = c.Variables().Get(FName);
    sqlite3_stmt* s = CompileExpression(c, in, FExprToken, FTokenCount);
    struct Finalizer {
        sqlite3_stmt* S;
        ~Finalizer() { sqlite3_finalize(S); }
    } fin{s};
    int rc = sqlite3_step(s);
    if (rc != SQLITE_ROW) c.ThrowEngine(rc == SQLITE_DONE ? SQLITE_ERROR : rc);
    target.Assign(ColumnValue(s, 0));
}

void Statement::ExecuteMessage(Connection& c, const sqlda* in) {
    sqlite3_stmt* s = CompileExpression(c, in, FExprToken, FExprEnd);
    struct Finalizer {
        sqlite3_stmt* S;
        ~Finalizer() { sqlite3_finalize(S); }
    } fin{s};
    int rc = sqlite3_step(s);
    if (rc != SQLITE_ROW) c.ThrowEngine(rc == SQLITE_DONE ? SQLITE_ERROR : rc);
    if (!FFlag) return;
    // The values of the list joined as text; a NULL adds nothing.
    std::string text;
    int cols = sqlite3_column_count(s);
    for (int i = 0; i < cols; ++i) {
        const unsigned char* p = sqlite3_column_text(s, i);
        if (p) text.append(reinterpret_cast<const char*>(p), static_cast<size_t>(sqlite3_column_bytes(s, i)));
    }
    c.DeliverMessage(FMessageType, 0, text.data(), text.size());
}

sqlite3_stmt* Statement::CompileExpression(Connection& c, const sqlda* in, size_t first, size_t end) {
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
    sqlite3_stmt* s = nullptr;
    int rc = sqlite3_prepare_v2(c.Handle(), sql.c_str(), static_cast<int>(sql.size()), &s, nullptr);
    if (rc != SQLITE_OK) c.ThrowEngine(rc);
    try {
        char scratch[kScratchSize];
        for (size_t k = 0; k < sources.size(); ++k) {
            Value v = sources[k].Var ? sources[k].Var->View()
                                     : ReadInput(in->sqlvar[sources[k].Marker], scratch, &c.Variables());
            rc = BindValue(s, static_cast<int>(k + 1), v, true);
            if (rc != SQLITE_OK) c.ThrowEngine(rc);
        }
    } catch (...) {
        sqlite3_finalize(s);
        throw;
    }
    return s;
}

void Statement::ExecuteOwn(Connection& c, const sqlda* in, sqlca* /*ca*/) {
    sqlite3* h = c.Handle();
    bool utility = c.GetDatabase().Utility;
    switch (FKind) {
    case StmtKind::CreateVariable: c.Variables().Create(FName, FArg); return;
    case StmtKind::DropVariable: c.Variables().Drop(FName); return;
    case StmtKind::SetVariable: EvaluateSet(c, in); return;
    case StmtKind::AppendVariable: {
        SqlVariable& v = c.Variables().Get(FName);
        if (!v.CanAppend()) {
            EvaluateSet(c, in);
            return;
        }
        const Token& piece = FScan.Tokens[FExprToken];
        if (piece.Kind == TokKind::Marker) {
            char scratch[kScratchSize];
            v.Append(ReadInput(in->sqlvar[piece.MarkerIndex], scratch, &c.Variables()));
        } else {
            std::string text = TokenString(FExprToken);
            v.Append(Value::MakeText(text.data(), text.size()));
        }
        return;
    }
    case StmtKind::SetOption: ApplyOption(c, FFlag, FArg2, FName, FArg); return;
    case StmtKind::CreateDatabase: Server::CreateDatabaseFile(FName, FPageSize, FArg, FArg2); return;
    case StmtKind::GrantConnect:
    case StmtKind::GrantDba:
    case StmtKind::RevokeConnect:
        c.Commit();
        if (utility) throw DbError(DBLIB_E_PERMISSION, "utility_db has no users to change");
        if (!c.IsDba()) throw DbError(DBLIB_E_PERMISSION, "DBA authority is required");
        if (FKind == StmtKind::RevokeConnect)
            RevokeUser(h, FName);
        else
            GrantUser(h, FName, FFlag ? &FArg : nullptr, FKind == StmtKind::GrantDba);
        return;
    case StmtKind::OtherPrivilege: c.Commit(); return;
    case StmtKind::Commit: c.Commit(); return;
    case StmtKind::Rollback: c.Rollback(); return;
    case StmtKind::Begin: c.BeginIfNeeded(true); return;
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
