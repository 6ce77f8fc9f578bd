// The client library's entry points on a connection to a network server, over both generations:
// connecting, statements with typed inputs, describes, cursors (blocks, pieces, positioned
// changes, inserts through a cursor), SQL variables for long values, options, messages, cancel,
// and the engine and database control calls that a server refuses.
#include "../CursorFixture.h"
#include "support/PgTestServer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

using namespace dbtest;

namespace {

std::vector<std::string> gMessages;

void OnMessage(sqlca*, unsigned char, int32_t, unsigned short length, char* text) {
    gMessages.emplace_back(text, length);
}

class ServerEntryPoints : public ::testing::TestWithParam<std::string> {
protected:
    void SetUp() override {
        TNX_REQUIRE_PG_SERVER();
        FLib = std::make_unique<DbLib>(GetParam());
        FMain = std::make_unique<Client>(*FLib);
        ASSERT_EQ(FMain->Connect(ConnStr()), 0) << FMain->Message();
        Table = tnxtest::UniqueName("e");
    }
    void TearDown() override {
        FMain.reset();
        FLib.reset();
    }
    static std::string ConnStr() { return tnxtest::PgTestServer::Instance().ConnectionString(); }
    DbLib& Lib() { return *FLib; }
    Client& Main() { return *FMain; }
    sqlca* Ca() { return &FMain->ca; }
    // Creates the test's table with rows 1..n ("row i", NOT NULL name) and commits.
    void MakeRows(int n) {
        ASSERT_EQ(Main().Exec("create table " + Table + " (id int primary key, name varchar(20) not null, note text)"),
                  0)
            << Main().Message();
        ASSERT_EQ(Main().Exec("insert into " + Table + " select g, 'row ' || g, null from generate_series(1, " +
                              std::to_string(n) + ") g"),
                  0)
            << Main().Message();
        Lib().Commit(Ca());
        ASSERT_EQ(Main().Code(), 0);
    }
    std::string Table;

private:
    std::unique_ptr<DbLib> FLib;
    std::unique_ptr<Client> FMain;
};

TEST_P(ServerEntryPoints, ConnectFailuresAndConnectionInfo) {
    const auto& p = tnxtest::PgTestServer::Instance().Params();
    Client other(Lib());
    EXPECT_EQ(other.Connect("links=tcpip(host=" + p.Host + ";port=" + std::to_string(p.Port) + ");dbn=" + p.Database +
                            ";uid=" + p.User + ";pwd=wrong"),
              DBLIB_E_BAD_USER);
    EXPECT_EQ(other.Connect("host=" + p.Host + ":" + std::to_string(p.Port) + ";dbn=no_such_db;uid=" + p.User +
                            ";pwd=" + p.Password),
              DBLIB_E_DB_NOT_FOUND);
    // The short form connects as the link does; a second connect on the SQLCA is refused.
    ASSERT_EQ(other.Connect("host=" + p.Host + ":" + std::to_string(p.Port) + ";dbn=" + p.Database + ";uid=" +
                            p.User + ";pwd=" + p.Password),
              0)
        << other.Message();
    EXPECT_EQ(other.Connect(ConnStr()), DBLIB_E_ALREADY_CONNECTED);

    Sqlda info(Lib(), 1);
    char buf[80];
    info[0].sqltype = DBLIB_T_STRING;
    info[0].sqllen = sizeof buf;
    info[0].sqldata = buf;
    info->sqld = 1;
    Lib().db_connection_info(Ca(), 2, info.get());
    EXPECT_EQ(std::string(buf), p.Host + ":" + std::to_string(p.Port));
    Lib().db_connection_info(Ca(), 3, info.get());
    EXPECT_EQ(std::string(buf), p.Database);
    Lib().db_connection_info(Ca(), 1, info.get());
    EXPECT_EQ(std::string(buf).substr(0, 2), "15") << buf; // the server's version
    EXPECT_EQ(other.Disconnect(), 0);
    EXPECT_EQ(other.Disconnect(), DBLIB_E_NOT_CONNECTED);
}

TEST_P(ServerEntryPoints, ClientEncodingFollowsCharSet) {
    EXPECT_EQ(Main().QueryText("show client_encoding"), "WIN1252");
    Client utf8(Lib());
    ASSERT_EQ(utf8.Connect(ConnStr() + ";CharSet=utf-8"), 0) << utf8.Message();
    EXPECT_EQ(utf8.QueryText("show client_encoding"), "UTF8");
    // U+00E9 arrives as its two UTF-8 bytes; on the default connection as one Windows-1252 byte.
    EXPECT_EQ(utf8.QueryText("select chr(233)"), "\xC3\xA9");
    EXPECT_EQ(Main().QueryText("select chr(233)"), "\xE9");
    Client bad(Lib());
    EXPECT_EQ(bad.Connect(ConnStr() + ";cs=no-such-charset"), DBLIB_E_PARSE);
}

TEST_P(ServerEntryPoints, TypedInputsResultsAndDescribe) {
    MakeRows(3);
    short stmt = Main().Prepare("select id, name, note, id * 2.5 as half from " + Table + " where id = ?");
    ASSERT_NE(stmt, 0) << Main().Message();

    Sqlda cols(Lib(), 4);
    Lib().Describe(Ca(), &stmt, cols.get(), DBLIB_DESCRIBE_OUTPUT);
    ASSERT_EQ(Main().Code(), 0) << Main().Message();
    ASSERT_EQ(cols->sqld, 4);
    EXPECT_EQ(cols[0].sqltype, DBLIB_T_INT);        // primary key: not nullable
    EXPECT_EQ(cols[1].sqltype, DBLIB_T_VARCHAR);    // NOT NULL: not nullable
    EXPECT_EQ(cols[1].sqllen, 20);
    EXPECT_EQ(cols[2].sqltype, DBLIB_T_LONGVARCHAR | 1);
    EXPECT_EQ(cols[3].sqltype & ~1, DBLIB_T_DECIMAL);
    EXPECT_EQ(std::string(cols[3].sqlname.data, static_cast<size_t>(cols[3].sqlname.length)), "half");
    Lib().Describe(Ca(), &stmt, cols.get(), DBLIB_DESCRIBE_FIXED);
    EXPECT_EQ(Ca()->sqlerrd[2], 1);

    // The input is a typed parameter: text that looks like SQL stays a value.
    Vars in(Lib(), 1);
    in.Int(0, nullptr, 2);
    Block out(Lib(), "isss", 1);
    Lib().ExecuteInto(Ca(), &stmt, in.get(), out.get());
    ASSERT_EQ(Main().Code(), 0) << Main().Message();
    EXPECT_EQ(out.Int(0, 0), 2);
    EXPECT_EQ(out.Text(0, 1), "row 2");
    EXPECT_TRUE(out.IsNull(0, 2));
    EXPECT_EQ(out.Text(0, 3), "5.0");
    in.Int(0, nullptr, 99);
    Lib().ExecuteInto(Ca(), &stmt, in.get(), out.get());
    EXPECT_EQ(Main().Code(), DBLIB_W_NOT_FOUND);

    short insert = Main().Prepare("insert into " + Table + " (id, name) values (?, ?)");
    Vars row(Lib(), 2);
    row.Int(0, nullptr, 10);
    const std::string sneaky = "');drop table x;--"; // fits varchar(20)
    row.Text(1, nullptr, sneaky);
    Lib().ExecuteInto(Ca(), &insert, row.get(), nullptr);
    ASSERT_EQ(Main().Code(), 0) << Main().Message();
    EXPECT_EQ(Ca()->sqlerrd[2], 1);
    EXPECT_EQ(Main().QueryText("select name from " + Table + " where id = 10"), sneaky);
    // A value too long for its column is refused, not cut.
    row.Int(0, nullptr, 11);
    row.Text(1, nullptr, std::string(21, 'x'));
    Lib().ExecuteInto(Ca(), &insert, row.get(), nullptr);
    EXPECT_EQ(Main().Code(), DBLIB_E_OUT_OF_RANGE);
    // Too few inputs, a NULL into a NOT NULL column: refused, and the transaction goes on.
    Lib().ExecuteInto(Ca(), &insert, nullptr, nullptr);
    EXPECT_EQ(Main().Code(), DBLIB_E_TOO_FEW_VALUES);
    Lib().Rollback(Ca());
    EXPECT_EQ(Main().Count(Table), 3);
}

TEST_P(ServerEntryPoints, CursorBlocksPiecesAndPositionedChanges) {
    MakeRows(30);
    CursorApi cur(Lib());
    short stmt = Main().Prepare("select id, name from " + Table + " order by id");
    cur.Declare(Ca(), "c1", &stmt, 0);
    cur.Open(Ca(), "c1", &stmt, nullptr, DBLIB_CURSOR_FOR_UPDATE);
    ASSERT_EQ(Main().Code(), 0) << Main().Message();
    Block block(Lib(), "is", 10);
    cur.FetchArray(Ca(), "c1", DBLIB_FETCH_RELATIVE, 1, block.get(), 10);
    ASSERT_EQ(Main().Code(), 0) << Main().Message();
    EXPECT_EQ(Ca()->sqlerrd[2], 10);
    EXPECT_EQ(block.Ints(10), Range(1, 10));
    cur.FetchArray(Ca(), "c1", DBLIB_FETCH_ABSOLUTE, 25, block.get(), 10);
    EXPECT_EQ(Ca()->sqlerrd[2], 6);
    EXPECT_EQ(block.Ints(6), Range(25, 6));
    cur.FetchArray(Ca(), "c1", DBLIB_FETCH_RELATIVE, 1, block.get(), 10);
    EXPECT_EQ(Main().Code(), DBLIB_W_NOT_FOUND);
    cur.Fetch(Ca(), "c1", DBLIB_FETCH_ABSOLUTE, 40);
    EXPECT_EQ(Main().Code(), DBLIB_W_NOT_FOUND);
    EXPECT_EQ(Ca()->sqlerrd[2], 1);

    // Positioned update and delete of row 5, an insert through the cursor.
    cur.Fetch(Ca(), "c1", DBLIB_FETCH_ABSOLUTE, 5);
    ASSERT_EQ(Main().Code(), 0) << Main().Message();
    Vars change(Lib(), 1);
    change.Text(0, "name", "changed");
    cur.Update(Ca(), "c1", change.get());
    ASSERT_EQ(Main().Code(), 0) << Main().Message();
    cur.Fetch(Ca(), "c1", DBLIB_FETCH_ABSOLUTE, 6);
    cur.Delete(Ca(), "c1");
    ASSERT_EQ(Main().Code(), 0) << Main().Message();
    Vars put(Lib(), 2);
    put.Int(0, "id", 100);
    put.Text(1, "name", "put");
    Block into(Lib(), "is", 1);
    cur.PutInto(Ca(), "c1", put.get(), into.get());
    ASSERT_EQ(Main().Code(), 0) << Main().Message();
    EXPECT_EQ(into.Int(0, 0), 100);
    EXPECT_EQ(into.Text(0, 1), "put");
    cur.Close(Ca(), "c1");
    EXPECT_EQ(Main().Code(), 0);
    cur.Close(Ca(), "c1");
    EXPECT_EQ(Main().Code(), DBLIB_E_CURSOR_NOT_OPEN);
    Lib().Commit(Ca());
    EXPECT_EQ(Main().QueryText("select name from " + Table + " where id = 5"), "changed");
    EXPECT_EQ(Main().Count(Table), 30);
    EXPECT_EQ(Main().QueryText("select name from " + Table + " where id = 100"), "put");

    // A read-only cursor refuses changes; a statement with an open cursor is not executed.
    cur.Open(Ca(), "c1", &stmt, nullptr, DBLIB_CURSOR_READ_ONLY);
    cur.Fetch(Ca(), "c1", DBLIB_FETCH_RELATIVE, 1);
    cur.Delete(Ca(), "c1");
    EXPECT_EQ(Main().Code(), DBLIB_E_CURSOR_READ_ONLY);
    Lib().ExecuteInto(Ca(), &stmt, nullptr, block.get());
    EXPECT_EQ(Main().Code(), DBLIB_E_CURSOR_ALREADY_OPEN);
    cur.Close(Ca(), "c1");
}

TEST_P(ServerEntryPoints, LongValuesThroughSqlVariablesAndPieces) {
    ASSERT_EQ(Main().Exec("create table " + Table + " (id int primary key, data bytea)"), 0) << Main().Message();
    // The value is built from pieces in an SQL variable, as the statement layer sends long values.
    ASSERT_EQ(Main().Exec("create variable blob_v long binary"), 0) << Main().Message();
    ASSERT_EQ(Main().Exec("set blob_v = ''"), 0) << Main().Message();
    short append = Main().Prepare("set blob_v = blob_v || ?");
    ASSERT_NE(append, 0) << Main().Message();
    std::string expected;
    for (int i = 0; i < 20; ++i) {
        std::string piece(1000, static_cast<char>(i));
        piece[0] = '\0';
        expected += piece;
        Sqlda in(Lib(), 1);
        std::vector<char> bin(2 + piece.size());
        uint16_t len = static_cast<uint16_t>(piece.size());
        std::memcpy(bin.data(), &len, 2);
        std::memcpy(bin.data() + 2, piece.data(), piece.size());
        in[0].sqltype = DBLIB_T_BINARY;
        in[0].sqllen = static_cast<int16_t>(bin.size());
        in[0].sqldata = bin.data();
        in->sqld = 1;
        Lib().ExecuteInto(Ca(), &append, in.get(), nullptr);
        ASSERT_EQ(Main().Code(), 0) << Main().Message();
    }
    short insert = Main().Prepare("insert into " + Table + " values (1, ?)");
    Vars in(Lib(), 1);
    in.Variable(0, nullptr, "blob_v");
    Lib().ExecuteInto(Ca(), &insert, in.get(), nullptr);
    ASSERT_EQ(Main().Code(), 0) << Main().Message();
    EXPECT_EQ(Main().Exec("drop variable blob_v"), 0);

    // Read back in pieces of 3000 bytes.
    CursorApi cur(Lib());
    short query = Main().Prepare("select data from " + Table);
    cur.Declare(Ca(), "lv", &query, 0);
    cur.Open(Ca(), "lv", &query, nullptr, 0);
    cur.Fetch(Ca(), "lv", DBLIB_FETCH_RELATIVE, 1);
    ASSERT_EQ(Main().Code(), 0) << Main().Message();
    std::string read;
    std::vector<char> buf(sizeof(dblib_longdata) + 3000);
    for (int offset = 0;; offset += 3000) {
        Sqlda piece(Lib(), 1);
        dblib_longdata h{};
        h.array_len = 3000;
        std::memcpy(buf.data(), &h, sizeof h);
        piece[0].sqltype = DBLIB_T_LONGBINARY | 1;
        piece[0].sqldata = buf.data();
        piece->sqld = 1;
        cur.GetData(Ca(), "lv", 1, offset, piece.get());
        ASSERT_TRUE(Main().Code() == 0 || Main().Code() == DBLIB_W_TRUNCATED) << Main().Message();
        std::memcpy(&h, buf.data(), sizeof h);
        read.append(buf.data() + sizeof h, h.stored_len);
        if (Main().Code() == 0) break;
        ASSERT_LT(offset, 30000);
    }
    EXPECT_EQ(read.size(), expected.size());
    EXPECT_TRUE(read == expected);
    cur.Close(Ca(), "lv");
}

TEST_P(ServerEntryPoints, OptionsTransactionsAndMessages) {
    MakeRows(2);
    // chained OFF: every statement commits on its own, a rollback takes nothing back.
    Sqlda value(Lib(), 1);
    char off[] = "OFF";
    value[0].sqltype = DBLIB_T_STRING;
    value[0].sqllen = sizeof off;
    value[0].sqldata = off;
    value->sqld = 1;
    Lib().SetOption(Ca(), 1, nullptr, "chained", value.get());
    ASSERT_EQ(Main().Code(), 0) << Main().Message();
    EXPECT_EQ(Main().Exec("delete from " + Table + " where id = 1"), 0);
    Lib().Rollback(Ca());
    EXPECT_EQ(Main().Count(Table), 1);
    EXPECT_EQ(Main().Exec("set temporary option chained = 'ON'"), 0) << Main().Message();
    EXPECT_EQ(Main().Exec("delete from " + Table), 0);
    EXPECT_EQ(Main().Exec("rollback"), 0);
    EXPECT_EQ(Main().Count(Table), 1);

    // Server notices and the library's own MESSAGE reach the message callback.
    gMessages.clear();
    auto registerCallback = reinterpret_cast<db_register_a_callback_fn>(Lib().Symbol("db_register_a_callback"));
    registerCallback(Ca(), DBLIB_CB_MESSAGE, reinterpret_cast<void (*)(void)>(&OnMessage));
    EXPECT_EQ(Main().Exec("do $$ begin raise notice 'from the server %', 42; end $$"), 0) << Main().Message();
    EXPECT_EQ(Main().Exec("message 'from ', 'the client' type info to client"), 0) << Main().Message();
    ASSERT_EQ(gMessages.size(), 2u);
    EXPECT_EQ(gMessages[0], "from the server 42");
    EXPECT_EQ(gMessages[1], "from the client");

    // A failed statement undoes itself only: the transaction goes on.
    EXPECT_EQ(Main().Exec("insert into " + Table + " values (7, 'seven', null)"), 0);
    EXPECT_NE(Main().Exec("insert into " + Table + " values (7, 'again', null)"), 0);
    Lib().Commit(Ca());
    EXPECT_EQ(Main().Count(Table), 2);
}

TEST_P(ServerEntryPoints, CancelEndsALongRequestPromptly) {
    std::atomic<bool> done{false};
    std::thread canceller([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        while (!done.load()) {
            if (Lib().Symbol("db_cancel_request") &&
                reinterpret_cast<db_cancel_request_fn>(Lib().Symbol("db_cancel_request"))(Ca()))
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    });
    const auto start = std::chrono::steady_clock::now();
    const int code = Main().Exec("select pg_sleep(30)");
    done = true;
    canceller.join();
    const auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(code, DBLIB_E_INTERRUPTED);
    EXPECT_LT(seconds, 5.0);
    // The connection stays usable.
    EXPECT_EQ(Main().QueryText("select 1"), "1");
}

std::atomic<int> gWaits{0};
void OnWait(sqlca*) { ++gWaits; }

TEST_P(ServerEntryPoints, WaitCallbackRunsWhileTheServerWorks) {
    auto registerCallback = reinterpret_cast<db_register_a_callback_fn>(Lib().Symbol("db_register_a_callback"));
    registerCallback(Ca(), DBLIB_CB_WAIT, reinterpret_cast<void (*)(void)>(&OnWait));
    gWaits = 0;
    EXPECT_EQ(Main().QueryText("select pg_sleep(0.45)::text || 'done'"), "done");
    // About every 100 ms of waiting; the first after 100 ms.
    EXPECT_GE(gWaits.load(), 2);
    EXPECT_LE(gWaits.load(), 6);
    registerCallback(Ca(), DBLIB_CB_WAIT, nullptr);
}

TEST_P(ServerEntryPoints, ControlCallsAimedAtTheServerAreRefused) {
    const std::string conn = ConnStr();
    Lib().db_stop_engine(Ca(), const_cast<char*>(conn.c_str()));
    EXPECT_EQ(Main().Code(), DBLIB_E_START_STOP_DENIED);
    Lib().db_start_engine(Ca(), const_cast<char*>(conn.c_str()));
    EXPECT_EQ(Main().Code(), DBLIB_E_START_STOP_DENIED);
    // Without parameters the calls aim at the caller's own server.
    char none[] = "";
    Lib().db_stop_database(Ca(), none);
    EXPECT_EQ(Main().Code(), DBLIB_E_START_STOP_DENIED);
    Lib().db_start_database(Ca(), none);
    EXPECT_EQ(Main().Code(), DBLIB_E_START_STOP_DENIED);
    auto backup = reinterpret_cast<db_backup_fn>(Lib().Symbol("db_backup"));
    ASSERT_NE(backup, nullptr);
    backup(Ca(), 1, 0, 0, nullptr);
    EXPECT_EQ(Main().Code(), DBLIB_E_PERMISSION);
    // The connection is unharmed by the refusals.
    EXPECT_EQ(Main().QueryText("select 2"), "2");
}

TEST_P(ServerEntryPoints, StoppedServerEndsTheConnectionAndANewConnectReplacesIt) {
    auto& server = tnxtest::PgTestServer::Instance();
    if (!server.Owned()) GTEST_SKIP() << "the server was not started by this program";
    ASSERT_EQ(Main().Exec("create table " + Table + " (n int)"), 0) << Main().Message();
    ASSERT_EQ(Main().Exec("insert into " + Table + " values (1)"), 0);
    Lib().Commit(Ca());
    ASSERT_EQ(Main().Exec("insert into " + Table + " values (2)"), 0); // not committed
    ASSERT_TRUE(server.Stop()) << server.LastError();
    EXPECT_EQ(Main().Exec("insert into " + Table + " values (3)"), DBLIB_E_CONNECTION_ENDED);
    EXPECT_EQ(Main().Exec("select 1"), DBLIB_E_CONNECTION_ENDED) << "every later request";
    ASSERT_TRUE(server.Start()) << server.LastError();
    // A connect on the same SQLCA replaces the ended connection; only committed work is there.
    ASSERT_EQ(Main().Connect(ConnStr()), 0) << Main().Message();
    EXPECT_EQ(Main().Count(Table), 1);
}

INSTANTIATE_TEST_SUITE_P(Generations, ServerEntryPoints, ::testing::ValuesIn(BothGenerations()), GenerationName);

} // namespace
