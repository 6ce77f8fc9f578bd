// A result set held in memory, built row by row. The shell uses it for the listings of its
// commands (\info, \servers, \param, \option), so that they come out in the chosen format like
// any query; tests use it to hand the front end results they construct.
#pragma once

#include "tools/tnxsql/Backend.h"

#include <deque>
#include <initializer_list>

namespace tnxsql {

class TableResult final : public ResultSet {
public:
    explicit TableResult(std::vector<Column> columns);

    // Appends a row of exactly Columns().size() cells (std::invalid_argument otherwise). The bytes
    // of text and binary cells are copied, so the caller's may go away.
    void AddRow(std::span<const Cell> cells);
    void AddRow(std::initializer_list<Cell> cells) {
        AddRow(std::span<const Cell>(cells.begin(), cells.size()));
    }

    size_t RowCount() const { return FColumns.empty() ? 0 : FCells.size() / FColumns.size(); }

    const std::vector<Column>& Columns() const override { return FColumns; }
    bool Next() override;
    std::span<const Cell> Row() const override;

private:
    std::vector<Column> FColumns;
    std::vector<Cell> FCells; // row after row
    std::deque<std::string>
        FBytes;          // owns the bytes text and binary cells point to (a deque never moves them)
    size_t FCurrent = 0; // 1-based row Next() moved to; 0 before the first
};

} // namespace tnxsql
