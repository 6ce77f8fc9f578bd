// Callback instances: plain C function addresses that reach a session.
//
// The client library reports what happens during a request (start, wait, finish, a server message,
// a dropped connection, a server found while locating) by calling plain C functions that carry no
// user context. For every registration the session hands the library a callback instance: an
// entry with a function address of its own which, when the library calls it, packs the C arguments
// into an argument record (below) and calls the entry's handler with the entry's session and a
// pointer to that record.
//
// Mechanism: each entry owns a libffi closure (ffi_closure_alloc / ffi_prep_closure_loc), which is
// exactly a distinct executable function address bound to a user pointer; libffi manages the
// executable memory safely on every processor. The closure continues in the pool's adapter, one
// per C signature, which builds the record and calls the handler.
//
// Pool discipline:
//  - Entries come in pages of 314 (kCallbackEntriesPerPage). A pool keeps a last-in-first-out free
//    list and a list of its pages. When the free list is empty, a new page is made, put at the head
//    of the page list, and its entries pushed onto the free list in order, so the entry at the
//    highest index is handed out first. An entry given back and asked for again is the same entry.
//  - Pages are kept until FreeCallbackPages; the three unit-wide pools are released when the
//    library is unloaded from the process (a static object's destructor).
//  - Unguarded: a pool must not be used from two threads at once (connect, disconnect and
//    LocateServers must not run concurrently in several sessions).
//
// Exceptions never unwind through the client library: an adapter catches whatever its handler
// raises and hands it to the application's exception handler (vcl::Application->HandleException,
// with the session as sender); the library then sees the callback return normally. A locate
// callback whose handler raised answers 0, which ends the search.
#pragma once

#include "platform/dblib/dblib.h"

#include <cstdint>

namespace tnx {

class TAsaSession;

// A session handler: called by an adapter with the entry's session and the argument record.
using TCallbackHandler = void (*)(TAsaSession* Session, void* Args);

// Argument records the adapters pass to handlers. The original interface packs them with 32-bit
// pointers (message: SQLCA 0, type 4, code 6, length 10, text 12; locate: SQLCA 0, address 4,
// user data 8, result 12); here pointers are native (64-bit) and every field is naturally
// aligned, in the same order.
struct TSimpleCallbackArgs { // start, wait, finish
    sqlca* Sqlca;
};
struct TMessageCallbackArgs { // server message
    sqlca* Sqlca;
    uint16_t MessageType; // the library's type: 0 info, 1 warning, 2 action, 3 status
    int32_t MessageCode;
    uint16_t Length;  // characters at Text
    const char* Text; // not NUL-terminated within Length
};
struct TDroppedCallbackArgs { // connection dropped
    sqlca* Sqlca;
    char* ConnectionName; // passed on, not used
};
struct TLocateCallbackArgs { // locate servers
    sqlca* Sqlca;
    a_server_address* Address;
    void* UserData;
    int32_t Result; // returned to the library: preset to 1 (go on); 0 stops the search
};

// One adapter per C signature. Opaque: what libffi needs to call into it.
struct TCallbackAdapter;
// void f(sqlca*): start, wait, finish. Record: TSimpleCallbackArgs.
const TCallbackAdapter& SimpleCallbackAdapter();
// dblib_message_callback_fn. Record: TMessageCallbackArgs.
const TCallbackAdapter& MessageCallbackAdapter();
// dblib_dropped_callback_fn. Record: TDroppedCallbackArgs.
const TCallbackAdapter& DroppedCallbackAdapter();
// dblib_locate_callback_fn; returns the record's Result. Record: TLocateCallbackArgs.
const TCallbackAdapter& LocateCallbackAdapter();

inline constexpr int kCallbackEntriesPerPage = 314;

struct TCallbackPage;

// One entry. While it is handed out, Handler and Session say where calls go; while it is free,
// Handler is null and NextFree links the free list.
struct TCallbackInstance {
    void* Code = nullptr; // the plain function address the library calls (never changes)
    TCallbackHandler Handler = nullptr;
    TAsaSession* Session = nullptr;
    TCallbackInstance* NextFree = nullptr;
    TCallbackPage* Page = nullptr; // the page holding the entry
    void* Closure = nullptr;       // the closure behind Code (libffi's, owned by the page)

    // Code as a function of the library's callback type.
    template <class F>
    F As() const {
        return reinterpret_cast<F>(Code);
    }
};

struct TCallbackPage {
    TCallbackPage* Link = nullptr;             // the page made before this one in the same pool (null: first)
    const TCallbackAdapter* Adapter = nullptr; // every entry of the page continues in it
    TCallbackInstance Entries[kCallbackEntriesPerPage];
};

struct TCallbackInstancePool {
    TCallbackInstance* FreeList = nullptr; // head of the free entries (last freed first)
    TCallbackPage* Pages = nullptr;        // head of the pages (newest first)
};

// Unit-wide pools: start, wait and finish share the simple pool.
extern TCallbackInstancePool SimpleCallbackPool;
extern TCallbackInstancePool MessageCallbackPool;
extern TCallbackInstancePool DroppedCallbackPool;

// Takes an entry from the pool (making a page continuing in Adapter when none is free) and binds
// it to Handler and Session. Raises vcl::EOutOfMemory when a page cannot be made.
TCallbackInstance* MakeCallbackInstance(TCallbackInstancePool& Pool, const TCallbackAdapter& Adapter,
                                        TCallbackHandler Handler, TAsaSession* Session);
// Gives the entry back (it becomes the head of the free list); null is ignored.
void FreeCallbackInstance(TCallbackInstancePool& Pool, TCallbackInstance* Entry);
// Releases every page of the pool and empties it. Entries of the pool must no longer be
// registered with the library.
void FreeCallbackPages(TCallbackInstancePool& Pool);
// Pages in the pool (for inspection).
int CallbackPageCount(const TCallbackInstancePool& Pool);

} // namespace tnx
