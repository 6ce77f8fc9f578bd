// Statement: one prepared statement of a connection, kept under its number until dropped or
// replaced. A statement is either text for the engine (compiled once into SQLite statements that
// every execution re-binds and resets, never re-parses), or one the library carries out itself:
// SQL variables, options, users, CREATE DATABASE, transaction control and server messages
// (MESSAGE <expression>, ... [TYPE INFO|WARNING|ACTION|STATUS] [TO CLIENT|CONSOLE|LOG]: the values
// joined as text go to the connection's message callback when the destination is CLIENT; the
// engine keeps no console or log, so other destinations only evaluate them).
//
// Text of several statements separated by ';' becomes several parts, compiled in order as
// execution reaches them (a later part may need what an earlier one creates); the markers are
// numbered across the parts.
//
// For cursors: a cursor over a statement runs the statement's engine parts (PartCount,
// CompilePart, PartStatement, BindPart) one result set after another; BindPart with copy set
// keeps the input values inside the engine, since an open cursor outlives the call that opened it.
#pragma once

#include "platform/dblib/SqlScanner.h"
#include "platform/dblib/StmtHandle.h"
#include "platform/dblib/dblib.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace tnxdb {

class Connection;

enum class StmtKind {
    Engine,
    CreateVariable,
    DropVariable,
    SetVariable,
    AppendVariable,
    SetOption,
    CreateDatabase,
    GrantConnect,
    GrantDba,
    RevokeConnect,
    OtherPrivilege,
    Commit,
    Rollback,
    Begin,
    Message
};

// What each kind of the library's own statements carries, one record per kind.
struct CreateVariableArgs { // CREATE VARIABLE name type
    std::string Name;
    std::string TypeText;
};
struct DropVariableArgs { // DROP VARIABLE name
    std::string Name;
};
struct SetVariableArgs { // SET name = expression, and SET name = name || piece (append)
    std::string Name;
    size_t ExprToken = 0; // first token of the expression; when appending, the piece's token
};
struct SetOptionArgs { // SET [TEMPORARY] OPTION [owner.]name = value
    bool Temporary = false;
    std::string Owner; // user or PUBLIC; empty when not given
    std::string Name;
    std::string Value;
};
struct CreateDatabaseArgs { // CREATE DATABASE 'file' [PAGE SIZE n] [DBA USER u] [DBA PASSWORD p]
    std::string File;
    int PageSize = 0;
    std::string DbaUser = "DBA";
    std::string DbaPassword = "SQL";
};
struct UserArgs { // GRANT CONNECT TO user [IDENTIFIED BY password], GRANT DBA TO, REVOKE CONNECT FROM
    std::string User;
    bool HasPassword = false;
    std::string Password;
};
struct MessageArgs {        // MESSAGE expression, ... [TYPE type] [TO destination]
    size_t ExprEnd = 0;     // the expression list is tokens [1, ExprEnd)
    unsigned char Type = 0; // MessageType
    bool ToClient = false;
};
using OwnStatementArgs = std::variant<std::monostate, CreateVariableArgs, DropVariableArgs, SetVariableArgs,
                                      SetOptionArgs, CreateDatabaseArgs, UserArgs, MessageArgs>;

class Statement {
public:
    // Compiles text under a number. Throws DbError (a failed compile leaves nothing behind).
    static std::unique_ptr<Statement> Prepare(Connection& c, int number, std::string module, std::string_view text);
    // Classifies text under a number without compiling it (a connection to a network server
    // sends the database's text to the server): Kind() tells whether the library carries it out
    // itself. Throws DbError for a malformed statement of the library's own.
    static std::unique_ptr<Statement> Classified(int number, std::string module, std::string_view text);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    int Number() const { return FNumber; }
    const std::string& Module() const { return FModule; }
    const std::string& Text() const { return FText; }
    StmtKind Kind() const { return FKind; }
    size_t InputCount() const { return FScan.MarkerNames.size(); }
    // The record of a statement of the library's own, and the tokens it refers to (the last
    // TokenCount() of Scanned().Tokens, without a trailing ';').
    const OwnStatementArgs& Args() const { return FArgs; }
    const ScannedSql& Scanned() const { return FScan; }
    size_t TokenCount() const { return FTokenCount; }
    // Whether the text holds more than one statement (a ';' outside parentheses with text after
    // it); found once, at the prepare.
    bool HoldsSeveral() const { return FSeveral; }

    // dbpp_describe: kind 1 result columns, 2 inputs, 9 result columns with sqlerrd[2] telling
    // whether all of them have declared types.
    void Describe(Connection& c, sqlda* da, unsigned kind, sqlca* ca);
    // dbpp_execute_into.
    void Execute(Connection& c, const sqlda* in, sqlda* out, sqlca* ca);

    // ---- Engine parts (for cursors) ----
    size_t PartCount() const { return FParts.size(); }
    // Compiles the next part when one is left; false when the text has no more.
    bool CompileNextPart(Connection& c);
    sqlite3_stmt* PartStatement(size_t i) const { return FParts[i].Stmt.get(); }
    // Binds part i's inputs from the SQLDA (already checked to hold enough variables).
    void BindPart(Connection& c, size_t i, const sqlda* in, bool copy);

private:
    struct Part {
        StmtHandle Stmt;
        int FirstMarker = 0;
        int Markers = 0;
        bool Writes = false;   // changes data: the implicit transaction starts before it
        bool Ddl = false;      // data definition: commits before and after
        bool IsDelete = false; // for the foreign-key error's direction
        std::string Table;     // the table an INSERT, UPDATE or DELETE changes (for messages)
        // A plain single-row insert whose values its text checks (the triggers are not needed):
        // the schemas it was planned for, and the input whose NULL lets the engine choose a key
        // that only the triggers check (-1: none) and whether the last bind gave NULL there.
        bool InlineChecks = false;
        uint64_t PlanKey = 0;
        int KeyMarker = -1;
        bool KeyNull = false;
        // Inputs converted for the engine, bound without a copy until the next bind (per marker).
        std::vector<std::vector<char>> Held;
    };

    Statement() = default;
    // Finds the statement's kind and its record; one handler per leading keyword. Throws DbError
    // for a malformed statement of the library's own.
    void Classify();
    void ClassifyVariable(const ClassifyTokens& t);
    void ClassifySet(const ClassifyTokens& t);
    void ClassifyCreateDatabase(const ClassifyTokens& t);
    void ClassifyGrant(const ClassifyTokens& t);
    void ClassifyRevoke(const ClassifyTokens& t);
    void ClassifyMessage(const ClassifyTokens& t);
    void ClassifyTransaction(const ClassifyTokens& t);
    void ExecuteEngine(Connection& c, const sqlda* in, sqlda* out, sqlca* ca);
    // Compiles the whole text as a plain single-row insert with its values checked in the text;
    // nothing when it is not one (or its table's checks need the triggers).
    std::optional<Part> CompileCheckedInsert(Connection& c);
    // Before running part i, a plain insert (bound already): starts the transaction and makes sure
    // the values are checked, by the text as planned for the current schemas or by the triggers.
    void BeginCheckedInsert(Connection& c, size_t i, const sqlda* in);
    void ExecuteOwn(Connection& c, const sqlda* in, sqlca* ca);
    void EvaluateSet(Connection& c, const sqlda* in);
    // Compiles tokens [first, end) as the column list of a SELECT, with the connection's SQL
    // variables and the inputs bound in place.
    StmtHandle CompileExpression(Connection& c, const sqlda* in, size_t first, size_t end);
    void ExecuteMessage(Connection& c, const sqlda* in);
    std::string TokenString(size_t i) const { return TokenText(FText, FScan.Tokens[i]); }

    int FNumber = 0;
    std::string FModule;
    std::string FText;   // as given
    ScannedSql FScan;    // tokens and markers of FText
    StmtKind FKind = StmtKind::Engine;
    size_t FTokenCount = 0; // tokens without one trailing ';'
    bool FSeveral = false;  // see HoldsSeveral

    std::vector<Part> FParts;
    size_t FNextPart = 0;  // offset in FScan.EngineText of the text not compiled yet
    int FMarkersUsed = 0;  // markers consumed by the compiled parts

    // The record of a statement of the library's own (the alternative its kind names).
    OwnStatementArgs FArgs;
};

// Sets an option as dbpp_setoption and SET OPTION do (see dblib.h).
void ApplyOption(Connection& c, bool temporary, std::string_view user, std::string_view name, std::string_view value);

// Fills a describe SQLDA: sqld := count, the first min(count, sqln) variables filled by fill(i, var).
template <class Fill>
void FillDescribe(sqlda* da, size_t count, Fill&& fill) {
    da->sqld = static_cast<int16_t>(count);
    size_t n = count < static_cast<size_t>(da->sqln > 0 ? da->sqln : 0) ? count : static_cast<size_t>(da->sqln > 0 ? da->sqln : 0);
    for (size_t i = 0; i < n; ++i) fill(i, da->sqlvar[i]);
}

// Writes a name into an sqlname (cut to 30 characters).
void SetSqlName(sqlname& n, std::string_view text);

// The long-names describe (DBLIB_DESCRIBE_LONG_NAMES): the whole name of column i, nameOf(i),
// into the buffer of variable i.
template <class NameOf>
void FillLongNames(sqlda* da, size_t count, NameOf&& nameOf) {
    if (da->sqld == 0) da->sqld = static_cast<int16_t>(count);
    size_t n = std::min<size_t>({count, static_cast<size_t>(da->sqld > 0 ? da->sqld : 0),
                                 static_cast<size_t>(da->sqln > 0 ? da->sqln : 0)});
    for (size_t i = 0; i < n; ++i) {
        sqlvar& v = da->sqlvar[i];
        const char* name = nameOf(i);
        const size_t len = name ? std::strlen(name) : 0;
        if (v.sqlind) *v.sqlind = static_cast<int16_t>(std::min<size_t>(len, 32767));
        if (!v.sqldata || v.sqllen < 1) continue;
        const size_t keep = std::min(len, static_cast<size_t>(v.sqllen) - 1);
        char* out = static_cast<char*>(v.sqldata);
        if (keep) std::memcpy(out, name, keep);
        out[keep] = '\0';
    }
}

} // namespace tnxdb
