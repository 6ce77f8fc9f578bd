// TRawDb: a connection on the raw SQLite C API as the raw contender and the floor (bench_floor)
// use it: opened without the connection's mutex (one thread uses it), synchronous=FULL as the
// client library runs its databases, statements prepared once (persistent) and finalized with the
// connection; every failure raises with the owner's name and the engine's message.
#pragma once

#include <sqlite3.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace cmp {

class TRawDb {
public:
    explicit TRawDb(std::string Owner) : FOwner(std::move(Owner)) {}
    ~TRawDb() {
        for (sqlite3_stmt* s : FStatements)
            sqlite3_finalize(s);
        sqlite3_close_v2(FDb);
    }
    TRawDb(const TRawDb&) = delete;
    TRawDb& operator=(const TRawDb&) = delete;

    void Open(const std::string& File) {
        if (sqlite3_open_v2(File.c_str(), &FDb, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr) != SQLITE_OK)
            Fail("open");
        Exec("PRAGMA synchronous=FULL");
    }
    void Exec(const char* sql) {
        if (sqlite3_exec(FDb, sql, nullptr, nullptr, nullptr) != SQLITE_OK) Fail(sql);
    }
    sqlite3_stmt* Prepare(const char* sql) {
        sqlite3_stmt* s = nullptr;
        if (sqlite3_prepare_v3(FDb, sql, -1, SQLITE_PREPARE_PERSISTENT, &s, nullptr) != SQLITE_OK) Fail(sql);
        FStatements.push_back(s);
        return s;
    }
    [[noreturn]] void Fail(const std::string& what) const {
        throw std::runtime_error(FOwner + ": " + what + ": " + sqlite3_errmsg(FDb));
    }

private:
    std::string FOwner;
    sqlite3* FDb = nullptr;
    std::vector<sqlite3_stmt*> FStatements; // finalized before the connection closes
};

} // namespace cmp
