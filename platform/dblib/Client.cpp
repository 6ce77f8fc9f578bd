// Client registry and request scope (see Client.h).
#include "platform/dblib/Client.h"

#include "platform/dblib/Engine.h"
#include "platform/dblib/Errors.h"

namespace tnxdb {

namespace {

// The innermost request running on this thread.
thread_local RequestScope* tRequest = nullptr;

} // namespace

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
    FOuter = tRequest;
    tRequest = this;
    FConn->StartRequestHooks();
}

RequestScope::~RequestScope() {
    FConn->FinishRequestHooks();
    tRequest = FOuter;
    FConn->EndRequest();
}

bool RequestScope::RunsOnThisThread(const Connection* conn) {
    for (RequestScope* r = tRequest; r; r = r->FOuter)
        if (r->FConn.get() == conn) return true;
    return false;
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
