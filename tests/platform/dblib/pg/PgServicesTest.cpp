// Services of a server connection: server messages, the wait handler, cancel from another thread,
// ping, and a server that stops under an open cursor.
#include "PgTestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

using namespace tnxdb;
using namespace tnxtest;

namespace {

using PgServices = PgServerTest;

TEST_F(PgServices, NoticesReachTheMessageHandler) {
    std::vector<std::pair<unsigned char, std::string>> got;
    Db->SetMessageHandler([&](unsigned char type, int32_t code, std::string_view text) {
        EXPECT_EQ(code, 0);
        got.emplace_back(type, std::string(text));
    });
    Exec(*Db, "DO $$ BEGIN RAISE NOTICE 'hello %', 42; RAISE WARNING 'careful'; END $$");
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0], std::make_pair(static_cast<unsigned char>(DBLIB_MESSAGE_INFO), std::string("hello 42")));
    EXPECT_EQ(got[1], std::make_pair(static_cast<unsigned char>(DBLIB_MESSAGE_WARNING), std::string("careful")));
}

TEST_F(PgServices, WaitHandlerRunsWhileTheServerWorks) {
    int waits = 0;
    Db->SetWaitHandler([&] { ++waits; });
    Exec(*Db, "SELECT pg_sleep(0.5)");
    // Half a second of server time passes at least one 100 ms step.
    EXPECT_GE(waits, 1);
}

TEST_F(PgServices, CancelFromAnotherThreadEndsALongRequestPromptly) {
    Exec(*Db, "CREATE TABLE " + Table + " (id int)");
    Exec(*Db, "INSERT INTO " + Table + " VALUES (1)");
    EXPECT_FALSE(Db->Cancel()); // no request runs: nothing to cancel
    std::mutex m;
    std::condition_variable cv;
    bool waiting = false;
    // The wait handler tells the other thread that the request is on the server.
    Db->SetWaitHandler([&] {
        std::lock_guard<std::mutex> lock(m);
        waiting = true;
        cv.notify_all();
    });
    std::atomic<bool> cancelled{false};
    std::thread canceller([&] {
        std::unique_lock<std::mutex> lock(m);
        cv.wait(lock, [&] { return waiting; });
        cancelled = Db->Cancel();
    });
    auto start = std::chrono::steady_clock::now();
    int code = CodeOf([&] { Exec(*Db, "SELECT pg_sleep(30)"); });
    auto took = std::chrono::steady_clock::now() - start;
    canceller.join();
    EXPECT_TRUE(cancelled);
    EXPECT_EQ(code, DBLIB_E_INTERRUPTED);
    EXPECT_LT(took, std::chrono::seconds(20));
    // The connection and its transaction go on: the row inserted before is still there.
    Db->SetWaitHandler(nullptr);
    EXPECT_EQ(QueryInts(*Db, "SELECT count(*) FROM " + Table), std::vector<int32_t>{1});
    EXPECT_NO_THROW(Db->Ping());
    // Connection information: the server's version, where it is, and the database.
    const PgServerParams& s = PgTestServer::Instance().Params();
    EXPECT_EQ(Db->Info(2), s.Host + ":" + std::to_string(s.Port));
    EXPECT_EQ(Db->Info(3), s.Database);
    EXPECT_NE(Db->Info(1).find('.'), std::string::npos);
    EXPECT_EQ(CodeOf([&] { Db->Info(4); }), DBLIB_E_BAD_ARGUMENT);
}

// Runs last in this program's order: it stops the shared server and starts it again.
TEST_F(PgServices, ServerStoppedUnderAnOpenCursorIsConnectionLostAndKeepsCommittedWork) {
    if (!PgTestServer::Instance().Owned()) GTEST_SKIP() << "the server was not started by this program";
    Exec(*Db, "CREATE TABLE " + Table + " (id int)");
    Exec(*Db, "INSERT INTO " + Table + " SELECT generate_series(1, 100)");
    Db->Commit();
    Exec(*Db, "INSERT INTO " + Table + " VALUES (1000)"); // not committed: lost with the server
    auto q = Db->Prepare("SELECT id FROM " + Table + " ORDER BY id");
    auto c = q->Open("open_one", nullptr, 0);
    TestSqlda da(10);
    for (int i = 0; i < 10; ++i) da.Output(i, DBLIB_T_INT, 4);
    ASSERT_EQ(c->Fetch(FetchKind::Relative, 1, da.Get(), 10).Rows, 10u);

    ASSERT_TRUE(PgTestServer::Instance().Stop()) << PgTestServer::Instance().LastError();
    EXPECT_EQ(CodeOf([&] { c->Fetch(FetchKind::Relative, 1, da.Get(), 10); }), DBLIB_E_CONNECTION_ENDED);
    // Every later request says the same, without touching the network again.
    EXPECT_EQ(CodeOf([&] { Db->Ping(); }), DBLIB_E_CONNECTION_ENDED);
    EXPECT_EQ(CodeOf([&] { Db->Commit(); }), DBLIB_E_CONNECTION_ENDED);
    c.reset();
    q.reset();
    Db.reset();

    ASSERT_TRUE(PgTestServer::Instance().Start()) << PgTestServer::Instance().LastError();
    auto again = ConnectTestServer();
    EXPECT_EQ(QueryInts(*again, "SELECT count(*), max(id) FROM " + Table), (std::vector<int32_t>{100, 100}));
}

} // namespace
