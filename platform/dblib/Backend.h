// Backend: what a connection does with a database, as one interface with one implementation per
// kind of database: the in-process engine, and a network server (pg/PgBackend.h). The entry
// points, SQLCA and SQLDA handling, statement numbers, options, callbacks and error reporting stay
// in front of it; a backend receives SQLDAs already checked (sqld within sqln) and reports every
// failure as a DbError carrying the library's code, so that the caller writes the SQLCA as it
// always does.
//
// Threads: a backend serves one request at a time, on the thread of the connection's client.
// Cancel() alone may come from any other thread, while a request runs.
//
// ---------------------------------------------------------------------------------------------
// How connection parameters, options and control calls map onto a network server
//
// | Parameter / call                  | Server                                           | Refused with            |
// |-----------------------------------|--------------------------------------------------|-------------------------|
// | CommLinks=tcpip(HOST=h;PORT=p)    | host h, port p (default the server's, 5432)      |                         |
// | Host=h[:p]                        | the same, short form                             |                         |
// | DatabaseName (dbn)                | the server's database of that name               | -83 no such database    |
// | UserID, Password (uid, pwd)       | the server's role and its password               | -103 wrong user/password|
// | Encryption/enc/sslmode            | none: no TLS; tls/require: TLS required;         | -95 other values        |
// |                                   | verify-ca, verify-full: TLS with certificate     |                         |
// |                                   | checks                                           |                         |
// | ConnectionName (con)              | kept by the library; also the server's           |                         |
// |                                   | application_name                                 |                         |
// | EngineName (eng)                  | not used: the link names the server              |                         |
// | DatabaseFile (dbf), Start,        | not used: a server's databases are files only    |                         |
// | AutoStart, AutoStop, dbs          | its administrator touches                        |                         |
// | CharSet (cs)                      | the client encoding: utf-8, windows-1252,        | -95 one the server does |
// |                                   | latin1, latin9 or the server's own name; default | not know                |
// |                                   | WIN1252 (the library's single-byte text)         |                         |
// | Idle, LivenessTimeout, LogFile    | accepted, no effect (as in-process)              |                         |
// | server not reachable              |                                                  | -100 server not running |
// | options (dbpp_setoption, SET      | kept for the connection only: nothing is stored  | -121 another user's     |
// | [TEMPORARY] OPTION)               | on the server                                    |                         |
// | CREATE/SET/DROP VARIABLE, MESSAGE,| the library's own, as in-process; expressions    |                         |
// | COMMIT, ROLLBACK                  | are evaluated by the server (SELECT)             |                         |
// | option isolation_level 0/1/2/3    | READ UNCOMMITTED / READ COMMITTED / REPEATABLE   |                         |
// |                                   | READ / SERIALIZABLE, from the next transaction   |                         |
// | option chained ON (default)       | BEGIN before the first statement, until COMMIT   |                         |
// |                                   | or ROLLBACK                                      |                         |
// | option chained OFF                | every statement commits on its own               |                         |
// | option row_counts ON              | open counts the rows (MOVE ALL, then back)       |                         |
// | option row_counts OFF             | open reports minus the planner's row estimate    |                         |
// | options blocking/blocking_timeout | lock_timeout (OFF: fail at once, -210)           |                         |
// | a failed (or cancelled) statement | rolled back to just before it (a savepoint);     |                         |
// | in a transaction                  | the transaction goes on                          |                         |
// | cursor opened for update          | WHERE CURRENT OF; it ends with its transaction   | -180 after that         |
// |                                   | and shows its own changes (declared again)       |                         |
// | dbpp_put_into                     | INSERT ... RETURNING the query's columns         |                         |
// | dbpp_resume                       | one result set per statement                     | 105 no more results     |
// | dbpp_explain                      | the server's EXPLAIN text (inputs unknown)       |                         |
// | describe kind 9, long names       | every column declared; names in full             |                         |
// | text of several statements        | refused by the server's prepare                  | its syntax error        |
// | db_cancel_request                 | the server's cancel request; the request fails   |                         |
// |                                   | with -299                                        |                         |
// | db_string_ping_server             | the server answers (and, when asked, a           | -100, -83, -103         |
// |                                   | connection with dbn/uid/pwd succeeds)            |                         |
// | db_connection_info 1/2/3          | server version / host:port / database name       |                         |
// | connection lost, server stopped   |                                                  | -308 connection ended   |
// | db_start_engine, db_stop_engine   | none: servers are started and stopped by their   | -75 start/stop denied   |
// |                                   | administrator, never by a client                 |                         |
// | db_start_database,                | none: a server's databases are not started or    | -75 start/stop denied   |
// | db_stop_database                  | stopped from a client                            |                         |
// | db_backup                         | none: a copy of a server's files is the          | -121 permission denied  |
// |                                   | administrator's tool, not a client's             |                         |
// | db_locate_servers                 | lists in-process engines only                    |                         |
// | CREATE DATABASE, GRANT CONNECT/   | sent to the server as SQL (its own syntax)       |                         |
// | DBA, REVOKE CONNECT               |                                                  |                         |
// ---------------------------------------------------------------------------------------------
#pragma once

#include "platform/dblib/dblib.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tnxdb {

class VariableAccess;

// A result column or an input as the describe reports it.
struct BackendColumn {
    std::string Name;
    int16_t SqlType = 0; // a DBLIB_T_* code, bit 0 clear
    int16_t SqlLen = 0;  // the length the describe reports for that code
    bool Nullable = true;
};

// dbpp_fetch_array's kinds of move.
enum class FetchKind { Absolute = 1, Relative = 2 };

// The outcome of a move with delivery.
struct FetchOutcome {
    unsigned Rows = 0;     // rows delivered; 0: the move reached no row
    int Beyond = 0;        // with Rows 0: 1 the cursor went after the last row, -1 before the first
    bool Truncated = false; // some delivered value was cut to its variable
};

// One piece of a long value (dbpp_get_data).
struct PieceOutcome {
    size_t Length = 0;  // bytes in this piece
    bool More = false;  // bytes follow the piece
    bool IsNull = false;
};

// A server message that reaches the client's message callback.
using BackendMessageFn = std::function<void(unsigned char type, int32_t code, std::string_view text)>;
// Called about every 100 ms while a request waits for the database.
using BackendWaitFn = std::function<void()>;

class BackendCursor {
public:
    virtual ~BackendCursor() = default;
    virtual const std::vector<BackendColumn>& Columns() const = 0;
    // sqlerrd[2] after the open: the row count (>= 0) when exact, else minus an estimate (<= -1).
    virtual int32_t RowReport() = 0;
    // Moves (absolute or relative, as dbpp_fetch_array) and delivers up to `rows` rows from the
    // row reached (0 counts as 1) into da, row r into variables r*columns..; the cursor stands on
    // the last row delivered. A null da moves without delivering.
    virtual FetchOutcome Fetch(FetchKind kind, int offset, sqlda* da, unsigned rows) = 0;
    // Piece of column `column` (from 1) of the current row from byte `offset` into var.
    virtual PieceOutcome GetData(unsigned column, size_t offset, sqlvar& var) = 0;
    // Positioned changes of the current row (the cursor was opened for update): the variables
    // with a name and a type set those columns.
    virtual void Update(const sqlda* values) = 0;
    virtual void Delete() = 0;
    // Inserts a row into the query's table through the cursor: the variables with a name and a
    // type set those columns (none: the table's defaults). The stored row is delivered into
    // `into` when given (as the query shows it); the insert and the delivery succeed or fail
    // together. Sets truncated when a delivered value was cut.
    virtual void PutInto(const sqlda* values, sqlda* into, bool& truncated) = 0;
    virtual void Close() = 0;
};

// Cursor options (as dbpp_open takes them).
constexpr unsigned kBackendReadOnly = 0x2;
constexpr unsigned kBackendForwardOnly = 0x4;
constexpr unsigned kBackendInsensitive = 0x400;
constexpr unsigned kBackendForUpdate = 0x1000;

class BackendStatement {
public:
    virtual ~BackendStatement() = default;
    // Result columns (empty for a statement that gives no rows).
    virtual const std::vector<BackendColumn>& Columns() const = 0;
    // Inputs, one per marker, in order.
    virtual const std::vector<BackendColumn>& Inputs() const = 0;
    // Runs the statement with the inputs (in marker order). A query delivers its first row into
    // out and returns 1, or throws DbError(DBLIB_W_NOT_FOUND) when there is none; any other
    // statement returns the rows it inserted, updated or deleted. Sets truncated when a
    // delivered value was cut.
    virtual int64_t Execute(const sqlda* in, sqlda* out, bool& truncated) = 0;
    // Opens a cursor of that name over the statement (a query; else DBLIB_E_NOT_A_QUERY).
    virtual std::unique_ptr<BackendCursor> Open(std::string_view name, const sqlda* in, unsigned options) = 0;
    // The database's plan for the query, one line per step.
    virtual std::string Plan() = 0;
};

class Backend {
public:
    virtual ~Backend() = default;
    // Compiles text with '?' and ':name' markers. Throws DbError.
    virtual std::unique_ptr<BackendStatement> Prepare(std::string_view sql) = 0;
    // Runs text without markers; returns the rows changed.
    virtual int64_t ExecuteImmediate(std::string_view sql) = 0;

    // ---- Transactions and options ----
    virtual void Commit() = 0;
    virtual void Rollback() = 0;
    virtual bool InTransaction() const = 0;
    virtual void SetIsolationLevel(int level) = 0; // 0..3, from the next transaction on
    virtual void SetChained(bool chained) = 0;
    virtual void SetRowCounts(bool exact) = 0;
    // blocking OFF: a lock another connection holds fails at once (-210); ON with a timeout in
    // milliseconds (0: wait without limit).
    virtual void SetBlocking(bool blocking, long timeoutMs) = 0;

    // ---- Services ----
    // Any thread: stops the running request (it fails with DBLIB_E_INTERRUPTED). Returns whether
    // a request was running.
    virtual bool Cancel() = 0;
    // Throws DBLIB_E_CONNECTION_ENDED when the database no longer answers.
    virtual void Ping() = 0;
    // Whether the connection to the database was found gone (every request now fails with
    // DBLIB_E_CONNECTION_ENDED).
    virtual bool Ended() const = 0;
    virtual void SetMessageHandler(BackendMessageFn fn) = 0;
    virtual void SetWaitHandler(BackendWaitFn fn) = 0;
    // Where type-600 inputs read SQL variables from (null: such inputs are refused).
    virtual void SetVariables(VariableAccess* vars) = 0;
    // db_connection_info: 1 version, 2 server, 3 database.
    virtual std::string Info(int kind) const = 0;
};

// The engine and database control calls that a network server refuses.
enum class ServerControl { StartEngine, StopEngine, StartDatabase, StopDatabase, Backup };

// Throws the DbError the table above gives for a control call on a connection to a server.
[[noreturn]] void RefuseOnServer(ServerControl call);

} // namespace tnxdb
