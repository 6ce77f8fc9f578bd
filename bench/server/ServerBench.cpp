// The same three works over a local database server, by three ways a C++ program reaches it: the
// server's own client library called directly (the limit), the client library's entry points, and
// TAsaSQL. The program starts a throw-away server (scripts/pg-test-server.sh), fills t with
// kRows rows, and times:
//   Read    every row of t, forward only, every column read;
//   Lookup  kKeys prepared lookups of t by primary key;
//   Insert  kInserts rows into ins with one prepared statement, in one transaction.
// Every read folds what it read into a sum that the three must agree on, so a contender that
// skips a column is caught, not timed.
#include "asa/TnxAsa.h"
#include "platform/dblib/dblib.h"

#include <benchmark/benchmark.h>
#include <libpq-fe.h>

#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#ifndef TNX_BENCH_LIB_DIR
#error "TNX_BENCH_LIB_DIR must name the folder of the client-library builds"
#endif
#ifndef TNX_SOURCE_DIR
#error "TNX_SOURCE_DIR must name the source tree (for scripts/pg-test-server.sh)"
#endif

namespace {

constexpr int kRows = 100000;
constexpr int kKeys = 2000;
constexpr int kInserts = 2000;
constexpr int kBlock = 100; // rows per block fetch of the client library

// The key visited by lookup i (spread over the table).
int KeyOf(int i) { return static_cast<int>((static_cast<long long>(i) * 7919) % kRows); }

// ---- The server ---------------------------------------------------------------------------------

std::string RunScript(const std::string& action, const std::string& dir) {
    const std::string command = std::string(TNX_SOURCE_DIR) + "/scripts/pg-test-server.sh " + action + " " + dir;
    std::string out;
    if (FILE* p = ::popen(command.c_str(), "r")) {
        char buf[256];
        while (size_t n = std::fread(buf, 1, sizeof buf, p)) out.append(buf, n);
        if (::pclose(p) != 0) throw std::runtime_error("pg-test-server.sh " + action + " failed");
    }
    return out;
}

struct Server {
    Server() = default;
    Server(Server&& o) noexcept : Dir(std::move(o.Dir)), Params(std::move(o.Params)) { o.Dir.clear(); }
    Server& operator=(Server&&) = delete;
    // Stopped after every contender has gone (objects with static storage end in reverse order).
    ~Server() {
        if (Dir.empty()) return;
        try {
            RunScript("stop", Dir);
            std::error_code ignored;
            std::filesystem::remove_all(Dir, ignored);
        } catch (...) {
            std::fprintf(stderr, "bench_server: the server in %s did not stop\n", Dir.c_str());
        }
    }
    std::string Dir;
    std::map<std::string, std::string> Params;
    std::string Conninfo() const {
        return "host=" + Params.at("TNX_PG_HOST") + " port=" + Params.at("TNX_PG_PORT") + " dbname=" +
               Params.at("TNX_PG_DB") + " user=" + Params.at("TNX_PG_USER") + " password=" +
               Params.at("TNX_PG_PASSWORD");
    }
    std::string Links() const {
        return "links=tcpip(host=" + Params.at("TNX_PG_HOST") + ";port=" + Params.at("TNX_PG_PORT") +
               ");dbn=" + Params.at("TNX_PG_DB") + ";uid=" + Params.at("TNX_PG_USER") +
               ";pwd=" + Params.at("TNX_PG_PASSWORD");
    }
};

Server& TheServer() {
    static Server server = [] {
        Server s;
        char dir[] = "/tmp/tnx-server-bench-XXXXXX";
        if (!::mkdtemp(dir)) throw std::runtime_error("no temporary folder");
        s.Dir = dir;
        std::string out = RunScript("start", s.Dir);
        size_t at = 0;
        while (at < out.size()) {
            size_t end = out.find('\n', at);
            if (end == std::string::npos) end = out.size();
            std::string line = out.substr(at, end - at);
            if (size_t eq = line.find('='); eq != std::string::npos) s.Params[line.substr(0, eq)] = line.substr(eq + 1);
            at = end + 1;
        }
        // The data: t with kRows rows, ins empty.
        PGconn* c = PQconnectdb(s.Conninfo().c_str());
        if (PQstatus(c) != CONNECTION_OK) throw std::runtime_error(PQerrorMessage(c));
        PGresult* r = PQexec(c, "DROP TABLE IF EXISTS t, ins; "
                                "CREATE TABLE t (a int PRIMARY KEY, b double precision, c varchar(40)); "
                                "CREATE TABLE ins (a int, b double precision, c varchar(40)); "
                                "INSERT INTO t SELECT g, g * 0.5, 'row ' || g FROM generate_series(0, 99999) g; "
                                "ANALYZE t");
        const bool ok = PQresultStatus(r) == PGRES_COMMAND_OK;
        PQclear(r);
        PQfinish(c);
        if (!ok) throw std::runtime_error("filling t failed");
        return s;
    }();
    return server;
}

// The fold of one row: the key, the number's integer part and the text's length.
uint64_t Fold(long a, double b, size_t textLength) {
    return static_cast<uint64_t>(a) * 3 + static_cast<uint64_t>(b) + textLength;
}

void Check(bool ok, const char* what) {
    if (!ok) throw std::runtime_error(what);
}

// ---- The server's own client library ------------------------------------------------------------

class Raw {
public:
    Raw() : FConn(PQconnectdb(TheServer().Conninfo().c_str())) {
        Check(PQstatus(FConn) == CONNECTION_OK, "raw connect");
        Exec("SET extra_float_digits = 3");
        PQclear(PQprepare(FConn, "lookup", "SELECT a, b, c FROM t WHERE a = $1", 1, nullptr));
        PQclear(PQprepare(FConn, "insert", "INSERT INTO ins VALUES ($1, $2, $3)", 3, nullptr));
    }
    ~Raw() { PQfinish(FConn); }
    uint64_t Read() {
        // One query in single-row mode: rows arrive as the server sends them, memory stays flat.
        Check(PQsendQuery(FConn, "SELECT a, b, c FROM t") == 1, "raw read");
        Check(PQsetSingleRowMode(FConn) == 1, "raw single-row mode");
        uint64_t sum = 0;
        while (PGresult* r = PQgetResult(FConn)) {
            if (PQresultStatus(r) == PGRES_SINGLE_TUPLE)
                sum += Fold(std::atol(PQgetvalue(r, 0, 0)), std::atof(PQgetvalue(r, 0, 1)),
                            static_cast<size_t>(PQgetlength(r, 0, 2)));
            PQclear(r);
        }
        return sum;
    }
    uint64_t Lookup() {
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
    void Insert() {
        Exec("BEGIN");
        char a[16], b[32], c[48];
        for (int i = 0; i < kInserts; ++i) {
            std::snprintf(a, sizeof a, "%d", i);
            std::snprintf(b, sizeof b, "%.17g", i * 0.25);
            std::snprintf(c, sizeof c, "inserted %d", i);
            const char* values[] = {a, b, c};
            PGresult* r = PQexecPrepared(FConn, "insert", 3, values, nullptr, nullptr, 0);
            Check(PQresultStatus(r) == PGRES_COMMAND_OK, "raw insert");
            PQclear(r);
        }
        Exec("COMMIT");
    }
    void Exec(const char* sql) {
        PGresult* r = PQexec(FConn, sql);
        Check(PQresultStatus(r) == PGRES_COMMAND_OK || PQresultStatus(r) == PGRES_TUPLES_OK, sql);
        PQclear(r);
    }

private:
    PGconn* FConn;
};

// ---- The client library's entry points ----------------------------------------------------------

class DbLib {
public:
    DbLib() {
        const std::string path = std::string(TNX_BENCH_LIB_DIR) + "/libdblib7.so";
        FLib = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        Check(FLib != nullptr, "load libdblib7.so");
        Bind(FInit, "db_init");
        Bind(FConnect, "db_string_connect");
        Bind(FDisconnect, "db_string_disconnect");
        Bind(FFini, "db_fini");
        Bind(FPrepare, "dbpp_prepare");
        Bind(FExecute, "dbpp_execute_into");
        Bind(FDeclare, "dbpp_declare");
        Bind(FOpen, "dbpp_open");
        Bind(FFetch, "dbpp_fetch_array");
        Bind(FClose, "dbpp_close");
        Bind(FCommit, "dbpp_commit");
        Bind(FAlloc, "alloc_sqlda");
        Bind(FFree, "free_sqlda");
        FInit(&FCa);
        std::string links = TheServer().Links();
        FConnect(&FCa, links.data());
        Check(FCa.sqlcode == 0, "dblib connect");
        FReadStmt = Prepare("select a, b, c from t");
        FLookupStmt = Prepare("select a, b, c from t where a = ?");
        FInsertStmt = Prepare("insert into ins values (?, ?, ?)");
        char name[] = "bench_read";
        FDeclare(&FCa, name, nullptr, Module(), &FReadStmt, DBLIB_CURSOR_READ_ONLY | DBLIB_CURSOR_FORWARD_ONLY);
        Check(FCa.sqlcode == 0, "dblib declare");
        // One block of kBlock rows: an integer, a double and a text of up to 40 characters each.
        FBlockDa = FAlloc(3 * kBlock);
        FBlockData.resize(static_cast<size_t>(kBlock) * 64);
        for (int r = 0; r < kBlock; ++r) Output(FBlockDa, r * 3, FBlockData.data() + r * 64);
        FBlockDa->sqld = 3 * kBlock;
        FRowDa = FAlloc(3);
        Output(FRowDa, 0, FRowData);
        FRowDa->sqld = 3;
        FIn = FAlloc(3);
    }
    ~DbLib() {
        FFree(FBlockDa);
        FFree(FRowDa);
        FFree(FIn);
        FDisconnect(&FCa, nullptr);
        FFini(&FCa);
    }
    uint64_t Read() {
        char name[] = "bench_read";
        FOpen(&FCa, name, nullptr, Module(), &FReadStmt, nullptr, nullptr, nullptr, 0);
        Check(FCa.sqlcode == 0, "dblib open");
        uint64_t sum = 0;
        for (;;) {
            FFetch(&FCa, name, DBLIB_FETCH_RELATIVE, 1, FBlockDa, 0, 0, kBlock);
            if (FCa.sqlcode == DBLIB_W_NOT_FOUND) break;
            Check(FCa.sqlcode >= 0, "dblib fetch");
            const int rows = FCa.sqlerrd[2];
            for (int r = 0; r < rows; ++r) sum += RowFold(FBlockDa, r * 3);
            if (rows < kBlock) break;
        }
        FClose(&FCa, name);
        return sum;
    }
    uint64_t Lookup() {
        uint64_t sum = 0;
        int32_t key = 0;
        SetInt(0, &key);
        FIn->sqld = 1;
        for (int i = 0; i < kKeys; ++i) {
            key = KeyOf(i);
            FExecute(&FCa, nullptr, Module(), &FLookupStmt, FIn, FRowDa);
            if (FCa.sqlcode == 0) sum += RowFold(FRowDa, 0);
        }
        return sum;
    }
    void Insert() {
        int32_t a = 0;
        double b = 0;
        char c[48];
        SetInt(0, &a);
        FIn->sqlvar[1].sqltype = DBLIB_T_DOUBLE;
        FIn->sqlvar[1].sqllen = 8;
        FIn->sqlvar[1].sqldata = &b;
        FIn->sqlvar[2].sqltype = DBLIB_T_STRING;
        FIn->sqlvar[2].sqllen = sizeof c;
        FIn->sqlvar[2].sqldata = c;
        FIn->sqld = 3;
        for (int i = 0; i < kInserts; ++i) {
            a = i;
            b = i * 0.25;
            std::snprintf(c, sizeof c, "inserted %d", i);
            FExecute(&FCa, nullptr, Module(), &FInsertStmt, FIn, nullptr);
            Check(FCa.sqlcode == 0, "dblib insert");
        }
        FCommit(&FCa, 0);
        Check(FCa.sqlcode == 0, "dblib commit");
    }

private:
    template <class F>
    void Bind(F& fn, const char* name) {
        fn = reinterpret_cast<F>(::dlsym(FLib, name));
        Check(fn != nullptr, name);
    }
    static char* Module() {
        static char module[] = "BENCH";
        return module;
    }
    short Prepare(const char* sql) {
        short stmt = 0;
        std::string text = sql;
        FPrepare(&FCa, nullptr, Module(), &stmt, text.data(), nullptr, 0);
        Check(FCa.sqlcode == 0, sql);
        return stmt;
    }
    static void Output(sqlda* da, int first, char* data) {
        da->sqlvar[first].sqltype = DBLIB_T_INT | 1;
        da->sqlvar[first].sqllen = 4;
        da->sqlvar[first].sqldata = data;
        da->sqlvar[first + 1].sqltype = DBLIB_T_DOUBLE | 1;
        da->sqlvar[first + 1].sqllen = 8;
        da->sqlvar[first + 1].sqldata = data + 8;
        da->sqlvar[first + 2].sqltype = DBLIB_T_STRING | 1;
        da->sqlvar[first + 2].sqllen = 41;
        da->sqlvar[first + 2].sqldata = data + 16;
    }
    static uint64_t RowFold(const sqlda* da, int first) {
        int32_t a;
        double b;
        std::memcpy(&a, da->sqlvar[first].sqldata, 4);
        std::memcpy(&b, da->sqlvar[first + 1].sqldata, 8);
        return Fold(a, b, std::strlen(static_cast<const char*>(da->sqlvar[first + 2].sqldata)));
    }
    void SetInt(int i, int32_t* value) {
        FIn->sqlvar[i].sqltype = DBLIB_T_INT;
        FIn->sqlvar[i].sqllen = 4;
        FIn->sqlvar[i].sqldata = value;
    }

    void* FLib = nullptr;
    sqlca FCa{};
    db_init_fn FInit = nullptr;
    db_string_connect_fn FConnect = nullptr;
    db_string_disconnect_fn FDisconnect = nullptr;
    db_fini_fn FFini = nullptr;
    dbpp_prepare_fn FPrepare = nullptr;
    dbpp_execute_into_fn FExecute = nullptr;
    dbpp_declare_fn FDeclare = nullptr;
    dbpp_open_fn FOpen = nullptr;
    dbpp_fetch_array_fn FFetch = nullptr;
    dbpp_close_fn FClose = nullptr;
    dbpp_commit_fn FCommit = nullptr;
    alloc_sqlda_fn FAlloc = nullptr;
    free_sqlda_fn FFree = nullptr;
    short FReadStmt = 0, FLookupStmt = 0, FInsertStmt = 0;
    sqlda* FBlockDa = nullptr;
    sqlda* FRowDa = nullptr;
    sqlda* FIn = nullptr;
    std::vector<char> FBlockData;
    char FRowData[64] = {};
};

// ---- TAsaSQL ------------------------------------------------------------------------------------

class Asa {
public:
    Asa() {
        const Server& s = TheServer();
        FSession = vcl::New<tnx::TAsaSession>();
        FSession->SetLibraryPath(TNX_BENCH_LIB_DIR);
        FSession->SetLibraryFile("libdblib7.so");
        FSession->SetServerType(tnx::stClient);
        FSession->SetClientParams("links=tcpip(host=" + s.Params.at("TNX_PG_HOST") + ";port=" +
                                  s.Params.at("TNX_PG_PORT") + ")");
        FSession->SetLoginDatabase(s.Params.at("TNX_PG_DB"));
        FSession->SetLoginUser(s.Params.at("TNX_PG_USER"));
        FSession->SetLoginPassword(s.Params.at("TNX_PG_PASSWORD"));
        FSession->SetWantExceptions(true);
        FSession->SetWantRowCounts(false);
        FSession->SetConnected(true);
        Check(FSession->GetConnected(), "TAsaSQL connect");
        for (auto* q : {&FRead, &FLookup, &FInsert}) {
            *q = vcl::New<tnx::TAsaSQL>();
            (*q)->SetSession(FSession.get());
            (*q)->SetWantExceptions(true);
        }
        Check(FLookup->PrepareOpen("select a, b, c from t where a = ?"), "prepare lookup");
        Check(FInsert->PrepareExecute("insert into ins values (?, ?, ?)"), "prepare insert");
    }
    uint64_t Read() {
        tnx::TAsaSQL& q = *FRead;
        Check(q.OpenRead("select a, b, c from t"), "open");
        uint64_t sum = 0;
        while (!q.GetEOF()) {
            sum += RowOf(q);
            q.Next();
        }
        q.Close();
        return sum;
    }
    uint64_t Lookup() {
        tnx::TAsaSQL& q = *FLookup;
        uint64_t sum = 0;
        for (int i = 0; i < kKeys; ++i) {
            q.OpenReadPrepared({vcl::Variant(KeyOf(i))});
            if (q.GetActive() && !q.GetEOF()) sum += RowOf(q);
            q.Close();
        }
        return sum;
    }
    void Insert() {
        FSession->StartTransaction();
        char text[48];
        for (int i = 0; i < kInserts; ++i) {
            const int n = std::snprintf(text, sizeof text, "inserted %d", i);
            Check(FInsert->ExecutePrepared({vcl::Variant(i), vcl::Variant(i * 0.25),
                                            vcl::Variant(std::string_view(text, static_cast<size_t>(n)))}),
                  "insert");
        }
        Check(FSession->Commit(), "commit");
    }

private:
    static uint64_t RowOf(tnx::TAsaSQL& q) {
        const vcl::Variant a = q.GetFieldValue(vcl::Variant(int32_t(0)));
        const vcl::Variant b = q.GetFieldValue(vcl::Variant(int32_t(1)));
        const vcl::Variant c = q.GetFieldValue(vcl::Variant(int32_t(2)));
        return Fold(a.AsInteger(), b.AsDouble(), c.TextRef().size());
    }
    vcl::TOwned<tnx::TAsaSession> FSession;
    vcl::TOwned<tnx::TAsaSQL> FRead, FLookup, FInsert;
};

// ---- The benchmarks -----------------------------------------------------------------------------

// The sums every contender must reach.
uint64_t ExpectedRead() {
    static const uint64_t sum = Raw().Read();
    return sum;
}
uint64_t ExpectedLookup() {
    static const uint64_t sum = Raw().Lookup();
    return sum;
}

template <class Contender>
Contender& The() {
    static Contender c;
    return c;
}

template <class Contender>
void BM_Read(benchmark::State& state) {
    Contender& c = The<Contender>();
    const uint64_t expected = ExpectedRead();
    for (auto _ : state)
        if (c.Read() != expected) state.SkipWithError("the read's sum differs");
    state.SetItemsProcessed(state.iterations() * kRows);
}

template <class Contender>
void BM_Lookup(benchmark::State& state) {
    Contender& c = The<Contender>();
    const uint64_t expected = ExpectedLookup();
    for (auto _ : state)
        if (c.Lookup() != expected) state.SkipWithError("the lookups' sum differs");
    state.SetItemsProcessed(state.iterations() * kKeys);
}

template <class Contender>
void BM_Insert(benchmark::State& state) {
    Contender& c = The<Contender>();
    for (auto _ : state) {
        state.PauseTiming();
        Raw().Exec("TRUNCATE ins");
        state.ResumeTiming();
        c.Insert();
    }
    state.SetItemsProcessed(state.iterations() * kInserts);
}

BENCHMARK(BM_Read<Raw>)->Name("Read/raw_libpq")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Read<DbLib>)->Name("Read/client_library")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Read<Asa>)->Name("Read/TAsaSQL")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Lookup<Raw>)->Name("Lookup/raw_libpq")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Lookup<DbLib>)->Name("Lookup/client_library")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Lookup<Asa>)->Name("Lookup/TAsaSQL")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Insert<Raw>)->Name("Insert/raw_libpq")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Insert<DbLib>)->Name("Insert/client_library")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Insert<Asa>)->Name("Insert/TAsaSQL")->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    int rc = 0;
    try {
        TheServer();
        benchmark::RunSpecifiedBenchmarks();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_server: %s\n", e.what());
        rc = 1;
    }
    benchmark::Shutdown();
    return rc;
}
