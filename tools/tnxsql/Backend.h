// The one seam between the SQL tool and a database. The tool's front end (argument parsing, input,
// statement splitting, output formats, commands, progress, Ctrl-C) talks to a database only through
// the abstract class Backend below; the real implementation is built over the library's public API
// (TAsaSession and TAsaSQL) and is chosen in one place, MakeBackend() in BackendFactory.cpp.
//
// Contract shared by every method (read this before implementing one):
//  - Threads. Every method is called on the tool's main thread, one at a time, except
//    RequestCancel(), which may be called at any moment from a signal handler (see there).
//  - Errors. A failure is reported by throwing BackendError carrying the library's message as the
//    session reports it (its LastError text, e.g. "Error -141: Table 'x' not found (42W33)") and the
//    library's code (sqlcode; 0 for failures the library or the backend finds itself). Nothing else
//    may escape: convert the library's exceptions (ECorvexException and its kind, std::exception) into
//    BackendError. A warning (positive code) is not a failure: report it through the message handler
//    with MessageKind::Warning and carry on.
//  - Messages never contain the password: the front end scrubs what it prints, but a backend must
//    not put the password into the text of an error of its own either.
//  - One thing at a time. At most one ResultSet is alive; the front end destroys it before it calls
//    any other method. Destroying a ResultSet closes its cursor.
//  - Not connected. Methods that need a connection (Execute, the catalogue listings, Backup, options,
//    Info, Explain, transactions) throw BackendError("not connected to a database", 0) when there is
//    none. LocateServers, Ping, StartDatabase and StopDatabase work without a connection.
#pragma once

#include "tools/tnxsql/Secret.h"
#include "tools/tnxsql/Value.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace tnxsql {

// A failure reported by the database side: the library's message and its code.
class BackendError : public std::runtime_error {
public:
    BackendError(const std::string& message, int32_t code) : std::runtime_error(message), FCode(code) {}
    int32_t Code() const noexcept { return FCode; }

private:
    int32_t FCode; // the library's sqlcode; 0 when the failure was found outside the database
};

// What the user gave to reach a database. Empty texts mean "not given".
struct ConnectSettings {
    std::string DatabaseFile;     // path of the database file (the engine is started on it)
    bool Create = false;          // create DatabaseFile first; it must not exist (or be empty)
    bool ReadOnly = false;        // start the database read-only: nothing is written to its file
    std::string EngineName;       // engine (server) name; empty: derived from the file name
    std::string DatabaseName;     // database name; empty: derived from the file name
    std::string User;             // user name
    Secret Password;              // password; never printed, logged or put in an error text
    std::string ConnectionString; // a whole connection string ("eng=...;dbn=...;uid=...;pwd=...")
    std::string LibraryDir;       // folder of the client library; empty: where the loader finds it

    // True when the settings name a database to connect to at start-up.
    bool NamesDatabase() const { return !DatabaseFile.empty() || !ConnectionString.empty(); }
};

// Rows of one query, read forward once.
class ResultSet {
public:
    virtual ~ResultSet() = default;

    // The columns, fixed for the life of the result set; at least one.
    virtual const std::vector<Column>& Columns() const = 0;

    // Moves to the next row; false when there is none (the first call moves to the first row).
    // Throws BackendError when fetching fails, including when the request was cancelled. After false
    // or a throw the front end calls nothing but the destructor.
    virtual bool Next() = 0;

    // The current row after Next() returned true: exactly Columns().size() cells, in column order.
    // NULL is a Null cell, never an empty text. A cell's kind matches its column's type (Text and
    // LongText give Text cells, Binary and LongBinary give Binary cells, Date/Time/DateTime give the
    // same kinds, Unknown may give any kind). Long values are whole in their cells. The span and the
    // bytes of Text/Binary cells stay valid until the next call of Next() or the destructor, so a
    // backend can point the cells into its fetch buffers without copying.
    virtual std::span<const Cell> Row() const = 0;
};

// Outcome of one statement: rows, or a count of rows affected.
struct ExecResult {
    std::unique_ptr<ResultSet> Rows; // set when the statement returns rows (a query)
    int64_t RowsAffected = -1;       // otherwise: rows inserted, changed or deleted; -1 when not known
};

// A value for one host-variable marker of a statement.
struct BoundParam {
    std::string_view Name; // the marker's name, without the colon
    Cell Value;            // its value; text and binary bytes stay valid during the call
};

// Kinds of server messages, in the library's order.
enum class MessageKind : uint8_t { Unknown, Info, Warning, Action, Status };

// Backup kinds, with the library's ordinal values.
enum class BackupKind : uint8_t { Full = 0, FullRenameLog = 1, RenameLog = 2 };

// What the connection is connected to.
struct ConnectionInfo {
    std::string EngineVersion;
    std::string EngineName;
    std::string DatabaseName;
};

// A server found while locating servers.
struct ServerInfo {
    std::string Name;
    std::string Address;
    int32_t Port = 0;
};

// Called for each message the server sends to the client while a request runs (MESSAGE ... TO
// CLIENT), on the thread running the request, before the request returns.
using MessageHandler = std::function<void(MessageKind kind, int32_t code, std::string_view text)>;
// Called each time the library reports that the running request waits for the server. Must be cheap.
using WaitHandler = std::function<void()>;
// Called once per page copied by a backup: the target file's name (as the library names it), the
// number of pages of that file and the page just copied, 1-based.
using BackupProgressHandler = std::function<void(std::string_view file, int64_t pages, int64_t page)>;
// Called for each server found; return false to stop the search.
using ServerFoundHandler = std::function<bool(const ServerInfo& server)>;

class Backend {
public:
    virtual ~Backend() = default;

    // A short description for --version and \info: what the backend is built on (library and
    // version), or why there is none.
    virtual std::string Description() const = 0;

    // ---- Connection -------------------------------------------------------------------------------

    // Stores the settings for Connect, Ping(""), StartDatabase("") and StopDatabase(""); connects
    // nothing. Called once at start-up, before any other method but Description. Map them onto the
    // session: DatabaseFile -> LoginDatabase, EngineName -> LoginEngineName, User -> LoginUser,
    // Password -> LoginPassword, ConnectionString -> ClientParams (or the whole connection text),
    // DatabaseName -> the "dbn=" part, LibraryDir -> LibraryPath when not empty. When it is empty,
    // leave LibraryPath empty: the platform loader then finds the client library the way the program
    // finds its own libraries (its run path: build/lib in the build tree, ../lib when installed).
    virtual void Configure(const ConnectSettings& settings) = 0;

    // Connects with the stored settings, starting the engine on the database file when one is given
    // (read-only with ReadOnly). With Create: refuse (BackendError, code 0) when DatabaseFile exists
    // and is not empty; otherwise create a new, empty database there, then connect to it. The connection must commit each statement on its own
    // (the session's AutoCommit on) unless Begin() started a user transaction, and must not commit on
    // disconnect (CommitOnDisconnect off): the front end decides what happens to an open transaction.
    // Register the message and wait handlers with the session (OnServerMessage, OnServerWait) here.
    // Throws BackendError on failure and stays disconnected.
    virtual void Connect() = 0;

    // Closes the connection if there is one; never throws. An open user transaction is rolled back
    // (the front end has already rolled it back or committed it, so this is only a safeguard).
    virtual void Disconnect() noexcept = 0;

    virtual bool Connected() const = 0;

    // ---- Statements -------------------------------------------------------------------------------

    // Runs one statement. `sql` is the statement's text without a terminating semicolon; it may hold
    // comments and host-variable markers ":name". `params` holds one entry per marker, in the order
    // the markers appear in the text (a name used twice appears twice), so a backend binds them by
    // position: TAsaSQL's host variables take their values in marker order. An empty span means the
    // statement has no markers. Decide query or not from the prepared statement (whether it describes
    // result columns): a query returns its open ResultSet in Rows; anything else is executed and
    // returns RowsAffected (the statement's RowsProcessed). Cancelled requests throw BackendError
    // with the library's code.
    virtual ExecResult Execute(std::string_view sql, std::span<const BoundParam> params) = 0;

    // Text of the plan the server would use for `sql` (same text and parameter rules as Execute).
    // Throws BackendError when the library cannot explain it.
    virtual std::string Explain(std::string_view sql, std::span<const BoundParam> params) = 0;

    // ---- Callbacks and cancel ---------------------------------------------------------------------

    // Installed before Connect and kept until the backend is destroyed; an empty function removes
    // the handler. The backend calls them only while one of its methods runs, on that thread.
    virtual void SetMessageHandler(MessageHandler handler) = 0;
    virtual void SetWaitHandler(WaitHandler handler) = 0;

    // Asks the running request to stop. ASYNC-SIGNAL-SAFE: the front end calls it from its SIGINT
    // handler, at any moment, also when nothing runs. It may only touch lock-free atomics (no locks,
    // no allocation, no library calls). The intended implementation sets an atomic flag that the
    // session's OnServerWait handler turns into AbortRequest = true (which cancels the request on the
    // request's own thread), and that ResultSet::Next checks between block fetches. The flag is
    // cleared when the next request starts, so a cancel arriving between requests is lost, which is
    // fine: the front end checks its own flag between statements.
    virtual void RequestCancel() noexcept = 0;

    // ---- Catalogue --------------------------------------------------------------------------------

    // The tables and views the user can see, ordered by name: first column "name" (Text), second
    // "kind" (Text: "table" or "view"); more columns may follow (owner, row count, ...).
    virtual std::unique_ptr<ResultSet> ListTables() = 0;

    // The columns of one table or view, in their order: at least "name" (Text), "type" (Text, the
    // server's type name), "nullable" (Boolean); more may follow (length, default, key). Throws
    // BackendError when there is no such table.
    virtual std::unique_ptr<ResultSet> ListColumns(std::string_view table) = 0;

    // ---- Session services -------------------------------------------------------------------------

    // Backs the database up into `folder` (it exists; the front end creates it), calling `progress`
    // once per page copied (the session's OnBackup). Throws BackendError when no file was copied or
    // a file could not be written.
    virtual void Backup(const std::string& folder, BackupKind kind,
                        const BackupProgressHandler& progress) = 0;

    // Reads an option of the connection (GetOption) or sets it (SetOption). Throws on failure.
    virtual std::string GetOption(std::string_view name) = 0;
    virtual void SetOption(std::string_view name, std::string_view value) = 0;

    // Engine version, engine name and database name of the connection (GetConnectionInfo).
    virtual ConnectionInfo Info() = 0;

    // Looks for servers on the network, calling `found` for each (LocateServers with an
    // OnLocateServers handler). Throws BackendError when the library cannot locate servers.
    virtual void LocateServers(const ServerFoundHandler& found) = 0;

    // Checks that a server answers (Ping). An empty text pings the engine the stored settings name.
    virtual void Ping(std::string_view connection) = 0;

    // Starts or stops a database on a running engine (StartDatabase, StopDatabase). The text names
    // the database as a connection string (dbf=FILE, dbn=NAME, eng=ENGINE, default the engine of
    // this connection); an empty text uses the stored settings. Both work connected or not (the
    // session refuses them while connected, so a backend uses one that is not).
    virtual void StartDatabase(std::string_view connection) = 0;
    virtual void StopDatabase(std::string_view connection) = 0;

    // ---- Transactions -----------------------------------------------------------------------------

    // Begin starts a user transaction (StartTransaction): statements stop committing on their own
    // until Commit or Rollback ends it. Begin while one is open throws the library's error.
    virtual void Begin() = 0;
    virtual void Commit() = 0;
    virtual void Rollback() = 0;
    // True while a user transaction started by Begin is open.
    virtual bool InTransaction() const = 0;
};

} // namespace tnxsql
