// One way a C++ program reaches the benchmark's server: the server's own client library called
// directly (the limit), the client library's entry points, TAsaSQL, Qt SQL's QPSQL driver and
// SOCI's PostgreSQL backend. Each contender connects in its constructor and prepares what it
// re-executes; the works are then timed one call each. Reads return the fold of what they read
// (Fold per row); the insert writes rows 0 .. kInserts-1 with InsertedNumber(i) and
// "inserted <i>" in one transaction.
#pragma once

#include "ServerFixture.h"

#include <cstdint>
#include <memory>
#include <string>

namespace srv {

class TServerContender {
public:
    virtual ~TServerContender() = default;
    // The column title.
    virtual std::string Name() const = 0;
    // How it was set up, one line for the report.
    virtual std::string Setup() const = 0;
    // Every row of t, forward only, every column read.
    virtual uint64_t Read() = 0;
    // kKeys prepared lookups of t by primary key (KeyOf(i)).
    virtual uint64_t Lookup() = 0;
    // kInserts rows into ins with one prepared statement, in one transaction.
    virtual void Insert() = 0;
};

std::unique_ptr<TServerContender> MakeRawContender(const TServer& Server);
std::unique_ptr<TServerContender> MakeDbLibContender(const TServer& Server, const std::string& LibDir);
std::unique_ptr<TServerContender> MakeAsaContender(const TServer& Server, const std::string& LibDir);
std::unique_ptr<TServerContender> MakeQtContender(const TServer& Server);
std::unique_ptr<TServerContender> MakeSociContender(const TServer& Server);

} // namespace srv
