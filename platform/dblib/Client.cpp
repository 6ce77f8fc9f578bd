// Client registry and request scope (see Client.h).
#include "platform/dblib/Client.h"

#include "platform/dblib/Engine.h"
#include "platform/dblib/Errors.h"

namespace tnxdb {

Clients& Clients::Instance() {
    static Clients clients;
    return clients;
}

std::shared_ptr<ClientState> Clients::Find(const sqlca* ca) {
    std::shared_lock<std::shared_mutex> lock(FMutex);
    auto it = FMap.find(ca);
    return it == FMap.end() ? nullptr : it->second;
}

std::shared_ptr<ClientState> Clients::Register(sqlca* ca) {
    std::unique_lock<std::shared_mutex> lock(FMutex);
    auto& slot = FMap[ca];
    if (!slot) slot = std::make_shared<ClientState>(ca);
    return slot;
}

void Clients::Unregister(const sqlca* ca) {
    std::unique_lock<std::shared_mutex> lock(FMutex);
    FMap.erase(ca);
}

RequestScope::RequestScope(ClientState* client) {
    if (!client || !client->Conn) throw DbError(DBLIB_E_NOT_CONNECTED);
    FConn = client->Conn;
    switch (FConn->BeginRequest()) {
    case Connection::Entry::Ok: break;
    case Connection::Entry::Busy: throw DbError(DBLIB_E_BUSY_CONNECTION);
    case Connection::Entry::Ended: throw DbError(DBLIB_E_CONNECTION_ENDED);
    }
    FConn->SetRequestThread(std::this_thread::get_id());
    FConn->StartRequestHooks();
}

RequestScope::~RequestScope() {
    FConn->FinishRequestHooks();
    FConn->SetRequestThread(std::thread::id());
    FConn->EndRequest();
}

bool RequestScope::RunsOnThisThread(const Connection* conn) {
    // A connection runs one request at a time and records the thread that runs it.
    return conn && conn->RequestRunsOn(std::this_thread::get_id());
}

bool DisconnectClient(ClientState& client) {
    std::shared_ptr<Connection> conn;
    {
        std::lock_guard<std::mutex> lock(client.ConnMutex);
        if (RequestScope::RunsOnThisThread(client.Conn.get())) throw DbError(DBLIB_E_BUSY_CONNECTION);
        conn = std::move(client.Conn);
        client.Conn.reset();
    }
    if (!conn) return false;
    conn->DetachClient();
    conn->Shutdown();
    if (!conn->Server()) Server::Instance().Disconnected(conn);
    return true;
}

} // namespace tnxdb
