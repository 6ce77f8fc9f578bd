// Server callbacks (see Callbacks.h) and the connection's side of them: attaching the client,
// the request hooks, the wait timer, server messages and dropped-connection notices.
#include "platform/dblib/Callbacks.h"

#include "platform/dblib/Connection.h"
#include "platform/dblib/Errors.h"

#include <chrono>

namespace tnxdb {

namespace {

// How often the wait callback fires while a request runs.
constexpr long kWaitIntervalMs = 100;

long NowMs() {
    using namespace std::chrono;
    return static_cast<long>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

// The innermost DropNotices of this thread (a plain pointer: nothing to destroy at thread exit).
thread_local DropNotices* tNotices = nullptr;

} // namespace

bool CallbackTable::Set(int kind, void (*fn)(void)) {
    // The registered function has the kind's own signature; it is stored and called as such.
    switch (kind) {
    case DBLIB_CB_START:
        FStart.store(reinterpret_cast<dblib_simple_callback_fn>(fn));
        return true;
    case DBLIB_CB_WAIT:
        FWait.store(reinterpret_cast<dblib_simple_callback_fn>(fn));
        return true;
    case DBLIB_CB_FINISH:
        FFinish.store(reinterpret_cast<dblib_simple_callback_fn>(fn));
        return true;
    case DBLIB_CB_MESSAGE:
        FMessage.store(reinterpret_cast<dblib_message_callback_fn>(fn));
        return true;
    case DBLIB_CB_DROPPED:
        FDropped.store(reinterpret_cast<dblib_dropped_callback_fn>(fn));
        return true;
    default:
        return false;
    }
}

DropNotices::DropNotices() : FOuter(tNotices) {
    tNotices = this;
}

DropNotices::~DropNotices() {
    tNotices = FOuter;
    for (auto& c : FDropped)
        c->NotifyDropped();
}

void DropNotices::Collect(const std::shared_ptr<Connection>& c) {
    if (tNotices) tNotices->FDropped.push_back(c);
}

// ---- Connection ---------------------------------------------------------------------------------

void Connection::AttachClient(sqlca* ca, std::shared_ptr<CallbackTable> callbacks, std::string name) {
    std::lock_guard<std::recursive_mutex> lock(FClientMutex);
    FClientCa = ca;
    FCallbacks = std::move(callbacks);
    FName = std::move(name);
}

void Connection::DetachClient() {
    std::lock_guard<std::recursive_mutex> lock(FClientMutex);
    FClientCa = nullptr;
    FCallbacks.reset();
}

void Connection::NotifyDropped() {
    std::lock_guard<std::recursive_mutex> lock(FClientMutex);
    if (!FClientCa || !FCallbacks) return;
    dblib_dropped_callback_fn fn = FCallbacks->Dropped();
    if (!fn) return;
    try {
        fn(FClientCa, FName.data());
    } catch (...) {
    }
}

void Connection::StartRequestHooks() {
    FWaitFn = nullptr;
    if (!FCallbacks || !FClientCa) return;
    if (dblib_simple_callback_fn start = FCallbacks->Start())
        CallOnOwnSqlca(FClientCa, [&] { start(FClientCa); });
    // The wait callback registered now serves the whole request; it first fires after 100 ms.
    FWaitFn = FCallbacks->Wait();
    if (FWaitFn) FNextWaitMs = NowMs() + kWaitIntervalMs;
}

void Connection::FinishRequestHooks() {
    FWaitFn = nullptr;
    if (!FCallbacks || !FClientCa) return;
    if (dblib_simple_callback_fn finish = FCallbacks->Finish())
        CallOnOwnSqlca(FClientCa, [&] { finish(FClientCa); });
}

void Connection::WaitTick() {
    long now = NowMs();
    if (now < FNextWaitMs) return;
    FNextWaitMs = now + kWaitIntervalMs;
    dblib_simple_callback_fn wait = FWaitFn;
    CallOnOwnSqlca(FClientCa, [&] { wait(FClientCa); });
    // Time spent inside the callback does not count toward the next call.
    FNextWaitMs = NowMs() + kWaitIntervalMs;
}

int Connection::Progress(void* self) {
    auto* c = static_cast<Connection*>(self);
    if (c->FWaitFn) c->WaitTick();
    // Non-zero ends the statement with an interrupt, which ThrowEngine reports as a cancel (-299)
    // or, once the connection was dropped, as its end (-308).
    return c->CancelRequested() || c->FDropped.load(std::memory_order_acquire) ? 1 : 0;
}

void Connection::CheckProgress() {
    if (FWaitFn) WaitTick();
    if (FDropped.load(std::memory_order_acquire)) throw DbError(DBLIB_E_CONNECTION_ENDED);
    if (CancelRequested()) throw DbError(DBLIB_E_INTERRUPTED);
}

void Connection::DeliverMessage(unsigned char type, int32_t code, const char* text, size_t length) {
    if (!FCallbacks || !FClientCa) return;
    dblib_message_callback_fn fn = FCallbacks->Message();
    if (!fn) return;
    std::string copy(text, length < kMaxMessageLength ? length : kMaxMessageLength);
    CallOnOwnSqlca(FClientCa,
                   [&] { fn(FClientCa, type, code, static_cast<unsigned short>(copy.size()), copy.data()); });
}

} // namespace tnxdb
