// Logical and physical row numbers of a scrollable cursor (see LiveIndex.h).
#include "platform/dblib/LiveIndex.h"

#include <cassert>

namespace tnxdb {

namespace {

size_t LowBit(size_t i) {
    return i & (~i + 1);
}

} // namespace

void LiveIndex::Clear() {
    FCount = 0;
    FDeleted = 0;
    std::vector<uint8_t>().swap(FLive);
    std::vector<int64_t>().swap(FTree);
}

int64_t LiveIndex::Prefix(size_t n) const {
    int64_t sum = 0;
    for (size_t i = n; i > 0; i -= LowBit(i))
        sum += FTree[i];
    return sum;
}

void LiveIndex::Build() {
    FLive.assign(FCount, 1);
    FTree.assign(FCount + 1, 0);
    for (size_t i = 1; i <= FCount; ++i) {
        FTree[i] += 1;
        size_t j = i + LowBit(i);
        if (j <= FCount) FTree[j] += FTree[i];
    }
}

void LiveIndex::Append() {
    ++FCount;
    if (FDeleted == 0) return;
    FLive.push_back(1);
    size_t i = FCount;
    FTree.push_back(1 + Prefix(i - 1) - Prefix(i - LowBit(i)));
}

void LiveIndex::Erase(size_t physical) {
    assert(physical < FCount && IsLive(physical));
    if (FDeleted == 0) Build();
    FLive[physical] = 0;
    ++FDeleted;
    for (size_t i = physical + 1; i <= FCount; i += LowBit(i))
        FTree[i] -= 1;
}

size_t LiveIndex::Select(size_t logical) const {
    assert(logical < LiveCount());
    if (FDeleted == 0) return logical;
    size_t step = 1;
    while (step * 2 <= FCount)
        step *= 2;
    size_t pos = 0;
    int64_t rest = static_cast<int64_t>(logical) + 1;
    for (; step > 0; step /= 2) {
        if (pos + step <= FCount && FTree[pos + step] < rest) {
            pos += step;
            rest -= FTree[pos];
        }
    }
    return pos;
}

size_t LiveIndex::Rank(size_t physical) const {
    if (FDeleted == 0) return physical;
    return static_cast<size_t>(Prefix(physical));
}

} // namespace tnxdb
