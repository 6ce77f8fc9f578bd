// The refusals that the mapping table in Backend.h lists for a connection to a network server.
#include "platform/dblib/Backend.h"

#include "platform/dblib/Errors.h"

namespace tnxdb {

void RefuseOnServer(ServerControl call) {
    switch (call) {
    case ServerControl::StartEngine:
        throw DbError(DBLIB_E_START_STOP_DENIED, "a database server is started by its administrator, not by a client");
    case ServerControl::StopEngine:
        throw DbError(DBLIB_E_START_STOP_DENIED, "a database server is stopped by its administrator, not by a client");
    case ServerControl::StartDatabase:
    case ServerControl::StopDatabase:
        throw DbError(DBLIB_E_START_STOP_DENIED, "the databases of a server are not started or stopped by a client");
    case ServerControl::Backup:
        throw DbError(DBLIB_E_PERMISSION, "the files of a database server are copied by its administrator's tools");
    }
    throw DbError(DBLIB_E_BAD_ARGUMENT, "unknown control call");
}

} // namespace tnxdb
