// The exported entry points of the services: callbacks, the working flag and cancel, backup,
// locating and pinging servers, and the two cursor services dbpp_resume (the next result set) and
// dbpp_explain (the query plan). Compiled once per build, like EntryPoints.cpp; the work lives in
// Callbacks, Connection, Backup, Locate and Cursor.
//
// db_is_working and db_cancel_request may come from another thread while a request runs on the
// SQLCA, or from inside that request's callbacks: the SQLCA then belongs to the request, so these
// two never write it (an injected code is the one exception, for tests).
#include "platform/dblib/Backup.h"
#include "platform/dblib/Client.h"
#include "platform/dblib/ConnectionString.h"
#include "platform/dblib/Convert.h"
#include "platform/dblib/Cursor.h"
#include "platform/dblib/Engine.h"
#include "platform/dblib/EntryPointAbi.h"
#include "platform/dblib/Instrument.h"
#include "platform/dblib/Locate.h"
#include "platform/dblib/ServerSession.h"
#include "platform/dblib/StmtHandle.h"
#include "platform/dblib/dblib.h"

#include <type_traits>

using namespace tnxdb;
using tnxdb::abi::Dbpp;
using tnxdb::abi::Plain;

namespace {

// The connection of the SQLCA as another thread may read it, or null.
std::shared_ptr<Connection> ConnectionOf(sqlca* ca) {
    auto client = Clients::Instance().Find(ca);
    if (!client) return nullptr;
    std::lock_guard<std::mutex> lock(client->ConnMutex);
    return client->Conn;
}

// An injected code for the two entry points that otherwise leave the SQLCA alone.
bool Injected(sqlca* ca, const char* entry) {
    int code = instrument::InjectedCode(entry);
    if (!code) return false;
    ResetSqlca(ca);
    WriteSqlca(ca, code, {}, {});
    return true;
}

Cursor& OpenCursorNamed(Connection& c, const char* name) {
    if (!name || !*name) throw DbError(DBLIB_E_BAD_ARGUMENT, "no cursor name");
    Cursor& cur = c.Cursors().Get(name);
    if (!cur.IsOpen()) throw DbError(DBLIB_E_CURSOR_NOT_OPEN, cur.Name());
    return cur;
}

// The engine's plan for a query: one line per step, indented two blanks per level below the
// step it belongs to.
std::string QueryPlan(Connection& c, const std::string& query) {
    if (query.empty()) return {};
    std::string sql = "EXPLAIN QUERY PLAN " + query;
    StmtHandle compiled;
    int rc = PrepareStmt(c.Handle(), sql.c_str(), static_cast<int>(sql.size()), 0, compiled);
    if (rc != SQLITE_OK) c.ThrowEngine(rc);
    sqlite3_stmt* s = compiled.get();
    std::string plan;
    std::vector<std::pair<int, int>> depths; // (step id, its depth)
    while ((rc = sqlite3_step(s)) == SQLITE_ROW) {
        int id = sqlite3_column_int(s, 0), parent = sqlite3_column_int(s, 1);
        int depth = 0;
        for (auto it = depths.rbegin(); it != depths.rend(); ++it)
            if (it->first == parent) {
                depth = it->second + 1;
                break;
            }
        depths.emplace_back(id, depth);
        const unsigned char* detail = sqlite3_column_text(s, 3);
        if (!plan.empty()) plan += '\n';
        plan.append(static_cast<size_t>(depth) * 2, ' ');
        plan += detail ? reinterpret_cast<const char*>(detail) : "";
    }
    compiled.reset();
    if (rc != SQLITE_DONE) c.ThrowEngine(rc);
    return plan;
}

} // namespace

extern "C" {

DBLIB_EXPORT void db_register_a_callback(sqlca* ca, int kind, void (*callback)(void)) {
    if (instrument::Recording())
        instrument::CallLine("db_register_a_callback")
            .Int(kind)
            .Ptr(reinterpret_cast<const void*>(callback))
            .Commit();
    RunCall(ca, Plain("db_register_a_callback"), 0, [&](ClientState* client) {
        if (!client) throw DbError(DBLIB_E_BAD_ARGUMENT, "the SQLCA was not initialised by db_init");
        if (!client->Callbacks->Set(kind, callback))
            throw DbError(DBLIB_E_BAD_ARGUMENT, "callback kind " + std::to_string(kind));
        return 0;
    });
}

DBLIB_EXPORT unsigned short db_is_working(sqlca* ca) {
    if (instrument::Recording()) instrument::CallLine("db_is_working").Commit();
    if (!ca) return 0;
    try {
        if (Injected(ca, "db_is_working")) return 0;
        auto conn = ConnectionOf(ca);
        return conn && conn->IsWorking() ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

DBLIB_EXPORT unsigned short db_cancel_request(sqlca* ca) {
    if (instrument::Recording()) instrument::CallLine("db_cancel_request").Commit();
    if (!ca) return 0;
    try {
        if (Injected(ca, "db_cancel_request")) return 0;
        auto conn = ConnectionOf(ca);
        return conn && conn->Cancel() ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

DBLIB_EXPORT unsigned short db_backup(sqlca* ca, int op, int file, unsigned long page, sqlda* da) {
    if (instrument::Recording())
        instrument::CallLine("db_backup").Int(op).Int(file).Int(static_cast<long long>(page)).Da(da).Commit();
    return RunRequest(ca, Plain("db_backup"), static_cast<unsigned short>(0),
                      [&](Connection& c) -> unsigned short {
                          if (c.Server()) RefuseOnServer(ServerControl::Backup);
                          RunBackup(c, op, file, page, da, ca);
                          return 1;
                      });
}

DBLIB_EXPORT void dbpp_resume(DBLIB_DBPP_ARGS(char* cursor)) {
    if (instrument::Recording()) instrument::CallLine("dbpp_resume").Str(cursor).Commit();
    RunRequest(ca, Dbpp("dbpp_resume", DBLIB_DESC), 0, [&](Connection& c) {
        if (ServerSession* server = c.Server()) {
            if (!cursor || !*cursor) throw DbError(DBLIB_E_BAD_ARGUMENT, "no cursor name");
            server->Resume(cursor, ca);
            return 0;
        }
        int32_t rows = 0;
        if (OpenCursorNamed(c, cursor).NextResultSet(c, rows))
            ca->sqlerrd[2] = rows;
        else
            WriteSqlca(ca, DBLIB_W_NO_MORE_RESULTS, {}, {});
        return 0;
    });
}

DBLIB_EXPORT void dbpp_explain(DBLIB_DBPP_ARGS(char* cursor, char* /*r*/, sqlda* da)) {
    if (instrument::Recording()) instrument::CallLine("dbpp_explain").Str(cursor).Da(da).Commit();
    RunRequest(ca, Dbpp("dbpp_explain", DBLIB_DESC), 0, [&](Connection& c) {
        if (!da || da->sqld < 1 || da->sqld > da->sqln)
            throw DbError(DBLIB_E_BAD_SQLDA, "one variable is needed");
        if (ServerSession* server = c.Server()) {
            if (!cursor || !*cursor) throw DbError(DBLIB_E_BAD_ARGUMENT, "no cursor name");
            server->Explain(c, cursor, da, ca);
            return 0;
        }
        std::string plan = QueryPlan(c, OpenCursorNamed(c, cursor).QueryText());
        sqlvar& var = da->sqlvar[0];
        if (StoreOutput(Value::MakeText(plan.data(), plan.size()), var, &c.Variables())) {
            SetTruncationWarning(ca);
            if (!var.sqlind) WriteSqlca(ca, DBLIB_W_TRUNCATED, {}, {});
        }
        return 0;
    });
}

#if DBLIB_GENERATION >= 5
DBLIB_EXPORT unsigned short db_locate_servers(sqlca* ca, dblib_locate_callback_fn callback, void* user) {
    if (instrument::Recording())
        instrument::CallLine("db_locate_servers")
            .Ptr(reinterpret_cast<const void*>(callback))
            .Ptr(user)
            .Commit();
    return RunCall(ca, Plain("db_locate_servers"), static_cast<unsigned short>(0),
                   [&](ClientState*) -> unsigned short {
                       int found = LocateServers(ca, callback, user);
                       ca->sqlerrd[2] = found;
                       return 1;
                   });
}

DBLIB_EXPORT unsigned short db_string_ping_server(sqlca* ca, char* params, unsigned int connect_to_db) {
    if (instrument::Recording())
        instrument::CallLine("db_string_ping_server").ConnString(params).Int(connect_to_db).Commit();
    return RunCall(ca, Plain("db_string_ping_server"), static_cast<unsigned short>(0),
                   [&](ClientState* client) -> unsigned short {
                       ConnParams p = ParseConnectionString(params ? params : "");
                       if (auto target = FindServerTarget(p)) {
                           PingServer(*target, p, connect_to_db != 0);
                           return 1;
                       }
                       Connection* caller = client && client->Conn ? client->Conn.get() : nullptr;
                       if (caller && caller->Server()) caller = nullptr;
                       Server::Instance().Ping(p, connect_to_db != 0, caller);
                       return 1;
                   });
}
static_assert(std::is_same_v<decltype(&db_locate_servers), db_locate_servers_fn>);
static_assert(std::is_same_v<decltype(&db_string_ping_server), db_string_ping_server_fn>);
#endif

} // extern "C"

static_assert(std::is_same_v<decltype(&db_register_a_callback), db_register_a_callback_fn>);
static_assert(std::is_same_v<decltype(&db_is_working), db_is_working_fn>);
static_assert(std::is_same_v<decltype(&db_cancel_request), db_cancel_request_fn>);
static_assert(std::is_same_v<decltype(&db_backup), db_backup_fn>);
static_assert(std::is_same_v<decltype(&dbpp_resume), DBLIB_DBPP_TYPE(dbpp_resume)>);
static_assert(std::is_same_v<decltype(&dbpp_explain), DBLIB_DBPP_TYPE(dbpp_explain)>);
