// Engine error mapping (see ErrorMap.h).
#include "platform/dblib/ErrorMap.h"

#include "platform/dblib/dblib.h"

#include <cstring>
#include <string>

namespace tnxdb {

namespace {

// The text after `prefix` in msg, up to the end, or "" when msg does not start with it.
bool After(const std::string& msg, const char* prefix, std::string& rest) {
    size_t n = std::strlen(prefix);
    if (msg.compare(0, n, prefix) != 0) return false;
    rest = msg.substr(n);
    return true;
}

// "t.a, t.b" -> table "t", columns "a, b".
void SplitTableColumns(const std::string& list, std::string& table, std::string& columns) {
    size_t start = 0;
    while (start < list.size()) {
        size_t comma = list.find(", ", start);
        std::string item = list.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        size_t dot = item.find('.');
        if (dot != std::string::npos) {
            if (table.empty()) table = item.substr(0, dot);
            item = item.substr(dot + 1);
        }
        if (!columns.empty()) columns += ", ";
        columns += item;
        if (comma == std::string::npos) break;
        start = comma + 2;
    }
}

std::string Unquote(std::string s) {
    if (s.size() >= 2 && s.front() == '"' && s.back() == '"') return s.substr(1, s.size() - 2);
    return s;
}

} // namespace

DbError EngineError(sqlite3* db, int rc, Verb verb, const std::string& target) {
    int ext = db ? sqlite3_extended_errcode(db) : rc;
    if ((ext & 0xff) != (rc & 0xff)) ext = rc;
    std::string msg = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
    std::string rest;
    switch (ext & 0xff) {
    case SQLITE_ERROR:
        if (After(msg, "no such table: ", rest)) return DbError(DBLIB_E_TABLE_NOT_FOUND, rest);
        if (After(msg, "no such view: ", rest)) return DbError(DBLIB_E_TABLE_NOT_FOUND, rest);
        if (After(msg, "no such column: ", rest)) return DbError(DBLIB_E_COLUMN_NOT_FOUND, rest);
        if (After(msg, "near ", rest)) {
            size_t colon = rest.rfind(": syntax error");
            return DbError(DBLIB_E_SYNTAX, Unquote(colon == std::string::npos ? rest : rest.substr(0, colon)));
        }
        if (After(msg, "unrecognized token: ", rest)) return DbError(DBLIB_E_SYNTAX, Unquote(rest));
        if (msg == "incomplete input") return DbError(DBLIB_E_SYNTAX, "end of statement");
        if (msg.find("syntax error") != std::string::npos) return DbError(DBLIB_E_SYNTAX, msg);
        if (After(msg, "no such function: ", rest)) return DbError(DBLIB_E_FUNCTION_NOT_FOUND, rest);
        for (const char* kind : {"table ", "index ", "view ", "trigger "}) {
            if (After(msg, kind, rest)) {
                size_t pos = rest.find(" already exists");
                if (pos != std::string::npos) return DbError(DBLIB_E_ALREADY_EXISTS, rest.substr(0, pos));
            }
        }
        return DbError(DBLIB_E_RUNTIME, msg);
    case SQLITE_CONSTRAINT: {
        std::string table, columns;
        size_t colon = msg.find(": ");
        if (colon != std::string::npos && ext != SQLITE_CONSTRAINT_CHECK)
            SplitTableColumns(msg.substr(colon + 2), table, columns);
        if (table.empty()) table = target;
        switch (ext) {
        case SQLITE_CONSTRAINT_PRIMARYKEY: return DbError(DBLIB_E_PRIMARY_KEY, table);
        case SQLITE_CONSTRAINT_UNIQUE: return DbError(DBLIB_E_UNIQUE, columns, table);
        case SQLITE_CONSTRAINT_NOTNULL: return DbError(DBLIB_E_NOT_NULL, columns, table);
        case SQLITE_CONSTRAINT_FOREIGNKEY:
            return DbError(verb == Verb::Delete ? DBLIB_E_REFERENCED : DBLIB_E_FOREIGN_KEY, table);
        case SQLITE_CONSTRAINT_CHECK:
            return DbError(DBLIB_E_CHECK, colon == std::string::npos ? std::string() : msg.substr(colon + 2), table);
        default: return DbError(DBLIB_E_CHECK, msg);
        }
    }
    case SQLITE_BUSY:
        if (ext == SQLITE_BUSY_SNAPSHOT) return DbError(DBLIB_E_DEADLOCK);
        return DbError(DBLIB_E_ROW_LOCKED);
    case SQLITE_LOCKED: return DbError(DBLIB_E_ROW_LOCKED);
    case SQLITE_INTERRUPT: return DbError(DBLIB_E_INTERRUPTED);
    case SQLITE_NOMEM: return DbError(DBLIB_E_MEMORY);
    case SQLITE_FULL: return DbError(DBLIB_E_DISK_FULL);
    case SQLITE_IOERR: return DbError(DBLIB_E_IO, msg);
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB: return DbError(DBLIB_E_INTERNAL, msg);
    case SQLITE_READONLY: return DbError(DBLIB_E_READ_ONLY);
    // Only the catalog's guard refuses statements (Catalog.h); the engine's text names a column of
    // the table, which tells nothing the user needs.
    case SQLITE_AUTH: return DbError(DBLIB_E_PERMISSION, "the engine's own tables are not accessible");
    case SQLITE_TOOBIG: return DbError(DBLIB_E_OUT_OF_RANGE, "(a value too long for the engine)");
    case SQLITE_MISMATCH: return DbError(DBLIB_E_CONVERSION, "a value", "integer key");
    default: return DbError(DBLIB_E_RUNTIME, msg);
    }
}

void ExecOrThrow(sqlite3* db, const char* sql) {
    int rc = sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) throw EngineError(db, rc);
}

} // namespace tnxdb
