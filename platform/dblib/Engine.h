// Engines and databases, process-wide. An engine is a named server inside the process; it hosts
// databases (SQLite files started under a database name) and the utility database utility_db.
// The Server object holds every running engine and performs every start, stop, connect and
// disconnect under one mutex, so that those operations see a consistent picture (a name is
// started once, a file runs under one name, a stopped engine takes its databases and their
// connections with it). Statements never take that mutex: once connected, a client's requests
// run on its own connection only.
#pragma once

#include "platform/dblib/ConnectionString.h"

#include <sqlite3.h>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace tnxdb {

class ClientState;
class Connection;
class Engine;

class Database {
public:
    std::string Name;        // as started (compared case-insensitively)
    std::string Path;        // canonical file path; "" for utility_db
    bool Utility = false;
    // Started read-only (asked for, or a file this process may not write): nothing is written to
    // the file, nor created beside it; every change is refused (DBLIB_E_READ_ONLY).
    bool ReadOnly = false;
    bool AutoStop = false;   // stop when the last connection leaves
    bool Stopped = false;    // guarded by the Server mutex, like everything below
    std::string EngineName;
    sqlite3* Anchor = nullptr; // a handle held while the database runs (keeps its log open)
    std::vector<std::weak_ptr<Connection>> Connections;
};

class Engine {
public:
    std::string Name;
    bool AutoStop = false; // started by a connection: stop when its last connection leaves
    bool Stopped = false;
    std::shared_ptr<Database> Utility;
    std::vector<std::shared_ptr<Database>> Databases; // in start order, utility_db not included
    int Port = 0; // the port number locating servers reports: the lowest free from 49152 on
};

// Snapshot of one engine for callers outside the lock (locating servers).
struct EngineInfo {
    std::string Name;
    std::vector<std::string> Databases;
    int Port = 0;
};

struct AuthResult;

// Checks a user and password against a database's catalog. A read-only database that has no
// catalog (a file made by another program) takes the user a new database starts with: DBA,
// password SQL.
AuthResult CheckLogin(sqlite3* handle, const Database& db, std::string_view user, std::string_view password);

class Server {
public:
    static Server& Instance();
    ~Server();

    // See the entry points of the same names in dblib.h. `caller` is the calling client's
    // connection (null when it has none): it picks defaults and is not counted among the
    // "other" connections that make a stop refuse.
    void StartEngine(const ConnParams& p);
    void StopEngine(const ConnParams& p, Connection* caller);
    void StartDatabase(const ConnParams& p, Connection* caller);
    void StopDatabase(const ConnParams& p, Connection* caller);
    bool FindEngine(std::string_view name);
    // `client` (when given) is bound to the new connection before any other thread can see it, so
    // that a stop at any later moment reaches the client's dropped callback.
    std::shared_ptr<Connection> Connect(const ConnParams& p, ClientState* client = nullptr);
    // Bookkeeping after a client closed its connection: autostop of database and engine.
    void Disconnected(const std::shared_ptr<Connection>& conn);
    std::vector<EngineInfo> Engines();
    // db_string_ping_server: whether the engine the parameters name runs and, with `database`,
    // whether its database runs and takes the user and password. Starts nothing. Throws the
    // connect error (-100, -83, -103, -95).
    void Ping(const ConnParams& p, bool database, Connection* caller);

    // Creates a new database file (CREATE DATABASE). Throws DBLIB_E_CREATE_FAILED.
    static void CreateDatabaseFile(const std::string& file, int pageSize, const std::string& dbaUser,
                                   const std::string& dbaPassword);

private:
    std::shared_ptr<Engine> FindEngineLocked(std::string_view name) const;
    std::shared_ptr<Engine> DefaultEngineLocked(Connection* caller) const;
    // The engine the parameters name (EngineName), else the default one; throws
    // DBLIB_E_ENGINE_NOT_FOUND when there is none.
    std::shared_ptr<Engine> NamedEngineLocked(const ConnParams& p, Connection* caller) const;
    // The engine a connection reaches: the one named, else the one the database file's name
    // implies, else the default one; null when none runs.
    std::shared_ptr<Engine> ReachedEngineLocked(const std::string& eng, const std::string& file,
                                                Connection* caller) const;
    std::shared_ptr<Engine> NewEngineLocked(const std::string& name, bool autoStop);
    std::shared_ptr<Database> StartDatabaseLocked(Engine& e, const std::string& file, const std::string& name,
                                                  bool autoStop, bool readOnly);
    std::shared_ptr<Database> FindFileLocked(const std::string& canonical) const;
    void StopDatabaseLocked(Engine& e, const std::shared_ptr<Database>& db);
    void StopEngineLocked(const std::shared_ptr<Engine>& e);
    std::shared_ptr<Connection> OpenConnectionLocked(const std::shared_ptr<Engine>& e,
                                                     const std::shared_ptr<Database>& db, const ConnParams& p);
    static int LiveConnections(Database& db, Connection* except);
    static int LiveConnections(Engine& e, Connection* except);

    std::mutex FMutex;
    std::vector<std::shared_ptr<Engine>> FEngines; // in start order
};

} // namespace tnxdb
