// Locating servers (every running engine, until the callback says stop) and pinging them.
#include "ServicesFixture.h"

#include <set>
#include <string>
#include <vector>

using namespace dbtest;

namespace {

struct Found {
    std::string Name, Address;
    uint32_t PortType, Port;
};

struct LocateState {
    std::vector<Found> Servers;
    int StopAfter = 0; // return 0 on this call (0: never)
    DbLib* Lib = nullptr;
};

int OnServer(sqlca* ca, a_server_address* a, void* user) {
    auto* st = static_cast<LocateState*>(user);
    st->Servers.push_back({a->name, a->address, a->port_type, a->port_num});
    // Calling the library on the same SQLCA inside the callback does not change the outcome.
    st->Lib->db_find_engine(ca, const_cast<char*>("no engine of that name"));
    return static_cast<int>(st->Servers.size()) == st->StopAfter ? 0 : 1;
}

class LocatePingTest : public DbTest {};

} // namespace

TEST_P(LocatePingTest, LocateReportsEveryRunningEngineUntilTheCallbackStops) {
    Services svc(Lib());
    Client c(Lib());
    std::vector<std::string> names;
    for (int i = 0; i < 3; ++i) {
        names.push_back(tnxtest::UniqueName("loc"));
        std::string start = "eng=" + names.back();
        ASSERT_EQ(Lib().db_start_engine(&c.ca, start.data()), 1) << c.Message();
    }

    LocateState all;
    all.Lib = &Lib();
    EXPECT_EQ(svc.Locate(&c.ca, &OnServer, &all), 1);
    EXPECT_EQ(c.Code(), 0);
    EXPECT_EQ(c.ca.sqlerrd[2], static_cast<int32_t>(all.Servers.size()));
    // This test's engines, in start order, among whatever else runs in the process (the
    // fixture's own engine at least).
    std::vector<std::string> ours;
    std::set<uint32_t> ports;
    for (const Found& f : all.Servers) {
        EXPECT_EQ(f.Address, "127.0.0.1");
        EXPECT_EQ(f.PortType, 1u);
        EXPECT_GE(f.Port, 49152u);
        ports.insert(f.Port);
        for (const auto& n : names)
            if (f.Name == n) ours.push_back(n);
    }
    EXPECT_EQ(ours, names);
    EXPECT_GE(all.Servers.size(), 4u);
    EXPECT_EQ(ports.size(), all.Servers.size()) << "every engine has a port of its own";

    LocateState some;
    some.Lib = &Lib();
    some.StopAfter = 2;
    EXPECT_EQ(svc.Locate(&c.ca, &OnServer, &some), 1);
    EXPECT_EQ(some.Servers.size(), 2u) << "a callback answering 0 ends the search";
    EXPECT_EQ(c.ca.sqlerrd[2], 2);
    EXPECT_EQ(some.Servers[0].Name, all.Servers[0].Name);
    EXPECT_EQ(some.Servers[1].Name, all.Servers[1].Name);

    EXPECT_EQ(svc.Locate(&c.ca, nullptr, nullptr), 0);
    EXPECT_EQ(c.Code(), DBLIB_E_BAD_ARGUMENT);

    for (const auto& n : names) {
        std::string stop = "eng=" + n;
        EXPECT_EQ(Lib().db_stop_engine(&c.ca, stop.data()), 1) << c.Message();
    }
    LocateState after;
    after.Lib = &Lib();
    svc.Locate(&c.ca, &OnServer, &after);
    for (const Found& f : after.Servers)
        for (const auto& n : names)
            EXPECT_NE(f.Name, n) << "a stopped engine is not found";
}

TEST_P(LocatePingTest, PingAnswersForRunningEnginesAndTheirDatabases) {
    Services svc(Lib());
    Client c(Lib());
    auto ping = [&](const std::string& params, unsigned database) {
        std::string p = params;
        unsigned short r = svc.Ping(&c.ca, p.data(), database);
        EXPECT_EQ(r, c.Code() == 0 ? 1 : 0) << params;
        return c.Code();
    };
    std::string eng = "eng=" + Engine;
    EXPECT_EQ(ping(eng, 0), 0);
    EXPECT_EQ(ping("ENG=" + Engine + ";links=all", 0), 0);
    EXPECT_EQ(ping(eng + ";dbn=test;uid=DBA;pwd=SQL", 1), 0);
    EXPECT_EQ(ping(eng + ";dbf=" + DbFile + ";uid=dba;pwd=SQL", 1), 0)
        << "the running file, user names compare in any case";
    EXPECT_EQ(ping(eng + ";dbn=test;uid=DBA;pwd=sql", 1), DBLIB_E_BAD_USER) << "passwords do not";
    EXPECT_EQ(ping(eng + ";dbn=utility_db;uid=DBA;pwd=SQL", 1), 0);
    EXPECT_EQ(ping(eng + ";dbn=test;uid=DBA;pwd=wrong", 1), DBLIB_E_BAD_USER);
    EXPECT_EQ(ping(eng + ";dbn=test;uid=DBA;pwd=wrong", 0), 0) << "the database is not asked for";
    EXPECT_EQ(ping(eng + ";dbn=other;uid=DBA;pwd=SQL", 1), DBLIB_E_DB_NOT_FOUND);
    EXPECT_EQ(ping(eng + ";dbn", 0), DBLIB_E_PARSE);

    // Ping starts nothing, even when the parameters would let a connection start the engine.
    std::string ghost = tnxtest::UniqueName("ghost");
    EXPECT_EQ(ping("eng=" + ghost, 0), DBLIB_E_ENGINE_NOT_FOUND);
    EXPECT_EQ(ping("eng=" + ghost + ";dbf=" + DbFile + ";uid=DBA;pwd=SQL", 1), DBLIB_E_ENGINE_NOT_FOUND);
    EXPECT_EQ(Lib().db_find_engine(&c.ca, ghost.data()), 0);

    // The fixture's engine stops when its last connection leaves; then the ping fails.
    Main().Disconnect();
    EXPECT_EQ(ping(eng, 0), DBLIB_E_ENGINE_NOT_FOUND);
    EXPECT_EQ(c.Message(), "Database server not running: " + Engine);
}

INSTANTIATE_TEST_SUITE_P(Generations, LocatePingTest, ::testing::ValuesIn(BothGenerations()), GenerationName);
