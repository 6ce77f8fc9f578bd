// Engines, databases and connections: starting and stopping, autostart and autostop, the codes the
// product compares against, users and passwords, durability of committed work.
#include "DbLibFixture.h"

#include <fstream>
#include <iterator>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace dbtest;

namespace {

unsigned short Call(unsigned short (*fn)(sqlca*, char*), Client& c, const std::string& params) {
    std::string copy = params;
    return fn(&c.ca, copy.data());
}

std::string ReadFile(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

} // namespace

class ConnectTest : public ::testing::TestWithParam<std::string> {
protected:
    void SetUp() override {
        lib = std::make_unique<DbLib>(GetParam());
        engine = tnxtest::UniqueName("eng");
        file = CreateDatabase(*lib, dir.File("sales.db"));
    }
    tnxtest::TempDir dir;
    std::unique_ptr<DbLib> lib;
    std::string engine, file;
};

TEST_P(ConnectTest, AutostartedEngineServesConnectionsAndStopsWithTheLastOne) {
    Client a(*lib), b(*lib);
    ASSERT_EQ(a.Connect(ConnectString(engine, file)), 0) << a.Message();
    EXPECT_EQ(Call(lib->db_find_engine, a, engine), 1);
    // A second client reaches the running database by engine and database name only.
    ASSERT_EQ(b.Connect("eng=" + engine + ";dbn=sales;uid=dba;pwd=SQL"), 0) << b.Message();

    Sqlda info(*lib, 1);
    char buf[64];
    info[0].sqltype = DBLIB_T_STRING;
    info[0].sqllen = sizeof buf;
    info[0].sqldata = buf;
    info->sqld = 1;
    EXPECT_EQ(lib->db_connection_info(&b.ca, 2, info.get()), 1u);
    EXPECT_EQ(std::string(buf), engine);
    EXPECT_EQ(lib->db_connection_info(&b.ca, 3, info.get()), 1u);
    EXPECT_STREQ(buf, "sales");
    EXPECT_EQ(lib->db_connection_info(&b.ca, 1, info.get()), 1u);
    EXPECT_STREQ(buf, lib->Generation() == 7 ? "7.0.4.3300" : "6.0.3.2345");
    EXPECT_EQ(lib->db_connection_info(&b.ca, 4, info.get()), 0u);
    EXPECT_EQ(b.Code(), DBLIB_E_BAD_ARGUMENT);

    EXPECT_EQ(a.Disconnect(), 0);
    EXPECT_EQ(Call(lib->db_find_engine, a, engine), 1) << "b still uses the engine";
    EXPECT_EQ(b.Disconnect(), 0);
    EXPECT_EQ(Call(lib->db_find_engine, a, engine), 0);
    EXPECT_EQ(a.Code(), DBLIB_E_ENGINE_NOT_FOUND);
}

TEST_P(ConnectTest, EngineAndDatabaseControlCodes) {
    Client c(*lib);
    // No engine of that name: connect without a file, stop, start database.
    EXPECT_EQ(c.Connect("eng=" + engine + ";dbn=sales;uid=DBA;pwd=SQL"), DBLIB_E_ENGINE_NOT_FOUND);
    EXPECT_EQ(Call(lib->db_stop_engine, c, "eng=" + engine), 0);
    EXPECT_EQ(c.Code(), DBLIB_E_ENGINE_NOT_FOUND);
    EXPECT_EQ(Call(lib->db_start_database, c, "eng=" + engine + ";dbf=" + file), 0);
    EXPECT_EQ(c.Code(), DBLIB_E_ENGINE_NOT_FOUND);

    // The older start line names the file inside Start.
    EXPECT_EQ(Call(lib->db_start_engine, c, "start=dbeng6.exe -c 8m \"" + file + "\";eng=" + engine + ";dbn=sales"), 1)
        << c.Message();
    EXPECT_EQ(Call(lib->db_start_engine, c, "start=dbeng6.exe;dbf=" + file + ";eng=" + engine), 0);
    EXPECT_EQ(c.Code(), DBLIB_E_ENGINE_RUNNING);
    EXPECT_EQ(Call(lib->db_start_database, c, "eng=" + engine + ";dbf=" + file + ";dbn=sales"), 0);
    EXPECT_EQ(c.Code(), DBLIB_E_DB_NAME_IN_USE);
    EXPECT_EQ(Call(lib->db_start_database, c, "eng=" + engine + ";dbf=" + file + ";dbn=other"), 0);
    EXPECT_EQ(c.Code(), DBLIB_E_FILE_IN_USE);
    EXPECT_EQ(Call(lib->db_start_database, c, "eng=" + engine + ";dbf=" + dir.File("missing.db")), 0);
    EXPECT_EQ(c.Code(), DBLIB_E_DB_NOT_FOUND);
    EXPECT_EQ(Call(lib->db_start_database, c, "eng=" + engine), 0);
    EXPECT_EQ(c.Code(), DBLIB_E_START_STOP_DENIED);
    EXPECT_FALSE(std::ifstream(dir.File("missing.db")).good()) << "a start never creates a file";

    // A second file on the same engine, stopped by its file name alone as the product does.
    std::string second = CreateDatabase(*lib, dir.File("second.db"));
    EXPECT_EQ(Call(lib->db_start_database, c, "eng=" + engine + ";dbf=" + second), 1) << c.Message();
    EXPECT_EQ(Call(lib->db_stop_database, c, "eng=" + engine + ";dbf=second.db"), 1) << c.Message();
    EXPECT_EQ(Call(lib->db_stop_database, c, "eng=" + engine + ";dbn=second"), 0);
    EXPECT_EQ(c.Code(), DBLIB_E_DB_NOT_FOUND);
    EXPECT_EQ(Call(lib->db_stop_database, c, "eng=" + engine + ";dbn=utility_db"), 0);
    EXPECT_EQ(c.Code(), DBLIB_E_START_STOP_DENIED);

    // Stops are refused while another client is connected, unless unconditional.
    Client other(*lib);
    ASSERT_EQ(other.Connect("eng=" + engine + ";dbn=sales;uid=DBA;pwd=SQL"), 0) << other.Message();
    EXPECT_EQ(Call(lib->db_stop_database, c, "eng=" + engine + ";dbn=sales"), 0);
    EXPECT_EQ(c.Code(), DBLIB_E_START_STOP_DENIED);
    EXPECT_EQ(Call(lib->db_stop_engine, c, "eng=" + engine), 0);
    EXPECT_EQ(c.Code(), DBLIB_E_START_STOP_DENIED);
    EXPECT_EQ(Call(lib->db_stop_engine, c, "eng=" + engine + ";Unconditional=yes"), 1) << c.Message();
    EXPECT_EQ(other.Exec("select 1"), DBLIB_E_CONNECTION_ENDED);
}

TEST_P(ConnectTest, ConnectFailuresAndCreateDatabaseRefusals) {
    Client c(*lib);
    EXPECT_EQ(c.Connect(ConnectString(engine, dir.File("nothere.db"))), DBLIB_E_DB_NOT_FOUND);
    EXPECT_FALSE(std::ifstream(dir.File("nothere.db")).good()) << "a connect never creates a file";
    EXPECT_EQ(Call(lib->db_find_engine, c, engine), 0) << "no engine is left behind";

    // A wrong password or user is refused, and the autostarted engine does not stay.
    EXPECT_EQ(c.Connect(ConnectString(engine, file, "DBA", "wrong")), DBLIB_E_BAD_USER);
    EXPECT_EQ(c.State(), "28000");
    EXPECT_EQ(c.Message().find("wrong"), std::string::npos);
    EXPECT_EQ(c.Connect(ConnectString(engine, file, "nobody", "SQL")), DBLIB_E_BAD_USER);
    EXPECT_EQ(c.Connect("eng=" + engine + ";dbf=" + file + ";uid=;pwd="), DBLIB_E_BAD_USER);
    EXPECT_EQ(Call(lib->db_find_engine, c, engine), 0);

    // A file that is not a database cannot be started.
    { std::ofstream(dir.File("junk.db")) << std::string(8192, 'x'); }
    EXPECT_EQ(c.Connect(ConnectString(engine, dir.File("junk.db"))), DBLIB_E_CANNOT_START_DB);

    // Malformed strings fail with a parse error that never quotes the text.
    EXPECT_EQ(c.Connect("eng=x;uid=DBA;pwd=Secret99;garbage"), DBLIB_E_PARSE);
    EXPECT_EQ(c.Message().find("Secret99"), std::string::npos);
    EXPECT_NE(c.Message().find("position"), std::string::npos) << c.Message();
    EXPECT_EQ(c.Connect("eng=x;pwd='Secret99"), DBLIB_E_PARSE);
    EXPECT_EQ(c.Message().find("Secret99"), std::string::npos);
    EXPECT_EQ(c.Connect("eng=x;bogus=1"), DBLIB_E_PARSE);

    // CREATE DATABASE never overwrites, on a utility connection or a normal one.
    ASSERT_EQ(c.Connect(ConnectString(engine, file)), 0) << c.Message();
    EXPECT_EQ(c.Exec("CREATE DATABASE '" + file + "'"), DBLIB_E_CREATE_FAILED);
    EXPECT_EQ(c.Exec("create database '" + dir.File("made.db") + "' dba user 'boss' dba password 'pw'"), 0)
        << c.Message();
    EXPECT_EQ(c.Connect(ConnectString(engine, file)), DBLIB_E_ALREADY_CONNECTED);
    c.Disconnect();
    EXPECT_EQ(c.Disconnect(), DBLIB_E_NOT_CONNECTED);
    Client d(*lib);
    EXPECT_EQ(d.Connect(ConnectString(tnxtest::UniqueName("eng"), dir.File("made.db"), "boss", "pw")), 0)
        << d.Message();
}

TEST_P(ConnectTest, UsersAndPasswords) {
    Client dba(*lib);
    ASSERT_EQ(dba.Connect(ConnectString(engine, file)), 0) << dba.Message();
    ASSERT_EQ(dba.Exec("GRANT CONNECT TO joe IDENTIFIED BY Sup3rSecretPw"), 0) << dba.Message();
    ASSERT_EQ(dba.Exec("commit"), 0);

    Client joe(*lib);
    EXPECT_EQ(joe.Connect("eng=" + engine + ";dbn=sales;uid=joe;pwd=wrong"), DBLIB_E_BAD_USER);
    EXPECT_EQ(joe.Connect("eng=" + engine + ";dbn=sales;uid=joe;pwd=sup3rsecretpw"), DBLIB_E_BAD_USER)
        << "passwords compare with case";
    EXPECT_EQ(joe.Connect("eng=" + engine + ";dbn=sales;uid=JOE;pwd=Sup3rSecretPw"), 0)
        << "user names compare without case: " << joe.Message();
    // Only DBA authority may change users; the refusal does not quote the statement.
    EXPECT_EQ(joe.Exec("GRANT CONNECT TO eve IDENTIFIED BY Another1Pw"), DBLIB_E_PERMISSION);
    EXPECT_EQ(joe.Message().find("Another1Pw"), std::string::npos);
    EXPECT_EQ(joe.Exec("GRANT CONNECT TO eve IDENTIFIED"), DBLIB_E_SYNTAX);
    joe.Disconnect();

    // Changing the password and revoking take effect for the next connect.
    ASSERT_EQ(dba.Exec("GRANT CONNECT TO joe IDENTIFIED BY 'two words'"), 0) << dba.Message();
    EXPECT_EQ(joe.Connect("eng=" + engine + ";dbn=sales;uid=joe;pwd=Sup3rSecretPw"), DBLIB_E_BAD_USER);
    EXPECT_EQ(joe.Connect("eng=" + engine + ";dbn=sales;uid=joe;pwd='two words'"), 0) << joe.Message();
    joe.Disconnect();
    ASSERT_EQ(dba.Exec("REVOKE CONNECT FROM joe"), 0) << dba.Message();
    EXPECT_EQ(joe.Connect("eng=" + engine + ";dbn=sales;uid=joe;pwd='two words'"), DBLIB_E_BAD_USER);
    dba.Disconnect();

    // Passwords are not stored as text in the file.
    std::string bytes = ReadFile(file) + ReadFile(file + "-wal");
    EXPECT_EQ(bytes.find("Sup3rSecretPw"), std::string::npos);
    EXPECT_EQ(bytes.find("two words"), std::string::npos);
}

TEST_P(ConnectTest, StoppedDatabaseEndsItsConnectionsAndRollsBack) {
    Client a(*lib), b(*lib);
    ASSERT_EQ(a.Connect(ConnectString(engine, file)), 0) << a.Message();
    ASSERT_EQ(a.Exec("create table t(x int)"), 0);
    ASSERT_EQ(a.Exec("insert into t values (1)"), 0);
    ASSERT_EQ(a.Exec("commit"), 0);
    ASSERT_EQ(a.Exec("insert into t values (2)"), 0); // not committed
    ASSERT_EQ(b.Connect("eng=" + engine + ";dbn=sales;uid=DBA;pwd=SQL"), 0);
    EXPECT_EQ(Call(lib->db_stop_database, b, "eng=" + engine + ";dbn=sales;unc=yes"), 1) << b.Message();
    EXPECT_EQ(a.Exec("select 1"), DBLIB_E_CONNECTION_ENDED);
    EXPECT_EQ(a.Exec("commit"), DBLIB_E_CONNECTION_ENDED);
    EXPECT_EQ(b.Exec("select 1"), DBLIB_E_CONNECTION_ENDED) << "the stopping client was connected there too";
    EXPECT_EQ(a.Disconnect(), 0);
    b.Disconnect();
    // The engine still runs (it was autostarted by a, whose connection has ended): connecting
    // again restarts the database; only the committed row is there.
    Client c(*lib);
    ASSERT_EQ(c.Connect(ConnectString(engine, file)), 0) << c.Message();
    EXPECT_EQ(c.Count("t"), 1);
}

TEST_P(ConnectTest, CommittedWorkSurvivesAKilledProcess) {
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        // The child commits one row, leaves a second uncommitted, and is killed.
        DbLib childLib(GetParam());
        Client c(childLib);
        bool ok = c.Connect(ConnectString(tnxtest::UniqueName("child"), file)) == 0 &&
                  c.Exec("create table k(x int)") == 0 && c.Exec("insert into k values (1)") == 0 &&
                  c.Exec("commit") == 0 && c.Exec("insert into k values (2)") == 0;
        if (!ok) _exit(3);
        raise(SIGKILL);
        _exit(4);
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << "child exit " << status;
    Client c(*lib);
    ASSERT_EQ(c.Connect(ConnectString(engine, file)), 0) << c.Message();
    EXPECT_EQ(c.Count("k"), 1);
    EXPECT_EQ(c.QueryText("select x from k"), "1");
}

TEST_P(ConnectTest, ServerConnectionWithoutTheServersClientLibraryIsRefusedByName) {
    // The server's client library is loaded at the first server connection only; when it cannot
    // be, the connection fails as an unreachable server does and the message names the file. This
    // program never loads the real one, so the name set here is the one tried.
    ::setenv("TNXDB_SERVER_CLIENT_LIBRARY", "libtnx-no-such-client.so.0", 1);
    Client c(*lib);
    EXPECT_EQ(c.Connect("links=tcpip(host=127.0.0.1;port=1);dbn=db;uid=u;pwd=p"), DBLIB_E_ENGINE_NOT_FOUND);
    EXPECT_NE(c.Message().find("libtnx-no-such-client.so.0"), std::string::npos) << c.Message();
    EXPECT_EQ(c.Connect("host=127.0.0.1:1;dbn=db;uid=u;pwd=p"), DBLIB_E_ENGINE_NOT_FOUND);
    ::unsetenv("TNXDB_SERVER_CLIENT_LIBRARY");
    // A link without a host keeps meaning the in-process engine.
    EXPECT_EQ(c.Connect(ConnectString(engine, file) + ";links=tcpip"), 0) << c.Message();
    EXPECT_EQ(c.Exec("create table local_only (a int)"), 0) << c.Message();
    EXPECT_EQ(c.Disconnect(), 0);
}

INSTANTIATE_TEST_SUITE_P(Generations, ConnectTest, ::testing::ValuesIn(BothGenerations()), GenerationName);
