// TAsaStatementPool: the statement numbers a session's statements have prepared under, so that a
// number freed by one statement is handed to the next prepare instead of a new one.
//
// Before dbpp_prepare a statement takes Next() (0 when no number is free: the library then picks
// one) and passes it by address; after a successful prepare it calls Use() with the number the
// library wrote back; when it drops the statement it calls Drop() and then dbpp_dropstmt. The
// session clears the pool on every disconnect (numbers belong to a connection).
//
// Invariants: entries keep the order they were added in; a number appears at most once (Use finds
// an existing entry before adding); lookups scan from the front, so Next gives the earliest-added
// free number. For the generations lgNoCheck and lgOlder nothing is ever recorded: their
// libraries do not reuse numbers handed back in.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace tnx {

// One remembered statement number.
struct TAsaStatement {
    int32_t Number = 0; // the number the client library returned
    bool InUse = true;  // a prepared statement holds the number
};

class TAsaStatementPool {
public:
    // Reserves room for Capacity entries (the session asks for 32767, every number a connection
    // can hold).
    explicit TAsaStatementPool(int32_t Capacity);
    ~TAsaStatementPool();
    TAsaStatementPool(const TAsaStatementPool&) = delete;
    TAsaStatementPool& operator=(const TAsaStatementPool&) = delete;

    // Frees every entry, the last one first.
    void Clear();
    // The first entry from the front with that number, or null.
    TAsaStatement* Find(int32_t Number);
    // The number of the first entry from the front that is not in use; 0 when none is free.
    int32_t Next() const;
    // Marks the number in use, adding it when it is new (not for lgNoCheck and lgOlder).
    void Use(int32_t Number);
    // Marks the number free; an unknown number is ignored.
    void Drop(int32_t Number);

    int32_t Count() const { return static_cast<int32_t>(FItems.size()); }
    const TAsaStatement& Item(int32_t Index) const { return *FItems.at(static_cast<std::size_t>(Index)); }

private:
    // Owned entries, in the order they were added.
    std::vector<std::unique_ptr<TAsaStatement>> FItems;
};

} // namespace tnx
