// TAsaSession: server callbacks - registration on connect, unregistration on disconnect, the
// handlers the callback adapters call, and locating servers (see AsaSession.h, AsaCallbacks.h).
#include "asa/AsaSession.h"

#include <algorithm>
#include <cstring>

namespace tnx {

using vcl::AnsiString;

namespace {

// Registration kinds of db_register_a_callback.
constexpr int kStart = DBLIB_CB_START;
constexpr int kWait = DBLIB_CB_WAIT;
constexpr int kFinish = DBLIB_CB_FINISH;
constexpr int kMessage = DBLIB_CB_MESSAGE;
constexpr int kDropped = DBLIB_CB_DROPPED;

// The longest message text delivered (the rest is cut).
constexpr std::size_t kMaxMessage = 32766;

} // namespace

// --- Registration -------------------------------------------------------------------------------

void TAsaSession::RegisterCallbacks() {
    auto registerKind = [this](bool assigned, TCallbackInstancePool& pool, const TCallbackAdapter& adapter,
                               TCallbackHandler handler, int kind, TCallbackInstance*& slot) {
        if (!assigned) return;
        slot = MakeCallbackInstance(pool, adapter, handler, this);
        AsaLibrary.Procs.db_register_a_callback(&FSqlca, kind, slot->As<void (*)(void)>());
    };
    registerKind(static_cast<bool>(FOnServerStart), SimpleCallbackPool, SimpleCallbackAdapter(), &StartCall,
                 kStart, FStartInstance);
    registerKind(static_cast<bool>(FOnServerFinish), SimpleCallbackPool, SimpleCallbackAdapter(), &FinishCall,
                 kFinish, FFinishInstance);
    registerKind(static_cast<bool>(FOnServerWait), SimpleCallbackPool, SimpleCallbackAdapter(), &WaitCall,
                 kWait, FWaitInstance);
    registerKind(static_cast<bool>(FOnServerMessage), MessageCallbackPool, MessageCallbackAdapter(),
                 &ServerMessageCall, kMessage, FMessageInstance);
    registerKind(static_cast<bool>(FOnConnectionDropped), DroppedCallbackPool, DroppedCallbackAdapter(),
                 &ConnDroppedCall, kDropped, FDroppedInstance);
}

void TAsaSession::UnregisterCallbacks() {
    for (int kind : {kDropped, kMessage, kStart, kFinish, kWait}) {
        try {
            AsaLibrary.Procs.db_register_a_callback(&FSqlca, kind, nullptr);
        } catch (...) {
            // A library without callbacks: nothing was registered with it.
        }
    }
    FreeCallbackInstance(DroppedCallbackPool, FDroppedInstance);
    FreeCallbackInstance(MessageCallbackPool, FMessageInstance);
    FreeCallbackInstance(SimpleCallbackPool, FWaitInstance);
    FreeCallbackInstance(SimpleCallbackPool, FFinishInstance);
    FreeCallbackInstance(SimpleCallbackPool, FStartInstance);
    FDroppedInstance = FMessageInstance = FWaitInstance = FFinishInstance = FStartInstance = nullptr;
}

const TCallbackInstance* TAsaSession::GetCallbackInstance(int Index) const {
    switch (Index) {
    case 0:
        return FStartInstance;
    case 1:
        return FFinishInstance;
    case 2:
        return FWaitInstance;
    case 3:
        return FMessageInstance;
    case 4:
        return FDroppedInstance;
    default:
        return nullptr;
    }
}

// --- Handlers -----------------------------------------------------------------------------------

void TAsaSession::StartCall(TAsaSession* Session, void* /*Args*/) {
    if (Session->IsDestroying() || !Session->FOnServerStart) return;
    Session->FOnServerStart(Session);
}

void TAsaSession::FinishCall(TAsaSession* Session, void* /*Args*/) {
    if (Session->IsDestroying() || !Session->FOnServerFinish) return;
    Session->FOnServerFinish(Session);
}

void TAsaSession::ConnDroppedCall(TAsaSession* Session, void* /*Args*/) {
    if (Session->IsDestroying() || !Session->FOnConnectionDropped) return;
    Session->FOnConnectionDropped(Session);
}

void TAsaSession::WaitCall(TAsaSession* Session, void* Args) {
    const auto* args = static_cast<const TSimpleCallbackArgs*>(Args);
    bool abortRequest = false;
    if (!Session->IsDestroying() && Session->FOnServerWait) Session->FOnServerWait(Session, abortRequest);
    if (abortRequest) AsaLibrary.Procs.db_cancel_request(args->Sqlca);
}

void TAsaSession::ServerMessageCall(TAsaSession* Session, void* Args) {
    if (Session->IsDestroying() || !Session->FOnServerMessage) return;
    const auto* args = static_cast<const TMessageCallbackArgs*>(Args);
    // At most 32766 characters, and no further than a NUL inside them.
    std::size_t length = std::min<std::size_t>(args->Length, kMaxMessage);
    if (args->Text == nullptr) length = 0;
    const AnsiString msg(args->Text, length == 0 ? 0 : strnlen(args->Text, length));
    TServerMessageType type;
    switch (args->MessageType) {
    case 0:
        type = smtInfo;
        break;
    case 1:
        type = smtWarning;
        break;
    case 2:
        type = smtAction;
        break;
    case 3:
        type = smtStatus;
        break;
    default:
        type = smtUnknown;
        break;
    }
    Session->FOnServerMessage(Session, type, args->MessageCode, msg);
}

void TAsaSession::LocateServerCall(TAsaSession* Session, void* Args) {
    auto* args = static_cast<TLocateCallbackArgs*>(Args);
    bool abortLocate = false;
    if (Session->FOnLocateServers && !Session->IsDestroying()) {
        const a_server_address* address = args->Address;
        const AnsiString name = address && address->name ? address->name : "";
        const AnsiString where = address && address->address ? address->address : "";
        const int32_t port = address ? static_cast<int32_t>(address->port_num) : 0;
        Session->FOnLocateServers(Session, name, where, port, abortLocate);
    } else {
        abortLocate = true;
    }
    if (abortLocate) args->Result = 0;
}

// --- Locating servers ---------------------------------------------------------------------------

bool TAsaSession::LocateServers() {
    InternalLibraryHandleNeeded();
    if (AsaLibrary.Procs.db_locate_servers == nullptr || !FOnLocateServers) return false;
    // A pool of its own for the one search: it is released before returning.
    TCallbackInstancePool pool;
    TCallbackInstance* entry = nullptr;
    bool result = false;
    try {
        entry = MakeCallbackInstance(pool, LocateCallbackAdapter(), &LocateServerCall, this);
        AsaLibrary.Procs.db_locate_servers(&FSqlca, entry->As<dblib_locate_callback_fn>(), nullptr);
        result = Check(FWantExceptions);
    } catch (...) {
        FreeCallbackInstance(pool, entry);
        FreeCallbackPages(pool);
        throw;
    }
    FreeCallbackInstance(pool, entry);
    FreeCallbackPages(pool);
    return result;
}

} // namespace tnx
