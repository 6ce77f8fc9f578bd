// ByteBuffer: a growable block of bytes for long values and kept rows. It grows geometrically, so
// appending n pieces costs time linear in the final length. Small blocks live on the heap
// (realloc); from a threshold on (kMapThreshold unless the owner asks for another), the block is a
// private mapping that grows with mremap (pages move, nothing is copied) and, from
// kHugePageThreshold on, asks for huge pages, because first-touch page faults, not copying, are
// what a long value costs: with 2 MB pages a 100 MB value takes 50 faults instead of 25,600.
#pragma once

#include <cstddef>

namespace tnxdb {

class ByteBuffer {
public:
    ByteBuffer() = default;
    // A buffer that becomes a mapping from mapFrom bytes on (at least a page's worth).
    explicit ByteBuffer(size_t mapFrom) : FMapFrom(mapFrom) {}
    ~ByteBuffer();
    ByteBuffer(const ByteBuffer&) = delete;
    ByteBuffer& operator=(const ByteBuffer&) = delete;

    const char* data() const { return FData ? FData : ""; }
    size_t size() const { return FSize; }
    size_t capacity() const { return FCapacity; }
    void clear() { FSize = 0; }
    // Empties the buffer and returns its memory.
    void release();
    // Empties the buffer and keeps its memory for the next fill when it is a mapping of at most
    // mapLimit bytes or heap memory of at most heapLimit bytes; else returns it like release. A
    // kept mapping is left as it is: handing its pages back lazily (MADV_FREE) cost the next fill
    // of a 100,000-row store 7 ms of its 18 ms gain, and a larger one, on huge pages, refills with
    // few faults anyway.
    void recycle(size_t heapLimit, size_t mapLimit);
    // Replaces the content; p may point into the buffer itself.
    void assign(const char* p, size_t n);
    void append(const char* p, size_t n);
    // Room for n bytes in all without growing again; the content is kept.
    void reserve(size_t n) {
        if (n > FCapacity) Grow(n);
    }
    // Writable bytes for a caller that fills reserved room itself and then sets the size; null
    // while nothing was ever reserved.
    char* bytes() { return FData; }
    // Sets the size within the capacity (bytes past the old size must have been written).
    void set_size(size_t n) { FSize = n; }

    static constexpr size_t kMapThreshold = size_t(4) << 20;
    static constexpr size_t kHugePageThreshold = size_t(4) << 20;

private:
    void Grow(size_t need);

    char* FData = nullptr; // invariant: FSize <= FCapacity; null only while FCapacity is 0
    size_t FSize = 0;
    size_t FCapacity = 0;
    bool FMapped = false; // FData is a mapping of FCapacity bytes (else heap memory)
    size_t FMapFrom = kMapThreshold;
};

} // namespace tnxdb
