// Which database server a connection string names over the network. A connection reaches a
// server instead of the in-process engine when its string names a host: a TCP/IP link with a
// HOST parameter (links=tcpip(host=db1;port=5433), several links separated by ',') or the short
// Host=host[:port]. A link without a host (links=tcpip, links=all) keeps its old meaning: it has
// no effect and the in-process engine serves the connection.
#pragma once

#include "platform/dblib/ConnectionString.h"

#include <optional>
#include <string>

namespace tnxdb {

// TLS towards the server, from Encryption (also sslmode): none (default), simple|tls|require,
// verify-ca, verify-full. Any other value is DBLIB_E_PARSE.
enum class ServerTls { None, Require, VerifyCa, VerifyFull };

struct ServerTarget {
    std::string Host;   // name or address, as given
    int Port = 0;       // 0: the server's default port
    ServerTls Tls = ServerTls::None;
};

// The server the parameters name, or nothing when they name none. Throws DbError(DBLIB_E_PARSE)
// for a malformed link, host or port (the message names the key and the position, never a value
// that could be a password).
std::optional<ServerTarget> FindServerTarget(const ConnParams& params);

} // namespace tnxdb
