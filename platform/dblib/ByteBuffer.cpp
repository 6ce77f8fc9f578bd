// Growable byte block (see ByteBuffer.h).
#include "platform/dblib/ByteBuffer.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include <sys/mman.h>

namespace tnxdb {

ByteBuffer::~ByteBuffer() {
    if (FMapped)
        munmap(FData, FCapacity);
    else
        std::free(FData);
}

void ByteBuffer::release() {
    if (FMapped)
        munmap(FData, FCapacity);
    else
        std::free(FData);
    FData = nullptr;
    FSize = FCapacity = 0;
    FMapped = false;
}

void ByteBuffer::recycle(size_t heapLimit, size_t mapLimit) {
    if (FCapacity > (FMapped ? mapLimit : heapLimit))
        release();
    else
        FSize = 0;
}

void ByteBuffer::assign(const char* p, size_t n) {
    if (FData && p >= FData && p < FData + FCapacity) {
        std::memmove(FData, p, n);
        FSize = n;
        return;
    }
    FSize = 0;
    append(p, n);
}

void ByteBuffer::append(const char* p, size_t n) {
    if (n == 0) return;
    if (FSize + n > FCapacity) Grow(FSize + n);
    std::memcpy(FData + FSize, p, n);
    FSize += n;
}

void ByteBuffer::Grow(size_t need) {
    size_t cap = FCapacity ? FCapacity : 64;
    while (cap < need)
        cap *= 2;
    if (cap < FMapFrom) {
        void* p = std::realloc(FData, cap);
        if (!p) throw std::bad_alloc();
        FData = static_cast<char*>(p);
        FCapacity = cap;
        return;
    }
    void* p;
    if (FMapped) {
        p = mremap(FData, FCapacity, cap, MREMAP_MAYMOVE);
        if (p == MAP_FAILED) throw std::bad_alloc();
    } else {
        p = mmap(nullptr, cap, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (p == MAP_FAILED) throw std::bad_alloc();
        if (cap >= kHugePageThreshold) madvise(p, cap, MADV_HUGEPAGE); // before the copy touches it
        if (FSize) std::memcpy(p, FData, FSize);
        std::free(FData);
        FMapped = true;
    }
    if (cap >= kHugePageThreshold) madvise(p, cap, MADV_HUGEPAGE);
    FData = static_cast<char*>(p);
    FCapacity = cap;
}

} // namespace tnxdb
