// RowEstimates (see RowEstimates.h).
#include "platform/dblib/RowEstimates.h"

#include "platform/dblib/UpdatableQuery.h"

namespace tnxdb {

RowEstimates::~RowEstimates() { Clear(); }

void RowEstimates::Clear() {
    FQueries.clear();
}

int64_t RowEstimates::LargestRowid(sqlite3* handle, std::string_view db, std::string_view table) {
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
        it = FQueries.emplace(FKey, std::move(compiled)).first;
    }
    sqlite3_stmt* stmt = it->second.get();
    int rc = sqlite3_step(stmt);
    int64_t largest = rc == SQLITE_ROW ? sqlite3_column_int64(stmt, 0) : 0;
    sqlite3_reset(stmt);
    if (rc != SQLITE_ROW) {
        // The table no longer answers (dropped, or its database detached): compile afresh next time.
        FQueries.erase(it);
    }
    return largest;
}

} // namespace tnxdb
