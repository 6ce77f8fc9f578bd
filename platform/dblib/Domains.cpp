// Domain checks of typed columns (see Domains.h).
#include "platform/dblib/Domains.h"

#include "platform/dblib/Convert.h"
#include "platform/dblib/Text.h"
#include "platform/dblib/TypeMap.h"
#include "platform/dblib/dblib.h"

#include <set>
#include <utility>
#include <vector>

namespace tnxdb {

namespace {

constexpr const char* kFunction = "tnx_domain";
constexpr const char* kValueFunction = "tnx_domain_value";
constexpr const char* kPassFunction = "tnx_domain_pass";
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
    sqlite3_create_function_v2(handle, kValueFunction, 3, SQLITE_UTF8 | SQLITE_DETERMINISTIC, this, &ValueFunction,
                               nullptr, nullptr, nullptr);
    sqlite3_create_function_v2(handle, kPassFunction, -1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, this, &PassFunction,
                               nullptr, nullptr, nullptr);
    sqlite3_commit_hook(handle, &OnCommit, this);
    sqlite3_rollback_hook(handle, &OnRollback, this);
}

void DomainChecks::Detach() {
    if (FHandle) {
        sqlite3_commit_hook(FHandle, nullptr, nullptr);
        sqlite3_rollback_hook(FHandle, nullptr, nullptr);
    }
    FSchemaVersion.reset();
    FTempVersion.reset();
    FHandle = nullptr;
    FBuilt = FProvisional = false;
    FBuiltFor = -1;
    FTriggers.clear();
    FCurrentIn = FKeyIn = 0;
    FQuiet = 0;
}

int DomainChecks::OnCommit(void* self) {
    ++static_cast<DomainChecks*>(self)->FEpoch;
    return 0;
}

void DomainChecks::OnRollback(void* self) { ++static_cast<DomainChecks*>(self)->FEpoch; }

void DomainChecks::Fail(sqlite3_context* ctx, DbError e, sqlite3_value* column) {
    const unsigned char* name = sqlite3_value_text(column);
    e.At("column \"" + std::string(name ? reinterpret_cast<const char*>(name) : "") + "\"");
    const std::string text = FormatMessage(e.Code(), e.P1(), e.P2());
    FFailure = std::move(e);
    sqlite3_result_error(ctx, text.c_str(), -1);
}

namespace {

// A function argument of the given kind as a view (NULL for SQLITE_NULL). Text is read as its
// bytes: asking for a terminated text would copy them.
Value ArgumentValue(sqlite3_value* a, int kind) {
    switch (kind) {
    case SQLITE_INTEGER: return Value::MakeInt(sqlite3_value_int64(a));
    case SQLITE_FLOAT: return Value::MakeReal(sqlite3_value_double(a));
    case SQLITE_TEXT:
        return Value::MakeText(static_cast<const char*>(sqlite3_value_blob(a)), static_cast<size_t>(sqlite3_value_bytes(a)));
    case SQLITE_BLOB:
        return Value::MakeBlob(static_cast<const char*>(sqlite3_value_blob(a)), static_cast<size_t>(sqlite3_value_bytes(a)));
    default: return Value::MakeNull();
    }
}

} // namespace

bool DomainChecks::Check(sqlite3_context* ctx, const Value& v, sqlite3_value** triple) {
    if (v.K == Value::Null) return true; // NULL fits every column
    try {
        CheckStorable(v, sqlite3_value_int(triple[1]));
    } catch (DbError& e) {
        static_cast<DomainChecks*>(sqlite3_user_data(ctx))->Fail(ctx, std::move(e), triple[2]);
        return false;
    }
    return true;
}

void DomainChecks::CheckFunction(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    // Triples of (stored value, type code, column name).
    for (int k = 0; k + 2 < argc; k += 3)
        if (!Check(ctx, ArgumentValue(argv[k], sqlite3_value_type(argv[k])), argv + k)) return;
}

namespace {

// Whether text has the shape of a number's text: blanks, a sign, digits, a point and digits, an
// exponent, blanks (at least one digit before the exponent). Every text the engine reads as a
// number has it; the engine still decides for the texts that have it.
bool ShapedLikeNumber(sqlite3_value* text) {
    const auto* p = static_cast<const unsigned char*>(sqlite3_value_blob(text));
    const size_t n = static_cast<size_t>(sqlite3_value_bytes(text));
    auto blank = [](unsigned char ch) { return IsBlank(static_cast<char>(ch)); };
    auto digit = [](unsigned char ch) { return ch >= '0' && ch <= '9'; };
    size_t i = 0, digits = 0;
    while (i < n && blank(p[i])) ++i;
    if (i < n && (p[i] == '+' || p[i] == '-')) ++i;
    for (; i < n && digit(p[i]); ++i) ++digits;
    if (i < n && p[i] == '.')
        for (++i; i < n && digit(p[i]); ++i) ++digits;
    if (digits == 0) return false;
    if (i < n && (p[i] == 'e' || p[i] == 'E')) {
        ++i;
        if (i < n && (p[i] == '+' || p[i] == '-')) ++i;
        while (i < n && digit(p[i])) ++i;
    }
    while (i < n && blank(p[i])) ++i;
    return i == n;
}

} // namespace

bool DomainChecks::KnownValidStamp(const void* p, size_t n) const {
    if (n == 0 || p == nullptr) return false;
    for (const KnownStamp& k : FKnownStamps)
        if (k.Length == n && std::memcmp(k.Text, p, n) == 0) return true;
    return false;
}

// The value in argv[0] as the column's integer or numeric affinity will store it, checked against
// the type code in argv[1]; a failure names the column in argv[2]. True when it may be stored.
// argv[0] may be converted in place.
bool DomainChecks::CheckAsStored(sqlite3_context* ctx, sqlite3_value** argv) {
    sqlite3_value* a = argv[0];
    int kind = sqlite3_value_type(a);
    // A time stamp the library just wrote from a valid record passes every date and time check
    // (it reads as no number, so no column affinity converts it first).
    if (kind == SQLITE_TEXT) {
        const int type = sqlite3_value_int(argv[1]);
        if ((type == DBLIB_T_DATE || type == DBLIB_T_TIME || type == DBLIB_T_TIMESTAMP) &&
            static_cast<const DomainChecks*>(sqlite3_user_data(ctx))
                ->KnownValidStamp(sqlite3_value_blob(a), static_cast<size_t>(sqlite3_value_bytes(a))))
            return true;
    }
    // Text that reads as a number becomes one (the engine decides); text not even shaped like a
    // number (a date) is told without the engine's parse.
    if (kind == SQLITE_TEXT && ShapedLikeNumber(a)) kind = sqlite3_value_numeric_type(a);
    Value v = ArgumentValue(a, kind);
    if (kind == SQLITE_FLOAT) {
        // A real with an integer's exact value is stored as that integer (not at the 64-bit
        // range's two ends, which the engine keeps real).
        constexpr double kLow = -9223372036854775808.0, kHigh = 9223372036854775808.0;
        const auto i = v.D > kLow && v.D < kHigh ? static_cast<int64_t>(v.D) : int64_t{0};
        if (v.D > kLow && v.D < kHigh && static_cast<double>(i) == v.D && i > INT64_MIN && i < INT64_MAX)
            v = Value::MakeInt(i);
    }
    return Check(ctx, v, argv);
}

void DomainChecks::ValueFunction(sqlite3_context* ctx, int, sqlite3_value** argv) {
    // Hands the value on: the column's affinity converts it as the check did. The value is
    // copied before the check, which reads text as bytes and may mark it so.
    sqlite3_value* copy = sqlite3_value_dup(argv[0]);
    if (!copy) {
        sqlite3_result_error_nomem(ctx);
        return;
    }
    if (CheckAsStored(ctx, argv)) sqlite3_result_value(ctx, copy);
    sqlite3_value_free(copy);
}

void DomainChecks::PassFunction(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    // Triples of (value, type code, column name) of values the statement evaluates again to
    // store them (markers and constants): true when all of them may be stored.
    for (int k = 0; k + 2 < argc; k += 3)
        if (!CheckAsStored(ctx, argv + k)) return;
    sqlite3_result_int(ctx, 1);
}

std::optional<DbError> DomainChecks::TakeFailure() {
    std::optional<DbError> f = std::move(FFailure);
    FFailure.reset();
    return f;
}

namespace {

// Steps a kept one-value statement (compiled on first use); -1 when it cannot be read.
int64_t ReadNumber(sqlite3* handle, StmtHandle& kept, const char* sql) {
    if (!kept && PrepareStmt(handle, sql, -1, SQLITE_PREPARE_PERSISTENT, kept) != SQLITE_OK) return -1;
    int64_t n = -1;
    if (sqlite3_step(kept.get()) == SQLITE_ROW) n = sqlite3_column_int64(kept.get(), 0);
    sqlite3_reset(kept.get());
    return n;
}

} // namespace

int DomainChecks::MainVersion() {
    const int64_t v = ReadNumber(FHandle, FSchemaVersion, "PRAGMA main.schema_version");
    if (v < 0) throw DbError(DBLIB_E_INTERNAL, "the schema version cannot be read");
    return static_cast<int>(v);
}

uint64_t DomainChecks::SchemaKey() {
    const bool inTransaction = !sqlite3_get_autocommit(FHandle);
    if (inTransaction && FKeyIn == FEpoch) return FKey;
    const int64_t temp = ReadNumber(FHandle, FTempVersion, "PRAGMA temp.schema_version");
    FKey = (static_cast<uint64_t>(MainVersion()) << 32) | static_cast<uint32_t>(temp);
    FKeyIn = inTransaction ? FEpoch : 0;
    return FKey;
}

std::set<std::string> DomainChecks::ExistingTriggers() {
    std::set<std::string> existing;
    Query q(FHandle, "SELECT name FROM temp.sqlite_schema WHERE type = 'trigger' AND name LIKE 'tnx!_domain!_%' "
                     "ESCAPE '!'");
    while (q.Row()) existing.insert(q.Text(0));
    return existing;
}

bool DomainChecks::TriggersStand() {
    std::set<std::string> existing = ExistingTriggers();
    if (existing.size() != FTriggers.size()) return false;
    for (const auto& entry : FTriggers)
        if (!existing.count(entry.first)) return false;
    return true;
}

void DomainChecks::Build(int version) {
    FKeyIn = 0; // the temporary schema changes
    FBuilt = false;
    Exec(FHandle, "SAVEPOINT tnx_domains");
    try {
        Rebuild();
        Exec(FHandle, "RELEASE tnx_domains");
    } catch (...) {
        sqlite3_exec(FHandle, "ROLLBACK TO tnx_domains; RELEASE tnx_domains", nullptr, nullptr, nullptr);
        FTriggers.clear(); // what exists is read again from the schema next time
        throw;
    }
    FBuilt = true;
    FBuiltFor = version;
    FCurrentIn = FEpoch;
}

void DomainChecks::DropAll() {
    FKeyIn = 0;
    FBuilt = FProvisional = false;
    FTriggers.clear();
    try {
        for (const std::string& name : ExistingTriggers()) Exec(FHandle, "DROP TRIGGER IF EXISTS temp." + QuotedName(name));
    } catch (const DbError&) {
        // Left standing: they check what they always checked, and the next build reads them again.
    }
}

void DomainChecks::BeforeTransaction(Start why) {
    if (!FHandle) return;
    // No transaction runs: triggers made inside the last one were committed or rolled back.
    if (FProvisional) {
        FProvisional = false;
        if (!TriggersStand()) FBuilt = false;
    }
    if (why == Start::Neutral) return;
    if (why == Start::InlineWrite) {
        if (FBuilt && ++FQuiet >= kQuietTransactions) DropAll();
        return;
    }
    FQuiet = 0;
    const int version = MainVersion();
    if (FBuilt && version == FBuiltFor) {
        FCurrentIn = FEpoch;
        return;
    }
    Build(version); // outside a transaction: the temporary schema commits on its own
}

void DomainChecks::EnsureInTransaction() {
    if (!FHandle) return;
    FQuiet = 0;
    if (FBuilt && FCurrentIn == FEpoch && (!FProvisional || TriggersStand())) return;
    const int version = MainVersion();
    if (FBuilt && version == FBuiltFor && TriggersStand()) {
        FCurrentIn = FEpoch;
        return;
    }
    Build(version);
    FProvisional = true; // part of the running transaction until it ends
}

namespace {

// The column affinity the engine gives a declared type: integer when it names INT anywhere,
// numeric unless it names text, binary or real storage (which are not checked here).
bool IntegerOrNumericAffinity(std::string_view declared) {
    const std::string type = ToUpper(declared);
    auto has = [&](const char* part) { return type.find(part) != std::string::npos; };
    if (has("INT")) return true;
    return !(has("CHAR") || has("CLOB") || has("TEXT") || has("BLOB") || has("REAL") || has("FLOA") ||
             has("DOUB") || type.empty());
}

} // namespace

std::optional<InsertPlan> DomainChecks::PlanInsert(const std::string& table, const std::vector<std::string>* columns,
                                                   size_t items) {
    if (!FHandle || items == 0) return std::nullopt;
    try {
        InsertPlan plan;
        plan.SchemaKey = SchemaKey();
        // A temporary table or view of that name is the one the statement writes.
        {
            Query q(FHandle, "SELECT 1 FROM temp.sqlite_schema WHERE type IN ('table', 'view') AND name = ?1 "
                             "COLLATE NOCASE");
            sqlite3_bind_text(*q, 1, table.c_str(), -1, SQLITE_TRANSIENT);
            if (q.Row()) return std::nullopt;
        }
        bool checked = false; // whether the triggers would check this table at all
        {
            Query q(FHandle, "SELECT upper(sql), name NOT LIKE 'sqlite!_%' ESCAPE '!' AND name NOT LIKE 'tnx!_sys%' "
                             "ESCAPE '!' AND upper(substr(ltrim(sql), 1, 14)) <> 'CREATE VIRTUAL' "
                             "FROM main.sqlite_schema WHERE type = 'table' AND name = ?1 COLLATE NOCASE");
            sqlite3_bind_text(*q, 1, table.c_str(), -1, SQLITE_TRANSIENT);
            if (!q.Row()) return std::nullopt;
            // A REPLACE conflict clause deletes rows, with what that sets off; an IGNORE clause
            // skips a row the triggers would then not see.
            const std::string sql = q.Text(0);
            if (sql.find("REPLACE") != std::string::npos || sql.find("IGNORE") != std::string::npos)
                return std::nullopt;
            checked = sqlite3_column_int(*q, 1) != 0;
        }
        // The table's own triggers (of the file or of this connection) could write anything.
        {
            Query q(FHandle, "SELECT 1 FROM main.sqlite_schema WHERE type = 'trigger' AND tbl_name = ?1 COLLATE NOCASE "
                             "UNION ALL SELECT 1 FROM temp.sqlite_schema WHERE type = 'trigger' AND tbl_name = ?1 "
                             "COLLATE NOCASE AND name NOT LIKE 'tnx!_domain!_%' ESCAPE '!'");
            sqlite3_bind_text(*q, 1, table.c_str(), -1, SQLITE_TRANSIENT);
            if (q.Row()) return std::nullopt;
        }
        struct Column {
            std::string Name, Type;
            bool HasDefault, Key;
        };
        std::vector<Column> cols;
        {
            Query q(FHandle, "SELECT name, type, dflt_value IS NOT NULL, pk, hidden FROM pragma_table_xinfo(?1, 'main')");
            sqlite3_bind_text(*q, 1, table.c_str(), -1, SQLITE_TRANSIENT);
            while (q.Row()) {
                if (sqlite3_column_int(*q, 4) != 0) return std::nullopt; // generated or hidden
                cols.push_back({q.Text(0), q.Text(1), sqlite3_column_int(*q, 2) != 0, sqlite3_column_int(*q, 3) != 0});
            }
        }
        // Which value feeds which column.
        std::vector<int> itemOf(cols.size(), -1);
        if (columns) {
            if (columns->size() != items) return std::nullopt;
            for (size_t i = 0; i < items; ++i) {
                size_t found = cols.size();
                for (size_t k = 0; k < cols.size(); ++k)
                    if (IEquals((*columns)[i], cols[k].Name)) found = k;
                if (found == cols.size() || itemOf[found] >= 0) return std::nullopt;
                itemOf[found] = static_cast<int>(i);
            }
        } else {
            if (cols.size() != items) return std::nullopt;
            for (size_t k = 0; k < cols.size(); ++k) itemOf[k] = static_cast<int>(k);
        }
        plan.Items.resize(items);
        for (size_t k = 0; k < cols.size(); ++k) {
            const Column& col = cols[k];
            DeclaredType dt = MapDeclaredType(col.Type);
            if (!checked || !dt.Declared || !CheckedType(dt.SqlType)) continue;
            if (!IntegerOrNumericAffinity(col.Type)) return std::nullopt;
            // A key column declared INTEGER may be the row identifier, which the engine fills in.
            const bool engineKey = col.Key && IEquals(col.Type, "INTEGER");
            const int item = itemOf[k];
            if (item < 0) {
                if (col.HasDefault || engineKey) return std::nullopt;
                continue; // NULL
            }
            plan.Items[static_cast<size_t>(item)] = {dt.SqlType, col.Name};
            if (engineKey) plan.KeyItem = item;
        }
        return plan;
    } catch (const DbError&) {
        return std::nullopt;
    }
}

void DomainChecks::Rebuild() {
    // The triggers this connection holds now (a dropped table took its own with it).
    std::set<std::string> existing = ExistingTriggers();
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
