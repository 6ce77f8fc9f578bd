// PgBackend: a connection to a network database server over its client library (libpq), as a
// Backend. It connects from the parsed connection parameters, runs every request with the
// server's wait and cancel, keeps chained transactions and statement-level atomicity, and turns
// server messages and errors into the library's callbacks and codes.
//
// Requests. Each request is sent as one pipeline and waited for in steps of 100 ms, calling the
// wait handler at each step:
//   - chained mode, no transaction open: BEGIN ISOLATION LEVEL <level> goes first;
//   - inside a transaction: SAVEPOINT before and RELEASE after the request, so that a request the
//     server refuses (or a cancel) undoes only itself and the transaction goes on, as the
//     library promises ("a call that fails changes nothing it was asked to change");
//   - closes of cursors left by DeferClose go ahead of the request's own messages;
//   - the server's reply is read back; a connection that is gone is DBLIB_E_CONNECTION_ENDED on
//     this and every later request.
// Values always travel as typed parameters, never inside SQL text.
//
// Threads: one request at a time on the owner's thread; Cancel may come from any thread.
#pragma once

#include "platform/dblib/Backend.h"
#include "platform/dblib/ConnectionString.h"
#include "platform/dblib/ServerTarget.h"

#include "platform/dblib/pg/PqApi.h"

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace tnxdb::pg {

// Owns one server result.
class PgResult {
public:
    PgResult() = default;
    explicit PgResult(PGresult* r) : FResult(r) {}
    PgResult(PgResult&& o) noexcept : FResult(o.FResult) { o.FResult = nullptr; }
    PgResult& operator=(PgResult&& o) noexcept {
        if (this != &o) {
            Reset();
            FResult = o.FResult;
            o.FResult = nullptr;
        }
        return *this;
    }
    ~PgResult() { Reset(); }
    PgResult(const PgResult&) = delete;
    PgResult& operator=(const PgResult&) = delete;
    PGresult* Get() const { return FResult; }
    explicit operator bool() const { return FResult != nullptr; }
    void Reset() {
        if (FResult) Pq().PQclear(FResult);
        FResult = nullptr;
    }

private:
    PGresult* FResult = nullptr;
};

class PgBackend final : public Backend {
public:
    // Connects to the server (loading its client library on first use, see PqApi.h). Throws
    // DbError: -100 the server does not answer or its client library cannot be loaded, -83 no such
    // database, -103 user or password refused, -95 malformed parameters.
    static std::unique_ptr<PgBackend> Connect(const ServerTarget& target, const ConnParams& params);
    // db_string_ping_server: whether the server answers and, with connectToDb, takes a connection
    // with these parameters. Throws the DbError a connection would get.
    static void PingServer(const ServerTarget& target, const ConnParams& params, bool connectToDb);

    ~PgBackend() override;
    PgBackend(const PgBackend&) = delete;
    PgBackend& operator=(const PgBackend&) = delete;

    std::unique_ptr<BackendStatement> Prepare(std::string_view sql) override;
    int64_t ExecuteImmediate(std::string_view sql) override;
    void Commit() override;
    void Rollback() override;
    bool InTransaction() const override;
    void SetIsolationLevel(int level) override;
    void SetChained(bool chained) override { FChained = chained; }
    void SetRowCounts(bool exact) override { FRowCounts = exact; }
    void SetBlocking(bool blocking, long timeoutMs) override;
    bool Cancel() override;
    void Ping() override;
    bool Ended() const override { return FDropped; }
    void SetMessageHandler(BackendMessageFn fn) override { FMessage = std::move(fn); }
    void SetWaitHandler(BackendWaitFn fn) override { FWait = std::move(fn); }
    void SetVariables(VariableAccess* vars) override { FVariables = vars; }
    std::string Info(int kind) const override;

    // ---- For statements and cursors (PgStatement.h) ----
    // One message of a pipeline: sends it (a PQsend* call) and returns what that call returned.
    using Step = std::function<int(PGconn*)>;
    // Runs the steps as one request (see the file comment) and returns the final result of each
    // step. `opensTransaction`: in chained mode, BEGIN first when no transaction is open.
    // Throws the DbError of the first step that failed.
    std::vector<PgResult> Run(const std::vector<Step>& steps, bool opensTransaction = true);
    VariableAccess* Variables() const { return FVariables; }
    bool RowCounts() const { return FRowCounts; }
    bool Chained() const { return FChained; }
    // A name for a new server-side prepared statement.
    std::string NextStatementName() { return "tnx_s" + std::to_string(++FStatementCounter); }
    // Drops a server-side prepared statement or cursor quietly (a statement or cursor going away;
    // nothing to report when the connection is gone).
    void Forget(const std::string& sqlText) noexcept;
    // Leaves a cursor's CLOSE for the next request, which sends it in its own pipeline (so a
    // close costs no round trip of its own). Only for a cursor known to be open on the server:
    // one whose own request was the last on the connection (Requests()).
    void DeferClose(std::string closeText);
    // Requests sent so far (every Run and every control statement counts one).
    uint64_t Requests() const { return FRequests; }

private:
    PgBackend(PGconn* conn, ServerTarget target, std::string database);
    static void OnNotice(void* self, const PGresult* notice);
    void RequireLive() const;
    PGresult* NextResult();
    void AfterFailure(bool guarded);
    void Control(const char* sql);
    void RestoreSessionSettings();
    // Sends the closes left for the next request now (before a transaction ends).
    void SendDeferredCloses();

    PGconn* FConn;
    ServerTarget FTarget;
    std::string FDatabase;
    PGcancel* FCancel = nullptr;
    std::mutex FCancelMutex;            // guards FCancel against a cancel from another thread
    std::atomic<bool> FRunning{false};  // a request is on the wire
    bool FDropped = false;              // the connection is gone: every request is -308
    bool FChained = true;
    bool FRowCounts = false;
    int FIsolation = 0;
    std::string FBeginText;             // BEGIN with the isolation level in force
    std::string FLockTimeout = "0";     // lock_timeout in milliseconds as set (the server's default: 0)
    unsigned FStatementCounter = 0;
    uint64_t FRequests = 0;
    std::vector<std::string> FDeferredCloses; // CLOSE texts left for the next request
    VariableAccess* FVariables = nullptr;
    BackendMessageFn FMessage;
    BackendWaitFn FWait;
};

} // namespace tnxdb::pg
