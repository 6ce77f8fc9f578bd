// The unit-wide client-library state and the binding of its entry points (see TnxAsaLibrary.h).
#include "asa/TnxAsaLibrary.h"

#include "base/TnxRoutines.h"
#include "platform/win/Library.h"

#include <cstring>

namespace tnx {

TAsaLibraryUnit AsaLibrary;

uint16_t AsaDescriptorVersion(TAsaLibraryGeneration generation) {
    switch (generation) {
    case lgVersion7:
        return 7;
    case lgVersion6:
        return 6;
    case lgOlder:
    case lgNoCheck:
        break;
    }
    return 4;
}

namespace {

// What an entry point the library lacks is bound to: a function of exactly the entry point's
// type (calling through a pointer of another type would be undefined), which raises
// "Function not supported by this version of the Database Interface library." through
// TnxDummyProc. Only the product calls these; the library never does.
template <class F>
struct TMissingEntry;

template <class R, class... A>
struct TMissingEntry<R (*)(A...)> {
    static R Call(A...) { TnxDummyProc(); }
};

template <class F>
void* AddressOf(F fn) {
    return reinterpret_cast<void*>(fn);
}

// Binding one entry point: the address found, else the raising stand-in (or null when optional).
template <class F>
void Bind(F& proc, void* address, bool optional) {
    TnxInternalAssignProcAddress(proc, address, optional ? F(nullptr) : &TMissingEntry<F>::Call);
}

template <class F7, class F6>
void Bind(TAsaDbppEntry<F7, F6>& entry, void* address, bool optional) {
    Bind(entry.Modern, address, optional);
    Bind(entry.Legacy, address, optional);
}

template <class F>
void Clear(F& proc) {
    proc = nullptr;
}

template <class F7, class F6>
void Clear(TAsaDbppEntry<F7, F6>& entry) {
    entry = {};
}

template <class F>
void* Address(const F& proc) {
    return proc ? AddressOf(proc) : nullptr;
}

template <class F7, class F6>
void* Address(const TAsaDbppEntry<F7, F6>& entry) {
    return entry ? AddressOf(entry.Modern) : nullptr;
}

template <class F>
bool Missing(const F& proc) {
    return proc == &TMissingEntry<F>::Call;
}

template <class F7, class F6>
bool Missing(const TAsaDbppEntry<F7, F6>& entry) {
    return Missing(entry.Modern);
}

// One row per entry point, in binding order.
struct TEntryRow {
    const char* Name;
    bool Optional;
    void (*BindFn)(void* address);
    void (*ClearFn)();
    void* (*AddressFn)();
    bool (*MissingFn)();
};

#define TNX_ROW(name, optional)                                                                              \
    TEntryRow {                                                                                              \
#name, optional, [](void* a) { Bind(AsaLibrary.Procs.name, a, optional); },                          \
            [] { Clear(AsaLibrary.Procs.name); }, [] { return Address(AsaLibrary.Procs.name); },             \
            [] { return Missing(AsaLibrary.Procs.name); }       \
    }

const TEntryRow kEntryRows[] = {
    TNX_ROW(dbpp_commit, false),
    TNX_ROW(dbpp_rollback, false),
    TNX_ROW(dbpp_prepare, false),
    TNX_ROW(dbpp_dropstmt, false),
    TNX_ROW(dbpp_execute_into, false),
    TNX_ROW(dbpp_execute_imm, false),
    TNX_ROW(dbpp_describe, false),
    TNX_ROW(dbpp_describe_cursor, false),
    TNX_ROW(dbpp_declare, false),
    TNX_ROW(dbpp_open, false),
    TNX_ROW(dbpp_explain, false),
    TNX_ROW(dbpp_fetch, false),
    TNX_ROW(dbpp_fetch_array, false),
    TNX_ROW(dbpp_get_data, false),
    TNX_ROW(dbpp_put_into, false),
    TNX_ROW(dbpp_update, false),
    TNX_ROW(dbpp_delete, false),
    TNX_ROW(dbpp_resume, false),
    TNX_ROW(dbpp_close, false),
    TNX_ROW(dbpp_setoption, false),
    TNX_ROW(dbpp_getoption, false),
    TNX_ROW(db_string_connect, false),
    TNX_ROW(db_string_disconnect, false),
    TNX_ROW(db_start_engine, false),
    TNX_ROW(db_start_database, false),
    TNX_ROW(db_stop_engine, false),
    TNX_ROW(db_stop_database, false),
    TNX_ROW(db_cancel_request, false),
    TNX_ROW(alloc_sqlda_noind, false),
    TNX_ROW(alloc_sqlda, false),
    TNX_ROW(free_sqlda_noind, false),
    TNX_ROW(free_sqlda, false),
    TNX_ROW(sqlerror_message, false),
    TNX_ROW(db_find_engine, false),
    TNX_ROW(db_connection_info, false),
    TNX_ROW(db_is_working, false),
    TNX_ROW(db_init, false),
    TNX_ROW(db_fini, false),
    TNX_ROW(db_backup, false),
    TNX_ROW(db_string_ping_server, true),
    TNX_ROW(db_version_check, true),
    TNX_ROW(db_register_a_callback, false),
    TNX_ROW(db_locate_servers, true),
};

#undef TNX_ROW

static_assert(sizeof(kEntryRows) / sizeof(kEntryRows[0]) == 43, "the client library has 43 entry points");

const TEntryRow* FindRow(const char* name) {
    if (name == nullptr) return nullptr;
    for (const TEntryRow& row : kEntryRows)
        if (std::strcmp(row.Name, name) == 0) return &row;
    return nullptr;
}

} // namespace

void AsaBindEntryPoints(win::HMODULE library) {
    for (const TEntryRow& row : kEntryRows)
        row.BindFn(reinterpret_cast<void*>(win::GetProcAddress(library, row.Name)));
}

void AsaClearEntryPoints() {
    for (const TEntryRow& row : kEntryRows)
        row.ClearFn();
}

const std::vector<const char*>& AsaEntryPointNames() {
    static const std::vector<const char*> names = [] {
        std::vector<const char*> v;
        for (const TEntryRow& row : kEntryRows)
            v.push_back(row.Name);
        return v;
    }();
    return names;
}

void* AsaEntryPointAddress(const char* name) {
    const TEntryRow* row = FindRow(name);
    return row ? row->AddressFn() : nullptr;
}

bool AsaEntryPointMissing(const char* name) {
    const TEntryRow* row = FindRow(name);
    return row != nullptr && row->MissingFn();
}

} // namespace tnx
