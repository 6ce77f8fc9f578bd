// ServerSession: the entry points' work for a connection to a network database server. A
// Connection made from a connection string that names a server (ServerTarget.h) holds one; every
// entry point that does database work asks its connection for it first and, when there is one,
// hands the request here instead of to the in-process engine.
//
// What stays the library's own on such a connection, exactly as in-process: statement numbers
// and modules, cursor names and their declarations, SQL variables (CREATE/SET/DROP VARIABLE,
// type-600 host variables), options (kept for the connection, not stored on the server), COMMIT
// and ROLLBACK, MESSAGE, the SQLCA's codes and counts and the describe's form. What goes to the
// server through Backend: every other statement's text, with its inputs as typed parameters,
// cursors, long values in pieces, positioned changes, transactions, cancel and messages.
//
// Data definition (CREATE, ALTER, DROP, GRANT, REVOKE) commits before and after itself, as the
// in-process engine does, so that what one connection defines the others see at once.
//
// Threads: as Connection. Cancel alone may come from another thread; it is guarded against the
// end of the session.
#pragma once

#include "platform/dblib/Backend.h"
#include "platform/dblib/ServerTarget.h"
#include "platform/dblib/dblib.h"

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace tnxdb {

class ClientState;
class Connection;
class OptionSet;
class Statement;

class ServerSession {
public:
    explicit ServerSession(std::unique_ptr<Backend> backend);
    ~ServerSession();
    ServerSession(const ServerSession&) = delete;
    ServerSession& operator=(const ServerSession&) = delete;

    // The backend, for the connection's hooks (messages, wait callback, SQL variables). Throws
    // DBLIB_E_CONNECTION_ENDED once the session has ended.
    Backend& Db();

    // ---- Statements ----
    // dbpp_prepare: *stmt 0 takes the smallest free number.
    void Prepare(Connection& c, short* stmt, std::string module, const char* sql);
    void Describe(int number, sqlda* da, unsigned kind, sqlca* ca);
    void Execute(Connection& c, int number, const sqlda* in, sqlda* out, sqlca* ca);
    void ExecuteImmediate(Connection& c, const char* sql, sqlca* ca);
    void DropStatement(int number);
    bool HasStatement(int number) const;
    void Commit();
    void Rollback();
    // Sets an option as dbpp_setoption and SET OPTION do, for this connection only.
    void SetOption(Connection& c, bool temporary, std::string_view user, std::string_view name,
                   std::string_view value);
    // Hands the options in force to the backend.
    void ApplyOptions(const OptionSet& options);
    std::string Info(int kind);

    // ---- Cursors ----
    void Declare(std::string_view name, int statement, unsigned options);
    // dbpp_open: returns what sqlerrd[2] reports.
    int32_t Open(std::string_view name, const short* stmt, const sqlda* in, unsigned options);
    void DescribeCursor(std::string_view name, sqlda* da, unsigned kind, sqlca* ca);
    void Fetch(std::string_view name, unsigned kind, int offset, sqlda* da, unsigned rows, sqlca* ca);
    void Move(std::string_view name, unsigned kind, int offset, sqlca* ca);
    void GetData(std::string_view name, unsigned column, int offset, sqlda* da, sqlca* ca);
    void PutInto(std::string_view name, const sqlda* put, sqlda* into, sqlca* ca);
    void Update(std::string_view name, const sqlda* da, sqlca* ca);
    void Delete(std::string_view name, sqlca* ca);
    void Close(std::string_view name);
    void Resume(std::string_view name, sqlca* ca);
    void Explain(Connection& c, std::string_view name, sqlda* da, sqlca* ca);

    // ---- Services ----
    // Whether the server connection was found gone (or the session ended): a new connect may
    // replace it, as it may replace a connection whose engine stopped.
    bool Ended() const { return !FBackend || FBackend->Ended(); }
    // Any thread: cancels the running request. Returns whether one was running on the server.
    bool Cancel();
    // Ends the session: cursors and statements go, what was not committed is rolled back, the
    // server session closes. Quiet: a session already lost ends as well.
    void End() noexcept;

private:
    struct StatementSlot {
        std::unique_ptr<Statement> Own;              // classification (and the own statements' record)
        std::unique_ptr<BackendStatement> Remote;    // null for a statement the library carries out
        bool Ddl = false;
    };
    struct CursorSlot {
        std::string Name;
        int Statement = 0;
        unsigned DeclaredOptions = 0;
        std::unique_ptr<BackendCursor> Open; // null while closed
    };

    StatementSlot& StatementAt(int number);
    CursorSlot& CursorNamed(std::string_view name);
    BackendCursor& OpenCursor(std::string_view name);
    void StatementGone(int number);
    std::unique_ptr<StatementSlot> Compile(int number, std::string module, std::string_view text);
    void RunRemote(StatementSlot& s, const sqlda* in, sqlda* out, sqlca* ca);
    void RunOwn(Connection& c, const Statement& s, const sqlda* in);
    // Evaluates tokens [first, end) of an own statement as a query's column list on the server,
    // its markers and the SQL variables it names sent as parameters; the first column goes to
    // the output SQLDA `out` (which it may leave null: every column as text into `texts`).
    void Evaluate(Connection& c, const Statement& s, const sqlda* in, size_t first, size_t end, sqlda* out,
                  std::vector<std::string>* texts);

    std::unique_ptr<Backend> FBackend;
    std::mutex FEndMutex; // guards FBackend between End and a Cancel from another thread
    std::vector<std::unique_ptr<StatementSlot>> FStatements; // index = number; [0] unused
    std::map<std::string, CursorSlot> FCursors;              // by upper-case name
};

// Connects to the server the parameters name and binds the new connection to its client.
// Throws DbError (-100 the server or its client library cannot be reached, -83, -103, -95).
std::shared_ptr<Connection> ConnectServer(const ServerTarget& target, const ConnParams& params, ClientState* client);

// db_string_ping_server for parameters that name a server.
void PingServer(const ServerTarget& target, const ConnParams& params, bool connectToDb);

} // namespace tnxdb
