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
    FKindBytes = (columns + 7) & ~size_t(7);
    FRowBytes = FKindBytes + columns * kCellBytes;
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

// Always inline, like CellFrom: they run for every value of every kept row, and their calls cost
// more than most of their cases.
[[gnu::always_inline]] inline RowStore::Cell RowStore::MakeCell(const Value& v) {
    Cell c{v.K, 0};
    switch (v.K) {
    case Value::Int:
        std::memcpy(&c.Bits, &v.I, sizeof c.Bits);
        break;
    case Value::Real:
        std::memcpy(&c.Bits, &v.D, sizeof c.Bits);
        break;
    case Value::Text:
    case Value::Blob: {
        // The engine keeps values below 2^31 bytes, so the length always fits.
        assert(v.N <= std::numeric_limits<uint32_t>::max());
        const auto len = static_cast<uint32_t>(v.N);
        const size_t at = FBytes.size();
        FBytes.reserve(at + sizeof len + v.N);
        char* out = FBytes.bytes() + at;
        std::memcpy(out, &len, sizeof len);
        if (v.N != 0) std::memcpy(out + sizeof len, v.P, v.N);
        FBytes.set_size(at + sizeof len + v.N);
        c.Bits = at;
        break;
    }
    case Value::Null:
        break;
    }
    return c;
}

[[gnu::always_inline]] inline RowStore::Cell RowStore::CellFrom(sqlite3_stmt* stmt, int col) {
    // Through the column's value object, as a delivered row reads it: cheaper than the column
    // routines, and a value the engine could not convert for lack of memory raises.
    return MakeCell(ColumnValue(stmt, col));
}

// A row's slot is written past the end and counted only once all of its cells are there: a value
// that cannot be read (or its bytes kept) for lack of memory leaves no part of the row behind.
template <class CellOf>
void RowStore::AppendRow(CellOf cellOf) {
    FCells.reserve(FCells.size() + FRowBytes);
    char* slot = FCells.bytes() + FCells.size();
    // The padding after the kinds is cleared (one store of their last 8 bytes, before the kinds
    // are written): no byte of a kept row is left unwritten.
    if (FKindBytes != 0) std::memset(slot + FKindBytes - 8, 0, 8);
    for (size_t i = 0; i < FColumns; ++i)
        PutCell(slot, i, cellOf(i));
    FCells.set_size(FCells.size() + FRowBytes);
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
    char* slot = FCells.bytes() + row * FRowBytes;
    for (size_t i = 0; i < count; ++i)
        PutCell(slot, i, cells[i]);
}

void RowStore::SetInt(size_t row, size_t col, int64_t v) {
    Cell c{Value::Int, 0};
    std::memcpy(&c.Bits, &v, sizeof c.Bits);
    PutCell(FCells.bytes() + row * FRowBytes, col, c);
}

} // namespace tnxdb
