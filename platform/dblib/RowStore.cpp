// Rows kept by a cursor (see RowStore.h).
#include "platform/dblib/RowStore.h"

#include "platform/dblib/Convert.h"

#include <algorithm>
#include <cassert>
#include <limits>

namespace tnxdb {

void RowStore::Reset(size_t columns) {
    FColumns = columns;
    Clear();
}

void RowStore::Clear() {
    FCells.clear();
    FBytes.clear();
    FRowCount = 0;
}

void RowStore::Release() {
    std::vector<Cell>().swap(FCells);
    FBytes.release();
    FRowCount = 0;
}

void RowStore::Recycle(size_t limit) {
    if (FCells.capacity() * sizeof(Cell) + FBytes.capacity() > limit)
        Release();
    else
        Clear();
}

RowStore::Cell RowStore::MakeCell(const Value& v) {
    Cell c;
    c.Kind = static_cast<uint32_t>(v.K);
    c.Len = 0;
    c.I = 0;
    switch (v.K) {
    case Value::Int:
        c.I = v.I;
        break;
    case Value::Real:
        c.D = v.D;
        break;
    case Value::Text:
    case Value::Blob:
        // The engine keeps values below 2^31 bytes, so the length always fits.
        assert(v.N <= std::numeric_limits<uint32_t>::max());
        c.Len = static_cast<uint32_t>(v.N);
        c.Off = FBytes.size();
        FBytes.append(v.P, v.N);
        break;
    case Value::Null:
        break;
    }
    return c;
}

RowStore::Cell RowStore::CellFrom(sqlite3_stmt* stmt, int col) {
    // Through the column's value object, as a delivered row reads it: cheaper than the column
    // routines, and a value the engine could not convert for lack of memory raises.
    return MakeCell(ColumnValue(stmt, col));
}

void RowStore::AppendFrom(sqlite3_stmt* stmt) {
    const size_t before = FCells.size();
    try {
        for (size_t i = 0; i < FColumns; ++i)
            FCells.push_back(CellFrom(stmt, static_cast<int>(i)));
    } catch (...) {
        FCells.resize(before); // never part of a row
        throw;
    }
    ++FRowCount;
}

void RowStore::Append(const Value* values) {
    const size_t before = FCells.size();
    try {
        for (size_t i = 0; i < FColumns; ++i)
            FCells.push_back(MakeCell(values[i]));
    } catch (...) {
        FCells.resize(before); // no memory for the bytes: the row is not kept at all
        throw;
    }
    ++FRowCount;
}

void RowStore::ReplaceFrom(size_t row, sqlite3_stmt* stmt, size_t count) {
    assert(row < Rows() && count <= FColumns);
    // Read in full before anything is overwritten: a failure leaves the row as it was.
    std::vector<Cell> cells;
    cells.reserve(count);
    for (size_t i = 0; i < count; ++i)
        cells.push_back(CellFrom(stmt, static_cast<int>(i)));
    std::copy(cells.begin(), cells.end(), FCells.begin() + static_cast<std::ptrdiff_t>(row * FColumns));
}

void RowStore::SetInt(size_t row, size_t col, int64_t v) {
    Cell& c = FCells[row * FColumns + col];
    c.Kind = Value::Int;
    c.Len = 0;
    c.I = v;
}

Value RowStore::Get(size_t row, size_t col) const {
    const Cell& c = FCells[row * FColumns + col];
    switch (static_cast<Value::Kind>(c.Kind)) {
    case Value::Int:
        return Value::MakeInt(c.I);
    case Value::Real:
        return Value::MakeReal(c.D);
    case Value::Text:
        return Value::MakeText(FBytes.data() + c.Off, c.Len);
    case Value::Blob:
        return Value::MakeBlob(FBytes.data() + c.Off, c.Len);
    case Value::Null:
        break;
    }
    return Value::MakeNull();
}

} // namespace tnxdb
