// The session against the client library: parameter strings, connecting as client, server and
// workgroup with their events and call sequences, failed connects, starting and stopping
// databases, cancelling a running request, Check, options, connection information and ping.
#include "AsaTestSupport.h"

#include "platform/win/Process.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <thread>

using namespace tnx;
using namespace asatest;

namespace {

std::string Quoted(const std::string& s) {
    return "\"" + s + "\"";
}

} // namespace

// --- Parameter strings --------------------------------------------------------------------------

TEST(AsaParams, EngineAndDatabaseNamesComeFromTheDatabaseFile) {
    auto s = vcl::New<TAsaSession>();
    s->SetLoginDatabase("C:\\data\\sales.db");
    EXPECT_EQ(s->GetEngineParam(), "eng=sales");
    EXPECT_EQ(s->GetStartDatabaseParams(), "eng=sales;dbf=C:\\data\\sales.db;dbn=sales");
    EXPECT_EQ(s->GetStartRemoteParams(), "eng=sales;dbf=C:\\data\\sales.db;dbn=sales");
    EXPECT_EQ(s->GetStopRemoteParams(), "eng=sales;dbf=sales.db;dbn=sales");
    EXPECT_EQ(s->GetConnectEngineParams(), "eng=sales");
    EXPECT_EQ(s->GetConnectDatabaseParams(), "eng=sales;dbn=sales;uid=;pwd=");

    s->SetLoginEngineName(" Srv ");
    s->SetClientParams("links=all");
    s->SetLoginUser("dba");
    s->SetLoginPassword("sql");
    EXPECT_EQ(s->GetEngineParam(), "eng= Srv ") << "used untrimmed";
    EXPECT_EQ(s->GetStartRemoteParams(), "eng= Srv ;links=all;dbf=C:\\data\\sales.db;dbn=sales");
    EXPECT_EQ(s->GetStopRemoteParams(), "eng= Srv ;links=all;dbf=sales.db;dbn=sales");
    EXPECT_EQ(s->GetConnectEngineParams(), "eng= Srv ;links=all");
    EXPECT_EQ(s->GetConnectDatabaseParams(), "eng= Srv ;links=all;dbn=sales;uid=dba;pwd=sql");

    s->SetLoginEngineName("   ");
    EXPECT_EQ(s->GetEngineParam(), "eng=sales") << "blanks count as empty";
    s->SetLoginDatabase("/srv/db/archive.2023.db");
    EXPECT_EQ(s->GetDatabasePrefix(), "archive.2023");
}

TEST(AsaParams, EmptyPropertiesLeaveOnlyTheNamedParts) {
    auto s = vcl::New<TAsaSession>();
    EXPECT_EQ(s->GetEngineParam(), "");
    EXPECT_EQ(s->GetConnectDatabaseParams(), "dbn=;uid=;pwd=");
    EXPECT_EQ(s->GetConnectEngineParams(), "");
    EXPECT_EQ(s->GetStartDatabaseParams(), "dbf=;dbn=");
    s->SetLoginDatabase("noextension");
    EXPECT_EQ(s->GetEngineParam(), "eng=noextension");
}

TEST(AsaParams, ValuesThatCouldAddOrChangeAParameterAreQuoted) {
    auto s = vcl::New<TAsaSession>();
    s->SetLoginDatabase("/data/a;b/sales.db");
    s->SetLoginUser("nosuchuser");
    s->SetLoginPassword("nothing;uid=DBA;pwd=SQL");
    EXPECT_EQ(s->GetConnectDatabaseParams(), "eng=sales;dbn=sales;uid=nosuchuser;pwd=\"nothing;uid=DBA;pwd=SQL\"");
    EXPECT_EQ(s->GetStartDatabaseParams(), "eng=sales;dbf=\"/data/a;b/sales.db\";dbn=sales");
    s->SetLoginUser("x;dbn=other");
    s->SetLoginPassword("it's \"so\"");
    EXPECT_EQ(s->GetConnectDatabaseParams(), "eng=sales;dbn=sales;uid=\"x;dbn=other\";pwd=\"it's \"\"so\"\"\"");
    // Blanks at either end belong to a password (the library trims unquoted values).
    s->SetLoginUser("dba");
    s->SetLoginPassword(" padded ");
    EXPECT_EQ(s->GetConnectDatabaseParams(), "eng=sales;dbn=sales;uid=dba;pwd=\" padded \"");
    s->SetLoginEngineName("we'ird");
    EXPECT_EQ(s->GetEngineParam(), "eng=\"we'ird\"");
}

// --- Connecting ---------------------------------------------------------------------------------

class AsaConnect : public AsaTest {};

TEST_P(AsaConnect, NoPropertyValueCanAddOrChangeAConnectionParameter) {
    S().SetConnected(true);
    const std::pair<const char*, const char*> users[] = {
        {"semi", "semi;colon"}, {"apos", "it's"}, {"quote", "say \"so\""}, {"pad", " padded "}, {"eq", "a=b"}, {"brace", "{x;y}"}};
    for (const auto& [user, password] : users) {
        std::string literal;
        for (const char* p = password; *p; ++p) literal += *p == '\'' ? std::string("''") : std::string(1, *p);
        ASSERT_EQ(Exec(S(), std::string("grant connect to ") + user + " identified by '" + literal + "'"), 0) << user;
    }
    ASSERT_TRUE(S().Commit());

    auto other = Another();
    for (const auto& [user, password] : users) {
        SCOPED_TRACE(user);
        other->SetLoginUser(user);
        other->SetLoginPassword(password);
        other->SetConnected(true);
        EXPECT_TRUE(other->GetConnected());
        other->SetConnected(false);
    }
    // A password is compared as given: the padded one without its blanks is another password.
    other->SetLoginUser("pad");
    other->SetLoginPassword("padded");
    EXPECT_THROW(other->SetConnected(true), EAsaException);
    EXPECT_EQ(other->GetLastErrorCode(), -103);

    // Values that would have added parameters are only values: nobody logs in as DBA, and the
    // database is the one named.
    other->SetLoginUser("nosuchuser");
    other->SetLoginPassword("nothing;uid=DBA;pwd=SQL");
    EXPECT_THROW(other->SetConnected(true), EAsaException);
    EXPECT_EQ(other->GetLastErrorCode(), -103);
    EXPECT_FALSE(other->GetConnected());
    other->SetLoginUser("DBA;dbn=utility_db");
    other->SetLoginPassword("SQL");
    EXPECT_THROW(other->SetConnected(true), EAsaException);
    EXPECT_EQ(other->GetLastErrorCode(), -103);
}

TEST_P(AsaConnect, ADatabaseInAFolderWithSeparatorsInItsNameOpens) {
    const std::string folder = Dir.File("we;ird \"folder\"");
    ASSERT_TRUE(std::filesystem::create_directory(folder));
    const std::string file = CreateDatabaseFile(folder + "/odd.db");
    S().SetLoginEngineName(tnxtest::UniqueName("odd"));
    S().SetLoginDatabase(file);
    S().SetConnected(true);
    EXPECT_TRUE(S().GetConnected());
    EXPECT_EQ(QueryInt(S(), "select 7"), 7);
}

TEST_P(AsaConnect, ServerStartsTheEngineConnectsAndFiresTheEventsInOrder) {
    std::vector<std::string> events;
    S().SetBeforeConnect(
        [&](vcl::TObject*) { events.push_back("BeforeConnect " + std::to_string(S().GetConnected())); });
    S().SetAfterConnect(
        [&](vcl::TObject*) { events.push_back("AfterConnect " + std::to_string(S().GetConnected())); });
    S().SetBeforeDisconnect(
        [&](vcl::TObject*) { events.push_back("BeforeDisconnect " + std::to_string(S().GetConnected())); });
    S().SetAfterDisconnect(
        [&](vcl::TObject*) { events.push_back("AfterDisconnect " + std::to_string(S().GetConnected())); });
    S().GetLibraryVersion();
    auto probe = Instrument();
    probe.Record(true);
    const std::string before = CurrentDirectory();

    S().SetConnected(true);
    EXPECT_TRUE(S().GetConnected());
    EXPECT_EQ(CurrentDirectory(), before);
    EXPECT_EQ(events, (std::vector<std::string>{"BeforeConnect 0", "AfterConnect 1"}));
    EXPECT_EQ(Calls(probe, "db_start_engine"),
              (std::vector<std::string>{
                  "db_start_engine(" +
                  Quoted("start=dbeng6.exe;dbf=" + DbFile + ";eng=" + Engine + ";dbn=test") + ")"}));
    EXPECT_EQ(Calls(probe, "db_string_connect"),
              (std::vector<std::string>{"db_string_connect(" +
                                        Quoted("eng=" + Engine + ";dbn=test;uid=DBA;pwd=***") + ")"}));
    EXPECT_TRUE(Calls(probe, "db_register_a_callback").empty()) << "no event assigned, nothing registered";

    AnsiString value;
    EXPECT_TRUE(S().GetConnectionInfo(ciEngineName, value));
    EXPECT_EQ(value, Engine);
    EXPECT_TRUE(S().GetConnectionInfo(ciDatabaseName, value));
    EXPECT_EQ(value, "test");
    EXPECT_TRUE(S().GetConnectionInfo(ciEngineVersion, value));
    EXPECT_EQ(value, Generation() == "7" ? "7.0.4.3300" : "6.0.3.2345");
    EXPECT_TRUE(S().GetOption("row_counts", value));
    EXPECT_EQ(value, "ON") << "WantRowCounts is applied after connecting";

    // Setting Connected to its value does nothing.
    probe.Clear();
    S().SetConnected(true);
    EXPECT_TRUE(probe.Lines().empty());

    // Disconnect: the statements' numbers are forgotten, work is committed, the library disconnects
    // and the callbacks are unregistered in the order 8, 7, 0, 2, 1.
    ASSERT_EQ(Exec(S(), "create table t(a int)"), 0);
    ASSERT_EQ(Exec(S(), "insert into t values (7)"), 0);
    S().GetStatementPool().Use(3);
    events.clear();
    probe.Clear();
    S().SetConnected(false);
    EXPECT_FALSE(S().GetConnected());
    EXPECT_EQ(S().GetStatementPool().Count(), 0);
    EXPECT_EQ(events, (std::vector<std::string>{"BeforeDisconnect 1", "AfterDisconnect 0"}));
    EXPECT_EQ(probe.Lines(), (std::vector<std::string>{
                                 "dbpp_commit(0)",
                                 "db_string_disconnect(null)",
                                 "db_register_a_callback(8, null)",
                                 "db_register_a_callback(7, null)",
                                 "db_register_a_callback(0, null)",
                                 "db_register_a_callback(2, null)",
                                 "db_register_a_callback(1, null)",
                             }));
    // The committed row is there for the next connection.
    S().SetConnected(true);
    EXPECT_EQ(QueryInt(S(), "select a from t"), 7);
}

TEST_P(AsaConnect, ServerWithTheEngineRunningStartsOnlyTheDatabase) {
    auto first = Another();
    first->SetConnected(true);
    // A second database file on the same engine.
    const std::string other = CreateDatabaseFile(Dir.File("other.db"));
    S().SetLoginDatabase(other);
    S().GetLibraryVersion();
    auto probe = Instrument();
    probe.Record(true);
    S().SetConnected(true);
    EXPECT_TRUE(S().GetConnected()) << S().GetLastError();
    const auto lines = probe.Lines();
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[0].rfind("db_start_engine(", 0), 0u);
    EXPECT_EQ(lines[1],
              "db_start_database(" + Quoted("eng=" + Engine + ";dbf=" + other + ";dbn=other") + ")");
    EXPECT_EQ(lines[2].rfind("db_string_connect(", 0), 0u);
    AnsiString name;
    S().GetConnectionInfo(ciDatabaseName, name);
    EXPECT_EQ(name, "other");

    // The same database once more: "name not unique" is not an error.
    auto third = Another();
    third->SetConnected(true);
    EXPECT_TRUE(third->GetConnected());
}

TEST_P(AsaConnect, AFailedConnectLeavesEverythingAsItWas) {
    int afterConnect = 0, errors = 0;
    S().SetServerType(stClient);
    S().SetAfterConnect([&](vcl::TObject*) { ++afterConnect; });
    S().SetOnError([&](vcl::TObject*) { ++errors; });
    S().SetOnServerStart([](vcl::TObject*) {});
    S().GetLibraryVersion();
    auto probe = Instrument();
    probe.Record(true);
    const std::string before = CurrentDirectory();
    try {
        S().SetConnected(true);
        FAIL() << "connected as a client without an engine";
    } catch (const EAsaException& e) {
        EXPECT_EQ(e.ErrorCode(), -100);
        EXPECT_EQ(std::string(e.what()), "Error -100: Database server not running: " + Engine + " (08W01)");
    }
    EXPECT_FALSE(S().GetConnected());
    EXPECT_EQ(S().GetLastErrorCode(), -100);
    EXPECT_EQ(errors, 1);
    EXPECT_EQ(afterConnect, 0);
    EXPECT_EQ(CurrentDirectory(), before);
    EXPECT_TRUE(Calls(probe, "db_register_a_callback").empty());
    EXPECT_EQ(S().GetCallbackInstance(0), nullptr);

    // A wrong password on a running engine fails the same way.
    auto server = Another();
    server->SetConnected(true);
    S().SetLoginPassword("wrong");
    EXPECT_THROW(S().SetConnected(true), EAsaException);
    EXPECT_EQ(S().GetLastErrorCode(), -103);
    EXPECT_FALSE(S().GetConnected());
    // And a client connects once all is right.
    S().SetLoginPassword("SQL");
    S().SetConnected(true);
    EXPECT_TRUE(S().GetConnected());
    EXPECT_EQ(afterConnect, 1);
}

TEST_P(AsaConnect, WorkgroupStartsTheEngineOnlyWhenItIsNotRunning) {
    S().SetServerType(stWorkgroup);
    S().GetLibraryVersion();
    auto probe = Instrument();
    probe.Record(true);
    S().SetConnected(true);
    EXPECT_TRUE(S().GetConnected());
    EXPECT_EQ(Calls(probe, "db_string_connect").size(), 2u) << "-100, start, connect again";
    EXPECT_EQ(Calls(probe, "db_start_engine").size(), 1u);

    auto second = Another();
    second->SetServerType(stWorkgroup);
    probe.Clear();
    second->SetConnected(true);
    EXPECT_TRUE(second->GetConnected());
    EXPECT_EQ(Calls(probe, "db_string_connect").size(), 1u) << "the engine runs: one connect";
    EXPECT_TRUE(Calls(probe, "db_start_engine").empty());
}

TEST_P(AsaConnect, ChangingTheServerTypeDisconnects) {
    S().SetConnected(true);
    S().SetServerType(stServer);
    EXPECT_TRUE(S().GetConnected()) << "the same type changes nothing";
    S().SetServerType(stClient);
    EXPECT_FALSE(S().GetConnected());
    EXPECT_EQ(S().GetServerType(), stClient);
}

TEST_P(AsaConnect, DisconnectEndsDisconnectedWhateverItsStepsRaise) {
    S().SetConnected(true);
    S().SetBeforeDisconnect([](vcl::TObject*) { throw vcl::Exception("before"); });
    S().SetAfterDisconnect([](vcl::TObject*) { throw vcl::Exception("after"); });
    auto probe = Instrument();
    probe.Record(true);
    probe.Inject("dbpp_commit", 1, -308);
    EXPECT_NO_THROW(S().SetConnected(false));
    EXPECT_FALSE(S().GetConnected());
    EXPECT_EQ(Calls(probe, "db_string_disconnect").size(), 1u) << "a raising BeforeDisconnect skips nothing";
    // The library connection is really gone: connecting again works.
    S().SetBeforeDisconnect(nullptr);
    S().SetAfterDisconnect(nullptr);
    S().SetConnected(true);
    EXPECT_TRUE(S().GetConnected()) << S().GetLastError();
}

TEST_P(AsaConnect, AfterConnectFailuresAreDiscarded) {
    S().SetWantExceptions(true);
    S().SetAfterConnect([](vcl::TObject*) { throw vcl::Exception("handler failed"); });
    EXPECT_NO_THROW(S().SetConnected(true));
    EXPECT_TRUE(S().GetConnected());
}

// --- Starting and stopping databases ------------------------------------------------------------

TEST_P(AsaConnect, StartAndStopADatabaseDirectlyOrThroughAConnection) {
    auto server = Another();
    server->SetConnected(true);
    const std::string other = CreateDatabaseFile(Dir.File("other.db"));
    S().SetLoginDatabase(other);
    S().SetServerType(stClient);

    // Directly: the engine runs, the database is started on it.
    S().GetLibraryVersion();
    auto probe = Instrument();
    probe.Record(true);
    EXPECT_TRUE(S().StartDatabase("")) << S().GetLastError();
    EXPECT_EQ(probe.Lines(),
              (std::vector<std::string>{"db_start_database(" +
                                        Quoted("eng=" + Engine + ";dbf=" + other + ";dbn=other") + ")"}));
    S().SetConnected(true);
    EXPECT_TRUE(S().GetConnected());

    try {
        S().StopDatabase("");
        FAIL() << "stopped a database while connected";
    } catch (const EAsaException& e) {
        EXPECT_STREQ(e.what(), "Not allowed while connected to a database");
        EXPECT_EQ(e.ErrorCode(), 0);
    }
    S().SetConnected(false);
    probe.Clear();
    EXPECT_TRUE(S().StopDatabase("  ")) << S().GetLastError();
    EXPECT_EQ(probe.Lines(),
              (std::vector<std::string>{"db_stop_database(" +
                                        Quoted("eng=" + Engine + ";dbf=other.db;dbn=other") + ")"}));
    EXPECT_THROW(S().SetConnected(true), EAsaException) << "the database is no longer running";

    // Through a connection to the running database: connect, start, disconnect.
    const std::string via = "eng=" + Engine + ";dbn=test;uid=DBA;pwd=SQL";
    probe.Clear();
    EXPECT_TRUE(S().StartDatabase(via.c_str())) << S().GetLastError();
    const auto lines = probe.Lines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "db_string_connect(" + Quoted("eng=" + Engine + ";dbn=test;uid=DBA;pwd=***") + ")");
    EXPECT_EQ(lines[1].rfind("db_start_database(", 0), 0u);
    EXPECT_EQ(lines[2],
              "db_string_disconnect(" + Quoted("eng=" + Engine + ";dbn=test;uid=DBA;pwd=***") + ")");
    EXPECT_TRUE(S().StopDatabase(via.c_str())) << S().GetLastError();

    // A connection text that does not connect: its error is the result.
    const std::string bad = "eng=" + Engine + ";dbn=test;uid=DBA;pwd=wrong";
    probe.Clear();
    EXPECT_FALSE(S().StartDatabase(bad.c_str()));
    EXPECT_EQ(S().GetLastErrorCode(), -103);
    EXPECT_TRUE(Calls(probe, "db_start_database").empty());
    S().SetWantExceptions(true);
    EXPECT_THROW(S().StartDatabase(bad.c_str()), EAsaException);
}

TEST_P(AsaConnect, StartDatabaseWithoutAnEngineTriesAConnectionToIt) {
    S().GetLibraryVersion();
    auto probe = Instrument();
    probe.Record(true);
    EXPECT_FALSE(S().StartDatabase(""));
    EXPECT_EQ(S().GetLastErrorCode(), -100);
    std::vector<std::string> lines;
    for (const std::string& line : probe.Lines())
        if (line.rfind("sqlerror_message", 0) != 0) lines.push_back(line);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].rfind("db_start_database(", 0), 0u);
    EXPECT_EQ(lines[1], "db_string_connect(" + Quoted("eng=" + Engine) + ")");
    EXPECT_EQ(lines[2].rfind("db_start_database(", 0), 0u);
}

// --- Stop ---------------------------------------------------------------------------------------

TEST_P(AsaConnect, StopFromAnotherThreadCancelsTheRunningRequest) {
    EventCount started;
    S().SetOnServerStart([&](vcl::TObject*) { started.Add(); });
    S().SetConnected(true);
    auto probe = Instrument();
    probe.Record(true);
    EXPECT_TRUE(S().Stop()) << "nothing runs: nothing to cancel";
    EXPECT_EQ(probe.Lines(), (std::vector<std::string>{"db_is_working()"}));

    int code = 0;
    bool checked = true;
    const long before = started.Get(); // connecting made requests of its own
    std::thread query([&] {
        code = Exec(S(), kEndlessQuery);
        checked = S().Check(false);
    });
    started.WaitFor(before + 1); // the request runs from its start callback on
    const bool stopped = S().Stop();
    query.join();
    EXPECT_TRUE(stopped);
    EXPECT_EQ(code, -299);
    EXPECT_FALSE(checked);
    EXPECT_EQ(S().GetLastErrorCode(), -299);
    EXPECT_EQ(S().GetLastError(), "Error -299: Statement interrupted by user (57014)");
    EXPECT_TRUE(S().GetConnected()) << "the connection goes on";
    EXPECT_EQ(QueryInt(S(), "select 40 + 2"), 42);
}

// --- Check --------------------------------------------------------------------------------------

TEST_P(AsaConnect, CheckRecordsWarningsAndErrorsAndRaisesOnlyWhenAsked) {
    int errors = 0;
    S().SetOnError([&](vcl::TObject*) { ++errors; });
    S().SetConnected(true);

    EXPECT_TRUE(S().Check(true));
    EXPECT_EQ(S().GetLastError(), "");
    EXPECT_EQ(S().GetLastErrorCode(), 0);

    // A warning: false, recorded, nothing raised and no event, even when raising is asked for.
    sqlca* ca = S().GetSqlca();
    ca->sqlcode = 100;
    std::memcpy(ca->sqlstate, "02000", 6);
    EXPECT_FALSE(S().Check(true));
    EXPECT_EQ(S().GetLastError(), "Warning: Row not found (02000)");
    EXPECT_EQ(S().GetLastErrorCode(), 100);
    EXPECT_EQ(errors, 0);

    EXPECT_EQ(Exec(S(), "select * from missing"), -141);
    EXPECT_FALSE(S().Check(false));
    EXPECT_EQ(S().GetLastError(), "Error -141: Table 'missing' not found (42W33)");
    EXPECT_EQ(S().GetLastErrorCode(), -141);
    EXPECT_EQ(errors, 1);
    try {
        S().Check(true);
        FAIL() << "an error with raising asked for";
    } catch (const EAsaException& e) {
        EXPECT_STREQ(e.what(), "Error -141: Table 'missing' not found (42W33)");
        EXPECT_EQ(e.ErrorCode(), -141);
    }
    EXPECT_EQ(errors, 2);
    EXPECT_TRUE(S().GetConnected());

    // Commit and rollback report through Check with WantExceptions.
    EXPECT_TRUE(S().Commit());
    auto probe = Instrument();
    probe.Inject("dbpp_rollback", 1, -210);
    EXPECT_FALSE(S().Rollback());
    EXPECT_EQ(S().GetLastErrorCode(), -210);
    S().SetWantExceptions(true);
    S().StartTransaction();
    probe.Inject("dbpp_commit", 1, -210);
    EXPECT_THROW(S().Commit(), EAsaException);
    EXPECT_TRUE(S().GetInTransaction()) << "a failed commit leaves the user transaction open";
}

TEST_P(AsaConnect, OemMessagesAreConvertedToAnsi) {
    S().SetConnected(true);
    S().SetOEMConvert(true);
    // The message names the table as written; OEM 0x81 is u-umlaut (ANSI 0xFC).
    EXPECT_EQ(Exec(S(), "select * from t\x81r"), -141);
    S().Check(false);
    EXPECT_EQ(S().GetLastError(), "Error -141: Table 't\xFCr' not found (42W33)");
}

TEST_P(AsaConnect, ALostConnectionDisconnectsTheSessionAndAReconnectWorks) {
    for (int code : {-308, -101}) {
        SCOPED_TRACE(code);
        int terminated = 0, errors = 0;
        bool connectedInOnError = false;
        S().SetOnError([&](vcl::TObject*) {
            ++errors;
            connectedInOnError = S().GetConnected();
        });
        S().SetOnConnectionTerminated([&](vcl::TObject*) { ++terminated; });
        S().SetConnected(true);
        auto probe = Instrument();
        probe.Inject("dbpp_commit", 1, code);
        EXPECT_FALSE(S().Commit());
        EXPECT_FALSE(S().GetConnected());
        EXPECT_EQ(terminated, 1);
        EXPECT_EQ(errors, 1);
        EXPECT_TRUE(connectedInOnError) << "OnError fires before the disconnect";
        EXPECT_EQ(S().GetLastErrorCode(), code);
        EXPECT_EQ(S().GetLastError().rfind("Error " + std::to_string(code) + ": ", 0), 0u);
        EXPECT_EQ(S().GetLastError().find('('), std::string::npos) << "no SQLSTATE after a lost connection";

        S().SetConnected(true);
        EXPECT_TRUE(S().GetConnected());
        EXPECT_EQ(QueryInt(S(), "select 1"), 1);
        S().SetConnected(false);
    }

    // With WantExceptions the session disconnects first, then raises.
    S().SetWantExceptions(true);
    S().SetConnected(true);
    Instrument().Inject("dbpp_commit", 1, -308);
    EXPECT_THROW(S().Commit(), EAsaException);
    EXPECT_FALSE(S().GetConnected());

    // While disconnected, -101 is an ordinary error.
    int terminated = 0;
    S().SetOnConnectionTerminated([&](vcl::TObject*) { ++terminated; });
    S().SetWantExceptions(false);
    EXPECT_FALSE(S().Commit());
    EXPECT_EQ(S().GetLastErrorCode(), -101);
    EXPECT_EQ(terminated, 0);
}

TEST_P(AsaConnect, TheDisconnectAfterALostConnectionCommitsNothing) {
    ASSERT_TRUE(S().GetCommitOnDisconnect());
    S().SetConnected(true);
    ASSERT_EQ(Exec(S(), "create table t(a int)"), 0);
    for (int code : {-308, -101}) {
        SCOPED_TRACE(code);
        if (!S().GetConnected()) S().SetConnected(true);
        ASSERT_EQ(Exec(S(), "insert into t values (1)"), 0); // in flight, not committed
        auto probe = Instrument();
        probe.Clear();
        probe.Record(true);
        probe.Inject("dbpp_getoption", 1, code);
        AnsiString value;
        EXPECT_FALSE(S().GetOption("row_counts", value));
        EXPECT_FALSE(S().GetConnected());
        EXPECT_EQ(S().GetLastErrorCode(), code);
        EXPECT_TRUE(Calls(probe, "dbpp_commit").empty()) << "nothing is committed behind the lost connection";
        EXPECT_EQ(Calls(probe, "db_string_disconnect").size(), 1u);
        probe.Record(false);
        S().SetConnected(true);
        EXPECT_EQ(QueryInt(S(), "select count(*) from t"), 0);
    }
    // A disconnect asked for still commits.
    ASSERT_EQ(Exec(S(), "insert into t values (2)"), 0);
    S().SetConnected(false);
    S().SetConnected(true);
    EXPECT_EQ(QueryInt(S(), "select count(*) from t"), 1);
}

TEST_P(AsaConnect, AFailedDisconnectLeavesTheSessionAbleToConnectAgain) {
    S().SetCommitOnDisconnect(false);
    S().SetConnected(true);
    ASSERT_EQ(Exec(S(), "create table t(a int)"), 0);
    ASSERT_EQ(Exec(S(), "insert into t values (1)"), 0);
    auto probe = Instrument();
    probe.Inject("db_string_disconnect", 1, -1006);
    S().SetConnected(false);
    EXPECT_FALSE(S().GetConnected());
    S().SetConnected(true);
    ASSERT_TRUE(S().GetConnected()) << S().GetLastError();
    EXPECT_EQ(QueryInt(S(), "select count(*) from t"), 0) << "the connection was ended, its work rolled back";

    // When the connection cannot be ended at all, the session says so and stays connected; the
    // next disconnect ends it.
    ASSERT_EQ(Exec(S(), "insert into t values (2)"), 0);
    probe.Inject("db_string_disconnect", 1, -1006);
    probe.Inject("db_fini", 1, -1006);
    int errors = 0;
    S().SetOnError([&](vcl::TObject*) { ++errors; });
    S().SetConnected(false);
    EXPECT_TRUE(S().GetConnected());
    EXPECT_EQ(S().GetLastErrorCode(), -1006);
    EXPECT_EQ(errors, 1);
    probe.ClearInjections();
    S().SetConnected(false);
    EXPECT_FALSE(S().GetConnected());
    S().SetConnected(true);
    EXPECT_EQ(QueryInt(S(), "select count(*) from t"), 0);
}

TEST_P(AsaConnect, ARealEngineStopEndsTheSessionOnItsNextCall) {
    int terminated = 0;
    S().SetOnConnectionTerminated([&](vcl::TObject*) { ++terminated; });
    S().SetConnected(true);
    StopEngineElsewhere();
    if (HasFatalFailure()) return;
    EXPECT_FALSE(S().Commit());
    EXPECT_EQ(S().GetLastErrorCode(), -308);
    EXPECT_FALSE(S().GetConnected());
    EXPECT_EQ(terminated, 1);
    S().SetConnected(true); // the server type starts the engine again
    EXPECT_EQ(QueryInt(S(), "select 5"), 5);
}

// --- Options ------------------------------------------------------------------------------------

TEST_P(AsaConnect, RowCountsAreSentOnlyWhenTheOptionReadsOtherwise) {
    S().SetConnected(true);
    auto probe = Instrument();
    probe.Record(true);
    S().SetWantRowCounts(true); // reads "ON" already
    EXPECT_EQ(Calls(probe, "dbpp_"), (std::vector<std::string>{"dbpp_getoption(0, null, \"row_counts\")"}));

    ASSERT_TRUE(S().SetOption("row_counts", "On"));
    probe.Clear();
    S().SetWantRowCounts(true); // "On" is not "ON": exact comparison
    EXPECT_EQ(Calls(probe, "dbpp_setoption"),
              (std::vector<std::string>{"dbpp_setoption(1, null, \"row_counts\", \"ON\")"}));
    probe.Clear();
    S().SetWantRowCounts(false);
    EXPECT_EQ(Calls(probe, "dbpp_setoption"),
              (std::vector<std::string>{"dbpp_setoption(1, null, \"row_counts\", \"OFF\")"}));
    EXPECT_FALSE(S().GetWantRowCounts());
    AnsiString value;
    EXPECT_TRUE(S().GetOption("row_counts", value));
    EXPECT_EQ(value, "OFF");
}

TEST_P(AsaConnect, IsolationLevelIsSentWhileConnectedAndAppliedOnConnect) {
    // Disconnected, even with exceptions wanted: the value is kept for the connect.
    S().SetWantExceptions(true);
    EXPECT_NO_THROW(S().SetTransIsolation(atSerializable));
    EXPECT_EQ(S().GetTransIsolation(), atSerializable);
    EXPECT_FALSE(S().GetLibraryLoaded()) << "setting a property loads nothing";
    S().SetConnected(true);
    AnsiString value;
    EXPECT_TRUE(S().GetOption("isolation_level", value));
    EXPECT_EQ(value, "3");

    auto probe = Instrument();
    probe.Record(true);
    S().SetTransIsolation(atReadCommitted);
    EXPECT_EQ(Calls(probe, "dbpp_"),
              (std::vector<std::string>{"dbpp_setoption(1, null, \"isolation_level\", \"1\")"}));
    S().GetOption("isolation_level", value);
    EXPECT_EQ(value, "1");
    probe.Clear();
    S().SetTransIsolation(atUnchanged);
    EXPECT_TRUE(probe.Lines().empty()) << "atUnchanged sends nothing";
    EXPECT_EQ(S().GetTransIsolation(), atUnchanged);

    // An unknown option is an error; the output stays empty.
    S().SetWantExceptions(false);
    value = "stale";
    EXPECT_FALSE(S().GetOption("no_such_option", value));
    EXPECT_EQ(value, "");
    EXPECT_EQ(S().GetLastErrorCode(), -200);
    EXPECT_FALSE(S().SetOption("isolation_level", "9"));
    EXPECT_EQ(S().GetLastErrorCode(), -201);
}

// --- Ping ---------------------------------------------------------------------------------------

TEST_P(AsaConnect, PingAsksTheLibraryWhetherTheServerAnswers) {
    auto server = Another();
    server->SetConnected(true);
    const std::string eng = "eng=" + Engine;
    EXPECT_TRUE(S().Ping(eng.c_str()));
    const std::string ghost = "eng=" + tnxtest::UniqueName("ghost");
    EXPECT_FALSE(S().Ping(ghost.c_str()));
    EXPECT_EQ(S().GetLastErrorCode(), -100);
    S().SetWantExceptions(true);
    EXPECT_THROW(S().Ping(ghost.c_str()), EAsaException);
}

INSTANTIATE_TEST_SUITE_P(Generations, AsaConnect, ::testing::ValuesIn(CurrentGenerations()), GenerationName);

// Without db_string_ping_server the engine is looked up by the "eng=" part of the text.
TEST(AsaPingOlder, LooksTheEngineUpByName) {
    auto s = NewSession("libdblib4.so");
    s->GetLibraryVersion();
    ASSERT_EQ(AsaLibrary.Procs.db_string_ping_server, nullptr);
    auto probe = Instrument();
    probe.Record(true);
    EXPECT_FALSE(s->Ping("ENG=Srv;links=all"));
    EXPECT_FALSE(s->Ping("dbn=x;Eng=Other"));
    EXPECT_FALSE(s->Ping("JustAName"));
    EXPECT_EQ(Calls(probe, "db_find_engine"),
              (std::vector<std::string>{"db_find_engine(\"Srv\")", "db_find_engine(\"Other\")",
                                        "db_find_engine(\"JustAName\")"}));
    EXPECT_EQ(s->GetLastErrorCode(), -100);

    // A running engine answers.
    const std::string engine = tnxtest::UniqueName("older");
    std::string start = "eng=" + engine;
    AsaLibrary.Procs.db_start_engine(s->GetSqlca(), start.data());
    ASSERT_EQ(s->GetSqlca()->sqlcode, 0);
    EXPECT_TRUE(s->Ping(("eng=" + engine).c_str()));
}
