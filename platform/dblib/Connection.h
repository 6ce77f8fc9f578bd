// Connection: one client's session with one database. It owns the engine handle (an SQLite
// connection to the database file), the prepared statements by number, the SQL variables and the
// options in force, and it runs the chained transaction.
//
// Threads. The connection belongs to the thread running its client's request; nothing in it is
// locked on that path. Two things may come from other threads:
//   - Drop (the engine or database stops): marks the connection ended. When no request runs, the
//     dropping thread closes the handle at once (rolling back); otherwise it interrupts the
//     running statement and the request closes the handle as it ends. Every later request is
//     refused with DBLIB_E_CONNECTION_ENDED.
//   - Cancel (db_cancel_request): interrupts the running statement; it fails with
//     DBLIB_E_INTERRUPTED and the connection stays usable.
// FBusy serializes requests against a drop: 0 idle, 1 a request runs, 2 a drop closes the handle.
// FHandleMutex guards the handle pointer between its close and an interrupt from another thread.
//
// A connection to a network server (ServerSession.h) has no engine handle: its requests pass the
// same door (BeginRequest, the hooks, EndRequest), a cancel also reaches the server, and Close ends
// the server session. The server's messages and the wait callback come through the same hooks.
//
// Request hooks. Every request passes RequestScope (Client.h), which calls BeginRequest and
// StartRequestHooks, then FinishRequestHooks and EndRequest: the start and finish callbacks run
// there, and the wait callback from the engine's progress handler and busy handler while the
// request runs. A cancel is aimed at one request (its number): the progress handler and the busy
// handler end that request's engine work, and a cancel that comes after its request ended is void.
#pragma once

#include "platform/dblib/Domains.h"
#include "platform/dblib/Options.h"
#include "platform/dblib/RowEstimates.h"
#include "platform/dblib/SqlVariables.h"
#include "platform/dblib/StmtHandle.h"
#include "platform/dblib/dblib.h"

#include <sqlite3.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace tnxdb {

class BackupSession;
class CallbackTable;
class Cursor;
class CursorSet;
class Database;
class Engine;
class ServerSession;
class Statement;

class Connection {
public:
    // Takes ownership of an open handle (configured by OpenEngineHandle).
    Connection(std::shared_ptr<Engine> engine, std::shared_ptr<Database> db, sqlite3* handle, std::string user,
               bool isDba);
    // A connection to a network server: its database work goes through the session (the entry
    // points ask Server() first); it has no engine, database or engine handle.
    Connection(std::unique_ptr<ServerSession> server, std::string user);
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    Engine& GetEngine() const { return *FEngine; }
    Database& GetDatabase() const { return *FDatabase; }
    const std::shared_ptr<Database>& DatabasePtr() const { return FDatabase; }
    const std::string& UserName() const { return FUser; }
    bool IsDba() const { return FIsDba; }
    sqlite3* Handle() const { return FHandle; }
    // The session with a network server, or null for a connection to the in-process engine.
    ServerSession* Server() const { return FServer.get(); }

    // ---- Requests (see the file comment) ----
    enum class Entry { Ok, Busy, Ended };
    Entry BeginRequest();
    void EndRequest();
    void Drop();
    bool IsDropped() const { return FDropped.load(std::memory_order_acquire); }
    // Interrupts the running statement (any thread). Returns whether a request was running.
    bool Cancel();
    bool IsWorking() const { return FBusy.load(std::memory_order_acquire) == 1; }
    // The thread running the request now (set by RequestScope), or no thread.
    void SetRequestThread(std::thread::id t) { FRequestThread.store(t, std::memory_order_relaxed); }
    bool RequestRunsOn(std::thread::id t) const { return FRequestThread.load(std::memory_order_relaxed) == t; }
    // Whether a cancel hit the request running now.
    bool CancelRequested() const {
        return FCancelId.load(std::memory_order_acquire) == FRequestId.load(std::memory_order_acquire);
    }
    // Rolls back and closes the handle (the owner thread, or a dropper holding FBusy).
    void Close();
    // Closes the connection for good at disconnect, waiting for a drop that is closing it.
    void Shutdown();

    // The error for a failed engine call, reporting an interrupted statement as a cancel or as
    // the end of the connection, as the case is.
    [[noreturn]] void ThrowEngine(int rc, bool isDelete = false, const std::string& table = {});

    // ---- Statements ----
    Statement* FindStatement(int number) const;
    // Stores a statement under its number, replacing (and finalizing) the one there.
    void PutStatement(std::unique_ptr<Statement> stmt);
    void DropStatement(int number);
    // The number a prepare asking for `requested` gets (0: the smallest unused one); throws when
    // the request is negative or all 32767 are taken.
    int StatementNumberFor(int requested) const;

    VariableStore& Variables() { return FVariables; }
    OptionSet& Options() { return FOptions; }
    // The compiled row-estimate queries of this connection's cursors (finalized at Close).
    RowEstimates& Estimates() { return FEstimates; }
    // What typed columns refuse to store, and how this connection checks it.
    DomainChecks& Domains() { return FDomains; }

    // ---- Transactions ----
    // Starts the implicit transaction before a statement that writes (or before any statement
    // at isolation levels 2 and 3). `checks` says how a write's values are checked: by the
    // triggers (made when missing), in the statement's own text, or not yet (an explicit BEGIN).
    void BeginIfNeeded(bool writes, DomainChecks::Start checks = DomainChecks::Start::CheckedWrite);
    void Commit();
    void Rollback();
    bool InTransaction() const { return FHandle && !sqlite3_get_autocommit(FHandle); }
    // After a statement: commits when the chained option is OFF.
    void AfterStatement();

    // ---- Services: the client's callbacks, server messages, backup (Callbacks.cpp, Backup.cpp) ----
    // Binds the connection to its client: the SQLCA the callbacks receive, the client's callback
    // table and the connection's name (ConnectionName). Done once, before the connection is
    // published to the engine; DetachClient (at disconnect) waits for a dropped callback running
    // on another thread and makes later drops notify nobody.
    void AttachClient(sqlca* ca, std::shared_ptr<CallbackTable> callbacks, std::string name);
    void DetachClient();
    // Calls the client's dropped callback (the thread that stopped the database).
    void NotifyDropped();
    // The start callback and the wait timer of the request that just began; the finish callback.
    void StartRequestHooks();
    void FinishRequestHooks();
    // For work of a request outside the engine's statements (the backup's copy): runs the wait
    // callback when due, and throws -299 when a cancel hit the request, -308 once it was dropped.
    void CheckProgress();
    // Delivers a server message to the client's message callback (MESSAGE ... TO CLIENT).
    void DeliverMessage(unsigned char type, int32_t code, const char* text, size_t length);
    // The backup in progress on this connection (db_backup), or null. Ends with the connection.
    std::unique_ptr<BackupSession>& Backup() { return FBackup; }

    // ---- Cursors (Cursor.h) ----
    // The connection's named cursors.
    CursorSet& Cursors();
    // The open cursor running this statement, or null (such a statement is not executed).
    const Cursor* CursorOn(const Statement* s) const;

private:
    static int BusyHandler(void* self, int count);
    void StepControl(sqlite3_stmt* s);

    std::shared_ptr<Engine> FEngine;
    std::shared_ptr<Database> FDatabase;
    std::string FUser;
    bool FIsDba;
    sqlite3* FHandle;                     // null once closed
    std::mutex FHandleMutex;              // guards FHandle against Close vs. Cancel/Drop interrupts
    std::atomic<int> FBusy{0};            // 0 idle, 1 request, 2 a drop is closing the handle
    std::atomic<bool> FDropped{false};    // ended by the engine; set once, never cleared
    std::atomic<std::thread::id> FRequestThread{}; // the thread of the running request
    std::vector<std::unique_ptr<Statement>> FStatements; // index = statement number; [0] unused
    // Cached control statements; FBeginWrite is BEGIN IMMEDIATE (a writer takes the write lock first).
    StmtHandle FBegin;
    StmtHandle FBeginWrite;
    StmtHandle FCommit;
    StmtHandle FRollback;
    long FBusySince = 0;                  // ms clock when the current lock wait began
    VariableStore FVariables;
    OptionSet FOptions;
    DomainChecks FDomains; // what typed columns refuse to store (not on read-only databases)
    RowEstimates FEstimates; // every query in it is compiled on FHandle

    // ---- Services ----
    static int Progress(void* self); // the engine's progress handler
    void WaitTick();                 // the wait callback, when 100 ms have passed
    std::atomic<uint64_t> FRequestId{0};           // number of the running (or last) request
    std::atomic<uint64_t> FCancelId{~uint64_t{0}}; // number of the request a cancel hit
    sqlca* FClientCa = nullptr;                    // set by AttachClient, cleared by DetachClient
    std::shared_ptr<CallbackTable> FCallbacks;     // idem
    std::string FName;                             // ConnectionName
    std::recursive_mutex FClientMutex;             // guards the three above against NotifyDropped
    dblib_simple_callback_fn FWaitFn = nullptr;    // the wait callback armed for the running request
    long FNextWaitMs = 0;                          // when it is due next (ms clock)
    std::unique_ptr<BackupSession> FBackup;

    // ---- Cursors ----
    // Created on first use; destroyed before the statements they run (Close).
    std::unique_ptr<CursorSet> FCursors;

    // A connection to a network server (see Server()); set at construction.
    std::unique_ptr<ServerSession> FServer;
};

// Opens an engine handle on a database file (path "" for a private in-memory database, as
// utility_db uses) with the settings every connection runs with; read-only, it neither writes the
// file nor creates any file beside it. Throws DbError.
sqlite3* OpenEngineHandle(const std::string& path, bool readOnly = false);

} // namespace tnxdb
