// Rows kept by a cursor (see RowStore.h).
#include "platform/dblib/RowStore.h"

#include "platform/dblib/Convert.h"

#include <atomic>
#include <cassert>
#include <cstring>
#include <limits>
#include <vector>

namespace tnxdb {

namespace {
std::atomic<size_t> gIdleBytes{0};
}

size_t RowStore::IdleBytes() {
    return gIdleBytes.load(std::memory_order_relaxed);
}

void RowStore::LeaveIdle() {
    if (FIdleBytes == 0) return;
    gIdleBytes.fetch_sub(FIdleBytes, std::memory_order_relaxed);
    FIdleBytes = 0;
}

void RowStore::Reset(size_t columns) {
    FColumns = columns;
    Clear();
}

void RowStore::Clear() {
    LeaveIdle();
    FCells.clear();
    FBytes.clear();
    FRowCount = 0;
}

void RowStore::Release() {
    LeaveIdle();
    FCells.release();
    FBytes.release();
    FRowCount = 0;
}

void RowStore::Recycle(size_t limit) {
    LeaveIdle();
    FCells.recycle(limit, kWarmMapLimit);
    FBytes.recycle(limit, kWarmMapLimit);
    FRowCount = 0;
    const size_t kept = HeldBytes();
    if (kept <= limit) return; // small blocks stay, as they always did, outside the budget
    size_t idle = gIdleBytes.load(std::memory_order_relaxed);
    do {
        if (idle + kept > kIdleBudget) {
            Release();
            return;
        }
    } while (!gIdleBytes.compare_exchange_weak(idle, idle + kept, std::memory_order_relaxed));
    FIdleBytes = kept;
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

void RowStore::PutCell(size_t index, const Cell& c) {
    std::memcpy(FCells.bytes() + index * sizeof(Cell), &c, sizeof c);
}

// A row's cells are written past the end and counted only once all of them are there: a value
// that cannot be read (or its bytes kept) for lack of memory leaves no part of the row behind.
template <class CellOf>
void RowStore::AppendRow(CellOf cellOf) {
    const size_t rowBytes = FColumns * sizeof(Cell);
    FCells.reserve(FCells.size() + rowBytes);
    char* slot = FCells.bytes() + FCells.size();
    for (size_t i = 0; i < FColumns; ++i) {
        const Cell c = cellOf(i);
        std::memcpy(slot + i * sizeof(Cell), &c, sizeof c);
    }
    FCells.set_size(FCells.size() + rowBytes);
    ++FRowCount;
}

void RowStore::AppendFrom(sqlite3_stmt* stmt) {
    AppendRow([&](size_t i) { return CellFrom(stmt, static_cast<int>(i)); });
}

void RowStore::Append(const Value* values) {
    AppendRow([&](size_t i) { return MakeCell(values[i]); });
}

void RowStore::ReplaceFrom(size_t row, sqlite3_stmt* stmt, size_t count) {
    assert(row < Rows() && count <= FColumns);
    // Read in full before anything is overwritten: a failure leaves the row as it was.
    std::vector<Cell> cells;
    cells.reserve(count);
    for (size_t i = 0; i < count; ++i)
        cells.push_back(CellFrom(stmt, static_cast<int>(i)));
    for (size_t i = 0; i < count; ++i)
        PutCell(row * FColumns + i, cells[i]);
}

void RowStore::SetInt(size_t row, size_t col, int64_t v) {
    Cell c;
    c.Kind = Value::Int;
    c.Len = 0;
    c.I = v;
    PutCell(row * FColumns + col, c);
}

} // namespace tnxdb
