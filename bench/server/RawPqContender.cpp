// The server's own client library called directly: the limit the other contenders are measured
// against. The read is one query in single-row mode (rows arrive as the server sends them, memory
// stays flat); lookups and inserts re-execute statements prepared once on the server.
#include "ServerContender.h"

#include <libpq-fe.h>

#include <cstdio>
#include <cstdlib>

namespace srv {
namespace {

class TRawContender : public TServerContender {
public:
    explicit TRawContender(const TServer& Server) : FConn(PQconnectdb(Server.Conninfo().c_str())) {
        Check(PQstatus(FConn) == CONNECTION_OK, "raw connect");
        Exec("SET extra_float_digits = 3");
        PQclear(PQprepare(FConn, "lookup", "SELECT a, b, c FROM t WHERE a = $1", 1, nullptr));
        PQclear(PQprepare(FConn, "insert", "INSERT INTO ins VALUES ($1, $2, $3)", 3, nullptr));
    }
    ~TRawContender() override { PQfinish(FConn); }
    TRawContender(const TRawContender&) = delete;
    TRawContender& operator=(const TRawContender&) = delete;

    std::string Name() const override { return "raw libpq"; }
    std::string Setup() const override {
        return "PQsendQuery with PQsetSingleRowMode for the read, PQprepare once and PQexecPrepared with "
               "text parameters, BEGIN/COMMIT around the inserts";
    }

    uint64_t Read() override {
        Check(PQsendQuery(FConn, "SELECT a, b, c FROM t") == 1, "raw read");
        Check(PQsetSingleRowMode(FConn) == 1, "raw single-row mode");
        uint64_t sum = 0;
        bool failed = false;
        while (PGresult* r = PQgetResult(FConn)) {
            const ExecStatusType status = PQresultStatus(r);
            if (status == PGRES_SINGLE_TUPLE)
                sum += Fold(std::atol(PQgetvalue(r, 0, 0)), std::atof(PQgetvalue(r, 0, 1)),
                            static_cast<size_t>(PQgetlength(r, 0, 2)));
            else if (status != PGRES_TUPLES_OK)
                failed = true;
            PQclear(r);
        }
        Check(!failed, "raw read failed");
        return sum;
    }

    uint64_t Lookup() override {
        uint64_t sum = 0;
        char key[16];
        for (int i = 0; i < kKeys; ++i) {
            std::snprintf(key, sizeof key, "%d", KeyOf(i));
            const char* values[] = {key};
            PGresult* r = PQexecPrepared(FConn, "lookup", 1, values, nullptr, nullptr, 0);
            if (PQntuples(r) == 1)
                sum += Fold(std::atol(PQgetvalue(r, 0, 0)), std::atof(PQgetvalue(r, 0, 1)),
                            static_cast<size_t>(PQgetlength(r, 0, 2)));
            PQclear(r);
        }
        return sum;
    }

    void Insert() override {
        Exec("BEGIN");
        char a[16], b[32], c[48];
        for (int i = 0; i < kInserts; ++i) {
            std::snprintf(a, sizeof a, "%d", i);
            std::snprintf(b, sizeof b, "%.17g", InsertedNumber(i));
            std::snprintf(c, sizeof c, "inserted %d", i);
            const char* values[] = {a, b, c};
            PGresult* r = PQexecPrepared(FConn, "insert", 3, values, nullptr, nullptr, 0);
            const bool ok = PQresultStatus(r) == PGRES_COMMAND_OK;
            PQclear(r);
            Check(ok, "raw insert");
        }
        Exec("COMMIT");
    }

private:
    void Exec(const char* sql) {
        PGresult* r = PQexec(FConn, sql);
        const bool ok = PQresultStatus(r) == PGRES_COMMAND_OK || PQresultStatus(r) == PGRES_TUPLES_OK;
        PQclear(r);
        Check(ok, sql);
    }

    PGconn* FConn;
};

} // namespace

std::unique_ptr<TServerContender> MakeRawContender(const TServer& Server) {
    return std::make_unique<TRawContender>(Server);
}

} // namespace srv
