// Entry-point frame helpers (see CallGuard.h).
#include "platform/dblib/CallGuard.h"

#include "platform/dblib/Connection.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/uio.h>
#include <unistd.h>

namespace tnxdb {

bool SafeRead(void* dst, const void* src, size_t n) {
    if (!src) return false;
    iovec local{dst, n};
    iovec remote{const_cast<void*>(src), n};
    ssize_t r = process_vm_readv(getpid(), &local, 1, &remote, 1, 0);
    if (r == static_cast<ssize_t>(n)) return true;
    if (r < 0 && errno == EFAULT) return false;
    // The call may be refused in a sandbox: a write into a pipe reports unreadable memory with
    // EFAULT just as well.
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return false;
    bool ok = write(fds[1], src, n) == static_cast<ssize_t>(n) && read(fds[0], dst, n) == static_cast<ssize_t>(n);
    close(fds[0]);
    close(fds[1]);
    return ok;
}

void CheckDescriptor(ClientState* client, const void* descriptor, uint16_t expected) {
    if (!descriptor) throw DbError(DBLIB_E_DESCRIPTOR, "no call descriptor was passed");
    dblib_call_descriptor d;
    uint16_t v1 = 0, v2 = 0;
    DescriptorCache* cache = client ? &client->Descriptor : nullptr;
    if (cache && cache->Address == descriptor) {
        // Checked before and readable then: compare its bytes directly.
        std::memcpy(&d, descriptor, sizeof d);
        if (std::memcmp(&d, cache->Bytes, sizeof d) == 0) {
            std::memcpy(&v1, d.version, sizeof v1);
            std::memcpy(&v2, d.version2, sizeof v2);
            if (v1 == expected && v2 == expected) return;
        }
    } else if (!SafeRead(&d, descriptor, sizeof d)) {
        throw DbError(DBLIB_E_DESCRIPTOR, "the call descriptor cannot be read");
    }
    if (!d.version || !d.version2) throw DbError(DBLIB_E_DESCRIPTOR, "the call descriptor holds no version");
    if (!SafeRead(&v1, d.version, sizeof v1) || !SafeRead(&v2, d.version2, sizeof v2))
        throw DbError(DBLIB_E_DESCRIPTOR, "the call descriptor's version cannot be read");
    if (v1 != expected || v2 != expected) {
        if (cache) cache->Address = nullptr;
        throw DbError(DBLIB_E_DESCRIPTOR, "call descriptor version " + std::to_string(v1) + "." + std::to_string(v2) +
                                              " where this library needs " + std::to_string(expected));
    }
    if (cache) {
        cache->Address = descriptor;
        std::memcpy(cache->Bytes, &d, sizeof d);
    }
}

void ThrowInjected(ClientState* client, const char* entry) {
    const int code = instrument::InjectedCode(entry);
    if (code == 0) return;
    if (code == DBLIB_E_CONNECTION_ENDED && client) {
        std::shared_ptr<Connection> conn;
        {
            std::lock_guard<std::mutex> lock(client->ConnMutex);
            conn = client->Conn;
        }
        if (conn) conn->Drop();
    }
    throw DbError(code);
}

void ReportError(sqlca* ca, ClientState* client, const DbError& e) {
    std::string message = WriteSqlca(ca, e.Code(), e.P1(), e.P2());
    if (!e.Where().empty()) message += " (" + e.Where() + ")";
    if (client) {
        client->LastCode = e.Code();
        client->LastMessage = std::move(message);
    }
}

} // namespace tnxdb
