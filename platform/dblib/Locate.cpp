// Locating and pinging servers (see Locate.h and Server::Ping in Engine.h).
#include "platform/dblib/Locate.h"

#include "platform/dblib/Callbacks.h"
#include "platform/dblib/Catalog.h"
#include "platform/dblib/Connection.h"
#include "platform/dblib/Engine.h"
#include "platform/dblib/Errors.h"
#include "platform/dblib/Text.h"

#include <string>

namespace tnxdb {

int LocateServers(sqlca* ca, dblib_locate_callback_fn cb, void* user) {
    if (!cb) throw DbError(DBLIB_E_BAD_ARGUMENT, "no locate callback");
    // A snapshot: the callback may start or stop engines without disturbing the walk.
    std::vector<EngineInfo> engines = Server::Instance().Engines();
    std::string address = kLocalAddress;
    int reported = 0;
    for (EngineInfo& e : engines) {
        a_server_address record{kInProcessPortType, static_cast<uint32_t>(e.Port), e.Name.data(),
                                address.data()};
        int more = 0;
        CallOnOwnSqlca(ca, [&] { more = cb(ca, &record, user); });
        ++reported;
        if (more == 0) break;
    }
    return reported;
}

void Server::Ping(const ConnParams& p, bool database, Connection* caller) {
    std::lock_guard<std::mutex> lock(FMutex);
    std::string eng = p.Trimmed(ConnKey::EngineName);
    std::string dbn = p.Trimmed(ConnKey::DatabaseName);
    std::string file = p.Trimmed(ConnKey::DatabaseFile);
    // The engine is found as a connection would find it, but nothing is started.
    std::shared_ptr<Engine> e = ReachedEngineLocked(eng, file, caller);
    if (!e)
        throw DbError(DBLIB_E_ENGINE_NOT_FOUND, !eng.empty()   ? eng
                                                : file.empty() ? "(default)"
                                                               : FilePrefix(file));
    if (!database) return;

    std::shared_ptr<Database> db;
    if (IEquals(dbn, "utility_db")) {
        db = e->Utility;
    } else if (!dbn.empty()) {
        for (const auto& d : e->Databases)
            if (IEquals(d->Name, dbn)) db = d;
        if (!db) throw DbError(DBLIB_E_DB_NOT_FOUND, dbn);
    } else if (!file.empty()) {
        std::string canonical = CanonicalExistingFile(NormalizePath(file));
        for (const auto& d : e->Databases)
            if (!canonical.empty() && d->Path == canonical) db = d;
        if (!db) throw DbError(DBLIB_E_DB_NOT_FOUND, FileNamePart(NormalizePath(file)));
    } else {
        if (e->Databases.empty()) throw DbError(DBLIB_E_DB_NOT_FOUND, "(default)");
        db = e->Databases.front();
    }

    // The user and password must open a connection, as db_string_connect would check them.
    std::string user = p.Trimmed(ConnKey::UserId);
    const std::string& password = p.Get(ConnKey::Password);
    bool ok;
    if (db->Utility) {
        ok = IEquals(user, "DBA") && password == "SQL";
    } else {
        sqlite3* h = OpenEngineHandle(db->Path, db->ReadOnly);
        try {
            ok = CheckLogin(h, *db, user, password).Ok;
        } catch (...) {
            sqlite3_close_v2(h);
            throw;
        }
        sqlite3_close_v2(h);
    }
    if (!ok) throw DbError(DBLIB_E_BAD_USER);
}

} // namespace tnxdb
