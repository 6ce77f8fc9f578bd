// The unit-wide state of the client library, shared by every TAsaSession and TAsaSQL of the
// process: the loaded library's handle and reference count, its 43 entry points bound by name,
// the library generation detected when a session initialised its SQLCA, and the legacy call
// descriptor that generations before 7 take with every dbpp_* call.
//
// Guarantees:
//  - Written only by TAsaSession (loading, binding, SQLCA initialisation, unloading). While no
//    library is bound every entry point is null; once bound, every entry point but the three
//    optional ones (db_string_ping_server, db_version_check, db_locate_servers) is callable:
//    an entry point the library lacks is bound to a stand-in of the same signature that raises
//    ECorvexException "Function not supported by this version of the Database Interface library."
//    when called. The optional ones stay null when missing; their callers test for null.
//  - Every dbpp_* entry point is kept in both of its forms (TAsaDbppEntry); AsaDbpp picks the
//    form of the detected generation and adds the descriptor where it belongs, so no caller
//    spells out the difference:
//        AsaDbpp(AsaLibrary.Procs.dbpp_commit, session->GetSqlca(), 0u);
//  - Unguarded: sessions must not be created, connected, disconnected or destroyed concurrently.
//    Once a library is bound, reading this state from several threads is safe.
#pragma once

#include "platform/dblib/dblib.h"
#include "platform/win/WinTypes.h"

#include <cstdint>
#include <vector>

namespace tnx {

// How the loaded library is called, from what its db_version_check says (and its file name).
enum TAsaLibraryGeneration : uint8_t {
    lgNoCheck,  // the library has no db_version_check
    lgOlder,    // db_version_check says no to 6 and 7
    lgVersion6, // db_version_check(6) says yes (and 7 no, or the file name lacks "dblib7")
    lgVersion7, // db_version_check(7) says yes and the file name contains "dblib7": no descriptor
};

// One dbpp_* entry point in its two forms, both bound to the same address (or both to the
// missing-entry stand-in). Modern: generation 7, the SQLCA first. Legacy: every other generation,
// the SQLCA and then the call descriptor. Only the form of the detected generation is ever called.
template <class Fn7, class Fn6>
struct TAsaDbppEntry {
    Fn7 Modern = nullptr;
    Fn6 Legacy = nullptr;
    explicit operator bool() const { return Modern != nullptr; }
};

#define TNX_ASA_DBPP(name) TAsaDbppEntry<name##_fn, name##_legacy_fn> name

// The 43 entry points, in binding order.
struct TAsaEntryPoints {
    TNX_ASA_DBPP(dbpp_commit);
    TNX_ASA_DBPP(dbpp_rollback);
    TNX_ASA_DBPP(dbpp_prepare);
    TNX_ASA_DBPP(dbpp_dropstmt);
    TNX_ASA_DBPP(dbpp_execute_into);
    TNX_ASA_DBPP(dbpp_execute_imm);
    TNX_ASA_DBPP(dbpp_describe);
    TNX_ASA_DBPP(dbpp_describe_cursor);
    TNX_ASA_DBPP(dbpp_declare);
    TNX_ASA_DBPP(dbpp_open);
    TNX_ASA_DBPP(dbpp_explain);
    TNX_ASA_DBPP(dbpp_fetch);
    TNX_ASA_DBPP(dbpp_fetch_array);
    TNX_ASA_DBPP(dbpp_get_data);
    TNX_ASA_DBPP(dbpp_put_into);
    TNX_ASA_DBPP(dbpp_update);
    TNX_ASA_DBPP(dbpp_delete);
    TNX_ASA_DBPP(dbpp_resume);
    TNX_ASA_DBPP(dbpp_close);
    TNX_ASA_DBPP(dbpp_setoption);
    TNX_ASA_DBPP(dbpp_getoption);
    db_string_connect_fn db_string_connect = nullptr;
    db_string_disconnect_fn db_string_disconnect = nullptr;
    db_start_engine_fn db_start_engine = nullptr;
    db_start_database_fn db_start_database = nullptr;
    db_stop_engine_fn db_stop_engine = nullptr;
    db_stop_database_fn db_stop_database = nullptr;
    db_cancel_request_fn db_cancel_request = nullptr;
    alloc_sqlda_noind_fn alloc_sqlda_noind = nullptr;
    alloc_sqlda_fn alloc_sqlda = nullptr;
    free_sqlda_noind_fn free_sqlda_noind = nullptr;
    free_sqlda_fn free_sqlda = nullptr;
    sqlerror_message_fn sqlerror_message = nullptr;
    db_find_engine_fn db_find_engine = nullptr;
    db_connection_info_fn db_connection_info = nullptr;
    db_is_working_fn db_is_working = nullptr;
    db_init_fn db_init = nullptr;
    db_fini_fn db_fini = nullptr;
    db_backup_fn db_backup = nullptr;
    db_string_ping_server_fn db_string_ping_server = nullptr; // optional: null when missing
    db_version_check_fn db_version_check = nullptr;           // optional: null when missing
    db_register_a_callback_fn db_register_a_callback = nullptr;
    db_locate_servers_fn db_locate_servers = nullptr; // optional: null when missing
};

#undef TNX_ASA_DBPP

// The unit-wide state (one per process).
struct TAsaLibraryUnit {
    // The loaded client library (a loader handle), or null.
    win::HMODULE LibraryHandle = nullptr;
    // Sessions holding the library; the library is loaded at 0 -> 1 and unloaded at 1 -> 0.
    int32_t LibraryReferenceCount = 0;
    // Bound entry points; all null while no library is bound.
    TAsaEntryPoints Procs;
    // Recomputed each time a session initialises its SQLCA.
    TAsaLibraryGeneration Generation = lgNoCheck;
    // Passed right after the SQLCA to dbpp_* calls of every generation but lgVersion7. The record
    // of the original 32-bit interface holds 32-bit pointers at offsets 10, 14 and 18; here the
    // pointers are native (64-bit) and naturally aligned, in the same order (the library's header
    // declares the record). sqlca_field points at the SQLCA-pointer field of the session that last
    // initialised its SQLCA; version and version2 at the generation's version value.
    dblib_call_descriptor LegacyCallDescriptor{};
};

extern TAsaLibraryUnit AsaLibrary;

// The version value the descriptor carries for a generation: 7, 6, or 4 for the older ones.
uint16_t AsaDescriptorVersion(TAsaLibraryGeneration generation);

// Calls a dbpp_* entry point: with the SQLCA first, and for every generation but lgVersion7 the
// legacy call descriptor right after it. Args are the entry point's own arguments after those.
template <class Fn7, class Fn6, class... A>
void AsaDbpp(const TAsaDbppEntry<Fn7, Fn6>& entry, sqlca* ca, A&&... args) {
    if (AsaLibrary.Generation == lgVersion7) {
        entry.Modern(ca, static_cast<A&&>(args)...);
    } else {
        entry.Legacy(ca, &AsaLibrary.LegacyCallDescriptor, static_cast<A&&>(args)...);
    }
}

// Binding, in the order of the entry points above: looks every name up in the loaded library and
// binds it (a missing one to the raising stand-in, or to null for the three optional ones).
void AsaBindEntryPoints(win::HMODULE library);
// Sets every entry point to null.
void AsaClearEntryPoints();

// For inspection (tests, diagnostics): the 43 names in binding order, and the address an entry
// point is bound to (null when unbound; the stand-in's address when the library lacks it). For
// dbpp_* entry points, the address of the generation-7 form.
const std::vector<const char*>& AsaEntryPointNames();
void* AsaEntryPointAddress(const char* name);
// Whether the entry point of that name is bound to the raising stand-in.
bool AsaEntryPointMissing(const char* name);

} // namespace tnx
