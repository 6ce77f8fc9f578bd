// RowStore: rows of values copied out of the engine and kept by a cursor. Every row has the same
// number of columns and the same layout: a byte per column for the value's kind, padded to 8
// bytes, then an 8-byte cell per column holding the number itself or where the value's bytes lie.
// The bytes of text and binary values follow one another in a single growing arena, each after
// its length. Appending a row therefore costs one row slot plus one copy of its bytes, never a
// heap allocation per value, and n rows of b bytes in all take O(n + b) memory and time. (A
// million rows of four columns take 40 MB of slots; 16-byte cells with the kind took 64 MB, and
// a cursor that keeps its rows pays for every fresh page it writes.)
//
// Values handed out by Get point into the arena: they stay valid until the next Append, Replace,
// Clear or Release.
#pragma once

#include "platform/dblib/ByteBuffer.h"
#include "platform/dblib/Value.h"

#include <sqlite3.h>

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace tnxdb {

class RowStore {
public:
    RowStore() = default;
    ~RowStore() { LeaveIdle(); }
    RowStore(const RowStore&) = delete;
    RowStore& operator=(const RowStore&) = delete;

    // Forgets every row and sets the number of columns; keeps the memory for reuse.
    void Reset(size_t columns);
    // Forgets every row and returns the memory.
    void Release();
    // Forgets every row and keeps the blocks that make the next fill cheap: one on the heap while
    // it is at most `limit` bytes, a mapped one while it is at most kWarmMapLimit. A cursor opened
    // again and again over up to about 100,000 rows then neither grows its blocks again nor takes a
    // page fault for every page of them; larger blocks are returned (they are on huge pages, which
    // refill with few faults). Kept blocks over `limit` count against one budget for the whole
    // process, kIdleBudget, until the store is used again: a store that would pass it returns its
    // blocks, so that a program with many closed cursors does not hold 16 MB for each of them.
    void Recycle(size_t limit);
    static constexpr size_t kWarmMapLimit = size_t(8) << 20;
    static constexpr size_t kIdleBudget = size_t(64) << 20;
    // Bytes of blocks that recycled stores of this process keep while they are not used.
    static size_t IdleBytes();
    // Bytes of the blocks this store holds (used or kept).
    size_t HeldBytes() const { return FCells.capacity() + FBytes.capacity(); }
    void Clear();

    size_t Columns() const { return FColumns; }
    // Counted, not divided out of the cells: cursors ask for it several times a row.
    size_t Rows() const { return FRowCount; }

    // Appends the engine's current row (its first Columns() result columns). Throws
    // DbError(DBLIB_E_MEMORY) when a value cannot be read for lack of memory; nothing is appended then.
    void AppendFrom(sqlite3_stmt* stmt);
    // Appends a row of Columns() values.
    void Append(const Value* values);
    // Overwrites columns [0, count) of a row with the engine's current row; the other columns
    // keep their values. The old bytes stay in the arena until the store is cleared.
    void ReplaceFrom(size_t row, sqlite3_stmt* stmt, size_t count);

    // Inline: a block fetch from kept rows reads every value of every row it delivers, and a value
    // returned from a call is read back from memory it was just written to in other widths (a
    // store-forwarding stall that took a third of the delivery's time).
    Value Get(size_t row, size_t col) const {
        const char* slot = FCells.data() + row * FRowBytes;
        const auto kind = static_cast<Value::Kind>(static_cast<unsigned char>(slot[col]));
        const char* cell = slot + FKindBytes + col * kCellBytes;
        switch (kind) {
        case Value::Int: {
            int64_t i;
            std::memcpy(&i, cell, sizeof i);
            return Value::MakeInt(i);
        }
        case Value::Real: {
            double d;
            std::memcpy(&d, cell, sizeof d);
            return Value::MakeReal(d);
        }
        case Value::Text:
        case Value::Blob: {
            uint64_t off;
            std::memcpy(&off, cell, sizeof off);
            uint32_t len;
            std::memcpy(&len, FBytes.data() + off, sizeof len);
            const char* p = FBytes.data() + off + sizeof len;
            return kind == Value::Text ? Value::MakeText(p, len) : Value::MakeBlob(p, len);
        }
        case Value::Null:
            break;
        }
        return Value::MakeNull();
    }
    // Sets one value to an integer.
    void SetInt(size_t row, size_t col, int64_t v);

private:
    // One value as it is written into a row slot: Kind is a Value::Kind; Bits holds an Int's or a
    // Real's bits, or for Text and Blob the offset in FBytes of their length (4 bytes) and bytes.
    struct Cell {
        Value::Kind Kind;
        uint64_t Bits;
    };
    static constexpr size_t kCellBytes = 8;

    Cell MakeCell(const Value& v);
    Cell CellFrom(sqlite3_stmt* stmt, int col);
    // Appends one row whose cell i is cellOf(i).
    template <class CellOf>
    void AppendRow(CellOf cellOf);
    // Writes a cell into its place in a row slot.
    void PutCell(char* slot, size_t col, const Cell& c) const {
        slot[col] = static_cast<char>(c.Kind);
        std::memcpy(slot + FKindBytes + col * kCellBytes, &c.Bits, kCellBytes);
    }
    // Takes this store's kept blocks off the process's idle budget (they are used again, or go).
    void LeaveIdle();

    size_t FColumns = 0;
    size_t FKindBytes = 0; // the kinds of a row, FColumns bytes rounded up to 8
    size_t FRowBytes = 0;  // a row slot: FKindBytes + FColumns cells
    // Kept rows map their blocks from 256 KB on, so that a recycled store keeps them (see Recycle):
    // heap blocks of a few MB came back to a cursor opened again as fresh pages, or were copied as
    // they grew.
    static constexpr size_t kMapFrom = size_t(256) << 10;
    // The row slots, one after another, in a block that grows as a long value's does: a mapping
    // that moves without copying and, from a few MB on, asks for huge pages. A vector's doublings
    // touched every page of every new block: tens of thousands of page faults for a million rows,
    // which cost more than the copying on a virtual machine. Invariant: its size is FRowCount *
    // FRowBytes.
    ByteBuffer FCells{kMapFrom};
    size_t FRowCount = 0;
    ByteBuffer FBytes{kMapFrom};
    size_t FIdleBytes = 0; // what this store counts in the idle budget while it is recycled
};

} // namespace tnxdb
