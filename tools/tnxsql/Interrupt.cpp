// The SIGINT handler and its state; see Interrupt.h. Everything the handler touches is a lock-free
// atomic or a file descriptor.
#include "tools/tnxsql/Interrupt.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <system_error>
#include <unistd.h>

namespace tnxsql::interrupt {

namespace {

std::atomic<bool> gPending{false};
std::atomic<Backend*> gActive{nullptr}; // backend whose request Ctrl-C cancels; null between requests
std::atomic<int> gDuringRequest{0};     // Ctrl-Cs since the current request started
int gPipe[2] = {-1, -1};
bool gInstalled = false;

static_assert(std::atomic<bool>::is_always_lock_free);
static_assert(std::atomic<Backend*>::is_always_lock_free);
static_assert(std::atomic<int>::is_always_lock_free);

// Ctrl-Cs during one request after which the program gives up waiting for the request to stop.
constexpr int GiveUpAfter = 3;

void OnSigint(int) {
    const int savedErrno = errno;
    gPending.store(true);
    if (Backend* b = gActive.load()) {
        b->RequestCancel();
        if (gDuringRequest.fetch_add(1) + 1 >= GiveUpAfter) {
            std::signal(SIGINT, SIG_DFL);
            std::raise(SIGINT);
        }
    }
    if (gPipe[1] >= 0) {
        char b = 1;
        ssize_t ignored = write(gPipe[1], &b, 1); // a full pipe already holds a wake-up
        (void)ignored;
    }
    errno = savedErrno;
}

} // namespace

void Install() {
    if (gInstalled) return;
    if (pipe2(gPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        throw std::system_error(errno, std::generic_category(), "pipe");
    struct sigaction sa {};
    sa.sa_handler = OnSigint;
    sigemptyset(&sa.sa_mask);
    // SA_RESTART: a write to the terminal or a pipe that the Ctrl-C interrupts is resumed. Without it
    // the write fails with EINTR and the output stream stays failed, so every later message on it
    // (the statement's error, progress bars) would be lost. Waits for input use poll(), which a signal
    // interrupts whatever the flag, together with the wake-up pipe.
    sa.sa_flags = SA_RESTART;
    if (sigaction(SIGINT, &sa, nullptr) != 0)
        throw std::system_error(errno, std::generic_category(), "sigaction");
    gInstalled = true;
}

bool Pending() {
    return gPending.load();
}
void Clear() {
    gPending.store(false);
}

int WakeFd() {
    return gPipe[0];
}

void DrainWake() {
    if (gPipe[0] < 0) return;
    char buf[64];
    while (read(gPipe[0], buf, sizeof buf) > 0) {
    }
}

CancelScope::CancelScope(Backend& backend) {
    gDuringRequest.store(0);
    gActive.store(&backend);
}

CancelScope::~CancelScope() {
    gActive.store(nullptr);
}

} // namespace tnxsql::interrupt
