// Connection (see Connection.h).
#include "platform/dblib/Connection.h"

#include "platform/dblib/Backup.h"
#include "platform/dblib/Callbacks.h"
#include "platform/dblib/Catalog.h"
#include "platform/dblib/Cursor.h"
#include "platform/dblib/Engine.h"
#include "platform/dblib/ErrorMap.h"
#include "platform/dblib/ServerSession.h"
#include "platform/dblib/Statement.h"
#include "platform/dblib/StatementNumbers.h"
#include "platform/dblib/dblib.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <thread>

namespace tnxdb {

namespace {

long NowMs() {
    using namespace std::chrono;
    return static_cast<long>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

StmtHandle PrepareControl(sqlite3* db, const char* sql) {
    StmtHandle s;
    int rc = PrepareStmt(db, sql, -1, SQLITE_PREPARE_PERSISTENT, s);
    if (rc != SQLITE_OK) throw EngineError(db, rc);
    return s;
}

} // namespace

namespace {

// The file's name as a URI for the engine ('%', '?' and '#' escaped), opening it read-only; and
// immutable when the file keeps its log beside it (write-ahead mode) but has no log file now: the
// engine then needs no shared-memory file, which it could neither create in a folder it cannot
// write nor remove after a read-only use. The file is read as it is.
std::string ReadOnlyUri(const std::string& path) {
    std::string uri = "file:";
    for (char c : path) {
        if (c == '%' || c == '?' || c == '#') {
            char buf[4];
            std::snprintf(buf, sizeof buf, "%%%02X", static_cast<unsigned char>(c));
            uri += buf;
        } else {
            uri += c;
        }
    }
    uri += "?mode=ro";
    unsigned char header[20] = {};
    if (FILE* f = std::fopen(path.c_str(), "rb")) {
        const size_t n = std::fread(header, 1, sizeof header, f);
        std::fclose(f);
        const bool walMode = n == sizeof header && header[18] == 2;
        if (walMode && ::access((path + "-wal").c_str(), F_OK) != 0) uri += "&immutable=1";
    }
    return uri;
}

} // namespace

sqlite3* OpenEngineHandle(const std::string& path, bool readOnly) {
    sqlite3* db = nullptr;
    int flags = (readOnly ? SQLITE_OPEN_READONLY | SQLITE_OPEN_URI : SQLITE_OPEN_READWRITE) | SQLITE_OPEN_NOMUTEX |
                SQLITE_OPEN_PRIVATECACHE;
    if (path.empty()) flags |= SQLITE_OPEN_MEMORY | SQLITE_OPEN_CREATE;
    const std::string name = path.empty() ? ":memory:" : readOnly ? ReadOnlyUri(path) : path;
    int rc = sqlite3_open_v2(name.c_str(), &db, flags, nullptr);
    if (rc != SQLITE_OK) {
        sqlite3_close_v2(db);
        throw DbError(rc == SQLITE_NOMEM ? DBLIB_E_MEMORY : DBLIB_E_CANNOT_START_DB, sqlite3_errstr(rc));
    }
    sqlite3_extended_result_codes(db, 1);
    GuardCatalog(db);
    rc = sqlite3_exec(db, "PRAGMA foreign_keys=ON; PRAGMA synchronous=FULL;", nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) {
        DbError e = EngineError(db, rc);
        sqlite3_close_v2(db);
        throw DbError(DBLIB_E_CANNOT_START_DB, e.P1().empty() ? sqlite3_errstr(rc) : e.P1());
    }
    return db;
}

Connection::Connection(std::shared_ptr<Engine> engine, std::shared_ptr<Database> db, sqlite3* handle, std::string user,
                       bool isDba)
    : FEngine(std::move(engine)), FDatabase(std::move(db)), FUser(std::move(user)), FIsDba(isDba), FHandle(handle) {
    FStatements.resize(1);
    sqlite3_busy_handler(FHandle, &Connection::BusyHandler, this);
    // Every 1000 engine instructions: the wait callback's clock, and a cancel or a drop ending the
    // engine's work (see Progress).
    sqlite3_progress_handler(FHandle, 1000, &Connection::Progress, this);
    FBegin = PrepareControl(FHandle, "BEGIN");
    FBeginWrite = PrepareControl(FHandle, "BEGIN IMMEDIATE");
    FCommit = PrepareControl(FHandle, "COMMIT");
    FRollback = PrepareControl(FHandle, "ROLLBACK");
    if (!FDatabase->Utility && !FDatabase->ReadOnly) FDomains.Attach(FHandle);
}

Connection::Connection(std::unique_ptr<ServerSession> server, std::string user)
    : FUser(std::move(user)), FIsDba(false), FHandle(nullptr), FServer(std::move(server)) {
    FStatements.resize(1);
    Backend& db = FServer->Db();
    db.SetMessageHandler([this](unsigned char type, int32_t code, std::string_view text) {
        DeliverMessage(type, code, text.data(), text.size());
    });
    db.SetWaitHandler([this] {
        if (FWaitFn) WaitTick();
    });
    db.SetVariables(&FVariables);
    FServer->ApplyOptions(FOptions);
}

Connection::~Connection() {
    Close();
    // The session goes before the variables and hooks its backend refers to.
    FServer.reset();
}

Connection::Entry Connection::BeginRequest() {
    int expected = 0;
    while (!FBusy.compare_exchange_strong(expected, 1)) {
        if (expected != 2) return Entry::Busy;
        expected = 0; // a drop is closing the handle: wait for it, then report the end
        std::this_thread::yield();
    }
    if (FDropped.load()) {
        if (FHandle) Close();
        FBusy.store(0);
        return Entry::Ended;
    }
    // Only the request holding the busy flag numbers itself: no read-modify-write is needed.
    FRequestId.store(FRequestId.load(std::memory_order_relaxed) + 1, std::memory_order_release);
    FDomains.ClearFailure();
    return Entry::Ok;
}

void Connection::EndRequest() {
    if (FDropped.load() && FHandle) Close();
    FBusy.store(0);
    // A drop that came while this request ran and found it busy left the handle to us; if it
    // raced with the store above, whichever of us wins the flag closes it.
    if (FDropped.load() && FHandle) {
        int expected = 0;
        if (FBusy.compare_exchange_strong(expected, 2)) {
            Close();
            FBusy.store(0);
        }
    }
}

void Connection::Drop() {
    FDropped.store(true);
    int expected = 0;
    if (FBusy.compare_exchange_strong(expected, 2)) {
        Close();
        FBusy.store(0);
        return;
    }
    std::lock_guard<std::mutex> lock(FHandleMutex);
    if (FHandle) sqlite3_interrupt(FHandle);
}

void Connection::Shutdown() {
    int expected = 0;
    while (!FBusy.compare_exchange_strong(expected, 1)) {
        expected = 0;
        std::this_thread::yield();
    }
    Close();
    FBusy.store(0);
}

bool Connection::Cancel() {
    // The request number is read before the busy flag: a cancel that races with the end of its
    // request then names a finished request and hits nothing. The engine's own interrupt is not
    // used: it stays pending on a handle with open cursors and could hit a later request.
    uint64_t id = FRequestId.load(std::memory_order_acquire);
    if (FBusy.load(std::memory_order_acquire) != 1) return false;
    FCancelId.store(id, std::memory_order_release);
    // A server works on its own: it is asked to stop the request it runs.
    if (FServer) FServer->Cancel();
    return true;
}

void Connection::Close() {
    if (FServer) {
        FServer->End();
        FVariables.Clear();
        return;
    }
    if (!FHandle) return;
    FBackup.reset();
    // The rollback below must run to its end, whatever a cancel or a drop says.
    sqlite3_progress_handler(FHandle, 0, nullptr, nullptr);
    FCursors.reset();
    FStatements.clear();
    FStatements.resize(1);
    FVariables.Clear();
    FEstimates.Clear();
    if (!sqlite3_get_autocommit(FHandle)) sqlite3_exec(FHandle, "ROLLBACK", nullptr, nullptr, nullptr);
    FBegin.reset();
    FBeginWrite.reset();
    FCommit.reset();
    FRollback.reset();
    FDomains.Detach();
    sqlite3* h;
    {
        std::lock_guard<std::mutex> lock(FHandleMutex);
        h = FHandle;
        FHandle = nullptr;
    }
    sqlite3_close_v2(h);
}

void Connection::ThrowEngine(int rc, bool isDelete, const std::string& table) {
    if (FDropped.load()) throw DbError(DBLIB_E_CONNECTION_ENDED);
    int primary = rc & 0xff;
    if (primary == SQLITE_INTERRUPT || (CancelRequested() && (primary == SQLITE_BUSY || primary == SQLITE_LOCKED)))
        throw DbError(DBLIB_E_INTERRUPTED);
    // A value a typed column refuses: the check's own error, not the engine's report of it.
    if (std::optional<DbError> refused = FDomains.TakeFailure(); refused && primary == SQLITE_ERROR) throw *refused;
    throw EngineError(FHandle, rc, isDelete ? Verb::Delete : Verb::Other, table);
}

int Connection::BusyHandler(void* self, int count) {
    auto* c = static_cast<Connection*>(self);
    if (c->FWaitFn) c->WaitTick();
    if (c->CancelRequested() || c->FDropped.load() || !c->FOptions.Blocking()) return 0;
    long now = NowMs();
    if (count == 0) c->FBusySince = now;
    long limit = c->FOptions.BlockingTimeoutMs();
    if (limit > 0 && now - c->FBusySince >= limit) return 0;
    std::this_thread::sleep_for(std::chrono::milliseconds(count < 20 ? 1 : 5));
    return 1;
}

Statement* Connection::FindStatement(int number) const {
    if (number <= 0 || static_cast<size_t>(number) >= FStatements.size()) return nullptr;
    return FStatements[static_cast<size_t>(number)].get();
}

void Connection::PutStatement(std::unique_ptr<Statement> stmt) {
    size_t n = static_cast<size_t>(stmt->Number());
    if (n >= FStatements.size()) FStatements.resize(n + 1);
    if (FCursors) FCursors->StatementGone(static_cast<int>(n));
    FStatements[n] = std::move(stmt);
}

void Connection::DropStatement(int number) {
    if (FCursors) FCursors->StatementGone(number);
    if (number > 0 && static_cast<size_t>(number) < FStatements.size()) FStatements[static_cast<size_t>(number)].reset();
}

int Connection::StatementNumberFor(int requested) const {
    return ChooseStatementNumber(requested, FStatements);
}

void Connection::StepControl(sqlite3_stmt* s) {
    int rc = sqlite3_step(s);
    sqlite3_reset(s);
    if (rc != SQLITE_DONE) ThrowEngine(rc);
}

void Connection::BeginIfNeeded(bool writes, DomainChecks::Start checks) {
    // A writer's transaction starts by taking the write lock (waiting as the blocking options
    // say), so that a writer that has to give up leaves no transaction and no stale snapshot
    // behind; at levels 2 and 3 a reader's transaction starts with its snapshot.
    if (writes && FCursors) FCursors->BeforeWrite();
    if (!sqlite3_get_autocommit(FHandle)) {
        if (writes && checks == DomainChecks::Start::CheckedWrite) FDomains.EnsureInTransaction();
        return;
    }
    if (writes) {
        // The triggers are made outside the transaction when it starts with a write that needs
        // them, so that they outlive it.
        FDomains.BeforeTransaction(checks);
        int rc = sqlite3_step(FBeginWrite.get());
        sqlite3_reset(FBeginWrite.get());
        // An open cursor still reading holds the snapshot of its open; when another connection
        // has committed since, the engine refuses to write from that snapshot. The cursors then
        // read the rest of their rows into memory, let go of the snapshot, and the write goes on.
        if (rc == SQLITE_BUSY_SNAPSHOT && FCursors && FCursors->ReleaseSnapshots(*this)) {
            rc = sqlite3_step(FBeginWrite.get());
            sqlite3_reset(FBeginWrite.get());
        }
        if (rc != SQLITE_DONE) ThrowEngine(rc);
    } else if (FOptions.IsolationLevel() >= 2) {
        StepControl(FBegin.get());
    }
}

void Connection::Commit() {
    if (FHandle && !sqlite3_get_autocommit(FHandle)) StepControl(FCommit.get());
}

void Connection::Rollback() {
    if (FHandle && !sqlite3_get_autocommit(FHandle)) StepControl(FRollback.get());
}

void Connection::AfterStatement() {
    if (!FOptions.Chained()) Commit();
}

CursorSet& Connection::Cursors() {
    if (!FCursors) FCursors = std::make_unique<CursorSet>();
    return *FCursors;
}

const Cursor* Connection::CursorOn(const Statement* s) const { return FCursors ? FCursors->OpenOn(s) : nullptr; }

} // namespace tnxdb
