// UpdatableQuery: decides whether a cursor's query can change rows of one base table through
// the cursor, and builds the statements that do it. A query qualifies when it is one SELECT over
// one table of the database (a rowid table, named directly, optionally with an alias), without
// DISTINCT, grouping, aggregate functions or compound parts. The cursor then runs a rewritten
// form of the query that carries the row's identifier (its rowid) as one more, hidden, result
// column, so that a positioned change names the row by its identifier and never by its values.
//
//   cursor query   the original text with ", _rowid_" before the top-level FROM
//   row query      SELECT <the original select list> FROM <table reference> WHERE _rowid_ = ?
//                  (the cursor's columns evaluated for one row: the row as stored after an
//                  update or insert)
//   UPDATE / DELETE / INSERT ... RETURNING _rowid_
//
// The select list's markers come first in both the cursor query and the row query, so the row
// query takes the first SelectMarkers inputs of the cursor and then the rowid.
#pragma once

#include <sqlite3.h>

#include <string>
#include <vector>

namespace tnxdb {

class UpdatableQuery {
public:
    // Analyses the text of one engine statement. Never throws for text it cannot use: Ok() is
    // false and Reason() says why.
    static UpdatableQuery Analyse(const std::string& sql);

    bool Ok() const { return FReason.empty(); }
    const std::string& Reason() const { return FReason; }

    const std::string& CursorText() const { return FCursorText; }
    const std::string& RowText() const { return FRowText; }
    int SelectMarkers() const { return FSelectMarkers; }
    // The table as written in the query (quoted for SQL) and its plain name (for messages).
    const std::string& QuotedTable() const { return FQuotedTable; }
    const std::string& TableName() const { return FTableName; }

    // Per result column of the cursor query (the hidden rowid excluded): its name, and the
    // table column it shows ("" for an expression, which cannot be changed).
    struct Column {
        std::string Name;
        std::string Origin;
    };
    // Fills the columns from the compiled cursor query; false (with Reason set) when the query
    // does not read a table with row identifiers after all (a view, or a table without rowid).
    bool Describe(sqlite3_stmt* cursorStmt);
    const std::vector<Column>& Columns() const { return FColumns; }
    // The result column named `name` (case-insensitive, the first 30 characters when the name
    // fills a whole sqlname), or -1.
    int FindColumn(const char* name, size_t length) const;

    // Quotes an identifier for SQL ("..." with doubled quotes).
    static std::string Quote(const std::string& name);

private:
    std::string FReason;
    std::string FCursorText;
    std::string FRowText;
    int FSelectMarkers = 0;
    std::string FQuotedTable;
    std::string FTableName;
    std::vector<Column> FColumns;
};

} // namespace tnxdb
