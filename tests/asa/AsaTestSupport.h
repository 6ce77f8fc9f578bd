// Helpers for the SQL Anywhere package's tests: database files made through the client library
// itself, sessions set up to load a build of the library from the build's library folder, plain
// statements run through a session's SQLCA, the library's call record, and an event counter that
// threads and callbacks raise and tests wait on (tests wait for events, never for an amount of
// time).
#pragma once

#include "asa/TnxAsa.h"
#include "platform/dblib/DbLibTestInstrument.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace asatest {

// The folder of the client-library builds, and a build's full path there.
std::string LibDir();
std::string LibPath(const std::string& file);

// Creates a database file (user DBA, password SQL) through the generation-7 library; returns path.
// extra: clauses after the file name (" PAGE SIZE 8192").
std::string CreateDatabaseFile(const std::string& path, const std::string& extra = "");

// A session that loads `libraryFile` from LibDir().
vcl::TOwned<tnx::TAsaSession> NewSession(const std::string& libraryFile);

// Sets a session up for the database file under the engine name, as user DBA.
void UseDatabase(tnx::TAsaSession& session, const std::string& engine, const std::string& file);

// The loaded library's test instrument (a library must be loaded).
tnxdb::TestInstrument Instrument();

// Runs text with dbpp_execute_imm on the session's SQLCA; returns sqlcode.
int Exec(tnx::TAsaSession& session, const std::string& sql);
// The first column of the first row as a 32-bit integer (nullopt for NULL, no row or an error).
// Variable, when not empty, names the SQL variable bound to the query's one input marker.
std::optional<long> QueryInt(tnx::TAsaSession& session, const std::string& sql,
                             const std::string& variable = {});
// The process's current directory, as the platform layer reports it.
std::string CurrentDirectory();

// The recorded call lines that start with prefix, in order.
std::vector<std::string> Calls(const tnxdb::TestInstrument& probe, const std::string& prefix = "");

// A count that only grows; WaitFor blocks until it reaches a value.
class EventCount {
public:
    void Add();
    long Get();
    void WaitFor(long value);

private:
    std::mutex FMutex;
    std::condition_variable FCv;
    long FValue = 0;
};

// A query that runs until it is cancelled.
inline constexpr const char* kEndlessQuery =
    "WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c WHERE x < 1000000000000) "
    "SELECT count(*) FROM c";

// Base of the tests that run over both current generations: a temporary folder, a database file
// and an engine name of their own, and a session set up for them (not yet connected).
class AsaTest : public ::testing::TestWithParam<std::string> {
protected:
    void SetUp() override;
    void TearDown() override;
    tnx::TAsaSession& S() { return *FSession; }
    // A second session on the same library, set up for the same database.
    vcl::TOwned<tnx::TAsaSession> Another();
    // Stops the test's engine unconditionally from another session (as an operator would), so
    // that the session's connection ends under it.
    void StopEngineElsewhere();
    std::string Generation() const { return GetParam().find("dblib7") != std::string::npos ? "7" : "6"; }

    tnxtest::TempDir Dir;
    std::string Engine;
    std::string DbFile;
    vcl::TOwned<tnx::TAsaSession> FSession;
};

inline std::vector<std::string> CurrentGenerations() {
    return {"libdblib7.so", "libdblib6.so"};
}
std::string GenerationName(const ::testing::TestParamInfo<std::string>& info);

} // namespace asatest
