// Server callbacks: the plain C functions a client registers with db_register_a_callback, and the
// rules by which the library calls them.
//
//   kind 0 start, 2 finish   void f(struct sqlca*)   around every request to the engine
//   kind 1 wait              void f(struct sqlca*)   every 100 ms of a request's running time
//   kind 7 message           DBLIB_MESSAGE_FN        MESSAGE ... TO CLIENT on the connection
//   kind 8 dropped           DBLIB_DROPPED_FN        the engine or database stopped under it
//
// Start, wait, finish and message run on the thread of the request, which owns the SQLCA: the
// SQLCA's bytes are kept before such a callback and put back after it, so a callback that calls
// the library on the same SQLCA (db_is_working, db_cancel_request, or anything else) never changes
// the outcome the request reports. The dropped callback runs on the thread that stopped the engine
// or database, after the engine's lock is released (so it may call the library, e.g. to
// disconnect); it does not touch the SQLCA. Nothing a callback throws crosses back into the
// library: it is caught and dropped at the call.
#pragma once

#include "platform/dblib/dblib.h"

#include <atomic>
#include <cstring>
#include <memory>
#include <vector>

namespace tnxdb {

class Connection;

// The callbacks one client (SQLCA) has registered. Registration may happen on any thread, before
// or after connecting; the request's thread and a stopping thread read them, hence atomics. The
// client and its connection share the table, so a registration reaches a connection at once.
class CallbackTable {
public:
    // Stores fn for the kind (null unregisters). Returns false for a kind the library never calls.
    bool Set(int kind, void (*fn)(void));

    dblib_simple_callback_fn Start() const { return FStart.load(std::memory_order_acquire); }
    dblib_simple_callback_fn Wait() const { return FWait.load(std::memory_order_acquire); }
    dblib_simple_callback_fn Finish() const { return FFinish.load(std::memory_order_acquire); }
    dblib_message_callback_fn Message() const { return FMessage.load(std::memory_order_acquire); }
    dblib_dropped_callback_fn Dropped() const { return FDropped.load(std::memory_order_acquire); }

private:
    std::atomic<dblib_simple_callback_fn> FStart{nullptr};
    std::atomic<dblib_simple_callback_fn> FWait{nullptr};
    std::atomic<dblib_simple_callback_fn> FFinish{nullptr};
    std::atomic<dblib_message_callback_fn> FMessage{nullptr};
    std::atomic<dblib_dropped_callback_fn> FDropped{nullptr};
};

// Calls fn on the thread that owns the SQLCA: keeps the SQLCA's bytes and puts them back, and
// swallows whatever fn throws.
template <class Fn>
void CallOnOwnSqlca(sqlca* ca, Fn&& fn) noexcept {
    sqlca kept;
    std::memcpy(&kept, ca, sizeof kept);
    try {
        fn();
    } catch (...) {
    }
    std::memcpy(ca, &kept, sizeof kept);
}

// Message types of MESSAGE ... TYPE <t> TO CLIENT, as the message callback receives them.
enum MessageType : unsigned char { MsgInfo = 0, MsgWarning = 1, MsgAction = 2, MsgStatus = 3 };

// The longest text a message callback receives (its length is a 16-bit count).
constexpr size_t kMaxMessageLength = 65535;

// Collects, on the thread that stops an engine or database, the connections the stop ended, and
// calls their dropped callbacks when it goes out of scope. Declare it before taking the engine's
// lock, so that the callbacks run once the lock is released. Stops outside such a scope (the
// library being unloaded) notify nobody.
class DropNotices {
public:
    DropNotices();
    ~DropNotices();
    DropNotices(const DropNotices&) = delete;
    DropNotices& operator=(const DropNotices&) = delete;
    // Remembers a dropped connection for the innermost collector of this thread, if any.
    static void Collect(const std::shared_ptr<Connection>& c);

private:
    DropNotices* FOuter;
    std::vector<std::shared_ptr<Connection>> FDropped;
};

} // namespace tnxdb
