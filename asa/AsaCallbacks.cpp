// Callback instances over libffi closures, their pools and the adapters (see AsaCallbacks.h).
#include "asa/AsaCallbacks.h"

#include "asa/AsaSession.h"
#include "platform/vcl/Exceptions.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/VclConsts.h"

#include <ffi.h>

#include <new>

namespace tnx {

TCallbackInstancePool SimpleCallbackPool;
TCallbackInstancePool MessageCallbackPool;
TCallbackInstancePool DroppedCallbackPool;

// What a closure continues in: the call interface of the library's callback type and the function
// that builds the record.
struct TCallbackAdapter {
    ffi_cif* Cif;
    void (*Fun)(ffi_cif* cif, void* result, void** args, void* entry);
};

namespace {

// Runs the entry's handler; nothing it raises leaves this function (the caller is the library).
// False when the handler raised.
bool Dispatch(const TCallbackInstance* entry, void* record) noexcept {
    try {
        if (entry->Handler != nullptr) entry->Handler(entry->Session, record);
        return true;
    } catch (...) {
        try {
            if (vcl::Application != nullptr) vcl::Application->HandleException(entry->Session);
        } catch (...) {
            // The application's own handler failed: there is nobody left to tell.
        }
        return false;
    }
}

template <class T>
T Arg(void** args, int index) {
    return *static_cast<T*>(args[index]);
}

void SimpleFun(ffi_cif*, void*, void** args, void* entry) {
    TSimpleCallbackArgs record{Arg<sqlca*>(args, 0)};
    Dispatch(static_cast<const TCallbackInstance*>(entry), &record);
}

void MessageFun(ffi_cif*, void*, void** args, void* entry) {
    TMessageCallbackArgs record{Arg<sqlca*>(args, 0), Arg<uint8_t>(args, 1), Arg<int32_t>(args, 2),
                                Arg<uint16_t>(args, 3), Arg<char*>(args, 4)};
    Dispatch(static_cast<const TCallbackInstance*>(entry), &record);
}

void DroppedFun(ffi_cif*, void*, void** args, void* entry) {
    TDroppedCallbackArgs record{Arg<sqlca*>(args, 0), Arg<char*>(args, 1)};
    Dispatch(static_cast<const TCallbackInstance*>(entry), &record);
}

void LocateFun(ffi_cif*, void* result, void** args, void* entry) {
    TLocateCallbackArgs record{Arg<sqlca*>(args, 0), Arg<a_server_address*>(args, 1), Arg<void*>(args, 2), 1};
    if (!Dispatch(static_cast<const TCallbackInstance*>(entry), &record)) record.Result = 0;
    // An int result is returned in a full register-sized slot.
    *static_cast<ffi_sarg*>(result) = record.Result;
}

// A call interface prepared once; the argument type list must outlive it.
template <std::size_t N>
struct TCif {
    ffi_cif Cif;
    ffi_type* Types[N];
    TCif(ffi_type* result, std::initializer_list<ffi_type*> types) {
        std::size_t i = 0;
        for (ffi_type* t : types)
            Types[i++] = t;
        if (ffi_prep_cif(&Cif, FFI_DEFAULT_ABI, static_cast<unsigned>(N), result, Types) != FFI_OK)
            vcl::OutOfMemoryError();
    }
};

} // namespace

const TCallbackAdapter& SimpleCallbackAdapter() {
    static TCif<1> cif(&ffi_type_void, {&ffi_type_pointer});
    static const TCallbackAdapter adapter{&cif.Cif, &SimpleFun};
    return adapter;
}

const TCallbackAdapter& MessageCallbackAdapter() {
    static TCif<5> cif(&ffi_type_void, {&ffi_type_pointer, &ffi_type_uint8, &ffi_type_sint32,
                                        &ffi_type_uint16, &ffi_type_pointer});
    static const TCallbackAdapter adapter{&cif.Cif, &MessageFun};
    return adapter;
}

const TCallbackAdapter& DroppedCallbackAdapter() {
    static TCif<2> cif(&ffi_type_void, {&ffi_type_pointer, &ffi_type_pointer});
    static const TCallbackAdapter adapter{&cif.Cif, &DroppedFun};
    return adapter;
}

const TCallbackAdapter& LocateCallbackAdapter() {
    static TCif<3> cif(&ffi_type_sint, {&ffi_type_pointer, &ffi_type_pointer, &ffi_type_pointer});
    static const TCallbackAdapter adapter{&cif.Cif, &LocateFun};
    return adapter;
}

namespace {

void ReleasePage(TCallbackPage* page) noexcept {
    for (TCallbackInstance& entry : page->Entries)
        if (entry.Closure != nullptr) ffi_closure_free(entry.Closure);
    delete page;
}

// A page whose every entry has its own closure continuing in the adapter; null when memory for
// the page or a closure cannot be had (nothing is left allocated then).
TCallbackPage* NewPage(const TCallbackAdapter& adapter) noexcept {
    auto* page = new (std::nothrow) TCallbackPage;
    if (page == nullptr) return nullptr;
    page->Adapter = &adapter;
    for (TCallbackInstance& entry : page->Entries) {
        entry.Page = page;
        void* code = nullptr;
        entry.Closure = ffi_closure_alloc(sizeof(ffi_closure), &code);
        if (entry.Closure == nullptr ||
            ffi_prep_closure_loc(static_cast<ffi_closure*>(entry.Closure), adapter.Cif, adapter.Fun, &entry,
                                 code) != FFI_OK) {
            ReleasePage(page);
            return nullptr;
        }
        entry.Code = code;
    }
    return page;
}

} // namespace

TCallbackInstance* MakeCallbackInstance(TCallbackInstancePool& Pool, const TCallbackAdapter& Adapter,
                                        TCallbackHandler Handler, TAsaSession* Session) {
    if (Pool.FreeList == nullptr) {
        TCallbackPage* page = NewPage(Adapter);
        if (page == nullptr) vcl::OutOfMemoryError();
        page->Link = Pool.Pages;
        Pool.Pages = page;
        for (TCallbackInstance& entry : page->Entries) {
            entry.NextFree = Pool.FreeList;
            Pool.FreeList = &entry;
        }
    }
    TCallbackInstance* entry = Pool.FreeList;
    Pool.FreeList = entry->NextFree;
    entry->NextFree = nullptr;
    entry->Handler = Handler;
    entry->Session = Session;
    return entry;
}

void FreeCallbackInstance(TCallbackInstancePool& Pool, TCallbackInstance* Entry) {
    if (Entry == nullptr) return;
    Entry->Handler = nullptr;
    Entry->Session = nullptr;
    Entry->NextFree = Pool.FreeList;
    Pool.FreeList = Entry;
}

void FreeCallbackPages(TCallbackInstancePool& Pool) {
    TCallbackPage* page = Pool.Pages;
    while (page != nullptr) {
        TCallbackPage* link = page->Link;
        ReleasePage(page);
        page = link;
    }
    Pool.Pages = nullptr;
    Pool.FreeList = nullptr;
}

int CallbackPageCount(const TCallbackInstancePool& Pool) {
    int count = 0;
    for (const TCallbackPage* page = Pool.Pages; page != nullptr; page = page->Link)
        ++count;
    return count;
}

namespace {

// Releases the pages of the three unit-wide pools when the package leaves the process.
struct TUnitPools {
    ~TUnitPools() {
        FreeCallbackPages(SimpleCallbackPool);
        FreeCallbackPages(MessageCallbackPool);
        FreeCallbackPages(DroppedCallbackPool);
    }
} UnitPools;

} // namespace

} // namespace tnx
