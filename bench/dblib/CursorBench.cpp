// Benchmarks of cursors in the client library (libdblib7, loaded by file name as the product loads
// it), each against the raw SQLite C API doing the same work on the same database file:
//   ReadRaw / ReadCursor    1,000,000 rows of (integer, double, varchar(30), time stamp): the raw
//                           step loop reading the four columns, against a forward-only cursor
//                           fetching blocks of 25 rows into an SQLDA the way the product does
//                           (integer, double, text, 14-byte time-stamp record).
//   PointRaw / PointCursor  100,000 point lookups by row identifier: the raw reset, bind, step
//                           loop reading the four columns, against a prepared query with one
//                           input variable re-opened for each key through a read-only,
//                           forward-only cursor (declare, open, fetch one row, close) the way
//                           the product runs a prepared query again.
//   LongRaw / LongPieces    one 100 MB long value: the raw step and column read, against
//                           dbpp_get_data reading it in pieces of 32765 bytes into a binary
//                           variable. Both read every byte once (a checksum).
// Before the timed runs, child processes measure the peak memory of reading 1,000 and 1,000,000
// rows through a forward-only cursor (a forward-only cursor holds one block, not the result).
// After the runs the program prints the ratios cursor/raw. TNX_BENCH_LIB, when set, names the
// library file to load instead of the one built beside the program.
#include "bench/support/BenchMain.h"
#include "bench/support/RawBaseline.h"
#include "platform/dblib/dblib.h"

#include <benchmark/benchmark.h>
#include <dlfcn.h>
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/wait.h>
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

constexpr int kRows = 1000000;
constexpr int kBlock = 25;
constexpr size_t kLong = size_t(100) << 20;
constexpr int kPiece = 32765;

struct Library {
    void* h = nullptr;
    db_init_fn init;
    db_fini_fn fini;
    db_string_connect_fn connect;
    db_string_disconnect_fn disconnect;
    alloc_sqlda_fn alloc;
    free_sqlda_fn free;
    dbpp_prepare_fn prepare;
    dbpp_dropstmt_fn dropstmt;
    dbpp_declare_fn declare;
    dbpp_open_fn open;
    dbpp_fetch_array_fn fetchArray;
    dbpp_get_data_fn getData;
    dbpp_close_fn close;

    template <class F>
    void Bind(const char* name, F& f) {
        f = reinterpret_cast<F>(dlsym(h, name));
        if (!f) throw std::runtime_error(name);
    }
    Library() {
        // TNX_BENCH_LIB names another build of the library to measure (e.g. an earlier one).
        const char* other = std::getenv("TNX_BENCH_LIB");
        std::string path = other && *other ? other : std::string(TNX_BENCH_LIB_DIR) + "/libdblib7.so";
        h = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!h) throw std::runtime_error(dlerror());
        Bind("db_init", init);
        Bind("db_fini", fini);
        Bind("db_string_connect", connect);
        Bind("db_string_disconnect", disconnect);
        Bind("alloc_sqlda", alloc);
        Bind("free_sqlda", free);
        Bind("dbpp_prepare", prepare);
        Bind("dbpp_dropstmt", dropstmt);
        Bind("dbpp_declare", declare);
        Bind("dbpp_open", open);
        Bind("dbpp_fetch_array", fetchArray);
        Bind("dbpp_get_data", getData);
        Bind("dbpp_close", close);
    }
};

void Check(const sqlca& ca, const char* what) {
    if (ca.sqlcode < 0) {
        std::fprintf(stderr, "%s failed: %d %s\n", what, ca.sqlcode, ca.sqlerrmc);
        std::exit(1);
    }
}

// The database file: table t with kRows rows and table big with one value of kLong bytes,
// written through the raw API (the library's file format is the engine's).
// With TNX_BENCH_DATA_DIR set, the file is kept there and reused by later runs.
struct Data {
    std::string dir, file;
    bool keep = false;
    Data() {
        if (const char* kept = std::getenv("TNX_BENCH_DATA_DIR")) {
            dir = kept;
            keep = true;
            std::filesystem::create_directories(dir);
            file = dir + "/cursorbench.db";
            if (std::filesystem::exists(file)) return;
        } else {
            char tmpl[] = "/tmp/tnxcursorbench-XXXXXX";
            dir = mkdtemp(tmpl);
            file = dir + "/bench.db";
        }
        sqlite3* db = nullptr;
        tnxbench::CheckRaw(sqlite3_open(file.c_str(), &db), db, "create");
        tnxbench::CheckRaw(
            sqlite3_exec(
                db,
                "PRAGMA journal_mode=WAL; create table t(a integer, b double, c varchar(30), d timestamp);"
                "create table big(id integer primary key, v long binary); BEGIN",
                nullptr, nullptr, nullptr),
            db, "schema");
        tnxbench::FillRows(db, kRows);
        sqlite3_stmt* ins = nullptr;
        std::vector<char> value(kLong);
        for (size_t i = 0; i < kLong; ++i)
            value[i] = static_cast<char>(i * 7 + i / 4099);
        sqlite3_prepare_v2(db, "insert into big values (1, ?)", -1, &ins, nullptr);
        sqlite3_bind_blob64(ins, 1, value.data(), kLong, SQLITE_STATIC);
        tnxbench::CheckRaw(sqlite3_step(ins), db, "insert long");
        sqlite3_finalize(ins);
        tnxbench::CheckRaw(sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr), db, "commit");
        sqlite3_close(db);
    }
    ~Data() {
        if (!keep) std::filesystem::remove_all(dir);
    }
};

Data& TheData() {
    static Data d;
    return d;
}

// A client of the library connected to the benchmark database.
struct Client {
    Library lib;
    sqlca ca{};
    explicit Client(const std::string& file, const char* engine = "cursorbench") {
        lib.init(&ca);
        std::string conn = std::string("eng=") + engine + ";dbf=" + file + ";uid=DBA;pwd=SQL";
        lib.connect(&ca, conn.data());
        Check(ca, "connect");
    }
    ~Client() {
        lib.disconnect(&ca, nullptr);
        lib.fini(&ca);
    }
};

// The SQLDA of the product's fetch buffer for (integer, double, varchar(30), time stamp).
struct FetchBuffer {
    sqlda* da;
    std::vector<char> buffer;
    Library& lib;
    explicit FetchBuffer(Library& l) : lib(l) {
        da = lib.alloc(4 * kBlock);
        const int sizes[4] = {4, 8, 31, 14};
        const int types[4] = {DBLIB_T_INT | 1, DBLIB_T_DOUBLE | 1, DBLIB_T_STRING | 1,
                              DBLIB_T_TIMESTAMP_STRUCT | 1};
        buffer.resize(kBlock * (4 + 8 + 31 + 14));
        char* p = buffer.data();
        for (int r = 0; r < kBlock; ++r)
            for (int c = 0; c < 4; ++c) {
                sqlvar& v = da->sqlvar[r * 4 + c];
                v.sqltype = static_cast<int16_t>(types[c]);
                v.sqllen = static_cast<int16_t>(sizes[c]);
                v.sqldata = p;
                p += sizes[c];
            }
        da->sqld = da->sqln;
    }
    ~FetchBuffer() { lib.free(da); }
    // A checksum over one delivered row.
    uint64_t Sum(int r) const {
        int32_t a;
        double b;
        sqldatetime d;
        std::memcpy(&a, da->sqlvar[r * 4].sqldata, 4);
        std::memcpy(&b, da->sqlvar[r * 4 + 1].sqldata, 8);
        std::memcpy(&d, da->sqlvar[r * 4 + 3].sqldata, sizeof d);
        return static_cast<uint64_t>(a) + static_cast<uint64_t>(b) +
               std::strlen(static_cast<const char*>(da->sqlvar[r * 4 + 2].sqldata)) + d.second;
    }
};

// Reads `rows` rows (all when 0) through a forward-only cursor; returns the rows read.
long CursorRead(Client& c, FetchBuffer& buf, const char* sql, uint64_t& sum) {
    Library& l = c.lib;
    short stmt = 0;
    char module[] = "TNX";
    char cursor[] = "TNX-BENCH";
    l.prepare(&c.ca, nullptr, module, &stmt, const_cast<char*>(sql), nullptr, 1);
    Check(c.ca, "prepare");
    unsigned options = 0x2 | 0x4; // read-only, forward-only
    l.declare(&c.ca, cursor, nullptr, module, &stmt, options);
    l.open(&c.ca, cursor, nullptr, module, &stmt, nullptr, nullptr, nullptr, options);
    Check(c.ca, "open");
    long rows = 0;
    for (;;) {
        l.fetchArray(&c.ca, cursor, 2, 1, buf.da, 0, 0, kBlock);
        Check(c.ca, "fetch");
        if (c.ca.sqlcode == 100) break;
        int n = c.ca.sqlerrd[2];
        for (int r = 0; r < n; ++r)
            sum += buf.Sum(r);
        rows += n;
    }
    l.close(&c.ca, cursor);
    l.dropstmt(&c.ca, nullptr, module, &stmt);
    return rows;
}

void ReadRaw(benchmark::State& state) {
    tnxbench::RawRead(state, TheData().file, kRows);
}

void ReadCursor(benchmark::State& state) {
    Data& d = TheData();
    Client c(d.file);
    FetchBuffer buf(c.lib);
    uint64_t sum = 0;
    for (auto _ : state) {
        if (CursorRead(c, buf, "select a, b, c, d from t", sum) != kRows)
            state.SkipWithError("the cursor saw the wrong number of rows");
    }
    benchmark::DoNotOptimize(sum);
    state.SetItemsProcessed(state.iterations() * kRows);
}

constexpr int kLookups = 100000;

// The rows the lookups visit: the first 20,000 of the table, whose pages stay in the engine's page
// cache, so that both sides measure the lookup and not the reads from the file system.
constexpr int kLookupSpan = 20000;

// The key of lookup i: spread over the span so that the lookups do not walk it in order.
int64_t LookupKey(int i) {
    return 1 + static_cast<int64_t>((static_cast<uint64_t>(i) * 7919u) % kLookupSpan);
}

void PointRaw(benchmark::State& state) {
    Data& d = TheData();
    sqlite3* db = nullptr;
    sqlite3_open_v2(d.file.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    sqlite3_stmt* s = nullptr;
    sqlite3_prepare_v3(db, "select a, b, c, d from t where _rowid_ = ?", -1, SQLITE_PREPARE_PERSISTENT, &s,
                       nullptr);
    uint64_t sum = 0;
    for (auto _ : state) {
        long found = 0;
        for (int i = 0; i < kLookups; ++i) {
            sqlite3_reset(s);
            sqlite3_bind_int64(s, 1, LookupKey(i));
            if (sqlite3_step(s) != SQLITE_ROW) continue;
            tnxbench::AddRow(s, sum);
            ++found;
        }
        sqlite3_reset(s);
        if (found != kLookups) state.SkipWithError("raw lookups missed rows");
    }
    benchmark::DoNotOptimize(sum);
    sqlite3_finalize(s);
    sqlite3_close_v2(db);
    state.SetItemsProcessed(state.iterations() * kLookups);
}

void PointCursor(benchmark::State& state) {
    Data& d = TheData();
    Client c(d.file);
    Library& l = c.lib;
    FetchBuffer buf(l);
    char module[] = "TNX";
    char cursor[] = "TNX-POINT";
    char sql[] = "select a, b, c, d from t where _rowid_ = ?";
    short stmt = 0;
    l.prepare(&c.ca, nullptr, module, &stmt, sql, nullptr, 1);
    Check(c.ca, "prepare");
    sqlda* in = l.alloc(1);
    int64_t key = 0;
    in->sqlvar[0].sqltype = DBLIB_T_BIGINT;
    in->sqlvar[0].sqllen = 8;
    in->sqlvar[0].sqldata = &key;
    in->sqld = 1;
    unsigned options = 0x2 | 0x4; // read-only, forward-only
    uint64_t sum = 0;
    for (auto _ : state) {
        long found = 0;
        for (int i = 0; i < kLookups; ++i) {
            key = LookupKey(i);
            l.declare(&c.ca, cursor, nullptr, module, &stmt, options);
            l.open(&c.ca, cursor, nullptr, module, &stmt, in, nullptr, nullptr, options);
            Check(c.ca, "open");
            l.fetchArray(&c.ca, cursor, 2, 1, buf.da, 0, 0, 1);
            Check(c.ca, "fetch");
            if (c.ca.sqlcode == 0) {
                sum += buf.Sum(0);
                ++found;
            }
            l.close(&c.ca, cursor);
        }
        if (found != kLookups) state.SkipWithError("the cursor lookups missed rows");
    }
    benchmark::DoNotOptimize(sum);
    l.free(in);
    l.dropstmt(&c.ca, nullptr, module, &stmt);
    state.SetItemsProcessed(state.iterations() * kLookups);
}

uint64_t Checksum(const char* p, size_t n) {
    uint64_t sum = 0;
    size_t words = n / 8;
    for (size_t i = 0; i < words; ++i) {
        uint64_t w;
        std::memcpy(&w, p + i * 8, 8);
        sum ^= w;
    }
    for (size_t i = words * 8; i < n; ++i)
        sum += static_cast<unsigned char>(p[i]);
    return sum;
}

void LongRaw(benchmark::State& state) {
    Data& d = TheData();
    sqlite3* db = nullptr;
    sqlite3_open_v2(d.file.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    sqlite3_stmt* s = nullptr;
    sqlite3_prepare_v3(db, "select v from big where id = 1", -1, SQLITE_PREPARE_PERSISTENT, &s, nullptr);
    uint64_t sum = 0;
    for (auto _ : state) {
        if (sqlite3_step(s) != SQLITE_ROW) state.SkipWithError("no row");
        const char* p = static_cast<const char*>(sqlite3_column_blob(s, 0));
        size_t n = static_cast<size_t>(sqlite3_column_bytes(s, 0));
        if (n != kLong) state.SkipWithError("wrong length");
        sum += Checksum(p, n);
        sqlite3_reset(s);
    }
    benchmark::DoNotOptimize(sum);
    sqlite3_finalize(s);
    sqlite3_close_v2(db);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kLong));
}

void LongPieces(benchmark::State& state) {
    Data& d = TheData();
    Client c(d.file);
    Library& l = c.lib;
    char module[] = "TNX";
    char cursor[] = "TNX-LONG";
    char sql[] = "select v from big where id = 1";
    short stmt = 0;
    l.prepare(&c.ca, nullptr, module, &stmt, sql, nullptr, 1);
    Check(c.ca, "prepare");
    // The product fetches the row with a small inline buffer, then reads the value in pieces.
    sqlda* row = l.alloc(1);
    char inlineBuf[36];
    row->sqlvar[0].sqltype = DBLIB_T_STRING | 1;
    row->sqlvar[0].sqllen = sizeof inlineBuf;
    row->sqlvar[0].sqldata = inlineBuf;
    row->sqld = 1;
    sqlda* piece = l.alloc(1);
    std::vector<char> pieceBuf(32767);
    piece->sqlvar[0].sqltype = DBLIB_T_BINARY;
    piece->sqlvar[0].sqllen = 32767;
    piece->sqlvar[0].sqldata = pieceBuf.data();
    piece->sqld = 1;
    unsigned options = 0x2 | 0x4;
    uint64_t sum = 0;
    for (auto _ : state) {
        l.declare(&c.ca, cursor, nullptr, module, &stmt, options);
        l.open(&c.ca, cursor, nullptr, module, &stmt, nullptr, nullptr, nullptr, options);
        Check(c.ca, "open");
        l.fetchArray(&c.ca, cursor, 2, 1, row, 0, 0, 1);
        Check(c.ca, "fetch");
        size_t total = 0;
        int offset = 0;
        do {
            l.getData(&c.ca, cursor, 1, offset, piece, 0);
            Check(c.ca, "get_data");
            uint16_t k;
            std::memcpy(&k, pieceBuf.data(), 2);
            sum += Checksum(pieceBuf.data() + 2, k);
            total += k;
            offset += k;
        } while (c.ca.sqlcode == 101);
        if (total != kLong) state.SkipWithError("wrong length");
        l.close(&c.ca, cursor);
    }
    benchmark::DoNotOptimize(sum);
    l.free(row);
    l.free(piece);
    l.dropstmt(&c.ca, nullptr, module, &stmt);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kLong));
}

BENCHMARK(ReadRaw)->Unit(benchmark::kMillisecond)->MinTime(1.0)->Repetitions(7);
BENCHMARK(ReadCursor)->Unit(benchmark::kMillisecond)->MinTime(1.0)->Repetitions(7);
BENCHMARK(PointRaw)->Unit(benchmark::kMillisecond)->MinTime(1.0)->Repetitions(7);
BENCHMARK(PointCursor)->Unit(benchmark::kMillisecond)->MinTime(1.0)->Repetitions(7);
BENCHMARK(LongRaw)->Unit(benchmark::kMillisecond)->MinTime(1.0)->Repetitions(7);
BENCHMARK(LongPieces)->Unit(benchmark::kMillisecond)->MinTime(1.0)->Repetitions(7);

// Peak resident memory (kB) of a child process that reads `rows` rows through a forward-only
// cursor and exits.
long PeakMemoryReading(int rows) {
    Data& d = TheData();
    pid_t pid = fork();
    if (pid == 0) {
        {
            Client c(d.file, rows == kRows ? "cursorbench_mem_all" : "cursorbench_mem_some");
            FetchBuffer buf(c.lib);
            uint64_t sum = 0;
            std::string sql = "select a, b, c, d from t limit " + std::to_string(rows);
            long read = CursorRead(c, buf, sql.c_str(), sum);
            if (read != rows) _exit(2);
        }
        _exit(0);
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "memory probe for %d rows failed\n", rows);
        return -1;
    }
    return usage.ru_maxrss;
}

} // namespace

int main(int argc, char** argv) {
    // The memory probe runs in full runs only, not when a filter picks some benchmarks.
    bool filtered = false;
    for (int i = 1; i < argc; ++i)
        if (std::strncmp(argv[i], "--benchmark_filter", 18) == 0) filtered = true;
    // Repetitions of the raw and the library runs alternate.
    tnxbench::InitializeInterleaved(argc, argv);
    TheData();
    if (!filtered) {
        long some = PeakMemoryReading(1000);
        long all = PeakMemoryReading(kRows);
        std::printf("peak memory, forward-only read of 1,000 rows: %.1f MB; of 1,000,000 rows: %.1f MB; "
                    "difference %.1f MB\n",
                    some / 1024.0, all / 1024.0, (all - some) / 1024.0);
    }
    tnxbench::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    // Real time and CPU time: on a machine shared with other work the CPU time is the steadier.
    auto ratio = [&](const char* what, const char* mine, const char* raw) {
        reporter.PrintRatio(what, mine, raw);
    };
    ratio("1,000,000 rows, forward-only cursor in blocks of 25 / raw step loop", "ReadCursor", "ReadRaw");
    ratio("100,000 point lookups, prepared query re-opened / raw reset-bind-step", "PointCursor",
          "PointRaw");
    ratio("100 MB long value, dbpp_get_data pieces / raw read", "LongPieces", "LongRaw");
    return 0;
}
