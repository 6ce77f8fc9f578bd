// PqApi: the network server's client library (libpq), loaded at run time. The client library
// never links it: a process that loads dblib and never reaches a server never loads it either,
// and one that does loads it at its first server connection (LoadPq). Every function the server
// backend calls is resolved once into one table; the backend calls them through Pq().
//
// The functions keep their own names and types (taken from the library's header), so a call reads
// Pq().PQexec(conn, sql) and the compiler checks it against the header as a direct call would be.
// The file name comes from TNXDB_SERVER_CLIENT_LIBRARY when that is set (tests point it at a
// missing file), else libpq.so.5.
#pragma once

#include <libpq-fe.h>

namespace tnxdb::pg {

// X-list of the functions the backend uses.
#define TNXDB_PQ_FUNCTIONS(X)                                                                     \
    X(PQcancel) X(PQclear) X(PQcmdTuples) X(PQconnectdbParams) X(PQconsumeInput) X(PQdb)         \
    X(PQenterPipelineMode) X(PQerrorMessage) X(PQexec) X(PQexitPipelineMode) X(PQfinish)         \
    X(PQfmod) X(PQfname) X(PQfreeCancel) X(PQftable) X(PQftablecol) X(PQftype) X(PQgetCancel)    \
    X(PQgetResult) X(PQgetisnull) X(PQgetlength) X(PQgetvalue) X(PQisBusy) X(PQnfields)          \
    X(PQnparams) X(PQntuples) X(PQparamtype) X(PQpingParams) X(PQpipelineSync)                   \
    X(PQresultErrorField) X(PQresultErrorMessage) X(PQresultStatus) X(PQsendDescribePrepared)    \
    X(PQsendPrepare) X(PQsendQueryParams) X(PQsendQueryPrepared) X(PQserverVersion)              \
    X(PQsetNoticeReceiver) X(PQsocket) X(PQstatus) X(PQtransactionStatus)

struct PqApi {
#define TNXDB_PQ_MEMBER(name) decltype(&::name) name = nullptr;
    TNXDB_PQ_FUNCTIONS(TNXDB_PQ_MEMBER)
#undef TNXDB_PQ_MEMBER
};

// Loads the library and resolves the table, once per process (a failed attempt is tried again
// next time). Throws DbError(DBLIB_E_ENGINE_NOT_FOUND) naming the file or the function missing.
const PqApi& LoadPq();

namespace detail {
extern const PqApi* gPq;
}

// The loaded table. Only code that runs on a connection made after LoadPq succeeded calls it.
inline const PqApi& Pq() { return *detail::gPq; }

} // namespace tnxdb::pg
