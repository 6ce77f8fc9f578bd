// One network database server for a whole test program: started by scripts/pg-test-server.sh in
// a temporary folder before the first test and stopped after the last, or the server that
// TNX_PG_HOST / TNX_PG_PORT (with TNX_PG_USER, TNX_PG_PASSWORD, TNX_PG_DB) name. When the server
// programs are not installed, Available() is false and tests skip with SkipReason(); any other
// failure to start is a test failure, so that a broken setup never passes as skipped.
#pragma once

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace tnxtest {

struct PgServerParams {
    std::string Host;
    int Port = 0;
    std::string User, Password, Database;
};

class PgTestServer : public ::testing::Environment {
public:
    // The environment registered by the test program (see RegisterPgTestServer).
    static PgTestServer& Instance();

    void SetUp() override;
    void TearDown() override;

    bool Available() const { return FAvailable; }
    const std::string& SkipReason() const { return FSkipReason; }
    const PgServerParams& Params() const { return FParams; }
    // Whether this program started the server itself (only then can it stop and start it).
    bool Owned() const { return FDir != nullptr; }
    // Stops the server (its sessions end) and starts it again on the same port with the same data.
    // Return false with a message in LastError() on failure.
    bool Stop();
    bool Start();
    const std::string& LastError() const { return FLastError; }
    // "links=tcpip(host=..;port=..);dbn=..;uid=..;pwd=.." for the client library.
    std::string ConnectionString() const;

private:
    bool RunScript(const std::string& action, std::string& output);
    bool RunOwned(const std::string& action);

    bool FAvailable = false;
    std::string FSkipReason;
    std::string FLastError;
    PgServerParams FParams;
    std::unique_ptr<TempDir> FDir;
};

} // namespace tnxtest

// Skips the current test when no server is available.
#define TNX_REQUIRE_PG_SERVER()                                                                   \
    do {                                                                                           \
        if (!::tnxtest::PgTestServer::Instance().Available())                                     \
            GTEST_SKIP() << ::tnxtest::PgTestServer::Instance().SkipReason();                     \
    } while (0)
