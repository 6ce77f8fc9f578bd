// The server benchmark's fixture (see ServerFixture.h).
#include "ServerFixture.h"

#include <libpq-fe.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <stdexcept>

#ifndef TNX_SOURCE_DIR
#error "TNX_SOURCE_DIR must name the source tree (for scripts/pg-test-server.sh)"
#endif

namespace srv {
namespace {

std::string RunScript(const std::string& action, const std::string& dir) {
    const std::string command = std::string(TNX_SOURCE_DIR) + "/scripts/pg-test-server.sh " + action + " " + dir;
    std::string out;
    FILE* p = ::popen(command.c_str(), "r");
    if (p == nullptr) throw std::runtime_error("cannot run pg-test-server.sh");
    char buf[256];
    while (size_t n = std::fread(buf, 1, sizeof buf, p)) out.append(buf, n);
    if (::pclose(p) != 0) throw std::runtime_error("pg-test-server.sh " + action + " failed");
    return out;
}

using TConn = std::unique_ptr<PGconn, decltype(&PQfinish)>;
using TResult = std::unique_ptr<PGresult, decltype(&PQclear)>;

TConn Connect(const std::string& conninfo) {
    TConn c(PQconnectdb(conninfo.c_str()), &PQfinish);
    if (PQstatus(c.get()) != CONNECTION_OK) throw std::runtime_error(PQerrorMessage(c.get()));
    return c;
}

} // namespace

void Check(bool ok, const char* what) {
    if (!ok) throw std::runtime_error(what);
}

TServer::TServer() {
    char dir[] = "/tmp/tnx-server-bench-XXXXXX";
    if (!::mkdtemp(dir)) throw std::runtime_error("no temporary folder");
    FDir = dir;
    try {
        const std::string out = RunScript("start", FDir);
        size_t at = 0;
        while (at < out.size()) {
            size_t end = out.find('\n', at);
            if (end == std::string::npos) end = out.size();
            const std::string line = out.substr(at, end - at);
            if (size_t eq = line.find('='); eq != std::string::npos) FParams[line.substr(0, eq)] = line.substr(eq + 1);
            at = end + 1;
        }
        Exec("DROP TABLE IF EXISTS t, ins; "
             "CREATE TABLE t (a int PRIMARY KEY, b double precision, c varchar(40)); "
             "CREATE TABLE ins (a int, b double precision, c varchar(40)); "
             "INSERT INTO t SELECT g, g * 0.5, 'row ' || g FROM generate_series(0, 99999) g; "
             "ANALYZE t");
    } catch (...) {
        std::error_code ignored;
        try {
            RunScript("stop", FDir);
        } catch (...) {
        }
        std::filesystem::remove_all(FDir, ignored);
        throw;
    }
}

TServer::~TServer() {
    try {
        RunScript("stop", FDir);
        std::error_code ignored;
        std::filesystem::remove_all(FDir, ignored);
    } catch (...) {
        std::fprintf(stderr, "bench_server: the server in %s did not stop\n", FDir.c_str());
    }
}

std::string TServer::Conninfo() const {
    return "host=" + Param("TNX_PG_HOST") + " port=" + Param("TNX_PG_PORT") + " dbname=" + Param("TNX_PG_DB") +
           " user=" + Param("TNX_PG_USER") + " password=" + Param("TNX_PG_PASSWORD");
}

std::string TServer::Links() const {
    return "links=tcpip(host=" + Param("TNX_PG_HOST") + ";port=" + Param("TNX_PG_PORT") + ");dbn=" +
           Param("TNX_PG_DB") + ";uid=" + Param("TNX_PG_USER") + ";pwd=" + Param("TNX_PG_PASSWORD");
}

void TServer::Exec(const char* Sql) const {
    TConn c = Connect(Conninfo());
    TResult r(PQexec(c.get(), Sql), &PQclear);
    if (PQresultStatus(r.get()) != PGRES_COMMAND_OK && PQresultStatus(r.get()) != PGRES_TUPLES_OK)
        throw std::runtime_error(std::string(Sql) + ": " + PQerrorMessage(c.get()));
}

void TServer::EmptyInserts() const { Exec("TRUNCATE ins"); }

bool TServer::InsertsAreRight() const {
    // Every row once, with its number and text as written.
    TConn c = Connect(Conninfo());
    TResult r(PQexec(c.get(), "SELECT count(*), count(DISTINCT a), min(a), max(a), "
                              "count(*) FILTER (WHERE b = a * 0.25 AND c = 'inserted ' || a) FROM ins"),
              &PQclear);
    if (PQresultStatus(r.get()) != PGRES_TUPLES_OK) return false;
    const std::string n = std::to_string(kInserts);
    return PQgetvalue(r.get(), 0, 0) == n && PQgetvalue(r.get(), 0, 1) == n &&
           std::string(PQgetvalue(r.get(), 0, 2)) == "0" &&
           PQgetvalue(r.get(), 0, 3) == std::to_string(kInserts - 1) && PQgetvalue(r.get(), 0, 4) == n;
}

std::string TServer::Version() const {
    TConn c = Connect(Conninfo());
    TResult r(PQexec(c.get(), "SHOW server_version"), &PQclear);
    return PQresultStatus(r.get()) == PGRES_TUPLES_OK ? PQgetvalue(r.get(), 0, 0) : "unknown";
}

} // namespace srv
