// Engines and databases (see Engine.h).
#include "platform/dblib/Engine.h"

#include "platform/dblib/Callbacks.h"
#include "platform/dblib/Catalog.h"
#include "platform/dblib/Client.h"
#include "platform/dblib/Connection.h"
#include "platform/dblib/ErrorMap.h"
#include "platform/dblib/Errors.h"
#include "platform/dblib/StmtHandle.h"
#include "platform/dblib/Text.h"
#include "platform/dblib/dblib.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

namespace tnxdb {

namespace {

constexpr const char* kUtilityName = "utility_db";

// Whether the parameters ask for the database to be started read-only: the switch -r on the
// start line or among the database switches (DatabaseSwitches).
bool ReadOnlyRequested(const ConnParams& p) {
    if (ParseStartLine(p.Get(ConnKey::Start)).ReadOnly) return true;
    return ParseStartLine("database-switches " + p.Get(ConnKey::DatabaseSwitches)).ReadOnly;
}

bool HasCatalog(sqlite3* db) {
    StmtHandle s;
    return PrepareStmt(db, "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = 'tnx_sysuser'", -1, 0,
                       s) == SQLITE_OK &&
           s && sqlite3_step(s.get()) == SQLITE_ROW;
}

// Opens the anchor handle of a database being started: checks that the file is a database,
// switches it to the write-ahead log and makes sure the catalog exists. A read-only database is
// only checked: its file stays exactly as it is.
sqlite3* OpenAnchor(const std::string& path, bool readOnly) {
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && st.st_size == 0)
        throw DbError(DBLIB_E_CANNOT_START_DB, FileNamePart(path) + " (an empty file, not a database)");
    sqlite3* db = OpenEngineHandle(path, readOnly);
    try {
        if (readOnly) {
            // Reading the schema is what finds out that a file is no database.
            ExecOrThrow(db, "SELECT count(*) FROM sqlite_master");
        } else {
            ExecOrThrow(db, "PRAGMA journal_mode=WAL");
            EnsureCatalog(db);
        }
    } catch (const DbError& e) {
        sqlite3_close_v2(db);
        throw DbError(DBLIB_E_CANNOT_START_DB, FileNamePart(path) + (e.P1().empty() ? "" : " (" + e.P1() + ")"));
    }
    return db;
}

} // namespace

AuthResult CheckLogin(sqlite3* handle, const Database& db, std::string_view user, std::string_view password) {
    if (db.ReadOnly && !HasCatalog(handle)) {
        AuthResult r;
        r.Ok = IEquals(user, "DBA") && IEquals(password, "SQL");
        r.IsDba = true;
        r.Name = "DBA";
        return r;
    }
    return Authenticate(handle, user, password);
}

Server& Server::Instance() {
    static Server server;
    return server;
}

Server::~Server() {
    // The library is being unloaded (or the process ends): every engine stops, which ends the
    // connections still open and closes their handles.
    std::lock_guard<std::mutex> lock(FMutex);
    while (!FEngines.empty()) StopEngineLocked(FEngines.back());
}

std::shared_ptr<Engine> Server::FindEngineLocked(std::string_view name) const {
    std::string_view n = Trim(name);
    for (const auto& e : FEngines)
        if (IEquals(e->Name, n)) return e;
    return nullptr;
}

std::shared_ptr<Engine> Server::DefaultEngineLocked(Connection* caller) const {
    if (caller && !caller->IsDropped()) {
        for (const auto& e : FEngines)
            if (e.get() == &caller->GetEngine()) return e;
    }
    return FEngines.empty() ? nullptr : FEngines.front();
}

std::shared_ptr<Engine> Server::NamedEngineLocked(const ConnParams& p, Connection* caller) const {
    std::string name = p.Trimmed(ConnKey::EngineName);
    auto e = name.empty() ? DefaultEngineLocked(caller) : FindEngineLocked(name);
    if (!e) throw DbError(DBLIB_E_ENGINE_NOT_FOUND, name.empty() ? "(default)" : name);
    return e;
}

std::shared_ptr<Engine> Server::ReachedEngineLocked(const std::string& eng, const std::string& file,
                                                    Connection* caller) const {
    if (!eng.empty()) return FindEngineLocked(eng);
    if (!file.empty()) return FindEngineLocked(FilePrefix(NormalizePath(file)));
    return DefaultEngineLocked(caller);
}

std::shared_ptr<Engine> Server::NewEngineLocked(const std::string& name, bool autoStop) {
    auto e = std::make_shared<Engine>();
    e->Name = name;
    e->AutoStop = autoStop;
    e->Utility = std::make_shared<Database>();
    e->Utility->Name = kUtilityName;
    e->Utility->Utility = true;
    e->Utility->EngineName = name;
    e->Port = 49152; // the start of the dynamic port range
    for (bool taken = true; taken;) {
        taken = false;
        for (const auto& other : FEngines)
            if (other->Port == e->Port) taken = true;
        if (taken) ++e->Port;
    }
    FEngines.push_back(e);
    return e;
}

std::shared_ptr<Database> Server::FindFileLocked(const std::string& canonical) const {
    for (const auto& e : FEngines)
        for (const auto& db : e->Databases)
            if (db->Path == canonical) return db;
    return nullptr;
}

std::shared_ptr<Database> Server::StartDatabaseLocked(Engine& e, const std::string& file, const std::string& name,
                                                      bool autoStop, bool readOnly) {
    std::string canonical = CanonicalExistingFile(file);
    if (canonical.empty()) throw DbError(DBLIB_E_DB_NOT_FOUND, FileNamePart(NormalizePath(file)));
    std::string dbName = Trim(name).empty() ? FilePrefix(NormalizePath(file)) : std::string(Trim(name));
    if (IEquals(dbName, kUtilityName)) throw DbError(DBLIB_E_DB_NAME_IN_USE, dbName);
    for (const auto& db : e.Databases)
        if (IEquals(db->Name, dbName)) throw DbError(DBLIB_E_DB_NAME_IN_USE, dbName);
    if (auto other = FindFileLocked(canonical)) throw DbError(DBLIB_E_FILE_IN_USE, other->Name);
    auto db = std::make_shared<Database>();
    db->Name = dbName;
    db->Path = canonical;
    db->AutoStop = autoStop;
    db->EngineName = e.Name;
    // A file this process may not write is served read-only rather than half opened: the log
    // files the engine would make beside it could be neither written nor removed again.
    db->ReadOnly = readOnly || ::access(canonical.c_str(), W_OK) != 0;
    db->Anchor = OpenAnchor(canonical, db->ReadOnly);
    e.Databases.push_back(db);
    return db;
}

int Server::LiveConnections(Database& db, Connection* except) {
    int n = 0;
    for (auto& w : db.Connections)
        if (auto c = w.lock())
            if (c.get() != except && !c->IsDropped()) ++n;
    return n;
}

int Server::LiveConnections(Engine& e, Connection* except) {
    int n = LiveConnections(*e.Utility, except);
    for (auto& db : e.Databases) n += LiveConnections(*db, except);
    return n;
}

void Server::StopDatabaseLocked(Engine& e, const std::shared_ptr<Database>& db) {
    db->Stopped = true;
    std::vector<std::shared_ptr<Connection>> conns;
    for (auto& w : db->Connections)
        if (auto c = w.lock()) conns.push_back(std::move(c));
    db->Connections.clear();
    for (auto& c : conns) {
        c->Drop();
        DropNotices::Collect(c);
    }
    if (db->Anchor) {
        sqlite3_close_v2(db->Anchor);
        db->Anchor = nullptr;
    }
    e.Databases.erase(std::remove(e.Databases.begin(), e.Databases.end(), db), e.Databases.end());
}

void Server::StopEngineLocked(const std::shared_ptr<Engine>& e) {
    e->Stopped = true;
    while (!e->Databases.empty()) StopDatabaseLocked(*e, e->Databases.back());
    StopDatabaseLocked(*e, e->Utility);
    FEngines.erase(std::remove(FEngines.begin(), FEngines.end(), e), FEngines.end());
}

void Server::StartEngine(const ConnParams& p) {
    std::lock_guard<std::mutex> lock(FMutex);
    StartLine line = ParseStartLine(p.Get(ConnKey::Start));
    std::string file = p.Trimmed(ConnKey::DatabaseFile);
    if (file.empty()) file = line.File;
    std::string dbName = p.Trimmed(ConnKey::DatabaseName);
    if (dbName.empty()) dbName = line.DbName;
    std::string name = p.Trimmed(ConnKey::EngineName);
    if (name.empty()) name = line.EngineName;
    if (name.empty() && !file.empty()) name = dbName.empty() ? FilePrefix(NormalizePath(file)) : dbName;
    if (name.empty()) throw DbError(DBLIB_E_START_STOP_DENIED, "no engine name and no database file given");
    if (FindEngineLocked(name)) throw DbError(DBLIB_E_ENGINE_RUNNING, name);
    bool autoStopDb = p.Bool(ConnKey::AutoStop, false);
    auto e = NewEngineLocked(name, false);
    if (file.empty()) return;
    try {
        StartDatabaseLocked(*e, file, dbName, autoStopDb, ReadOnlyRequested(p));
    } catch (...) {
        StopEngineLocked(e);
        throw;
    }
}

void Server::StopEngine(const ConnParams& p, Connection* caller) {
    DropNotices notices; // the dropped callbacks run after the lock is released
    std::lock_guard<std::mutex> lock(FMutex);
    auto e = NamedEngineLocked(p, caller);
    if (LiveConnections(*e, caller) > 0 && !p.Bool(ConnKey::Unconditional, false))
        throw DbError(DBLIB_E_START_STOP_DENIED, "other connections use engine " + e->Name);
    StopEngineLocked(e);
}

void Server::StartDatabase(const ConnParams& p, Connection* caller) {
    std::lock_guard<std::mutex> lock(FMutex);
    auto e = NamedEngineLocked(p, caller);
    std::string file = p.Trimmed(ConnKey::DatabaseFile);
    if (file.empty()) throw DbError(DBLIB_E_START_STOP_DENIED, "no database file given");
    StartDatabaseLocked(*e, file, p.Trimmed(ConnKey::DatabaseName), p.Bool(ConnKey::AutoStop, false),
                        ReadOnlyRequested(p));
}

void Server::StopDatabase(const ConnParams& p, Connection* caller) {
    DropNotices notices; // the dropped callbacks run after the lock is released
    std::lock_guard<std::mutex> lock(FMutex);
    auto e = NamedEngineLocked(p, caller);
    std::string dbn = p.Trimmed(ConnKey::DatabaseName);
    std::string file = p.Trimmed(ConnKey::DatabaseFile);
    if (IEquals(dbn, kUtilityName)) throw DbError(DBLIB_E_START_STOP_DENIED, "utility_db cannot be stopped");
    std::shared_ptr<Database> db;
    for (const auto& d : e->Databases) {
        if (!dbn.empty()) {
            if (IEquals(d->Name, dbn)) db = d;
        } else if (!file.empty()) {
            std::string norm = NormalizePath(file);
            bool bare = norm.find('/') == std::string::npos;
            if ((bare && FileNamePart(d->Path) == norm) || (!bare && CanonicalExistingFile(norm) == d->Path)) db = d;
        }
        if (db) break;
    }
    if (!db) throw DbError(DBLIB_E_DB_NOT_FOUND, !dbn.empty() ? dbn : FileNamePart(NormalizePath(file)));
    if (LiveConnections(*db, caller) > 0 && !p.Bool(ConnKey::Unconditional, false))
        throw DbError(DBLIB_E_START_STOP_DENIED, "other connections use database " + db->Name);
    StopDatabaseLocked(*e, db);
}

bool Server::FindEngine(std::string_view name) {
    std::lock_guard<std::mutex> lock(FMutex);
    return FindEngineLocked(name) != nullptr;
}

std::vector<EngineInfo> Server::Engines() {
    std::lock_guard<std::mutex> lock(FMutex);
    std::vector<EngineInfo> out;
    for (const auto& e : FEngines) {
        EngineInfo info{e->Name, {}, e->Port};
        for (const auto& db : e->Databases) info.Databases.push_back(db->Name);
        out.push_back(std::move(info));
    }
    return out;
}

std::shared_ptr<Connection> Server::OpenConnectionLocked(const std::shared_ptr<Engine>& e,
                                                         const std::shared_ptr<Database>& db, const ConnParams& p) {
    std::string user = p.Trimmed(ConnKey::UserId);
    const std::string& password = p.Get(ConnKey::Password);
    sqlite3* h = OpenEngineHandle(db->Path, db->ReadOnly);
    AuthResult auth;
    std::vector<std::pair<std::string, std::string>> publicOptions, userOptions;
    try {
        if (db->Utility) {
            auth.Ok = IEquals(user, "DBA") && password == "SQL";
            auth.IsDba = true;
            auth.Name = "DBA";
        } else {
            auth = CheckLogin(h, *db, user, password);
            if (auth.Ok && HasCatalog(h)) {
                publicOptions = LoadOptions(h, "PUBLIC");
                userOptions = LoadOptions(h, auth.Name);
            }
        }
    } catch (...) {
        sqlite3_close_v2(h);
        throw;
    }
    if (!auth.Ok) {
        sqlite3_close_v2(h);
        throw DbError(DBLIB_E_BAD_USER);
    }
    auto conn = std::make_shared<Connection>(e, db, h, auth.Name, auth.IsDba);
    for (auto& [name, value] : publicOptions) {
        try {
            conn->Options().SetPublic(FindOption(name), value);
        } catch (const DbError&) {
        }
    }
    for (auto& [name, value] : userOptions) {
        try {
            conn->Options().SetUser(FindOption(name), value);
        } catch (const DbError&) {
        }
    }
    db->Connections.push_back(conn);
    return conn;
}

std::shared_ptr<Connection> Server::Connect(const ConnParams& p, ClientState* client) {
    std::lock_guard<std::mutex> lock(FMutex);
    std::string eng = p.Trimmed(ConnKey::EngineName);
    std::string dbn = p.Trimmed(ConnKey::DatabaseName);
    std::string file = p.Trimmed(ConnKey::DatabaseFile);
    bool autoStart = p.Bool(ConnKey::AutoStart, true);
    bool autoStopDb = p.Bool(ConnKey::AutoStop, true);
    std::shared_ptr<Engine> e = ReachedEngineLocked(eng, file, nullptr);
    std::shared_ptr<Engine> startedEngine;
    if (!e) {
        if (file.empty() || !autoStart)
            throw DbError(DBLIB_E_ENGINE_NOT_FOUND, eng.empty() ? (file.empty() ? "(default)" : FilePrefix(file)) : eng);
        if (CanonicalExistingFile(file).empty()) throw DbError(DBLIB_E_DB_NOT_FOUND, FileNamePart(NormalizePath(file)));
        e = NewEngineLocked(eng.empty() ? FilePrefix(NormalizePath(file)) : eng, true);
        startedEngine = e;
    }
    std::shared_ptr<Database> startedDb;
    try {
        std::shared_ptr<Database> db;
        if (IEquals(dbn, kUtilityName)) {
            db = e->Utility;
        } else if (!dbn.empty()) {
            for (const auto& d : e->Databases)
                if (IEquals(d->Name, dbn)) db = d;
            if (!db) {
                if (file.empty()) throw DbError(DBLIB_E_DB_NOT_FOUND, dbn);
                db = startedDb = StartDatabaseLocked(*e, file, dbn, autoStopDb, ReadOnlyRequested(p));
            }
        } else if (!file.empty()) {
            std::string canonical = CanonicalExistingFile(file);
            if (canonical.empty()) throw DbError(DBLIB_E_DB_NOT_FOUND, FileNamePart(NormalizePath(file)));
            for (const auto& d : e->Databases)
                if (d->Path == canonical) db = d;
            if (!db) db = startedDb = StartDatabaseLocked(*e, file, "", autoStopDb, ReadOnlyRequested(p));
        } else {
            if (e->Databases.empty()) throw DbError(DBLIB_E_DB_NOT_FOUND, "(default)");
            db = e->Databases.front();
        }
        auto conn = OpenConnectionLocked(e, db, p);
        if (client) conn->AttachClient(client->Ca, client->Callbacks, p.Trimmed(ConnKey::ConnectionName));
        return conn;
    } catch (...) {
        if (startedDb && !startedDb->Stopped) StopDatabaseLocked(*e, startedDb);
        if (startedEngine && !startedEngine->Stopped) StopEngineLocked(startedEngine);
        throw;
    }
}

void Server::Disconnected(const std::shared_ptr<Connection>& conn) {
    std::lock_guard<std::mutex> lock(FMutex);
    Database& db = conn->GetDatabase();
    auto& list = db.Connections;
    list.erase(std::remove_if(list.begin(), list.end(),
                              [&](const std::weak_ptr<Connection>& w) {
                                  auto c = w.lock();
                                  return !c || c == conn;
                              }),
               list.end());
    std::shared_ptr<Engine> e;
    for (const auto& x : FEngines)
        if (x.get() == &conn->GetEngine()) e = x;
    if (!e || e->Stopped) return;
    if (!db.Stopped && db.AutoStop && !db.Utility && LiveConnections(db, nullptr) == 0) {
        for (const auto& d : e->Databases)
            if (d.get() == &db) {
                StopDatabaseLocked(*e, d);
                break;
            }
    }
    if (e->AutoStop && LiveConnections(*e, nullptr) == 0) StopEngineLocked(e);
}

void Server::CreateDatabaseFile(const std::string& file, int pageSize, const std::string& dbaUser,
                                const std::string& dbaPassword) {
    std::string path = NormalizePath(Trim(file));
    if (path.empty()) throw DbError(DBLIB_E_CREATE_FAILED, "no file name given");
    int fd = ::open(path.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0644);
    if (fd < 0) {
        throw DbError(DBLIB_E_CREATE_FAILED,
                      FileNamePart(path) + (errno == EEXIST ? " already exists" : " cannot be created"));
    }
    ::close(fd);
    sqlite3* db = nullptr;
    try {
        db = OpenEngineHandle(path);
        if (pageSize > 0) ExecOrThrow(db, ("PRAGMA page_size=" + std::to_string(pageSize)).c_str());
        ExecOrThrow(db, "PRAGMA journal_mode=WAL");
        EnsureCatalog(db, dbaUser, dbaPassword);
        sqlite3_close_v2(db);
    } catch (const DbError& e) {
        if (db) sqlite3_close_v2(db);
        ::unlink(path.c_str());
        throw DbError(DBLIB_E_CREATE_FAILED, FileNamePart(path) + (e.P1().empty() ? "" : ": " + e.P1()));
    }
}

} // namespace tnxdb
