// RowEstimates: a connection's compiled "largest row identifier" queries, one per table, for the
// row estimate a cursor reports at its open when it does not count its rows.
//
// The query of a table is compiled the first time a cursor over that table opens and kept until
// the connection closes, so a prepared query opened again and again pays one index lookup for its
// estimate, not a compile. A kept query follows the schema: the engine compiles it again by itself
// when the schema has changed since (a table dropped and created again under the same name, a
// column added). When it can no longer run (the table is gone, its database detached) it is
// thrown away and the estimate is 0; a later open compiles it afresh.
//
// The answer is also kept, with the data version of the table's database file (which moves with
// every commit to the file, by this connection or any other) and the connection's count of changed
// rows (which moves with its own writes). An answer given inside a read transaction on the table's
// database (as at a cursor's open, after its first row) is kept; a later call inside a read
// transaction where both are as they were returns it without running the query, since the table
// cannot have gained or lost rows: a prepared query opened again and again over a table nobody
// writes pays no lookup at all. Outside a read transaction the query always runs.
#pragma once

#include "platform/dblib/StmtHandle.h"

#include <sqlite3.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

namespace tnxdb {

class RowEstimates {
public:
    RowEstimates() = default;
    ~RowEstimates();
    RowEstimates(const RowEstimates&) = delete;
    RowEstimates& operator=(const RowEstimates&) = delete;

    // The largest row identifier of table `table` of database `db` (as the engine names them),
    // 0 when the table is empty or has no row identifiers, or when the query fails. The query is
    // reset before returning, so it never holds a read snapshot of its own.
    int64_t LargestRowid(sqlite3* handle, const char* db, const char* table);

    // Finalizes every kept query (before the handle closes).
    void Clear();
    // Number of kept queries.
    size_t Size() const { return FQueries.size(); }

    // Kept queries at most; past that the cache starts over (a connection that reads many tables
    // once each does not keep one compiled query per table forever).
    static constexpr size_t kLimit = 64;

private:
    struct Kept {
        StmtHandle Query;           // compiled query of `handle`, reset (not stepping)
        bool Answered = false;      // Largest holds an answer for the versions below
        unsigned DataVersion = 0;   // data version of the table's database file at that answer
        int64_t Changes = 0;        // the connection's total changed rows at that answer
        int64_t Largest = 0;
    };
    // Key: database name, a NUL, the table name (names cannot hold a NUL).
    std::unordered_map<std::string, Kept> FQueries;
    std::string FKey;      // the key of the last call, so a hit allocates nothing
    Kept* FLast = nullptr; // its kept query (elements do not move when the map grows)
};

} // namespace tnxdb
