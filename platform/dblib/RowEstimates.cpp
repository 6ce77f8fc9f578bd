// RowEstimates (see RowEstimates.h).
#include "platform/dblib/RowEstimates.h"

#include "platform/dblib/UpdatableQuery.h"

#include <string>

namespace tnxdb {

RowEstimates::~RowEstimates() { Clear(); }

void RowEstimates::Clear() {
    FLast = nullptr;
    FQueries.clear();
}

int64_t RowEstimates::LargestRowid(sqlite3* handle, const char* dbName, const char* tableName) {
    const std::string_view db(dbName), table(tableName);
    // A query opened again and again asks for the table of the last call: compare, do not rebuild.
    const bool sameAsLast = FLast && FKey.size() == db.size() + 1 + table.size() &&
                            FKey.compare(0, db.size(), db) == 0 && FKey[db.size()] == '\0' &&
                            FKey.compare(db.size() + 1, table.size(), table) == 0;
    if (!sameAsLast) {
        FLast = nullptr;
        FKey.assign(db);
        FKey.push_back('\0');
        FKey.append(table);
        auto it = FQueries.find(FKey);
        if (it == FQueries.end()) {
            std::string sql = "SELECT max(_rowid_) FROM " + UpdatableQuery::Quote(std::string(db)) + "." +
                              UpdatableQuery::Quote(std::string(table));
            StmtHandle compiled;
            if (PrepareStmt(handle, sql, SQLITE_PREPARE_PERSISTENT, compiled) != SQLITE_OK || !compiled) return 0;
            if (FQueries.size() >= kLimit) Clear();
            it = FQueries.emplace(FKey, Kept{}).first;
            it->second.Query = std::move(compiled);
        }
        FLast = &it->second;
    }
    Kept& kept = *FLast;
    // The data version is current only while a read transaction is open on the database (a cursor
    // that has read its first row holds one); in a write transaction the connection's own changes
    // may still be rolled back. Only answers given inside a read transaction are kept and reused;
    // every other call runs the query.
    unsigned version = 0;
    const bool versioned = sqlite3_txn_state(handle, dbName) == SQLITE_TXN_READ &&
                           sqlite3_file_control(handle, dbName, SQLITE_FCNTL_DATA_VERSION, &version) == SQLITE_OK;
    const int64_t changes = sqlite3_total_changes64(handle);
    if (versioned && kept.Answered && kept.DataVersion == version && kept.Changes == changes) return kept.Largest;

    sqlite3_stmt* stmt = kept.Query.get();
    int rc = sqlite3_step(stmt);
    int64_t largest = rc == SQLITE_ROW ? sqlite3_column_int64(stmt, 0) : 0;
    sqlite3_reset(stmt);
    if (rc != SQLITE_ROW) {
        // The table no longer answers (dropped, or its database detached): compile afresh next time.
        FLast = nullptr;
        FQueries.erase(FKey);
        return largest;
    }
    kept.Answered = versioned;
    kept.DataVersion = version;
    kept.Changes = changes;
    kept.Largest = largest;
    return largest;
}

} // namespace tnxdb
