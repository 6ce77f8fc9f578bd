// Domain checks of typed columns (see Domains.h).
#include "platform/dblib/Domains.h"

#include "platform/dblib/Convert.h"
#include "platform/dblib/TypeMap.h"
#include "platform/dblib/dblib.h"

#include <set>
#include <utility>
#include <vector>

namespace tnxdb {

namespace {

constexpr const char* kFunction = "tnx_domain";
constexpr const char* kPrefix = "tnx_domain_";

// The declared types whose delivery can fail on a stored value, and the type code the check uses.
bool CheckedType(int type) {
    switch (type) {
    case DBLIB_T_INT: case DBLIB_T_SMALLINT: case DBLIB_T_TINYINT: case DBLIB_T_BIGINT:
    case DBLIB_T_UNSINT: case DBLIB_T_UNSSMALLINT: case DBLIB_T_UNSBIGINT: case DBLIB_T_BIT:
    case DBLIB_T_DATE: case DBLIB_T_TIME: case DBLIB_T_TIMESTAMP:
        return true;
    default:
        return false;
    }
}

// Text between quotes, a quote inside doubled: '...' is a string literal, "..." a name.
std::string Enclosed(const std::string& text, char quote) {
    std::string out(1, quote);
    for (char c : text) {
        out += c;
        if (c == quote) out += quote;
    }
    return out + quote;
}

std::string QuotedName(const std::string& name) {
    return Enclosed(name, '"');
}

// A compiled statement, finalized on every path.
class Query {
public:
    Query(sqlite3* db, const char* sql) {
        if (PrepareStmt(db, sql, -1, 0, FOwned) != SQLITE_OK) throw DbError(DBLIB_E_INTERNAL, sql);
        FStmt = FOwned.get();
    }
    sqlite3_stmt* operator*() const { return FStmt; }
    bool Row() { return sqlite3_step(FStmt) == SQLITE_ROW; }
    std::string Text(int col) const {
        const unsigned char* t = sqlite3_column_text(FStmt, col);
        return t ? reinterpret_cast<const char*>(t) : "";
    }

private:
    StmtHandle FOwned;
    sqlite3_stmt* FStmt = nullptr; // FOwned's statement
};

void Exec(sqlite3* db, const std::string& sql) {
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) throw DbError(DBLIB_E_INTERNAL, sql);
}

struct CheckedColumn {
    std::string Name;
    int Type;
};

// Columns per call of the check function: three arguments each, within the engine's limit of 127.
constexpr size_t kColumnsPerCall = 40;

// The trigger texts for one table: the insert trigger checks every checked column, the update
// trigger the same columns when one of them is assigned. A row costs one call of the function
// (per 40 columns): the trigger's own cost is paid per row anyway, a call per column is not.
std::pair<std::string, std::string> TriggerTexts(const std::string& table, const std::vector<CheckedColumn>& cols) {
    std::string calls, names;
    for (size_t i = 0; i < cols.size(); ++i) {
        const CheckedColumn& c = cols[i];
        if (i % kColumnsPerCall == 0) calls += std::string(i == 0 ? "" : "), ") + kFunction + "(";
        else calls += ", ";
        calls += "NEW." + QuotedName(c.Name) + ", " + std::to_string(c.Type) + ", " + Enclosed(c.Name, '\'');
        if (i > 0) names += ", ";
        names += QuotedName(c.Name);
    }
    const std::string body = " BEGIN SELECT " + calls + "); END";
    return {"AFTER INSERT ON main." + QuotedName(table) + body,
            "AFTER UPDATE OF " + names + " ON main." + QuotedName(table) + body};
}

} // namespace

DomainChecks::~DomainChecks() { Detach(); }

void DomainChecks::Attach(sqlite3* handle) {
    FHandle = handle;
    sqlite3_create_function_v2(handle, kFunction, -1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, this, &CheckFunction,
                               nullptr, nullptr, nullptr);
}

void DomainChecks::Detach() {
    FSchemaVersion.reset();
    FHandle = nullptr;
}

void DomainChecks::CheckFunction(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    auto* self = static_cast<DomainChecks*>(sqlite3_user_data(ctx));
    // Triples of (value, type code, column name).
    for (int k = 0; k + 2 < argc; k += 3) {
        Value v;
        sqlite3_value* a = argv[k];
        switch (sqlite3_value_type(a)) {
        case SQLITE_INTEGER: v = Value::MakeInt(sqlite3_value_int64(a)); break;
        case SQLITE_FLOAT: v = Value::MakeReal(sqlite3_value_double(a)); break;
        case SQLITE_TEXT: {
            const char* p = reinterpret_cast<const char*>(sqlite3_value_text(a));
            v = Value::MakeText(p, static_cast<size_t>(sqlite3_value_bytes(a)));
            break;
        }
        case SQLITE_BLOB: {
            const char* p = static_cast<const char*>(sqlite3_value_blob(a));
            v = Value::MakeBlob(p, static_cast<size_t>(sqlite3_value_bytes(a)));
            break;
        }
        default:
            continue; // NULL fits every column
        }
        try {
            CheckStorable(v, sqlite3_value_int(argv[k + 1]));
        } catch (DbError& e) {
            const unsigned char* column = sqlite3_value_text(argv[k + 2]);
            e.At("column \"" + std::string(column ? reinterpret_cast<const char*>(column) : "") + "\"");
            const std::string text = FormatMessage(e.Code(), e.P1(), e.P2());
            self->FFailure = std::move(e);
            sqlite3_result_error(ctx, text.c_str(), -1);
            return;
        }
    }
}

std::optional<DbError> DomainChecks::TakeFailure() {
    std::optional<DbError> f = std::move(FFailure);
    FFailure.reset();
    return f;
}

bool DomainChecks::SchemaChanged() {
    if (!FSchemaVersion && PrepareStmt(FHandle, "PRAGMA main.schema_version", -1, SQLITE_PREPARE_PERSISTENT,
                                       FSchemaVersion) != SQLITE_OK)
        return false;
    int version = -1;
    if (sqlite3_step(FSchemaVersion.get()) == SQLITE_ROW)
        version = sqlite3_column_int(FSchemaVersion.get(), 0);
    sqlite3_reset(FSchemaVersion.get());
    if (version == FBuiltFor) return false;
    FBuiltFor = version; // taken as built; reset below when the rebuild fails
    return true;
}

void DomainChecks::Refresh() {
    if (!FHandle || !SchemaChanged()) return;
    try {
        Exec(FHandle, "SAVEPOINT tnx_domains");
        try {
            Rebuild();
            Exec(FHandle, "RELEASE tnx_domains");
        } catch (...) {
            sqlite3_exec(FHandle, "ROLLBACK TO tnx_domains; RELEASE tnx_domains", nullptr, nullptr, nullptr);
            throw;
        }
    } catch (const DbError&) {
        FBuiltFor = -1;
        FTriggers.clear(); // what exists is read again from the schema next time
    }
}

void DomainChecks::Rebuild() {
    // The triggers this connection holds now (a dropped table took its own with it).
    std::set<std::string> existing;
    {
        Query q(FHandle, "SELECT name FROM temp.sqlite_schema WHERE type = 'trigger' AND name LIKE 'tnx!_domain!_%' "
                         "ESCAPE '!'");
        while (q.Row()) existing.insert(q.Text(0));
    }
    for (auto it = FTriggers.begin(); it != FTriggers.end();)
        it = existing.count(it->first) ? std::next(it) : FTriggers.erase(it);

    std::map<std::string, std::string> wanted;
    std::vector<std::string> tables;
    {
        Query q(FHandle, "SELECT name FROM main.sqlite_schema WHERE type = 'table' "
                         "AND name NOT LIKE 'sqlite!_%' ESCAPE '!' AND name NOT LIKE 'tnx!_sys%' ESCAPE '!' "
                         "AND upper(substr(ltrim(sql), 1, 14)) <> 'CREATE VIRTUAL'");
        while (q.Row()) tables.push_back(q.Text(0));
    }
    for (const std::string& table : tables) {
        std::vector<CheckedColumn> cols;
        Query q(FHandle, "SELECT name, type FROM pragma_table_info(?1, 'main')");
        sqlite3_bind_text(*q, 1, table.c_str(), -1, SQLITE_TRANSIENT);
        while (q.Row()) {
            DeclaredType dt = MapDeclaredType(q.Text(1));
            if (dt.Declared && CheckedType(dt.SqlType)) cols.push_back({q.Text(0), dt.SqlType});
        }
        if (cols.empty()) continue;
        auto [insert, update] = TriggerTexts(table, cols);
        wanted[kPrefix + std::string("i_") + table] = std::move(insert);
        wanted[kPrefix + std::string("u_") + table] = std::move(update);
    }

    for (const std::string& name : existing)
        if (!wanted.count(name)) {
            Exec(FHandle, "DROP TRIGGER IF EXISTS temp." + QuotedName(name));
            FTriggers.erase(name);
        }
    for (const auto& [name, text] : wanted) {
        auto have = FTriggers.find(name);
        if (have != FTriggers.end() && have->second == text) continue;
        if (existing.count(name)) Exec(FHandle, "DROP TRIGGER IF EXISTS temp." + QuotedName(name));
        Exec(FHandle, "CREATE TEMP TRIGGER " + QuotedName(name) + " " + text);
        FTriggers[name] = text;
    }
}

} // namespace tnxdb
