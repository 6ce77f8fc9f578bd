// Values between the tool's cells and the library's Variants: parameter cells become host-variable
// values, fetched column values become cells, the library's field types become column types.
#pragma once

#include "base/TnxTypes.h"
#include "platform/vcl/Variant.h"
#include "tools/tnxsql/Value.h"

#include <string>

namespace tnxsql {

// The column type of a field type.
ColumnType ColumnTypeOf(tnx::TCorvexFieldTypes type);

// A parameter cell as a host-variable value. NULL stays NULL; integers that fit 32 bits go as
// 32-bit integers, wider ones as 64-bit integers (exact under the statement's LargeIntegers; a
// double would lose digits above 2^53); dates, times and date-times go as their canonical text
// ("2026-12-08", "10:30:00", "2026-12-08 10:30:00.250000"), which the database compares and stores
// exactly, where a date-time value would give a date a time of day and a time a date.
vcl::Variant CellToVariant(const Cell& cell);

// A fetched value as a cell of the kind its column type asks for. Text and binary bytes are put
// into `storage`, which the cell then views (so it must outlive the cell's use). A value whose
// Variant cannot be read as that kind comes out as its text.
Cell VariantToCell(const vcl::Variant& value, ColumnType type, std::string& storage);

} // namespace tnxsql
