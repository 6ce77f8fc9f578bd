// The raw-SQLite baseline the benchmark programs measure their layers against, in one place so
// that every program's ratios are taken against the same code: the handle opened as the client
// library opens its databases (read-write, one thread, no mutex), the read of the four-column
// table t (integer, double, text, time stamp) whole, and the check that stops a program on an
// engine error.
#pragma once

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdint>
#include <string>

namespace tnxbench {

// Stops the program with the engine's message when rc is an error (neither OK, ROW nor DONE).
void CheckRaw(int rc, sqlite3* db, const char* what);

// A handle over the file and one statement prepared on it (persistent), both closed with it.
class RawQuery {
public:
    RawQuery(const std::string& file, const char* sql);
    ~RawQuery();
    RawQuery(const RawQuery&) = delete;
    RawQuery& operator=(const RawQuery&) = delete;
    sqlite3_stmt* Stmt() const { return FStmt; }

private:
    sqlite3* FDb = nullptr;
    sqlite3_stmt* FStmt = nullptr;
};

// Adds the row s stands on, a row of t, to sum: a, b, the length of c, and the length and the
// 19th byte of d (every value is read, as a caller of the layers reads it).
inline void AddRow(sqlite3_stmt* s, uint64_t& sum) {
    sum +=
        static_cast<uint64_t>(sqlite3_column_int(s, 0)) + static_cast<uint64_t>(sqlite3_column_double(s, 1));
    sqlite3_column_text(s, 2);
    sum += static_cast<uint64_t>(sqlite3_column_bytes(s, 2));
    const unsigned char* stamp = sqlite3_column_text(s, 3);
    sum += static_cast<uint64_t>(sqlite3_column_bytes(s, 3)) + stamp[18];
}

// Writes rows 0 .. rows-1 of t: (i, i * 0.25, "row number i", a time stamp of 19 characters that
// varies with i), in the caller's transaction.
void FillRows(sqlite3* db, int rows);

// The benchmark body of the raw read: "select a, b, c, d from t" over the file, every row per
// iteration through AddRow; reports an error when an iteration sees other than `rows` rows.
void RawRead(benchmark::State& state, const std::string& file, long rows);

} // namespace tnxbench
