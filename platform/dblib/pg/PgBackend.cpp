// Connecting to a network server and running requests on it (see PgBackend.h).
#include "platform/dblib/pg/PgBackend.h"

#include "platform/dblib/Errors.h"
#include "platform/dblib/Text.h"
#include "platform/dblib/pg/PgStatement.h"
#include "platform/dblib/pg/PgTypes.h"

#include <poll.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <optional>

namespace tnxdb::pg {

namespace {

constexpr const char* kIsolationNames[] = {"READ UNCOMMITTED", "READ COMMITTED", "REPEATABLE READ", "SERIALIZABLE"};

// libpq's keyword/value arrays for a connection.
struct ConnectArgs {
    std::vector<std::string> Keys, Values;
    void Add(const char* k, std::string v) {
        Keys.emplace_back(k);
        Values.push_back(std::move(v));
    }
    std::vector<const char*> KeyPtrs() const { return Ptrs(Keys); }
    std::vector<const char*> ValuePtrs() const { return Ptrs(Values); }

private:
    static std::vector<const char*> Ptrs(const std::vector<std::string>& v) {
        std::vector<const char*> out;
        for (const auto& s : v) out.push_back(s.c_str());
        out.push_back(nullptr);
        return out;
    }
};

// The server's name of a character set given as CharSet ("" gives the default, WIN1252). Names
// other than the aliases below go to the server as they are; one it does not know fails the
// connection with DBLIB_E_PARSE.
std::string ServerEncoding(const std::string& charset) {
    if (charset.empty()) return "WIN1252";
    std::string key;
    for (char c : charset)
        if (c != '-' && c != '_' && c != ' ') key += AsciiUpper(c);
    if (key == "WINDOWS1252" || key == "CP1252" || key == "WIN1252") return "WIN1252";
    if (key == "UTF8") return "UTF8";
    if (key == "ISO88591" || key == "LATIN1") return "LATIN1";
    if (key == "ISO885915" || key == "LATIN9") return "LATIN9";
    return charset;
}

ConnectArgs BuildArgs(const ServerTarget& t, const ConnParams& p) {
    ConnectArgs a;
    a.Add("host", t.Host);
    if (t.Port) a.Add("port", std::to_string(t.Port));
    if (p.Has(ConnKey::DatabaseName)) a.Add("dbname", p.Trimmed(ConnKey::DatabaseName));
    if (p.Has(ConnKey::UserId)) a.Add("user", p.Trimmed(ConnKey::UserId));
    // The password goes as given (blanks at either end count), never into a message.
    if (p.Has(ConnKey::Password)) a.Add("password", p.Get(ConnKey::Password));
    switch (t.Tls) {
    case ServerTls::None: a.Add("sslmode", "disable"); break;
    case ServerTls::Require: a.Add("sslmode", "require"); break;
    case ServerTls::VerifyCa: a.Add("sslmode", "verify-ca"); break;
    case ServerTls::VerifyFull: a.Add("sslmode", "verify-full"); break;
    }
    std::string app = p.Trimmed(ConnKey::ConnectionName);
    a.Add("application_name", app.empty() ? "tarnix" : app);
    // The server converts text to and from the client's character set: CharSet when given (the
    // server's name for it, or a common alias), else the library's single-byte Windows-1252.
    a.Add("client_encoding", ServerEncoding(p.Trimmed(ConnKey::CharSet)));
    // The text forms ReadServerText reads: ISO dates, UTC time stamps, hex bytes, exact floats.
    a.Add("options", "-c TimeZone=UTC -c DateStyle=ISO,YMD -c bytea_output=hex -c extra_float_digits=3");
    a.Add("connect_timeout", "10");
    return a;
}

// Where the server is, for messages (no user, no password).
std::string Where(const ServerTarget& t) {
    return t.Host + (t.Port ? ":" + std::to_string(t.Port) : std::string());
}

// The error of a connection attempt that failed: libpq reports no SQLSTATE before a session
// exists, so the cause is told from whether the server answers at all and from its message.
DbError ConnectError(PGconn* conn, const ServerTarget& t, const ConnectArgs& args, const ConnParams& p) {
    std::string message = conn ? Pq().PQerrorMessage(conn) : "";
    PGPing ping = Pq().PQpingParams(args.KeyPtrs().data(), args.ValuePtrs().data(), 0);
    if (ping == PQPING_NO_RESPONSE || ping == PQPING_NO_ATTEMPT) return DbError(DBLIB_E_ENGINE_NOT_FOUND, Where(t));
    if (message.find("database \"") != std::string::npos && message.find("does not exist") != std::string::npos)
        return DbError(DBLIB_E_DB_NOT_FOUND, p.Trimmed(ConnKey::DatabaseName));
    if (message.find("client_encoding") != std::string::npos)
        return DbError(DBLIB_E_PARSE, "CharSet=" + p.Trimmed(ConnKey::CharSet));
    if (message.find("SSL") != std::string::npos || message.find("certificate") != std::string::npos)
        return DbError(DBLIB_E_RUNTIME, "TLS connection to " + Where(t) + " failed");
    if (ping == PQPING_REJECT) return DbError(DBLIB_E_ENGINE_NOT_FOUND, Where(t));
    return DbError(DBLIB_E_BAD_USER);
}

// Marks a request as running for the length of a scope (what Cancel looks at).
class RunningScope {
public:
    explicit RunningScope(std::atomic<bool>& flag) : FFlag(flag) { FFlag.store(true, std::memory_order_release); }
    ~RunningScope() { FFlag.store(false, std::memory_order_release); }
    RunningScope(const RunningScope&) = delete;
    RunningScope& operator=(const RunningScope&) = delete;

private:
    std::atomic<bool>& FFlag;
};

int SendSimple(PGconn* c, const char* sql) { return Pq().PQsendQueryParams(c, sql, 0, nullptr, nullptr, nullptr, nullptr, 0); }

} // namespace

std::unique_ptr<PgBackend> PgBackend::Connect(const ServerTarget& target, const ConnParams& params) {
    LoadPq();
    ConnectArgs args = BuildArgs(target, params);
    PGconn* conn = Pq().PQconnectdbParams(args.KeyPtrs().data(), args.ValuePtrs().data(), 0);
    if (!conn || Pq().PQstatus(conn) != CONNECTION_OK) {
        DbError e = ConnectError(conn, target, args, params);
        if (conn) Pq().PQfinish(conn);
        throw e;
    }
    std::string db = Pq().PQdb(conn) ? Pq().PQdb(conn) : "";
    return std::unique_ptr<PgBackend>(new PgBackend(conn, target, std::move(db)));
}

void PgBackend::PingServer(const ServerTarget& target, const ConnParams& params, bool connectToDb) {
    LoadPq();
    ConnectArgs args = BuildArgs(target, params);
    if (!connectToDb) {
        PGPing ping = Pq().PQpingParams(args.KeyPtrs().data(), args.ValuePtrs().data(), 0);
        if (ping != PQPING_OK) throw DbError(DBLIB_E_ENGINE_NOT_FOUND, Where(target));
        return;
    }
    Connect(target, params);
}

PgBackend::PgBackend(PGconn* conn, ServerTarget target, std::string database)
    : FConn(conn), FTarget(std::move(target)), FDatabase(std::move(database)) {
    FCancel = Pq().PQgetCancel(FConn);
    Pq().PQsetNoticeReceiver(FConn, &PgBackend::OnNotice, this);
    SetIsolationLevel(0);
}

PgBackend::~PgBackend() {
    {
        std::lock_guard<std::mutex> lock(FCancelMutex);
        if (FCancel) Pq().PQfreeCancel(FCancel);
        FCancel = nullptr;
    }
    // Closing the session rolls back what was not committed, on the server.
    Pq().PQfinish(FConn);
}

void PgBackend::OnNotice(void* self, const PGresult* notice) {
    auto* b = static_cast<PgBackend*>(self);
    if (!b->FMessage) return;
    const char* severity = Pq().PQresultErrorField(notice, PG_DIAG_SEVERITY_NONLOCALIZED);
    const char* text = Pq().PQresultErrorField(notice, PG_DIAG_MESSAGE_PRIMARY);
    unsigned char type = severity && std::strcmp(severity, "WARNING") == 0 ? DBLIB_MESSAGE_WARNING : DBLIB_MESSAGE_INFO;
    std::string_view body = text ? std::string_view(text) : std::string_view();
    try {
        b->FMessage(type, 0, body);
    } catch (...) {
        // A message handler's failure never reaches the server's reply being read.
    }
}

void PgBackend::RequireLive() const {
    if (FDropped) throw DbError(DBLIB_E_CONNECTION_ENDED);
}

PGresult* PgBackend::NextResult() {
    // Waits for the reply in steps of 100 ms so that the wait handler runs while the server works.
    while (Pq().PQisBusy(FConn)) {
        pollfd p{Pq().PQsocket(FConn), POLLIN, 0};
        int n = poll(&p, 1, 100);
        if (n == 0) {
            if (FWait) FWait();
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (!Pq().PQconsumeInput(FConn)) return nullptr;
    }
    return Pq().PQgetResult(FConn);
}

std::vector<PgResult> PgBackend::Run(const std::vector<Step>& steps, bool opensTransaction) {
    RequireLive();
    ++FRequests;
    const PGTransactionStatusType status = Pq().PQtransactionStatus(FConn);
    const bool begin = opensTransaction && FChained && status == PQTRANS_IDLE;
    const bool guard = status == PQTRANS_INTRANS;
    std::vector<PgResult> results(steps.size());
    std::optional<DbError> failure;
    size_t failedAt = 0; // the message of the first failure
    // Closes of cursors that were left for this request go in its pipeline ahead of its steps. A
    // close is not undone by a rollback, so the request's own failure leaves them done.
    std::vector<std::string> closes;
    closes.swap(FDeferredCloses);
    std::vector<bool> closed(closes.size(), false);
    size_t firstClose = 0;
    {
        RunningScope running(FRunning);
        bool sent = Pq().PQenterPipelineMode(FConn) == 1;
        size_t expected = 0; // messages whose results come back before the sync
        if (sent && begin) sent = SendSimple(FConn, FBeginText.c_str()) == 1, ++expected;
        if (sent && guard) sent = SendSimple(FConn, "SAVEPOINT tnx_request") == 1, ++expected;
        firstClose = expected;
        for (const std::string& close : closes) {
            if (!sent) break;
            sent = SendSimple(FConn, close.c_str()) == 1;
            ++expected;
        }
        const size_t first = expected;
        for (const Step& s : steps) {
            if (!sent) break;
            sent = s(FConn) == 1;
            ++expected;
        }
        if (sent && guard) sent = SendSimple(FConn, "RELEASE SAVEPOINT tnx_request") == 1, ++expected;
        if (sent) sent = Pq().PQpipelineSync(FConn) == 1;
        if (!sent) {
            failure = ErrorOf(FConn, nullptr);
            if (failure->Code() != DBLIB_E_CONNECTION_ENDED) failure = DbError(DBLIB_E_RUNTIME, Pq().PQerrorMessage(FConn));
        }
        // Read every reply up to the sync, keeping the last result of each step and the first error.
        for (size_t i = 0; sent && i < expected; ++i) {
            PGresult* r;
            while ((r = NextResult()) != nullptr) {
                PgResult owned(r);
                ExecStatusType st = Pq().PQresultStatus(r);
                if ((st == PGRES_FATAL_ERROR || st == PGRES_NONFATAL_ERROR) && !failure) {
                    failure = ErrorOf(FConn, r);
                    failedAt = i;
                }
                if (i >= firstClose && i - firstClose < closes.size() && st == PGRES_COMMAND_OK)
                    closed[i - firstClose] = true;
                if (i >= first && i - first < steps.size()) results[i - first] = std::move(owned);
            }
            if (Pq().PQstatus(FConn) == CONNECTION_BAD) break;
        }
        // A send that failed on a live connection still ends the pipeline, so that the next
        // request starts clean.
        const bool synced = sent || (Pq().PQstatus(FConn) != CONNECTION_BAD && Pq().PQpipelineSync(FConn) == 1);
        if (synced && Pq().PQstatus(FConn) != CONNECTION_BAD) {
            // Replies of steps not read above (a send that failed) end with a null each.
            for (int nulls = 0; nulls <= static_cast<int>(expected) && Pq().PQstatus(FConn) != CONNECTION_BAD;) {
                PGresult* r = NextResult();
                if (!r) {
                    ++nulls;
                    continue;
                }
                ExecStatusType st = Pq().PQresultStatus(r);
                Pq().PQclear(r);
                if (st == PGRES_PIPELINE_SYNC) break;
            }
            Pq().PQexitPipelineMode(FConn);
        }
    }
    if (Pq().PQstatus(FConn) == CONNECTION_BAD) {
        FDropped = true;
        throw DbError(DBLIB_E_CONNECTION_ENDED);
    }
    if (failure) {
        AfterFailure(guard);
        // A close that did not run (the request was stopped before it) is left for the next one.
        for (size_t i = 0; i < closes.size(); ++i)
            if (!closed[i] && !(failedAt == firstClose + i && failure->Code() != DBLIB_E_INTERRUPTED))
                FDeferredCloses.push_back(std::move(closes[i]));
        // A close is left for a request only while its cursor is known to be open, so it does not
        // fail; should it fail all the same, the request was undone whole and runs again alone.
        if (failedAt >= firstClose && failedAt < firstClose + closes.size() &&
            failure->Code() != DBLIB_E_INTERRUPTED)
            return Run(steps, opensTransaction);
        throw *failure;
    }
    return results;
}

void PgBackend::DeferClose(std::string closeText) { FDeferredCloses.push_back(std::move(closeText)); }

void PgBackend::SendDeferredCloses() {
    if (FDeferredCloses.empty() || FDropped) return;
    try {
        Run({}, false);
    } catch (const DbError& e) {
        if (e.Code() == DBLIB_E_CONNECTION_ENDED) throw;
        // Nothing else to report: a cursor left open goes with the session at the latest.
    }
    FDeferredCloses.clear();
}

void PgBackend::AfterFailure(bool guarded) {
    // Undo only the request that failed: back to its savepoint, or out of the transaction this
    // request began itself.
    if (Pq().PQtransactionStatus(FConn) != PQTRANS_INERROR) return;
    if (guarded) {
        Control("ROLLBACK TO SAVEPOINT tnx_request");
        Control("RELEASE SAVEPOINT tnx_request");
    } else {
        Control("ROLLBACK");
        RestoreSessionSettings();
    }
}

void PgBackend::Control(const char* sql) {
    ++FRequests;
    PgResult r(Pq().PQexec(FConn, sql));
    if (Pq().PQstatus(FConn) == CONNECTION_BAD) {
        FDropped = true;
        throw DbError(DBLIB_E_CONNECTION_ENDED);
    }
    if (Pq().PQresultStatus(r.Get()) != PGRES_COMMAND_OK) throw ErrorOf(FConn, r.Get());
}

std::unique_ptr<BackendStatement> PgBackend::Prepare(std::string_view sql) {
    return PgStatement::Prepare(*this, sql);
}

int64_t PgBackend::ExecuteImmediate(std::string_view sql) {
    // One unnamed statement: nothing is kept on the server afterwards.
    size_t markers = 0;
    std::string text = ServerText(sql, markers);
    if (markers > 0) throw DbError(DBLIB_E_TOO_FEW_VALUES);
    auto results = Run({[&](PGconn* c) { return SendSimple(c, text.c_str()); }});
    const char* n = Pq().PQcmdTuples(results[0].Get());
    return n && *n ? std::atoll(n) : 0;
}

void PgBackend::Commit() {
    RequireLive();
    if (Pq().PQtransactionStatus(FConn) == PQTRANS_IDLE) return;
    // Closed before the transaction ends: a cursor kept across it would be copied out whole.
    SendDeferredCloses();
    RunningScope running(FRunning);
    Control("COMMIT");
}

void PgBackend::Rollback() {
    RequireLive();
    if (Pq().PQtransactionStatus(FConn) == PQTRANS_IDLE) return;
    // Closed first: the rollback drops the cursors declared in the transaction, and a close left
    // for later would then fail.
    SendDeferredCloses();
    RunningScope running(FRunning);
    Control("ROLLBACK");
    RestoreSessionSettings();
}

void PgBackend::RestoreSessionSettings() {
    // A session setting made inside a transaction goes with its rollback: the blocking options
    // are the connection's, so they are set again.
    if (FLockTimeout == "0") return;
    const std::string sql = "SET lock_timeout = " + FLockTimeout; // digits this backend formatted
    Control(sql.c_str());
}

bool PgBackend::InTransaction() const { return !FDropped && Pq().PQtransactionStatus(FConn) != PQTRANS_IDLE; }

void PgBackend::SetIsolationLevel(int level) {
    if (level < 0 || level > 3) throw DbError(DBLIB_E_BAD_OPTION_VALUE, "isolation_level");
    FIsolation = level;
    FBeginText = std::string("BEGIN ISOLATION LEVEL ") + kIsolationNames[level];
}

void PgBackend::SetBlocking(bool blocking, long timeoutMs) {
    // Without blocking a lock held elsewhere fails at once: the shortest wait the server has.
    std::string value = !blocking ? "1" : std::to_string(timeoutMs < 0 ? 0 : timeoutMs);
    if (value == FLockTimeout) return;
    FLockTimeout = value;
    std::string sql = "SELECT set_config('lock_timeout', $1, false)";
    const char* values[] = {value.c_str()};
    Run({[&](PGconn* c) { return Pq().PQsendQueryParams(c, sql.c_str(), 1, nullptr, values, nullptr, nullptr, 0); }},
        false);
}

bool PgBackend::Cancel() {
    std::lock_guard<std::mutex> lock(FCancelMutex);
    if (!FCancel || !FRunning.load(std::memory_order_acquire)) return false;
    char error[256];
    return Pq().PQcancel(FCancel, error, sizeof error) == 1;
}

void PgBackend::Ping() {
    RequireLive();
    // An empty query is the cheapest full round trip.
    Run({[](PGconn* c) { return SendSimple(c, ""); }}, false);
}

std::string PgBackend::Info(int kind) const {
    switch (kind) {
    case 1: {
        int v = Pq().PQserverVersion(FConn);
        return std::to_string(v / 10000) + "." + std::to_string(v % 10000);
    }
    case 2:
        return Where(FTarget);
    case 3:
        return FDatabase;
    default:
        throw DbError(DBLIB_E_BAD_ARGUMENT, "kind " + std::to_string(kind));
    }
}

void PgBackend::Forget(const std::string& sqlText) noexcept {
    if (FDropped || Pq().PQstatus(FConn) != CONNECTION_OK) return;
    if (Pq().PQtransactionStatus(FConn) != PQTRANS_IDLE && Pq().PQtransactionStatus(FConn) != PQTRANS_INTRANS) return;
    try {
        Run({[&](PGconn* c) { return SendSimple(c, sqlText.c_str()); }}, false);
    } catch (...) {
        // Nothing to report: what is forgotten is gone with the session at the latest.
    }
}

} // namespace tnxdb::pg
