// The frame every entry point runs in: it resets the SQLCA, applies an injected failure, checks
// the legacy call descriptor (generations before 7), runs the body, and turns every exception into
// an sqlcode, so that no C++ exception ever crosses the C boundary and a failure always reaches
// the caller as a code and a message.
#pragma once

#include "platform/dblib/Client.h"
#include "platform/dblib/Errors.h"
#include "platform/dblib/Instrument.h"

#include <new>

namespace tnxdb {

// Reads n bytes at src without faulting when src is not readable memory.
bool SafeRead(void* dst, const void* src, size_t n);

// Checks a legacy call descriptor against the version value the build expects. Throws
// DbError(DBLIB_E_DESCRIPTOR) when it is missing, unreadable or of another version.
void CheckDescriptor(ClientState* client, const void* descriptor, uint16_t expected);

// Records an error in the SQLCA and in the client's last message.
void ReportError(sqlca* ca, ClientState* client, const DbError& e);

// Throws the failure injected into this call, if any. An injected DBLIB_E_CONNECTION_ENDED first
// ends the client's connection the way a stopped engine or a broken network does (its work is
// rolled back, every later call but the disconnect answers the same), so that tests of a lost
// connection test one.
void ThrowInjected(ClientState* client, const char* entry);

// Whether this build checks descriptors, and the value it expects (0: no descriptor).
struct CallSpec {
    const char* Name;
    bool Descriptor;
    const void* DescriptorValue;
    uint16_t Expected;
};

template <class R, class Body>
R RunCall(sqlca* ca, const CallSpec& spec, R failValue, Body&& body) noexcept {
    if (!ca) return failValue;
    ResetSqlca(ca);
    std::shared_ptr<ClientState> client;
    try {
        client = Clients::Instance().Find(ca);
        if (client) client->LastCode = 0;
        if (instrument::Armed()) ThrowInjected(client.get(), spec.Name);
        if (spec.Descriptor) CheckDescriptor(client.get(), spec.DescriptorValue, spec.Expected);
        return body(client.get());
    } catch (const DbError& e) {
        ReportError(ca, client.get(), e);
    } catch (const std::bad_alloc&) {
        ReportError(ca, client.get(), DbError(DBLIB_E_MEMORY));
    } catch (...) {
        ReportError(ca, client.get(), DbError(DBLIB_E_INTERNAL, "(unexpected failure)"));
    }
    return failValue;
}

// As RunCall, for requests that need the client's connection: the body gets the connection
// inside a RequestScope.
template <class R, class Body>
R RunRequest(sqlca* ca, const CallSpec& spec, R failValue, Body&& body) noexcept {
    return RunCall(ca, spec, failValue, [&](ClientState* client) -> R {
        RequestScope scope(client);
        return body(scope.Conn());
    });
}

} // namespace tnxdb
