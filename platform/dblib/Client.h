// Clients: the SQLCAs registered by db_init, each with its connection (if any), the text of its
// last message and its legacy-descriptor check. The registry maps an SQLCA address to its state
// under a reader-writer lock, so that every call finds its client without serializing threads
// that work on different SQLCAs.
//
// RequestScope is the one door through which a request reaches a connection: it refuses a
// client without a connection (-101), an ended one (-308) and a second concurrent request
// (DBLIB_E_BUSY_CONNECTION), and it marks the request as running for as long as it lives: the
// request-start callback fires once the request has begun and the request-finish callback before
// it ends, so db_is_working answers 1 inside both.
#pragma once

#include "platform/dblib/Callbacks.h"
#include "platform/dblib/Connection.h"
#include "platform/dblib/dblib.h"

#include <memory>
#include <mutex>
#include <shared_mutex>
#include <string>
#include <unordered_map>

namespace tnxdb {

// The last descriptor that passed the check, and its bytes at that time: a call that passes the
// same descriptor with the same bytes is not checked again with the slower guarded reads.
struct DescriptorCache {
    const void* Address = nullptr;
    unsigned char Bytes[sizeof(dblib_call_descriptor)] = {};
};

class ClientState {
public:
    explicit ClientState(sqlca* ca) : Ca(ca) {}

    sqlca* const Ca;
    // The connection. The owner thread writes it (connect, disconnect) under ConnMutex and reads
    // it without the lock; other threads (cancel) read it under ConnMutex.
    std::shared_ptr<Connection> Conn;
    std::mutex ConnMutex;
    // The full text of the last error reported on this SQLCA, for sqlerror_message.
    int LastCode = 0;
    std::string LastMessage;
    DescriptorCache Descriptor;
    // The callbacks registered on this SQLCA (kept across connections), shared with the connection.
    const std::shared_ptr<CallbackTable> Callbacks = std::make_shared<CallbackTable>();
};

class Clients {
public:
    static Clients& Instance();
    std::shared_ptr<ClientState> Find(const sqlca* ca);
    // Registers the SQLCA (again: keeps the existing state) and returns its state.
    std::shared_ptr<ClientState> Register(sqlca* ca);
    void Unregister(const sqlca* ca);

private:
    std::shared_mutex FMutex;
    std::unordered_map<const sqlca*, std::shared_ptr<ClientState>> FMap;
};

class RequestScope {
public:
    // Throws DbError when the client cannot run a request now.
    explicit RequestScope(ClientState* client);
    ~RequestScope();
    RequestScope(const RequestScope&) = delete;
    RequestScope& operator=(const RequestScope&) = delete;
    Connection& Conn() const { return *FConn; }
    // Whether a request on this connection runs on the calling thread (the caller is one of its
    // callbacks).
    static bool RunsOnThisThread(const Connection* conn);

private:
    std::shared_ptr<Connection> FConn;
};

// Ends the client's connection (rolling back) and does the engine's bookkeeping. Returns false
// when there was none. Throws DBLIB_E_BUSY_CONNECTION when called from inside a request of that
// connection (one of its callbacks), which could never end while it waits.
bool DisconnectClient(ClientState& client);

} // namespace tnxdb
