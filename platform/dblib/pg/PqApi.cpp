// Loading the server's client library at run time (see PqApi.h).
#include "platform/dblib/pg/PqApi.h"

#include "platform/dblib/Errors.h"

#include <dlfcn.h>

#include <cstdlib>
#include <mutex>
#include <string>

namespace tnxdb::pg {

namespace detail {
const PqApi* gPq = nullptr;
}

namespace {

constexpr const char* kDefaultFile = "libpq.so.5";

// The table, filled once; never unloaded (its functions may run until the process ends).
PqApi gTable;
std::mutex gLoadMutex;

std::string LibraryFile() {
    const char* named = std::getenv("TNXDB_SERVER_CLIENT_LIBRARY");
    return named && *named ? std::string(named) : std::string(kDefaultFile);
}

} // namespace

const PqApi& LoadPq() {
    std::lock_guard<std::mutex> lock(gLoadMutex);
    if (detail::gPq) return *detail::gPq;
    const std::string file = LibraryFile();
    void* handle = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* why = dlerror();
        throw DbError(DBLIB_E_ENGINE_NOT_FOUND, "the server's client library " + file + " could not be loaded" +
                                                    (why ? std::string(" (") + why + ")" : std::string()));
    }
    PqApi table;
    const char* missing = nullptr;
#define TNXDB_PQ_RESOLVE(name)                                                                    \
    table.name = reinterpret_cast<decltype(table.name)>(dlsym(handle, #name));                    \
    if (!table.name && !missing) missing = #name;
    TNXDB_PQ_FUNCTIONS(TNXDB_PQ_RESOLVE)
#undef TNXDB_PQ_RESOLVE
    if (missing) {
        dlclose(handle);
        throw DbError(DBLIB_E_ENGINE_NOT_FOUND,
                      "the server's client library " + file + " lacks " + missing + " (a version from 14 on is needed)");
    }
    gTable = table;
    detail::gPq = &gTable;
    return gTable;
}

} // namespace tnxdb::pg
