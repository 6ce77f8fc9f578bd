// Ctrl-C. The program installs one SIGINT handler for its whole life. The handler only does what
// is safe in a signal handler: it sets a flag, asks the backend whose request is running to cancel
// it (Backend::RequestCancel, which is async-signal-safe by contract), and writes a byte to a pipe
// so that the prompt's wait wakes up. So Ctrl-C stops the running statement, never the tool; only a
// third Ctrl-C during one request that will not stop ends the program the default way.
#pragma once

#include "tools/tnxsql/Backend.h"

namespace tnxsql::interrupt {

// Installs the handler (idempotent). Throws std::system_error when the pipe cannot be made.
void Install();

// True when Ctrl-C was pressed since the last Clear().
bool Pending();
void Clear();

// Read end of the wake-up pipe (-1 before Install); DrainWake() empties it.
int WakeFd();
void DrainWake();

// While it lives, Ctrl-C also cancels the request running on `backend`.
class CancelScope {
public:
    explicit CancelScope(Backend& backend);
    ~CancelScope();
    CancelScope(const CancelScope&) = delete;
    CancelScope& operator=(const CancelScope&) = delete;
};

} // namespace tnxsql::interrupt
