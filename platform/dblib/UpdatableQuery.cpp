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
    const std::string& text = sql;
    size_t n = t.size();
    if (n > 0 && IsPunct(text, t[n - 1], ';')) --n;
    if (n == 0 || !IsKeyword(text, t[0], "SELECT")) {
        q.FReason = "it is not a single SELECT";
        return q;
    }
    size_t from = 0;
    int depth = 0;
    for (size_t i = 1; i < n; ++i) {
        const Token& k = t[i];
        if (IsPunct(text, k, '(')) {
            ++depth;
            continue;
        }
        if (IsPunct(text, k, ')')) {
            --depth;
            continue;
        }
        if (depth != 0) continue;
        if (i == 1 && IsKeyword(text, k, "DISTINCT")) {
            q.FReason = "it selects DISTINCT rows";
            return q;
        }
        if (IsKeyword(text, k, "UNION") || IsKeyword(text, k, "INTERSECT") || IsKeyword(text, k, "EXCEPT")) {
            q.FReason = "it is a compound query";
            return q;
        }
        if (IsKeyword(text, k, "GROUP") || IsKeyword(text, k, "HAVING")) {
            q.FReason = "it groups rows";
            return q;
        }
        if (IsPunct(text, k, ';')) {
            q.FReason = "it holds several statements";
            return q;
        }
        if (IsAggregateName(text, k) && i + 1 < n && IsPunct(text, t[i + 1], '(')) {
            bool scalar =
                (IsKeyword(text, k, "MIN") || IsKeyword(text, k, "MAX")) && HasTopLevelComma(text, t, i + 1);
            if (!scalar) {
                q.FReason = "it computes aggregates";
                return q;
            }
        }
        if (from == 0 && IsKeyword(text, k, "FROM")) from = i;
    }
    if (from == 0) {
        q.FReason = "it reads no table";
        return q;
    }
    // The table reference: [schema.]name [[AS] alias], up to the next clause.
    size_t i = from + 1;
    auto isName = [&](size_t j) {
        return j < n && (t[j].Kind == TokKind::Word || t[j].Kind == TokKind::QuotedIdent);
    };
    if (!isName(i)) {
        q.FReason = "it does not read one table";
        return q;
    }
    std::string schema, table = TokenText(text, t[i]);
    ++i;
    if (i < n && IsPunct(text, t[i], '.') && isName(i + 1)) {
        schema = table;
        table = TokenText(text, t[i + 1]);
        i += 2;
    }
    if (i < n && IsKeyword(text, t[i], "AS")) ++i;
    if (isName(i) && !IsClauseWord(text, t[i])) ++i;
    if (i < n && !IsClauseWord(text, t[i])) {
        q.FReason = "it does not read one table";
        return q;
    }
    // An unterminated quoted name reads as empty (the engine reports the text as malformed).
    if (table.empty()) {
        q.FReason = "it does not read one table";
        return q;
    }
    size_t refEnd = i; // first token after the table reference
    q.FTableName = table;
    q.FQuotedTable = schema.empty() ? Quote(table) : Quote(schema) + "." + Quote(table);
    for (size_t j = 1; j < from; ++j)
        if (t[j].Kind == TokKind::Marker) ++q.FSelectMarkers;
    size_t cut = t[from].Begin;
    size_t end = t[n - 1].End;
    q.FCursorText = text.substr(0, cut) + ", _rowid_ " + text.substr(cut, end - cut);
    q.FRowText = "SELECT " + text.substr(t[0].End, cut - t[0].End) + " FROM " +
                 text.substr(t[from + 1].Begin, t[refEnd - 1].End - t[from + 1].Begin) + " WHERE _rowid_ = ?";
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
