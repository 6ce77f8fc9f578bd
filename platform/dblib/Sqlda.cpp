// SQLDA allocation (see Sqlda.h).
#include "platform/dblib/Sqlda.h"

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <unordered_set>

namespace tnxdb {

namespace {

std::mutex& RegistryMutex() {
    static std::mutex m;
    return m;
}
std::unordered_set<void*>& Registry() {
    static std::unordered_set<void*> s;
    return s;
}

} // namespace

sqlda* AllocSqlda(unsigned n, bool indicators) {
    if (n > 32767) return nullptr;
    size_t size = sizeof(sqlda) + n * sizeof(sqlvar) + (indicators ? n * sizeof(int16_t) : 0);
    auto* da = static_cast<sqlda*>(std::calloc(1, size));
    if (!da) return nullptr;
    std::memcpy(da->sqldaid, "SQLDA   ", 8);
    da->sqldabc = static_cast<int32_t>(size);
    da->sqln = static_cast<int16_t>(n);
    da->sqld = 0;
    if (indicators) {
        auto* ind = reinterpret_cast<int16_t*>(reinterpret_cast<char*>(da) + sizeof(sqlda) + n * sizeof(sqlvar));
        for (unsigned i = 0; i < n; ++i) da->sqlvar[i].sqlind = ind + i;
    }
    try {
        std::lock_guard<std::mutex> lock(RegistryMutex());
        Registry().insert(da);
    } catch (...) {
        std::free(da);
        return nullptr;
    }
    return da;
}

void FreeSqlda(sqlda* da) {
    if (!da) return;
    {
        std::lock_guard<std::mutex> lock(RegistryMutex());
        if (Registry().erase(da) == 0) return;
    }
    std::free(da);
}

} // namespace tnxdb
