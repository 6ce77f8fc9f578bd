// Locating servers: every running engine of the process, reported to a callback one by one as a
// server-address record (port type, port number, name, address), until the callback returns 0.
// Engines live inside the process, so every one is found, at the local host's address, with the
// port number it was given when it started (the lowest free from 49152 on). Pinging a server is
// Server::Ping (Engine.h), defined beside this.
#pragma once

#include "platform/dblib/dblib.h"

namespace tnxdb {

// The port type every engine reports (the engines are reached inside the process).
constexpr uint32_t kInProcessPortType = 1;
// The address every engine reports.
constexpr const char* kLocalAddress = "127.0.0.1";

// Calls cb once per running engine (in start order) until it returns 0, with the SQLCA kept
// around each call (see CallOnOwnSqlca). Returns the number of engines reported. A callback that
// throws stops the search. Throws DbError(DBLIB_E_BAD_ARGUMENT) for a null callback.
int LocateServers(sqlca* ca, dblib_locate_callback_fn cb, void* user);

} // namespace tnxdb
