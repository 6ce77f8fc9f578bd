// The tool's backend over the library: one TAsaSession and one TAsaSQL, public API only.
//
// The session runs on the embedded default: the client library file "dblib6.dll" (the loader finds
// libdblib6.so beside the program's own libraries, or in --libdir), the engine started in-process
// on the database file. Every statement goes through the one TAsaSQL: prepared and described
// first, then opened as a cursor when it describes result columns, else executed with its rows
// affected counted. Both raise on database errors (WantExceptions), and every exception the
// library raises leaves here as BackendError with the library's message and code.
//
// Starting and stopping databases goes through a second, unconnected session, so that it works
// while the tool is connected (the session refuses both while connected).
//
// Ctrl-C: RequestCancel sets an atomic flag; the session's wait callback, which the library calls
// every 100 ms of a running request, turns it into AbortRequest, and the result set checks it
// between rows. The flag is cleared when the next request starts.
#pragma once

#include "tools/tnxsql/Backend.h"
#include "tools/tnxsql/LoginPlan.h"

#include "platform/vcl/Object.h"

#include <atomic>
#include <exception>
#include <memory>

namespace tnx {
class TAsaSession;
class TAsaSQL;
class TCorvexSQL;
} // namespace tnx

namespace tnxsql {

// The library's exception (or any other) as a BackendError: ECorvexException keeps its message
// and ErrorCode, anything else its text with code 0.
BackendError ToBackendError(const std::exception& e);

// Throws the statement's session's last error (message and code) as a BackendError; `fallback` is
// the message when the session recorded none. For operations that returned false.
[[noreturn]] void ThrowLastError(tnx::TCorvexSQL& statement, const char* fallback);

class AsaBackend final : public Backend {
public:
    AsaBackend();
    ~AsaBackend() override;
    AsaBackend(const AsaBackend&) = delete;
    AsaBackend& operator=(const AsaBackend&) = delete;

    std::string Description() const override;
    void Configure(const ConnectSettings& settings) override;
    void Connect() override;
    void Disconnect() noexcept override;
    bool Connected() const override;
    ExecResult Execute(std::string_view sql, std::span<const BoundParam> params) override;
    std::string Explain(std::string_view sql, std::span<const BoundParam> params) override;
    void SetMessageHandler(MessageHandler handler) override { FOnMessage = std::move(handler); }
    void SetWaitHandler(WaitHandler handler) override { FOnWait = std::move(handler); }
    void RequestCancel() noexcept override { FCancel.store(true, std::memory_order_relaxed); }
    std::unique_ptr<ResultSet> ListTables() override;
    std::unique_ptr<ResultSet> ListColumns(std::string_view table) override;
    void Backup(const std::string& folder, BackupKind kind, const BackupProgressHandler& progress) override;
    std::string GetOption(std::string_view name) override;
    void SetOption(std::string_view name, std::string_view value) override;
    ConnectionInfo Info() override;
    void LocateServers(const ServerFoundHandler& found) override;
    void Ping(std::string_view connection) override;
    void StartDatabase(std::string_view connection) override;
    void StopDatabase(std::string_view connection) override;
    void Begin() override;
    void Commit() override;
    void Rollback() override;
    bool InTransaction() const override;

private:
    // Sets the session's login properties for the plan (the real database, or utility_db).
    void ApplyPlan();
    // Creates the plan's database file through the utility database of an engine started for it.
    void CreateDatabaseFile();
    void RequireConnected() const;
    // Opens `sql` as a query (true) or leaves it unprepared when it has no result columns (false).
    bool OpenIfQuery(std::string_view sql, std::span<const BoundParam> params);
    // Throws the session's last error; for services that returned false.
    [[noreturn]] void ThrowSessionError(const char* fallback) const;
    [[noreturn]] static void ThrowSessionError(const tnx::TAsaSession& session, const char* fallback);
    // The session that starts and stops databases, with its login properties set for `text` (a
    // connection string naming the database: dbf=FILE, dbn=NAME, eng=ENGINE, default the engine
    // this tool's database runs on) or, when it is empty, for the command line's database.
    tnx::TAsaSession& ControlSession(std::string_view text);
    // A warning the last call left (positive code) goes to the message handler; after an open,
    // "row not found" (an empty result) does not.
    void ReportWarning(bool afterOpen);

    // The session outlives the statement (declared first, destroyed last): destroying the
    // statement detaches it, destroying the session disconnects it.
    vcl::TOwned<tnx::TAsaSession> FSession;
    vcl::TOwned<tnx::TAsaSQL> FQuery;
    // A second session, never connected, that starts and stops databases on the engines of this
    // process: the library refuses both on a connected session, and the tool's session is
    // connected. Created on first use.
    vcl::TOwned<tnx::TAsaSession> FControl;
    ConnectSettings FSettings;
    LoginPlan FPlan;
    std::string FServerParams; // the session's own engine start parameters
    bool FConfigured = false;
    MessageHandler FOnMessage;
    WaitHandler FOnWait;
    // Set by RequestCancel (from a signal handler): lock-free, touched by nothing else there.
    std::atomic<bool> FCancel{false};
    static_assert(std::atomic<bool>::is_always_lock_free);
};

} // namespace tnxsql
