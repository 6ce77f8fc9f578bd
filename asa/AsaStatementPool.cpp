// TAsaStatementPool (see AsaStatementPool.h).
#include "asa/AsaStatementPool.h"

#include "asa/TnxAsaLibrary.h"

namespace tnx {

TAsaStatementPool::TAsaStatementPool(int32_t Capacity) {
    if (Capacity > 0) FItems.reserve(static_cast<std::size_t>(Capacity));
}

TAsaStatementPool::~TAsaStatementPool() {
    Clear();
}

void TAsaStatementPool::Clear() {
    while (!FItems.empty())
        FItems.pop_back();
}

TAsaStatement* TAsaStatementPool::Find(int32_t Number) {
    for (auto& item : FItems)
        if (item->Number == Number) return item.get();
    return nullptr;
}

int32_t TAsaStatementPool::Next() const {
    for (const auto& item : FItems)
        if (!item->InUse) return item->Number;
    return 0;
}

void TAsaStatementPool::Use(int32_t Number) {
    if (TAsaStatement* item = Find(Number)) {
        item->InUse = true;
        return;
    }
    if (AsaLibrary.Generation == lgNoCheck || AsaLibrary.Generation == lgOlder) return;
    auto item = std::make_unique<TAsaStatement>();
    item->Number = Number;
    FItems.push_back(std::move(item));
}

void TAsaStatementPool::Drop(int32_t Number) {
    if (TAsaStatement* item = Find(Number)) item->InUse = false;
}

} // namespace tnx
