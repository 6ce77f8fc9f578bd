// LiveIndex: the row numbers of a scrollable cursor once rows have been deleted through it.
// A scrollable cursor keeps the rows it has read in the order read ("physical" numbers); a row
// deleted through the cursor stays in that store but no longer counts, so the numbers the caller
// sees ("logical" numbers, counting live rows only) skip it. Until the first deletion the two
// numberings are the same and nothing is kept; from then on a binary indexed tree over the live
// flags answers both directions in O(log n) and grows in O(log n) per appended row, so a cursor
// over n rows with any number of deletions still costs O(n log n) time and O(n) memory at most.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tnxdb {

class LiveIndex {
public:
    void Clear();
    // A new physical row, live, at the end.
    void Append();
    // Marks a live physical row deleted.
    void Erase(size_t physical);

    size_t PhysicalCount() const { return FCount; }
    size_t LiveCount() const { return FCount - FDeleted; }
    bool IsLive(size_t physical) const { return FDeleted == 0 || FLive[physical] != 0; }
    // The physical number of the live row with this logical number (< LiveCount()).
    size_t Select(size_t logical) const;
    // The number of live rows before a physical row.
    size_t Rank(size_t physical) const;

private:
    int64_t Prefix(size_t n) const; // live rows among the first n physical rows
    void Build();

    size_t FCount = 0;          // physical rows
    size_t FDeleted = 0;        // rows erased; the tree exists only when this is > 0
    std::vector<uint8_t> FLive; // per physical row: 1 live, 0 deleted (only while FDeleted > 0)
    std::vector<int64_t> FTree; // 1-based binary indexed tree over FLive (FTree[0] unused)
};

} // namespace tnxdb
