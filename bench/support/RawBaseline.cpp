// The raw-SQLite baseline (see RawBaseline.h).
#include "bench/support/RawBaseline.h"

#include <cstdio>
#include <cstdlib>

namespace tnxbench {

void CheckRaw(int rc, sqlite3* db, const char* what) {
    if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW) {
        std::fprintf(stderr, "%s failed: %s\n", what, sqlite3_errmsg(db));
        std::exit(1);
    }
}

RawQuery::RawQuery(const std::string& file, const char* sql) {
    CheckRaw(sqlite3_open_v2(file.c_str(), &FDb, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr), FDb,
             "open");
    CheckRaw(sqlite3_prepare_v3(FDb, sql, -1, SQLITE_PREPARE_PERSISTENT, &FStmt, nullptr), FDb, "prepare");
}

RawQuery::~RawQuery() {
    sqlite3_finalize(FStmt);
    sqlite3_close_v2(FDb);
}

void FillRows(sqlite3* db, int rows) {
    sqlite3_stmt* ins = nullptr;
    CheckRaw(sqlite3_prepare_v2(db, "insert into t values (?, ?, ?, ?)", -1, &ins, nullptr), db, "prepare");
    char text[32], stamp[32];
    for (int i = 0; i < rows; ++i) {
        const int n = std::snprintf(text, sizeof text, "row number %d", i);
        std::snprintf(stamp, sizeof stamp, "2024-%02d-%02d %02d:%02d:%02d", 1 + i % 12, 1 + i % 28, i % 24, i % 60,
                      (i / 60) % 60);
        sqlite3_bind_int(ins, 1, i);
        sqlite3_bind_double(ins, 2, i * 0.25);
        sqlite3_bind_text(ins, 3, text, n, SQLITE_STATIC);
        sqlite3_bind_text(ins, 4, stamp, 19, SQLITE_STATIC);
        CheckRaw(sqlite3_step(ins), db, "insert");
        sqlite3_reset(ins);
    }
    sqlite3_finalize(ins);
}

void RawRead(benchmark::State& state, const std::string& file, long rows) {
    RawQuery query(file, "select a, b, c, d from t");
    sqlite3_stmt* s = query.Stmt();
    uint64_t sum = 0;
    for (auto _ : state) {
        long read = 0;
        while (sqlite3_step(s) == SQLITE_ROW) {
            AddRow(s, sum);
            ++read;
        }
        sqlite3_reset(s);
        if (read != rows) state.SkipWithError("raw read saw the wrong number of rows");
    }
    benchmark::DoNotOptimize(sum);
    state.SetItemsProcessed(state.iterations() * rows);
}

} // namespace tnxbench
