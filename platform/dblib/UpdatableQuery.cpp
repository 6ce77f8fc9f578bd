// Queries whose rows can be changed through a cursor (see UpdatableQuery.h).
#include "platform/dblib/UpdatableQuery.h"

#include "platform/dblib/SqlScanner.h"
#include "platform/dblib/Text.h"

namespace tnxdb {

namespace {

bool IsPunct(const std::string& text, const Token& t, char c) {
    return t.Kind == TokKind::Punct && text[t.Begin] == c;
}

bool IsClauseWord(const std::string& text, const Token& t) {
    for (const char* k : {"WHERE", "ORDER", "LIMIT", "GROUP", "HAVING", "WINDOW"})
        if (IsKeyword(text, t, k)) return true;
    return false;
}

bool IsAggregateName(const std::string& text, const Token& t) {
    for (const char* k : {"COUNT", "SUM", "AVG", "TOTAL", "GROUP_CONCAT", "STRING_AGG", "MIN", "MAX"})
        if (IsKeyword(text, t, k)) return true;
    return false;
}

// Whether the parenthesized list opening at token `open` has a comma at its own level.
bool HasTopLevelComma(const std::string& text, const std::vector<Token>& t, size_t open) {
    int depth = 0;
    for (size_t i = open; i < t.size(); ++i) {
        if (IsPunct(text, t[i], '('))
            ++depth;
        else if (IsPunct(text, t[i], ')') && --depth == 0)
            return false;
        else if (depth == 1 && IsPunct(text, t[i], ','))
            return true;
    }
    return false;
}

// The tokens of the statement, a final semicolon left out.
struct QueryTokens {
    const std::string& Text;
    const std::vector<Token>& T;
    size_t N;

    bool IsName(size_t j) const {
        return j < N && (T[j].Kind == TokKind::Word || T[j].Kind == TokKind::QuotedIdent);
    }
};

// Looks at the top level of the SELECT (outside parentheses) for what keeps its rows from being
// changed, and for the FROM. Returns why the query does not qualify, or null with `from` set to
// the FROM's token.
const char* TopLevelRefusal(const QueryTokens& q, size_t& from) {
    const std::string& text = q.Text;
    from = 0;
    int depth = 0;
    for (size_t i = 1; i < q.N; ++i) {
        const Token& k = q.T[i];
        if (IsPunct(text, k, '(')) {
            ++depth;
            continue;
        }
        if (IsPunct(text, k, ')')) {
            --depth;
            continue;
        }
        if (depth != 0) continue;
        if (i == 1 && IsKeyword(text, k, "DISTINCT")) return "it selects DISTINCT rows";
        if (IsKeyword(text, k, "UNION") || IsKeyword(text, k, "INTERSECT") || IsKeyword(text, k, "EXCEPT"))
            return "it is a compound query";
        if (IsKeyword(text, k, "GROUP") || IsKeyword(text, k, "HAVING")) return "it groups rows";
        if (IsPunct(text, k, ';')) return "it holds several statements";
        if (IsAggregateName(text, k) && i + 1 < q.N && IsPunct(text, q.T[i + 1], '(')) {
            // MIN and MAX of several arguments are scalar functions.
            bool scalar = (IsKeyword(text, k, "MIN") || IsKeyword(text, k, "MAX")) &&
                          HasTopLevelComma(text, q.T, i + 1);
            if (!scalar) return "it computes aggregates";
        }
        if (from == 0 && IsKeyword(text, k, "FROM")) from = i;
    }
    return from == 0 ? "it reads no table" : nullptr;
}

// The table reference after FROM: [schema.]name [[AS] alias], up to the next clause.
struct TableReference {
    std::string Schema, Table;
    size_t End = 0; // first token after the reference
};

// False when what follows FROM is not one table.
bool ReadTableReference(const QueryTokens& q, size_t from, TableReference& ref) {
    size_t i = from + 1;
    if (!q.IsName(i)) return false;
    ref.Table = TokenText(q.Text, q.T[i]);
    ++i;
    if (i < q.N && IsPunct(q.Text, q.T[i], '.') && q.IsName(i + 1)) {
        ref.Schema = ref.Table;
        ref.Table = TokenText(q.Text, q.T[i + 1]);
        i += 2;
    }
    if (i < q.N && IsKeyword(q.Text, q.T[i], "AS")) ++i;
    if (q.IsName(i) && !IsClauseWord(q.Text, q.T[i])) ++i;
    if (i < q.N && !IsClauseWord(q.Text, q.T[i])) return false;
    // An unterminated quoted name reads as empty (the engine reports the text as malformed).
    if (ref.Table.empty()) return false;
    ref.End = i;
    return true;
}

} // namespace

std::string UpdatableQuery::Quote(const std::string& name) {
    std::string out = "\"";
    for (char c : name) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
    return out;
}

UpdatableQuery UpdatableQuery::Analyse(const std::string& sql) {
    UpdatableQuery q;
    ScannedSql scanned = ScanSql(sql);
    const std::vector<Token>& t = scanned.Tokens;
    size_t n = t.size();
    if (n > 0 && IsPunct(sql, t[n - 1], ';')) --n;
    if (n == 0 || !IsKeyword(sql, t[0], "SELECT")) {
        q.FReason = "it is not a single SELECT";
        return q;
    }
    const QueryTokens tokens{sql, t, n};
    size_t from = 0;
    if (const char* refusal = TopLevelRefusal(tokens, from)) {
        q.FReason = refusal;
        return q;
    }
    TableReference ref;
    if (!ReadTableReference(tokens, from, ref)) {
        q.FReason = "it does not read one table";
        return q;
    }
    q.FTableName = ref.Table;
    q.FQuotedTable = ref.Schema.empty() ? Quote(ref.Table) : Quote(ref.Schema) + "." + Quote(ref.Table);
    for (size_t j = 1; j < from; ++j)
        if (t[j].Kind == TokKind::Marker) ++q.FSelectMarkers;
    size_t cut = t[from].Begin;
    size_t end = t[n - 1].End;
    q.FCursorText = sql.substr(0, cut) + ", _rowid_ " + sql.substr(cut, end - cut);
    q.FRowText = "SELECT " + sql.substr(t[0].End, cut - t[0].End) + " FROM " +
                 sql.substr(t[from + 1].Begin, t[ref.End - 1].End - t[from + 1].Begin) + " WHERE _rowid_ = ?";
    return q;
}

bool UpdatableQuery::Describe(sqlite3_stmt* stmt) {
    FColumns.clear();
    int n = sqlite3_column_count(stmt);
    const char* rowidTable = n > 0 ? sqlite3_column_table_name(stmt, n - 1) : nullptr;
    const char* rowidDb = n > 0 ? sqlite3_column_database_name(stmt, n - 1) : nullptr;
    if (!rowidTable) {
        FReason = "'" + FTableName + "' has no row identifiers";
        return false;
    }
    FTableName = rowidTable;
    for (int i = 0; i + 1 < n; ++i) {
        Column c;
        const char* name = sqlite3_column_name(stmt, i);
        c.Name = name ? name : "";
        const char* table = sqlite3_column_table_name(stmt, i);
        const char* db = sqlite3_column_database_name(stmt, i);
        const char* origin = sqlite3_column_origin_name(stmt, i);
        if (table && origin && IEquals(table, rowidTable) && db && rowidDb && IEquals(db, rowidDb))
            c.Origin = origin;
        FColumns.push_back(std::move(c));
    }
    return true;
}

int UpdatableQuery::FindColumn(const char* name, size_t length) const {
    std::string_view want(name, length);
    auto same = [&](const std::string& have) {
        if (IEquals(have, want)) return true;
        // A name of 30 characters may be a longer one cut to fit an sqlname.
        return length == 30 && have.size() > 30 && IEquals(std::string_view(have).substr(0, 30), want);
    };
    for (size_t i = 0; i < FColumns.size(); ++i)
        if (same(FColumns[i].Name)) return static_cast<int>(i);
    for (size_t i = 0; i < FColumns.size(); ++i)
        if (!FColumns[i].Origin.empty() && same(FColumns[i].Origin)) return static_cast<int>(i);
    return -1;
}

} // namespace tnxdb
