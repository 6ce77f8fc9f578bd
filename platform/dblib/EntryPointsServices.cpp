// The exported entry points of the services: callbacks, the working flag and cancel, backup,
// locating and pinging servers. Compiled once per build, like EntryPoints.cpp; the work lives in
// Callbacks, Connection, Backup and Locate.
//
// db_is_working and db_cancel_request may come from another thread while a request runs on the
// SQLCA, or from inside that request's callbacks: the SQLCA then belongs to the request, so these
// two never write it (an injected code is the one exception, for tests).
#include "platform/dblib/Backup.h"
#include "platform/dblib/EntryPointAbi.h"
#include "platform/dblib/Client.h"
#include "platform/dblib/ConnectionString.h"
#include "platform/dblib/Engine.h"
#include "platform/dblib/Instrument.h"
#include "platform/dblib/Locate.h"
#include "platform/dblib/dblib.h"

#include <type_traits>

using namespace tnxdb;
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

} // namespace

extern "C" {

DBLIB_EXPORT void db_register_a_callback(sqlca* ca, int kind, void (*callback)(void)) {
    if (instrument::Recording())
        instrument::CallLine("db_register_a_callback").Int(kind).Ptr(reinterpret_cast<const void*>(callback)).Commit();
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
    return RunRequest(ca, Plain("db_backup"), static_cast<unsigned short>(0), [&](Connection& c) -> unsigned short {
        RunBackup(c, op, file, page, da, ca);
        return 1;
    });
}

#if DBLIB_GENERATION >= 5
DBLIB_EXPORT unsigned short db_locate_servers(sqlca* ca, dblib_locate_callback_fn callback, void* user) {
    if (instrument::Recording())
        instrument::CallLine("db_locate_servers").Ptr(reinterpret_cast<const void*>(callback)).Ptr(user).Commit();
    return RunCall(ca, Plain("db_locate_servers"), static_cast<unsigned short>(0), [&](ClientState*) -> unsigned short {
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
                       Connection* caller = client && client->Conn ? client->Conn.get() : nullptr;
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
