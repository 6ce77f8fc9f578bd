// Hostile and careless callers: null and garbage arguments answered with codes, a concurrent
// second request refused, clients on several threads at once, and the call record and injected
// failures of the test instrument.
#include "DbLibFixture.h"

#include <atomic>
#include <thread>
#include <vector>

using namespace dbtest;

class RobustnessTest : public DbTest {};

TEST_P(RobustnessTest, NullSqlcaIsIgnoredEverywhere) {
    DbLib& l = Lib();
    EXPECT_EQ(l.db_init(nullptr), 0);
    EXPECT_EQ(l.db_fini(nullptr), 0);
    EXPECT_EQ(l.db_string_connect(nullptr, nullptr), 0);
    EXPECT_EQ(l.db_string_disconnect(nullptr, nullptr), 0);
    EXPECT_EQ(l.db_start_engine(nullptr, nullptr), 0);
    EXPECT_EQ(l.db_stop_engine(nullptr, nullptr), 0);
    EXPECT_EQ(l.db_start_database(nullptr, nullptr), 0);
    EXPECT_EQ(l.db_stop_database(nullptr, nullptr), 0);
    EXPECT_EQ(l.db_find_engine(nullptr, nullptr), 0);
    EXPECT_EQ(l.db_connection_info(nullptr, 1, nullptr), 0u);
    short stmt = 1;
    l.Prepare(nullptr, nullptr, &stmt, "select 1");
    l.Describe(nullptr, &stmt, nullptr, 1);
    l.ExecuteInto(nullptr, &stmt, nullptr, nullptr);
    l.ExecuteImm(nullptr, "select 1");
    l.DropStmt(nullptr, &stmt);
    l.Commit(nullptr);
    l.Rollback(nullptr);
    l.SetOption(nullptr, 1, nullptr, nullptr, nullptr);
    l.GetOption(nullptr, nullptr, nullptr);
    char buf[8];
    EXPECT_EQ(l.sqlerror_message(nullptr, buf, sizeof buf), buf);
    EXPECT_STREQ(buf, "");
    EXPECT_EQ(l.sqlerror_message(&Main().ca, nullptr, 10), nullptr);
    EXPECT_EQ(l.sqlerror_message(&Main().ca, buf, 0), nullptr);
}

TEST_P(RobustnessTest, NullAndMalformedArgumentsGetCodes) {
    DbLib& l = Lib();
    Client& c = Main();
    EXPECT_EQ(l.db_string_connect(&c.ca, nullptr), 0);
    EXPECT_EQ(c.Code(), DBLIB_E_ALREADY_CONNECTED);
    EXPECT_EQ(l.db_find_engine(&c.ca, nullptr), 0);
    EXPECT_EQ(c.Code(), DBLIB_E_ENGINE_NOT_FOUND);
    EXPECT_EQ(l.db_start_engine(&c.ca, nullptr), 0);
    EXPECT_EQ(c.Code(), DBLIB_E_START_STOP_DENIED);
    EXPECT_EQ(l.db_start_database(&c.ca, nullptr), 0);
    EXPECT_EQ(c.Code(), DBLIB_E_START_STOP_DENIED);
    EXPECT_EQ(l.db_connection_info(&c.ca, 2, nullptr), 0u);
    EXPECT_EQ(c.Code(), DBLIB_E_BAD_SQLDA);

    l.Prepare(&c.ca, "TNX", nullptr, "select 1");
    EXPECT_EQ(c.Code(), DBLIB_E_BAD_ARGUMENT);
    short stmt = 0;
    l.Prepare(&c.ca, nullptr, &stmt, nullptr);
    EXPECT_EQ(c.Code(), DBLIB_E_BAD_ARGUMENT);
    l.Prepare(&c.ca, nullptr, &stmt, "  -- nothing\n");
    EXPECT_EQ(c.Code(), DBLIB_E_SYNTAX);
    stmt = -4;
    l.Prepare(&c.ca, nullptr, &stmt, "select 1");
    EXPECT_EQ(c.Code(), DBLIB_E_BAD_STATEMENT);
    l.Describe(&c.ca, nullptr, nullptr, 1);
    EXPECT_EQ(c.Code(), DBLIB_E_BAD_ARGUMENT);
    stmt = c.Prepare("select ?");
    l.Describe(&c.ca, &stmt, nullptr, 1);
    EXPECT_EQ(c.Code(), DBLIB_E_BAD_SQLDA);
    l.ExecuteInto(&c.ca, nullptr, nullptr, nullptr);
    EXPECT_EQ(c.Code(), DBLIB_E_BAD_ARGUMENT);
    l.ExecuteInto(&c.ca, &stmt, nullptr, nullptr);
    EXPECT_EQ(c.Code(), DBLIB_E_TOO_FEW_VALUES);
    Sqlda bad(l, 1);
    bad->sqld = 5; // more than allocated
    l.ExecuteInto(&c.ca, &stmt, bad.get(), nullptr);
    EXPECT_EQ(c.Code(), DBLIB_E_BAD_SQLDA);
    bad->sqld = -1;
    l.ExecuteInto(&c.ca, &stmt, bad.get(), nullptr);
    EXPECT_EQ(c.Code(), DBLIB_E_BAD_SQLDA);
    l.ExecuteImm(&c.ca, nullptr);
    EXPECT_EQ(c.Code(), DBLIB_E_BAD_ARGUMENT);
    l.DropStmt(&c.ca, nullptr);
    EXPECT_EQ(c.Code(), DBLIB_E_BAD_ARGUMENT);
    l.SetOption(&c.ca, 1, nullptr, nullptr, nullptr);
    EXPECT_EQ(c.Code(), DBLIB_E_BAD_ARGUMENT);
    l.SetOption(&c.ca, 1, nullptr, "row_counts", nullptr);
    EXPECT_EQ(c.Code(), DBLIB_E_BAD_SQLDA);
    l.GetOption(&c.ca, "row_counts", nullptr);
    EXPECT_EQ(c.Code(), DBLIB_E_BAD_SQLDA);
    Sqlda out(l, 1);
    out->sqld = 1;
    out[0].sqltype = DBLIB_T_STRING;
    out[0].sqllen = 0;
    char one[1];
    out[0].sqldata = one;
    l.GetOption(&c.ca, "row_counts", out.get());
    EXPECT_EQ(c.Code(), DBLIB_E_BAD_HOST_VARIABLE) << "a string buffer needs room for its NUL";
    EXPECT_EQ(c.Exec("select 1"), 0) << "the connection stays usable";

    // SQLDAs: too many variables, and frees of pointers the library never gave out.
    EXPECT_EQ(l.alloc_sqlda(40000), nullptr);
    sqlda* zero = l.alloc_sqlda(0);
    ASSERT_NE(zero, nullptr);
    EXPECT_EQ(zero->sqln, 0);
    l.free_sqlda(zero);
    l.free_sqlda(zero); // already freed: ignored
    sqlda local{};
    l.free_sqlda(&local);
    l.free_sqlda_noind(nullptr);
    l.free_sqlda(reinterpret_cast<sqlda*>(0x10));
}

TEST_P(RobustnessTest, UninitialisedSqlcaAndMissingConnection) {
    DbLib& l = Lib();
    sqlca raw{};
    EXPECT_EQ(l.db_string_connect(&raw, const_cast<char*>(ConnStr().c_str())), 0);
    EXPECT_EQ(raw.sqlcode, DBLIB_E_BAD_ARGUMENT);
    l.ExecuteImm(&raw, "select 1");
    EXPECT_EQ(raw.sqlcode, DBLIB_E_NOT_CONNECTED);
    char buf[128];
    l.sqlerror_message(&raw, buf, sizeof buf);
    EXPECT_STREQ(buf, "Not connected to a database");
    Client idle(l);
    l.Commit(&idle.ca);
    EXPECT_EQ(idle.Code(), DBLIB_E_NOT_CONNECTED);
    EXPECT_EQ(idle.State(), "08003");
}

TEST_P(RobustnessTest, ClientsOnSeveralThreads) {
    Client& c = Main();
    ASSERT_EQ(c.Exec("create table t(thread int, n int)"), 0);
    constexpr int kThreads = 4, kRows = 50;
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            Client mine(Lib());
            if (mine.Connect(ConnStr()) != 0) {
                ++failures;
                return;
            }
            for (int i = 0; i < kRows; ++i) {
                if (mine.Exec("insert into t values (" + std::to_string(t) + ", " + std::to_string(i) + ")") != 0)
                    ++failures;
                Lib().Commit(&mine.ca);
                if (mine.Code() != 0) ++failures;
            }
        });
    }
    for (auto& th : threads) th.join();
    EXPECT_EQ(failures.load(), 0);
    EXPECT_EQ(c.Count("t"), kThreads * kRows);
}

TEST_P(RobustnessTest, InstrumentRecordsCallsAndInjectsFailures) {
    tnxdb::TestInstrument probe = Lib().Instrument();
    Client& c = Main();
    probe.Clear();
    probe.Record(true);
    Client other(Lib());
    other.Connect(ConnStr("DBA", "SQL"));
    short stmt = other.Prepare("select 'a\"b'");
    Lib().Commit(&other.ca);
    probe.Record(false);
    Lib().Commit(&other.ca); // not recorded
    std::vector<std::string> lines = probe.Lines();
    std::vector<std::string> mine;
    for (const auto& l : lines)
        if (l.rfind("db_init", 0) == 0 || l.rfind("db_string_connect", 0) == 0 || l.rfind("dbpp_prepare", 0) == 0 ||
            l.rfind("dbpp_commit", 0) == 0)
            mine.push_back(l);
    ASSERT_EQ(mine.size(), 4u) << probe.Text();
    EXPECT_EQ(mine[0], "db_init()");
    EXPECT_EQ(mine[1], "db_string_connect(\"eng=" + Engine + ";dbf=" + DbFile + ";uid=DBA;pwd=***\")");
    EXPECT_EQ(mine[2], "dbpp_prepare(\"TNX\", 0, \"select 'a\\\"b'\", 1)");
    EXPECT_EQ(mine[3], "dbpp_commit(0)");
    EXPECT_EQ(probe.Text().find("SQL\""), std::string::npos) << "the password is masked";

    // The second commit from now fails with the injected code and does nothing else.
    probe.Inject("dbpp_commit", 2, DBLIB_E_ROW_LOCKED);
    Lib().Commit(&other.ca);
    EXPECT_EQ(other.Code(), 0);
    ASSERT_EQ(other.Exec("create table inj(x int)"), 0);
    ASSERT_EQ(other.Exec("insert into inj values (1)"), 0);
    Lib().Commit(&other.ca);
    EXPECT_EQ(other.Code(), DBLIB_E_ROW_LOCKED);
    EXPECT_EQ(c.Count("inj"), 0) << "the injected commit did not commit";
    Lib().Commit(&other.ca);
    EXPECT_EQ(other.Code(), 0);
    EXPECT_EQ(c.Count("inj"), 1);

    // An injected lost connection is one: the connection ends at once, its work rolled back, and
    // every later call but the disconnect answers the same code.
    ASSERT_EQ(other.Exec("insert into inj values (2)"), 0);
    probe.Inject("dbpp_execute_imm", 1, DBLIB_E_CONNECTION_ENDED);
    EXPECT_EQ(other.Exec("select 1"), DBLIB_E_CONNECTION_ENDED);
    EXPECT_EQ(other.Message(), "Connection was terminated");
    EXPECT_EQ(c.Count("inj"), 1) << "the row in flight is gone";
    Lib().Commit(&other.ca);
    EXPECT_EQ(other.Code(), DBLIB_E_CONNECTION_ENDED) << "a commit cannot bring it back";
    EXPECT_EQ(c.Count("inj"), 1);
    EXPECT_EQ(other.Disconnect(), 0);
    ASSERT_EQ(other.Connect(ConnStr("DBA", "SQL")), 0) << other.Message();
    EXPECT_EQ(other.Count("inj"), 1);

    // nth 0: every call until cleared.
    probe.Inject("db_find_engine", 0, -100);
    std::string name = Engine;
    EXPECT_EQ(Lib().db_find_engine(&c.ca, name.data()), 0);
    EXPECT_EQ(Lib().db_find_engine(&c.ca, name.data()), 0);
    probe.ClearInjections();
    EXPECT_EQ(Lib().db_find_engine(&c.ca, name.data()), 1);
    (void)stmt;
}

INSTANTIATE_TEST_SUITE_P(Generations, RobustnessTest, ::testing::ValuesIn(BothGenerations()), GenerationName);
