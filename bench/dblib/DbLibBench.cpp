// Benchmarks of the client library (libdblib7, loaded by file name as the product loads it):
//   Insert/*      100,000 prepared INSERTs of (integer, double, varchar(30), time stamp) in one
//                 transaction: the raw SQLite C API and the library, over the same database file
//                 with the same journal settings.
//   Append/<MB>   a long SQL variable built from 32765-byte pieces the way the product does it
//                 (prepare, describe, execute and drop "set v=v || :blob_host" per piece), for
//                 1, 10 and 100 MB: the time per megabyte must not grow with the size.
// After the run the program prints the ratios: library/raw for the inserts, and the time per MB
// of each size against 1 MB.
#include "platform/dblib/dblib.h"

#include <benchmark/benchmark.h>
#include <dlfcn.h>
#include <sqlite3.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

constexpr int kRows = 100000;
constexpr size_t kChunk = 32765;

struct Library {
    void* h = nullptr;
    db_init_fn init;
    db_fini_fn fini;
    db_string_connect_fn connect;
    db_string_disconnect_fn disconnect;
    db_start_engine_fn startEngine;
    db_stop_engine_fn stopEngine;
    alloc_sqlda_fn alloc;
    free_sqlda_fn free;
    dbpp_prepare_fn prepare;
    dbpp_describe_fn describe;
    dbpp_execute_into_fn executeInto;
    dbpp_execute_imm_fn executeImm;
    dbpp_dropstmt_fn dropstmt;
    dbpp_commit_fn commit;

    template <class F>
    void Bind(const char* name, F& f) {
        f = reinterpret_cast<F>(dlsym(h, name));
        if (!f) throw std::runtime_error(name);
    }
    Library() {
        std::string path = std::string(TNX_BENCH_LIB_DIR) + "/libdblib7.so";
        h = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!h) throw std::runtime_error(dlerror());
        Bind("db_init", init);
        Bind("db_fini", fini);
        Bind("db_string_connect", connect);
        Bind("db_string_disconnect", disconnect);
        Bind("db_start_engine", startEngine);
        Bind("db_stop_engine", stopEngine);
        Bind("alloc_sqlda", alloc);
        Bind("free_sqlda", free);
        Bind("dbpp_prepare", prepare);
        Bind("dbpp_describe", describe);
        Bind("dbpp_execute_into", executeInto);
        Bind("dbpp_execute_imm", executeImm);
        Bind("dbpp_dropstmt", dropstmt);
        Bind("dbpp_commit", commit);
    }
};

void Check(const sqlca& ca, const char* what) {
    if (ca.sqlcode < 0) {
        std::fprintf(stderr, "%s failed: %d %s\n", what, ca.sqlcode, ca.sqlerrmc);
        std::exit(1);
    }
}

// One database file shared by all benchmarks, with a connected client of the library.
struct World {
    Library lib;
    std::string dir, file;
    sqlca ca{};
    World() {
        char tmpl[] = "/tmp/tnxbench-XXXXXX";
        dir = mkdtemp(tmpl);
        file = dir + "/bench.db";
        lib.init(&ca);
        std::string start = "eng=bench_create";
        lib.startEngine(&ca, start.data());
        std::string util = "eng=bench_create;dbn=utility_db;uid=DBA;pwd=SQL";
        lib.connect(&ca, util.data());
        Check(ca, "utility connect");
        std::string create = "create database '" + file + "'";
        lib.executeImm(&ca, create.data(), 2);
        Check(ca, "create database");
        lib.disconnect(&ca, nullptr);
        lib.stopEngine(&ca, start.data());
        std::string conn = "eng=bench;dbf=" + file + ";uid=DBA;pwd=SQL";
        lib.connect(&ca, conn.data());
        Check(ca, "connect");
        Exec("create table t(a integer, b double, c varchar(30), d timestamp)");
    }
    ~World() {
        lib.disconnect(&ca, nullptr);
        lib.fini(&ca);
        std::filesystem::remove_all(dir);
    }
    void Exec(const std::string& sql) {
        std::string copy = sql;
        lib.executeImm(&ca, copy.data(), 2);
        Check(ca, sql.c_str());
        lib.commit(&ca, 0);
    }
};

World& TheWorld() {
    static World w;
    return w;
}

void RawInsert(benchmark::State& state) {
    World& w = TheWorld();
    sqlite3* db = nullptr;
    sqlite3_open_v2(w.file.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    sqlite3_exec(db, "PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL; PRAGMA foreign_keys=ON;", nullptr, nullptr,
                 nullptr);
    sqlite3_stmt* ins = nullptr;
    sqlite3_prepare_v3(db, "insert into t values (?, ?, ?, ?)", -1, SQLITE_PREPARE_PERSISTENT, &ins, nullptr);
    char text[32], stamp[32];
    for (auto _ : state) {
        sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
        for (int i = 0; i < kRows; ++i) {
            int n = std::snprintf(text, sizeof text, "row %d", i);
            std::snprintf(stamp, sizeof stamp, "2024-01-%02d 10:%02d:%02d", 1 + i % 28, i % 60, i % 60);
            sqlite3_bind_int(ins, 1, i);
            sqlite3_bind_double(ins, 2, i * 0.5);
            sqlite3_bind_text(ins, 3, text, n, SQLITE_STATIC);
            sqlite3_bind_text(ins, 4, stamp, 19, SQLITE_STATIC);
            if (sqlite3_step(ins) != SQLITE_DONE) state.SkipWithError("raw insert failed");
            sqlite3_reset(ins);
        }
        sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
        state.PauseTiming();
        sqlite3_exec(db, "DELETE FROM t", nullptr, nullptr, nullptr);
        state.ResumeTiming();
    }
    sqlite3_finalize(ins);
    sqlite3_close_v2(db);
    state.SetItemsProcessed(state.iterations() * kRows);
}

void LibraryInsert(benchmark::State& state) {
    World& w = TheWorld();
    Library& l = w.lib;
    short stmt = 0;
    char sql[] = "insert into t values (?, ?, ?, ?)";
    char module[] = "TNX";
    l.prepare(&w.ca, nullptr, module, &stmt, sql, nullptr, 1);
    Check(w.ca, "prepare");
    sqlda* in = l.alloc(4);
    int32_t a = 0;
    double b = 0;
    char text[32];
    sqldatetime stamp{};
    in->sqld = 4;
    in->sqlvar[0].sqltype = DBLIB_T_INT;
    in->sqlvar[0].sqllen = 4;
    in->sqlvar[0].sqldata = &a;
    in->sqlvar[1].sqltype = DBLIB_T_DOUBLE;
    in->sqlvar[1].sqllen = 8;
    in->sqlvar[1].sqldata = &b;
    in->sqlvar[2].sqltype = DBLIB_T_STRING;
    in->sqlvar[2].sqllen = sizeof text;
    in->sqlvar[2].sqldata = text;
    in->sqlvar[3].sqltype = DBLIB_T_TIMESTAMP_STRUCT;
    in->sqlvar[3].sqllen = 14;
    in->sqlvar[3].sqldata = &stamp;
    stamp.year = 2024;
    for (auto _ : state) {
        for (int i = 0; i < kRows; ++i) {
            a = i;
            b = i * 0.5;
            std::snprintf(text, sizeof text, "row %d", i);
            stamp.day = static_cast<uint8_t>(1 + i % 28);
            stamp.hour = 10;
            stamp.minute = static_cast<uint8_t>(i % 60);
            stamp.second = static_cast<uint8_t>(i % 60);
            l.executeInto(&w.ca, nullptr, module, &stmt, in, nullptr);
            if (w.ca.sqlcode != 0) state.SkipWithError("library insert failed");
        }
        l.commit(&w.ca, 0);
        state.PauseTiming();
        w.Exec("delete from t");
        state.ResumeTiming();
    }
    l.free(in);
    l.dropstmt(&w.ca, nullptr, module, &stmt);
    state.SetItemsProcessed(state.iterations() * kRows);
}

// The length of variable v, read back through the library (checks that the appends happened).
size_t VariableLength(World& w) {
    Library& l = w.lib;
    char module[] = "TNX";
    char sql[] = "select length(?)";
    short stmt = 0;
    l.prepare(&w.ca, nullptr, module, &stmt, sql, nullptr, 1);
    sqlda* in = l.alloc(1);
    sqlda* out = l.alloc(1);
    in->sqld = out->sqld = 1;
    in->sqlvar[0].sqltype = DBLIB_T_VARIABLE;
    in->sqlvar[0].sqldata = const_cast<char*>("v");
    int64_t len = -1;
    out->sqlvar[0].sqltype = DBLIB_T_BIGINT;
    out->sqlvar[0].sqllen = 8;
    out->sqlvar[0].sqldata = &len;
    l.executeInto(&w.ca, nullptr, module, &stmt, in, out);
    Check(w.ca, "length");
    l.dropstmt(&w.ca, nullptr, module, &stmt);
    l.free(in);
    l.free(out);
    return static_cast<size_t>(len);
}

void Append(benchmark::State& state) {
    World& w = TheWorld();
    Library& l = w.lib;
    const size_t total = static_cast<size_t>(state.range(0)) << 20;
    std::vector<char> piece(kChunk + 2);
    uint16_t n = kChunk;
    std::memcpy(piece.data(), &n, 2);
    for (size_t i = 0; i < kChunk; ++i) piece[2 + i] = static_cast<char>(i);
    char module[] = "TNX";
    sqlda* in = l.alloc(1);
    for (auto _ : state) {
        w.Exec("create variable v long binary");
        w.Exec("set v=''");
        for (size_t done = 0; done < total; done += kChunk) {
            uint16_t len = static_cast<uint16_t>(std::min(kChunk, total - done));
            std::memcpy(piece.data(), &len, 2);
            short stmt = 0;
            char sql[] = "set v=v || :blob_host";
            l.prepare(&w.ca, nullptr, module, &stmt, sql, nullptr, 1);
            l.describe(&w.ca, nullptr, module, &stmt, in, 2);
            in->sqld = 1;
            in->sqlvar[0].sqltype = DBLIB_T_BINARY;
            in->sqlvar[0].sqllen = static_cast<int16_t>(kChunk + 2);
            in->sqlvar[0].sqldata = piece.data();
            l.executeInto(&w.ca, nullptr, module, &stmt, in, nullptr);
            if (w.ca.sqlcode != 0) state.SkipWithError("append failed");
            l.dropstmt(&w.ca, nullptr, module, &stmt);
        }
        if (VariableLength(w) != total) state.SkipWithError("the variable has the wrong length");
        w.Exec("drop variable v");
    }
    l.free(in);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * total));
    state.counters["MB"] = static_cast<double>(state.range(0));
}

BENCHMARK(RawInsert)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(LibraryInsert)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(Append)->Arg(1)->Arg(10)->Arg(50)->Arg(100)->Unit(benchmark::kMillisecond)->MinTime(1.0);

// Keeps the time per iteration of every run, to print the ratios at the end.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs)
            if (r.iterations > 0) Times[r.benchmark_name()] = r.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> Times;
};

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    auto& t = reporter.Times;
    if (t.count("RawInsert/min_time:2.000") && t.count("LibraryInsert/min_time:2.000"))
        std::printf("ratio insert library/raw: %.2f\n", t["LibraryInsert/min_time:2.000"] / t["RawInsert/min_time:2.000"]);
    // Time per MB of each size against each smaller size.
    const int sizes[] = {1, 10, 50, 100};
    auto key = [](int mb) { return "Append/" + std::to_string(mb) + "/min_time:1.000"; };
    for (int big : sizes) {
        for (int small : sizes) {
            if (small >= big || !t.count(key(big)) || !t.count(key(small))) continue;
            std::printf("ratio append time per MB, %d MB / %d MB: %.2f\n", big, small,
                        (t[key(big)] / big) / (t[key(small)] / small));
        }
    }
    return 0;
}
