// In-memory result set; see TableResult.h.
#include "tools/tnxsql/TableResult.h"

#include <stdexcept>

namespace tnxsql {

TableResult::TableResult(std::vector<Column> columns) : FColumns(std::move(columns)) {
    if (FColumns.empty()) throw std::invalid_argument("a result needs at least one column");
}

void TableResult::AddRow(std::span<const Cell> cells) {
    if (cells.size() != FColumns.size())
        throw std::invalid_argument("row width differs from the column count");
    for (const Cell& c : cells) {
        if (c.Kind() == CellKind::Text || c.Kind() == CellKind::Binary) {
            const std::string& kept = FBytes.emplace_back(c.AsBytes());
            FCells.push_back(c.Kind() == CellKind::Text ? Cell::Text(kept) : Cell::Binary(kept));
        } else {
            FCells.push_back(c);
        }
    }
}

bool TableResult::Next() {
    if (FCurrent >= RowCount()) {
        FCurrent = RowCount() + 1;
        return false;
    }
    ++FCurrent;
    return true;
}

std::span<const Cell> TableResult::Row() const {
    if (FCurrent == 0 || FCurrent > RowCount()) return {};
    return std::span<const Cell>(FCells).subspan((FCurrent - 1) * FColumns.size(), FColumns.size());
}

} // namespace tnxsql
