// Test helpers for the client library's services: the service entry points bound from a loaded
// build, and a counter that threads and callbacks raise and tests wait on (tests wait for events,
// never for an amount of time).
#pragma once

#include "DbLibFixture.h"

#include <condition_variable>
#include <mutex>
#include <stdexcept>

namespace dbtest {

struct Services {
    explicit Services(DbLib& lib) {
        Bind(lib, "db_register_a_callback", Register);
        Bind(lib, "db_is_working", IsWorking);
        Bind(lib, "db_cancel_request", Cancel);
        Bind(lib, "db_backup", Backup);
        Bind(lib, "db_locate_servers", Locate);
        Bind(lib, "db_string_ping_server", Ping);
    }

    template <class F>
    void RegisterFn(sqlca* ca, int kind, F fn) const {
        Register(ca, kind, reinterpret_cast<void (*)(void)>(fn));
    }

    db_register_a_callback_fn Register = nullptr;
    db_is_working_fn IsWorking = nullptr;
    db_cancel_request_fn Cancel = nullptr;
    db_backup_fn Backup = nullptr;
    db_locate_servers_fn Locate = nullptr;
    db_string_ping_server_fn Ping = nullptr;

private:
    template <class F>
    static void Bind(DbLib& lib, const char* name, F& fn) {
        fn = reinterpret_cast<F>(lib.Symbol(name));
        if (!fn) throw std::runtime_error(std::string("the client library lacks ") + name);
    }
};

// A count that only grows; WaitFor blocks until it reaches a value.
class EventCount {
public:
    void Add() {
        {
            std::lock_guard<std::mutex> lock(FMutex);
            ++FValue;
        }
        FCv.notify_all();
    }
    long Get() {
        std::lock_guard<std::mutex> lock(FMutex);
        return FValue;
    }
    void WaitFor(long value) {
        std::unique_lock<std::mutex> lock(FMutex);
        FCv.wait(lock, [&] { return FValue >= value; });
    }

private:
    std::mutex FMutex;
    std::condition_variable FCv;
    long FValue = 0;
};

// A query that runs until it is cancelled (its count has 10^12 steps to make).
constexpr const char* kEndlessQuery =
    "WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c WHERE x < 1000000000000) "
    "SELECT count(*) FROM c";

} // namespace dbtest
