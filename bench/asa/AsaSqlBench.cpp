// Benchmarks of the SQL Anywhere statement (TAsaSQL through TAsaSession, the client library loaded
// by file name as an application loads it), each against the raw SQLite C API doing the same work
// on the same database file:
//   InsertRaw / InsertSql   100,000 INSERTs of (integer, double, varchar(30), time stamp) in one
//                           transaction: a prepared statement re-bound and stepped, against
//                           TAsaSQL::ExecutePrepared with same-shaped values.
//   ReadRaw / ReadSql       1,000,000 rows of (integer, double, varchar(30), time stamp): the raw
//                           step loop reading the four columns, against a forward-only cursor
//                           walked with Next, reading every column with GetFieldValue.
//   MoveToNear / MoveToFar  10,000 MoveTo over a scrollable cursor of 100,000 rows: to random rows
//                           at most 25 rows away, and to random rows anywhere. The time per move
//                           must not grow with the distance (a move is one positioning call and
//                           one block fetch, whatever the distance).
//   MoveToRaw               the raw API's nearest equivalent of one such move: a keyed lookup of
//                           a block of 25 rows from a random row.
//   PointRaw / PointSql     100,000 point lookups: a prepared one-row query by key, re-opened with
//                           a new key each time (OpenReadPrepared), reading both columns.
//   BlobWriteRaw / ...Sql   one long binary value of 100 MB written into a row (the statement
//                           sends it through a temporary SQL variable in pieces).
//   BlobReadRaw / ...Sql    the same value read back into the caller's memory: the raw side copies
//                           the column's bytes into a vector, the statement returns a byte array.
// Before the timed runs the program shows, from the library's call record, that re-executing
// the prepared INSERT and re-opening the prepared lookup neither describe nor bind again. After
// the runs it prints the ratios.
#include "asa/TnxAsa.h"
#include "bench/support/BenchMain.h"
#include "bench/support/RawBaseline.h"
#include "platform/dblib/DbLibTestInstrument.h"
#include "platform/vcl/DateTime.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

constexpr int kInserts = 100000;
constexpr int kRows = 1000000;
constexpr int kScrollRows = 100000;
constexpr int kMoves = 10000;
constexpr int kLookups = 100000;
constexpr int kBlobBytes = 100 * 1024 * 1024;

// The long value both sides write and read.
const std::vector<uint8_t>& BlobValue() {
    static const std::vector<uint8_t> value = [] {
        std::vector<uint8_t> v(kBlobBytes);
        uint32_t x = 12345;
        for (auto& b : v) {
            x = x * 1103515245u + 12345u;
            b = static_cast<uint8_t>(x >> 24);
        }
        return v;
    }();
    return value;
}

// The database file: t with kRows rows to read, s with kScrollRows keyed rows to scroll, and the
// empty tables ins_raw and ins_sql for the inserts. Written through the raw API.
struct Data {
    std::string dir, file;
    Data() {
        char tmpl[] = "/tmp/tnxasabench-XXXXXX";
        dir = mkdtemp(tmpl);
        file = dir + "/bench.db";
        sqlite3* db = nullptr;
        tnxbench::CheckRaw(sqlite3_open(file.c_str(), &db), db, "create");
        tnxbench::CheckRaw(
            sqlite3_exec(db,
                         "PRAGMA journal_mode=WAL; create table t(a integer, b double, c varchar(30), "
                         "d timestamp); create table s(n integer primary key, v varchar(30));"
                         "create table ins_raw(a integer, b double, c varchar(30), d timestamp);"
                         "create table ins_sql(a integer, b double, c varchar(30), d timestamp);"
                         "create table blob_raw(id integer primary key, v long binary);"
                         "create table blob_sql(id integer primary key, v long binary); BEGIN",
                         nullptr, nullptr, nullptr),
            db, "schema");
        tnxbench::FillRows(db, kRows);
        sqlite3_stmt* ins = nullptr;
        // The long value in both long-value tables, so either side's read finds it whatever order
        // the runs come in (the writes replace it with the same bytes).
        for (const char* text :
             {"insert into blob_raw values (1, ?)", "insert into blob_sql values (1, ?)"}) {
            sqlite3_prepare_v2(db, text, -1, &ins, nullptr);
            sqlite3_bind_blob(ins, 1, BlobValue().data(), kBlobBytes, SQLITE_STATIC);
            tnxbench::CheckRaw(sqlite3_step(ins), db, "long value");
            sqlite3_finalize(ins);
        }
        tnxbench::CheckRaw(
            sqlite3_exec(db,
                         "insert into s with recursive c(x) as (select 0 union all select x + 1 from c "
                         "where x < 99999) select x, 'scroll row ' || x from c; COMMIT",
                         nullptr, nullptr, nullptr),
            db, "scroll rows");
        sqlite3_close(db);
    }
    ~Data() { std::filesystem::remove_all(dir); }
};

Data& TheData() {
    static Data d;
    return d;
}

// A session connected to the benchmark database through the generation-7 library.
vcl::TOwned<tnx::TAsaSession> Connect(const char* engine) {
    auto session = vcl::New<tnx::TAsaSession>();
    session->SetLibraryPath(TNX_BENCH_LIB_DIR);
    session->SetLibraryFile("libdblib7.so");
    session->SetLoginEngineName(engine);
    session->SetLoginDatabase(TheData().file);
    session->SetLoginUser("DBA");
    session->SetLoginPassword("SQL");
    session->SetConnected(true);
    if (!session->GetConnected()) {
        std::fprintf(stderr, "connect failed: %s\n", session->GetLastError().c_str());
        std::exit(1);
    }
    return session;
}

vcl::TOwned<tnx::TAsaSQL> NewSQL(tnx::TAsaSession& session) {
    auto sql = vcl::New<tnx::TAsaSQL>();
    sql->SetSession(&session);
    return sql;
}

void Fail(tnx::TAsaSQL& sql, const char* what) {
    std::fprintf(stderr, "%s failed: %s\n", what, sql.GetLastError().c_str());
    std::exit(1);
}

// The values of insert i (the same for both sides).
struct InsertValues {
    char text[32];
    int length;
    double value;
    vcl::TDateTime stamp;
    explicit InsertValues(int i)
        : length(std::snprintf(text, sizeof text, "inserted %d", i)), value(i * 0.5),
          stamp(vcl::EncodeDate(2024, 1 + i % 12, 1 + i % 28).Value + (i % 86400) / 86400.0) {}
};

void InsertRaw(benchmark::State& state) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(TheData().file.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    // The library's settings for its databases.
    sqlite3_exec(db, "PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL;", nullptr, nullptr, nullptr);
    sqlite3_stmt* ins = nullptr;
    sqlite3_prepare_v3(db, "insert into ins_raw values (?, ?, ?, ?)", -1, SQLITE_PREPARE_PERSISTENT, &ins,
                       nullptr);
    for (auto _ : state) {
        state.PauseTiming();
        tnxbench::CheckRaw(sqlite3_exec(db, "delete from ins_raw", nullptr, nullptr, nullptr), db, "delete");
        state.ResumeTiming();
        tnxbench::CheckRaw(sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr), db, "begin");
        for (int i = 0; i < kInserts; ++i) {
            const InsertValues v(i);
            // The time stamp travels as text, the way a raw caller stores one.
            int year, month, day, hour, minute, second, msec;
            vcl::DecodeDate(v.stamp, year, month, day);
            vcl::DecodeTime(v.stamp, hour, minute, second, msec);
            char stamp[32];
            const int n = std::snprintf(stamp, sizeof stamp, "%04d-%02d-%02d %02d:%02d:%02d", year, month,
                                        day, hour, minute, second);
            sqlite3_bind_int(ins, 1, i);
            sqlite3_bind_double(ins, 2, v.value);
            sqlite3_bind_text(ins, 3, v.text, v.length, SQLITE_STATIC);
            sqlite3_bind_text(ins, 4, stamp, n, SQLITE_STATIC);
            tnxbench::CheckRaw(sqlite3_step(ins), db, "insert");
            sqlite3_reset(ins);
        }
        tnxbench::CheckRaw(sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr), db, "commit");
    }
    sqlite3_finalize(ins);
    sqlite3_close_v2(db);
    state.SetItemsProcessed(state.iterations() * kInserts);
}

void InsertSql(benchmark::State& state) {
    auto session = Connect("asabench_insert");
    auto sql = NewSQL(*session);
    auto cleaner = NewSQL(*session);
    if (!sql->PrepareExecute("insert into ins_sql values (?, ?, ?, ?)")) Fail(*sql, "prepare");
    for (auto _ : state) {
        state.PauseTiming();
        if (!cleaner->ExecuteImmediate("delete from ins_sql")) Fail(*cleaner, "delete");
        session->Commit();
        state.ResumeTiming();
        session->StartTransaction();
        for (int i = 0; i < kInserts; ++i) {
            const InsertValues v(i);
            if (!sql->ExecutePrepared(
                    {vcl::Variant(int32_t(i)), vcl::Variant(v.value),
                     vcl::Variant(vcl::AnsiString(v.text, static_cast<std::size_t>(v.length))),
                     vcl::Variant(v.stamp)}))
                Fail(*sql, "insert");
        }
        if (!session->Commit()) Fail(*sql, "commit");
    }
    state.SetItemsProcessed(state.iterations() * kInserts);
}

void ReadRaw(benchmark::State& state) {
    tnxbench::RawRead(state, TheData().file, kRows);
}

void ReadSql(benchmark::State& state) {
    auto session = Connect("asabench_read");
    auto sql = NewSQL(*session);
    uint64_t sum = 0;
    const vcl::Variant columns[4] = {vcl::Variant(int32_t(0)), vcl::Variant(int32_t(1)),
                                     vcl::Variant(int32_t(2)), vcl::Variant(int32_t(3))};
    for (auto _ : state) {
        long rows = 0;
        if (!sql->OpenRead("select a, b, c, d from t")) Fail(*sql, "open");
        while (!sql->GetEOF()) {
            const vcl::Variant a = sql->GetFieldValue(columns[0]);
            const vcl::Variant b = sql->GetFieldValue(columns[1]);
            const vcl::Variant c = sql->GetFieldValue(columns[2]);
            const vcl::Variant d = sql->GetFieldValue(columns[3]);
            sum += static_cast<uint64_t>(a.AsDouble()) + static_cast<uint64_t>(b.AsDouble()) +
                   c.TextRef().size() + static_cast<uint64_t>(d.AsDouble());
            ++rows;
            sql->Next();
        }
        sql->Close();
        if (rows != kRows) state.SkipWithError("the statement saw the wrong number of rows");
    }
    benchmark::DoNotOptimize(sum);
    state.SetItemsProcessed(state.iterations() * kRows);
}

// Random targets: anywhere in the result, or within 25 rows of the previous one. The last block
// is left out: a MoveTo that gets fewer rows than a block shrinks the block for the rest of the
// open, and both runs are meant to move with the same block size.
std::vector<int> Targets(bool near) {
    std::mt19937 gen(12345);
    std::vector<int> out;
    const int limit = kScrollRows - 25;
    int at = kScrollRows / 2;
    for (int i = 0; i < kMoves; ++i) {
        if (near) {
            at = std::clamp(at + static_cast<int>(gen() % 51) - 25, 0, limit - 1);
        } else {
            at = static_cast<int>(gen() % limit);
        }
        out.push_back(at);
    }
    return out;
}

void MoveTo(benchmark::State& state, bool near) {
    auto session = Connect(near ? "asabench_near" : "asabench_far");
    auto sql = NewSQL(*session);
    sql->SetUniDirectional(false);
    if (!sql->OpenRead("select n, v from s")) Fail(*sql, "open");
    // Every row reached once, so the moves measure scrolling, not the first read of the rows.
    sql->Last();
    const std::vector<int> targets = Targets(near);
    uint64_t sum = 0;
    for (auto _ : state) {
        for (int target : targets) {
            if (!sql->MoveTo(target)) Fail(*sql, "MoveTo");
            const vcl::Variant n = sql->GetFieldValue(vcl::Variant(int32_t(0)));
            if (static_cast<int>(n.AsDouble()) != target) {
                state.SkipWithError("MoveTo landed on the wrong row");
                break;
            }
            sum += static_cast<uint64_t>(target);
        }
    }
    benchmark::DoNotOptimize(sum);
    state.counters["block"] = sql->GetFetchRows();
    state.SetItemsProcessed(state.iterations() * kMoves);
}

void MoveToNear(benchmark::State& state) {
    MoveTo(state, true);
}
void MoveToFar(benchmark::State& state) {
    MoveTo(state, false);
}

void MoveToRaw(benchmark::State& state) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(TheData().file.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    sqlite3_stmt* s = nullptr;
    sqlite3_prepare_v3(db, "select n, v from s where n >= ? order by n limit 25", -1,
                       SQLITE_PREPARE_PERSISTENT, &s, nullptr);
    const std::vector<int> targets = Targets(false);
    uint64_t sum = 0;
    for (auto _ : state) {
        for (int target : targets) {
            sqlite3_bind_int(s, 1, target);
            while (sqlite3_step(s) == SQLITE_ROW) {
                sum += static_cast<uint64_t>(sqlite3_column_int(s, 0));
                sqlite3_column_text(s, 1);
            }
            sqlite3_reset(s);
        }
    }
    benchmark::DoNotOptimize(sum);
    sqlite3_finalize(s);
    sqlite3_close_v2(db);
    state.SetItemsProcessed(state.iterations() * kMoves);
}

void PointRaw(benchmark::State& state) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(TheData().file.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    sqlite3_stmt* s = nullptr;
    sqlite3_prepare_v3(db, "select n, v from s where n = ?", -1, SQLITE_PREPARE_PERSISTENT, &s, nullptr);
    uint64_t sum = 0;
    for (auto _ : state) {
        for (int i = 0; i < kLookups; ++i) {
            const int key = static_cast<int>((i * 7919L) % kScrollRows);
            sqlite3_bind_int(s, 1, key);
            if (sqlite3_step(s) != SQLITE_ROW) {
                state.SkipWithError("raw lookup found no row");
                break;
            }
            sum += static_cast<uint64_t>(sqlite3_column_int(s, 0));
            sqlite3_column_text(s, 1);
            sum += static_cast<uint64_t>(sqlite3_column_bytes(s, 1));
            sqlite3_reset(s);
        }
    }
    benchmark::DoNotOptimize(sum);
    sqlite3_finalize(s);
    sqlite3_close_v2(db);
    state.SetItemsProcessed(state.iterations() * kLookups);
}

void PointSql(benchmark::State& state) {
    auto session = Connect("asabench_point");
    auto sql = NewSQL(*session);
    if (!sql->PrepareOpen("select n, v from s where n = ?")) Fail(*sql, "prepare");
    uint64_t sum = 0;
    for (auto _ : state) {
        for (int i = 0; i < kLookups; ++i) {
            const int key = static_cast<int>((i * 7919L) % kScrollRows);
            if (!sql->OpenReadPrepared({vcl::Variant(int32_t(key))}) || sql->GetEOF()) Fail(*sql, "lookup");
            const vcl::Variant n = sql->GetFieldValue(vcl::Variant(int32_t(0)));
            const vcl::Variant v = sql->GetFieldValue(vcl::Variant(int32_t(1)));
            sum += static_cast<uint64_t>(n.AsDouble()) + v.TextRef().size();
        }
        sql->Close();
    }
    benchmark::DoNotOptimize(sum);
    state.SetItemsProcessed(state.iterations() * kLookups);
}

void BlobWriteRaw(benchmark::State& state) {
    const std::vector<uint8_t>& value = BlobValue();
    sqlite3* db = nullptr;
    sqlite3_open_v2(TheData().file.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    sqlite3_exec(db, "PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL;", nullptr, nullptr, nullptr);
    sqlite3_stmt* ins = nullptr;
    sqlite3_prepare_v2(db, "insert or replace into blob_raw values (1, ?)", -1, &ins, nullptr);
    for (auto _ : state) {
        sqlite3_bind_blob(ins, 1, value.data(), kBlobBytes, SQLITE_STATIC);
        tnxbench::CheckRaw(sqlite3_step(ins), db, "blob insert");
        sqlite3_reset(ins);
    }
    sqlite3_finalize(ins);
    sqlite3_close_v2(db);
    state.SetBytesProcessed(state.iterations() * int64_t(kBlobBytes));
}

void BlobWriteSql(benchmark::State& state) {
    const vcl::Variant value = vcl::VarArrayOfBytes(BlobValue().data(), BlobValue().size());
    auto session = Connect("asabench_blobwrite");
    auto sql = NewSQL(*session);
    if (!sql->PrepareExecute("insert or replace into blob_sql values (1, ?)")) Fail(*sql, "prepare");
    for (auto _ : state) {
        if (!sql->ExecutePrepared({value})) Fail(*sql, "blob insert");
    }
    state.SetBytesProcessed(state.iterations() * int64_t(kBlobBytes));
}

void BlobReadRaw(benchmark::State& state) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(TheData().file.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    sqlite3_stmt* s = nullptr;
    sqlite3_prepare_v2(db, "select v from blob_raw where id = 1", -1, &s, nullptr);
    uint64_t sum = 0;
    for (auto _ : state) {
        if (sqlite3_step(s) != SQLITE_ROW) {
            state.SkipWithError("no long value to read");
            break;
        }
        const auto* p = static_cast<const uint8_t*>(sqlite3_column_blob(s, 0));
        std::vector<uint8_t> copy(p, p + sqlite3_column_bytes(s, 0));
        sum += copy.size() + copy[copy.size() / 2];
        sqlite3_reset(s);
    }
    benchmark::DoNotOptimize(sum);
    sqlite3_finalize(s);
    sqlite3_close_v2(db);
    state.SetBytesProcessed(state.iterations() * int64_t(kBlobBytes));
}

void BlobReadSql(benchmark::State& state) {
    auto session = Connect("asabench_blobread");
    auto sql = NewSQL(*session);
    uint64_t sum = 0;
    for (auto _ : state) {
        if (!sql->OpenRead("select v from blob_sql where id = 1") || sql->GetEOF()) {
            state.SkipWithError("no long value to read");
            break;
        }
        const vcl::Variant v = sql->GetFieldValue(vcl::Variant(int32_t(0)));
        const int32_t n = vcl::VarArrayHighBound(v, 1) + 1;
        if (n != kBlobBytes) {
            state.SkipWithError("the long value read back has the wrong length");
            break;
        }
        sum += static_cast<uint64_t>(n) + static_cast<const uint8_t*>(vcl::VarArrayLock(v))[n / 2];
        vcl::VarArrayUnlock(v);
        sql->Close();
    }
    benchmark::DoNotOptimize(sum);
    state.SetBytesProcessed(state.iterations() * int64_t(kBlobBytes));
}

BENCHMARK(InsertRaw)->Unit(benchmark::kMillisecond)->MinTime(1.0)->Repetitions(5);
BENCHMARK(InsertSql)->Unit(benchmark::kMillisecond)->MinTime(1.0)->Repetitions(5);
BENCHMARK(ReadRaw)->Unit(benchmark::kMillisecond)->MinTime(1.0)->Repetitions(5);
BENCHMARK(ReadSql)->Unit(benchmark::kMillisecond)->MinTime(1.0)->Repetitions(5);
BENCHMARK(MoveToRaw)->Unit(benchmark::kMillisecond)->MinTime(1.0)->Repetitions(5);
BENCHMARK(MoveToNear)->Unit(benchmark::kMillisecond)->MinTime(1.0)->Repetitions(5);
BENCHMARK(MoveToFar)->Unit(benchmark::kMillisecond)->MinTime(1.0)->Repetitions(5);
BENCHMARK(PointRaw)->Unit(benchmark::kMillisecond)->MinTime(1.0)->Repetitions(5);
BENCHMARK(PointSql)->Unit(benchmark::kMillisecond)->MinTime(1.0)->Repetitions(5);
BENCHMARK(BlobWriteRaw)->Unit(benchmark::kMillisecond)->Iterations(3)->Repetitions(3);
BENCHMARK(BlobWriteSql)->Unit(benchmark::kMillisecond)->Iterations(3)->Repetitions(3);
BENCHMARK(BlobReadRaw)->Unit(benchmark::kMillisecond)->Iterations(3)->Repetitions(3);
BENCHMARK(BlobReadSql)->Unit(benchmark::kMillisecond)->Iterations(3)->Repetitions(3);

// Re-executes the prepared INSERT 1,000 times with the call record on and prints which calls
// reached the library: after the first execution only dbpp_execute_into.
void ShowCallRecord() {
    auto session = Connect("asabench_record");
    auto sql = NewSQL(*session);
    if (!sql->PrepareExecute("insert into ins_sql values (?, ?, ?, ?)")) Fail(*sql, "prepare");
    tnxdb::TestInstrument probe(tnx::AsaLibrary.LibraryHandle);
    session->StartTransaction();
    probe.Clear();
    probe.Record(true);
    for (int i = 0; i < 1000; ++i) {
        const InsertValues v(i);
        if (!sql->ExecutePrepared({vcl::Variant(int32_t(i)), vcl::Variant(v.value),
                                   vcl::Variant(vcl::AnsiString(v.text, static_cast<std::size_t>(v.length))),
                                   vcl::Variant(v.stamp)}))
            Fail(*sql, "insert");
        if (i == 0) {
            std::map<std::string, int> first;
            for (const std::string& line : probe.Lines())
                ++first[line.substr(0, line.find('('))];
            std::printf("call record, first execution:");
            for (const auto& [name, count] : first)
                std::printf(" %s x%d", name.c_str(), count);
            std::printf("\n");
            probe.Clear();
        }
    }
    probe.Record(false);
    std::map<std::string, int> calls;
    for (const std::string& line : probe.Lines())
        ++calls[line.substr(0, line.find('('))];
    probe.Clear();
    session->Rollback();
    std::printf("call record, executions 2 to 1,000:");
    for (const auto& [name, count] : calls)
        std::printf(" %s x%d", name.c_str(), count);
    std::printf("\n");
}

// Re-opens the prepared lookup 1,000 times with the call record on and prints which calls reached
// the library: after the first open only the cursor's own calls (declare, open, fetch, close).
void ShowLookupCallRecord() {
    auto session = Connect("asabench_lookuprecord");
    auto sql = NewSQL(*session);
    if (!sql->PrepareOpen("select n, v from s where n = ?")) Fail(*sql, "prepare");
    if (!sql->OpenReadPrepared({vcl::Variant(int32_t(0))})) Fail(*sql, "lookup");
    tnxdb::TestInstrument probe(tnx::AsaLibrary.LibraryHandle);
    probe.Clear();
    probe.Record(true);
    for (int i = 1; i <= 1000; ++i)
        if (!sql->OpenReadPrepared({vcl::Variant(int32_t(i))})) Fail(*sql, "lookup");
    probe.Record(false);
    std::map<std::string, int> calls;
    for (const std::string& line : probe.Lines())
        ++calls[line.substr(0, line.find('('))];
    probe.Clear();
    sql->Close();
    std::printf("call record, re-opens 2 to 1,001 of the prepared lookup:");
    for (const auto& [name, count] : calls)
        std::printf(" %s x%d", name.c_str(), count);
    std::printf("\n");
}

} // namespace

int main(int argc, char** argv) {
    tnxbench::InitializeInterleaved(argc, argv);
    TheData();
    ShowCallRecord();
    ShowLookupCallRecord();
    tnxbench::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    auto ratio = [&](const char* what, const char* mine, const char* raw) {
        reporter.PrintRatio(what, mine, raw);
    };
    ratio("100,000 prepared inserts, ExecutePrepared / raw", "InsertSql", "InsertRaw");
    ratio("1,000,000 rows, Next + GetFieldValue / raw step loop", "ReadSql", "ReadRaw");
    ratio("random MoveTo anywhere / within 25 rows", "MoveToFar", "MoveToNear");
    ratio("random MoveTo anywhere / raw keyed block lookup", "MoveToFar", "MoveToRaw");
    ratio("100,000 point lookups, OpenReadPrepared / raw", "PointSql", "PointRaw");
    ratio("100 MB long binary write / raw", "BlobWriteSql", "BlobWriteRaw");
    ratio("100 MB long binary read / raw", "BlobReadSql", "BlobReadRaw");
    auto& t = reporter.Times;
    if (t.count("MoveToFar") && t.count("MoveToNear"))
        std::printf("time per MoveTo: %.2f us anywhere, %.2f us within 25 rows\n",
                    t["MoveToFar"] / kMoves * 1000.0, t["MoveToNear"] / kMoves * 1000.0);
    return 0;
}
