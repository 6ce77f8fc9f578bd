// Server callbacks: start and finish around every request, the wait callback and cancel (from
// inside the wait callback and from another thread), server messages, dropped connections.
#include "CursorFixture.h"
#include "ServicesFixture.h"

#include <cstring>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

using namespace dbtest;

namespace {

// What the callbacks saw. Callbacks carry no user context, so the running test hangs its
// recorder here.
struct Recorder {
    DbLib* Lib = nullptr;
    Services* Svc = nullptr;
    std::mutex Mutex;
    std::vector<std::string> Events;
    std::vector<sqlca*> Sqlcas;
    EventCount Started;
    // Wait callback: cancels on this call (0: never) and remembers what it saw.
    int CancelOnWait = 0;
    int Waits = 0;
    int WorkingInWait = 0;
    int CancelResult = -1;
    // Finish callback: runs a statement on the same SQLCA and keeps the code it got, or tries to
    // disconnect it.
    bool ExecInFinish = false;
    bool DisconnectInFinish = false;
    int CodeInFinish = 0;
    // Dropped callback: disconnects its client when set.
    bool DisconnectInDropped = false;
    int DisconnectResult = -1;
    std::thread::id DroppedThread;
    // Message callback.
    struct Msg {
        int Type;
        int Code;
        unsigned Length;
        std::string Text;
    };
    std::vector<Msg> Messages;

    void Add(const std::string& e, sqlca* ca) {
        std::lock_guard<std::mutex> lock(Mutex);
        Events.push_back(e);
        Sqlcas.push_back(ca);
    }
    void Clear() {
        std::lock_guard<std::mutex> lock(Mutex);
        Events.clear();
        Sqlcas.clear();
        Messages.clear();
    }
};

Recorder* gRec = nullptr;

// Callbacks that throw, as a handler that catches nothing of its own would.
void ThrowingStart(sqlca*) { throw std::runtime_error("from the start callback"); }
void ThrowingWait(sqlca* ca) {
    if (++gRec->Waits == 2) gRec->Svc->Cancel(ca);
    throw std::runtime_error("from the wait callback");
}
void ThrowingMessage(sqlca*, unsigned char, int32_t, unsigned short, char*) { throw 42; }
void ThrowingDropped(sqlca*, char*) { throw std::runtime_error("from the dropped callback"); }

void OnStart(sqlca* ca) {
    gRec->Add("start " + std::to_string(gRec->Svc->IsWorking(ca)), ca);
    gRec->Started.Add();
}

void OnFinish(sqlca* ca) {
    if (gRec->ExecInFinish) {
        gRec->Lib->ExecuteImm(ca, "select 1");
        gRec->CodeInFinish = ca->sqlcode;
    }
    if (gRec->DisconnectInFinish) {
        gRec->Lib->db_string_disconnect(ca, nullptr);
        gRec->CodeInFinish = ca->sqlcode;
    }
    gRec->Add("finish " + std::to_string(gRec->Svc->IsWorking(ca)), ca);
}

void OnWait(sqlca* ca) {
    ++gRec->Waits;
    gRec->WorkingInWait += gRec->Svc->IsWorking(ca);
    if (gRec->Waits == gRec->CancelOnWait) gRec->CancelResult = gRec->Svc->Cancel(ca);
}

void OnMessage(sqlca* ca, unsigned char type, int32_t code, unsigned short length, char* text) {
    std::lock_guard<std::mutex> lock(gRec->Mutex);
    gRec->Messages.push_back({type, code, length, std::string(text, length)});
    gRec->Sqlcas.push_back(ca);
}

void OnDropped(sqlca* ca, char* name) {
    gRec->DroppedThread = std::this_thread::get_id();
    if (gRec->DisconnectInDropped) gRec->DisconnectResult = gRec->Lib->db_string_disconnect(ca, nullptr);
    gRec->Add(std::string("dropped ") + name, ca);
}

class CallbackTest : public DbTest {
protected:
    void SetUp() override {
        DbTest::SetUp();
        FSvc = std::make_unique<Services>(Lib());
        Rec.Lib = &Lib();
        Rec.Svc = FSvc.get();
        gRec = &Rec;
    }
    void TearDown() override {
        DbTest::TearDown();
        gRec = nullptr;
    }
    Services& Svc() { return *FSvc; }

    Recorder Rec;

private:
    std::unique_ptr<Services> FSvc;
};

} // namespace

TEST_P(CallbackTest, StartAndFinishSurroundEveryRequestWhileItIsWorking) {
    Client& c = Main();
    Svc().RegisterFn(&c.ca, DBLIB_CB_START, &OnStart);
    Svc().RegisterFn(&c.ca, DBLIB_CB_FINISH, &OnFinish);
    ASSERT_EQ(c.Code(), 0);

    EXPECT_EQ(c.Exec("create table t(a int)"), 0);
    EXPECT_EQ(Rec.Events, (std::vector<std::string>{"start 1", "finish 1"}));
    EXPECT_EQ(Rec.Sqlcas, (std::vector<sqlca*>{&c.ca, &c.ca}));
    EXPECT_EQ(Svc().IsWorking(&c.ca), 0) << "no request runs between calls";

    // A failing request is a request too; prepare, execute and drop are three.
    Rec.Clear();
    EXPECT_EQ(c.Exec("select * from missing"), DBLIB_E_TABLE_NOT_FOUND);
    EXPECT_EQ(c.QueryText("select 1"), "1");
    EXPECT_EQ(Rec.Events.size(), 8u);
    for (size_t i = 0; i < Rec.Events.size(); ++i)
        EXPECT_EQ(Rec.Events[i], i % 2 ? "finish 1" : "start 1") << i;

    // A null function unregisters; a refused request (not connected) fires nothing.
    Rec.Clear();
    Svc().Register(&c.ca, DBLIB_CB_START, nullptr);
    EXPECT_EQ(c.Exec("select 1"), 0);
    EXPECT_EQ(Rec.Events, (std::vector<std::string>{"finish 1"}));
    Rec.Clear();
    c.Disconnect();
    EXPECT_EQ(c.Exec("select 1"), DBLIB_E_NOT_CONNECTED);
    EXPECT_TRUE(Rec.Events.empty());

    // Registrations outlive the connection and belong to the SQLCA.
    ASSERT_EQ(c.Connect(ConnStr()), 0);
    EXPECT_EQ(c.Exec("select 1"), 0);
    EXPECT_EQ(Rec.Events, (std::vector<std::string>{"finish 1"}));

    Svc().RegisterFn(&c.ca, 5, &OnStart);
    EXPECT_EQ(c.Code(), DBLIB_E_BAD_ARGUMENT) << "a kind the library never calls";
    sqlca stranger{};
    Svc().RegisterFn(&stranger, DBLIB_CB_START, &OnStart);
    EXPECT_EQ(stranger.sqlcode, DBLIB_E_BAD_ARGUMENT) << "an SQLCA never given to db_init";
}

TEST_P(CallbackTest, ACallbackCallingTheLibraryLeavesTheRequestsOutcomeAlone) {
    Client& c = Main();
    ASSERT_EQ(c.Exec("create table t(a int)"), 0);
    short stmt = c.Prepare("select a from t");
    ASSERT_NE(stmt, 0);
    Svc().RegisterFn(&c.ca, DBLIB_CB_FINISH, &OnFinish);
    Rec.ExecInFinish = true;
    Sqlda out(Lib(), 1);
    int32_t value = 0;
    out[0].sqltype = DBLIB_T_INT;
    out[0].sqllen = 4;
    out[0].sqldata = &value;
    out->sqld = 1;
    Lib().ExecuteInto(&c.ca, &stmt, nullptr, out.get());
    EXPECT_EQ(Rec.CodeInFinish, DBLIB_E_BUSY_CONNECTION)
        << "the request still runs inside its finish callback";
    EXPECT_EQ(c.Code(), DBLIB_W_NOT_FOUND) << "the request reports its own outcome";
    EXPECT_EQ(c.State(), "02000");
}

TEST_P(CallbackTest, WhatACallbackThrowsStaysOutOfTheLibrary) {
    Client& c = Main();
    Svc().RegisterFn(&c.ca, DBLIB_CB_START, &ThrowingStart);
    Svc().RegisterFn(&c.ca, DBLIB_CB_MESSAGE, &ThrowingMessage);
    EXPECT_EQ(c.Exec("MESSAGE 'hello' TO CLIENT"), 0);
    EXPECT_EQ(c.QueryText("select 5"), "5");
    // Thrown from inside the engine's progress handler: the query goes on until the cancel.
    Svc().RegisterFn(&c.ca, DBLIB_CB_WAIT, &ThrowingWait);
    EXPECT_EQ(c.Exec(kEndlessQuery), DBLIB_E_INTERRUPTED);
    EXPECT_EQ(Rec.Waits, 2);
    Svc().RegisterFn(&c.ca, DBLIB_CB_DROPPED, &ThrowingDropped);
    Client stopper(Lib());
    std::string params = "eng=" + Engine + ";unc=yes";
    EXPECT_EQ(Lib().db_stop_engine(&stopper.ca, params.data()), 1) << stopper.Message();
    EXPECT_EQ(c.Exec("select 1"), DBLIB_E_CONNECTION_ENDED);
}

TEST_P(CallbackTest, ACallbackCannotDisconnectTheRequestItRunsIn) {
    Client& c = Main();
    Svc().RegisterFn(&c.ca, DBLIB_CB_FINISH, &OnFinish);
    Rec.DisconnectInFinish = true;
    EXPECT_EQ(c.Exec("create table t(a int)"), 0) << "the request ends normally";
    EXPECT_EQ(Rec.CodeInFinish, DBLIB_E_BUSY_CONNECTION) << "refused rather than waiting for itself";
    Rec.DisconnectInFinish = false;
    EXPECT_EQ(c.Disconnect(), 0);
}

TEST_P(CallbackTest, WaitCallbackRepeatsAndCancelsALongQueryFromInside) {
    Client& c = Main();
    ASSERT_EQ(c.Exec("create table t(a int)"), 0);
    ASSERT_EQ(c.Exec("insert into t values (1)"), 0); // a transaction in progress
    Svc().RegisterFn(&c.ca, DBLIB_CB_WAIT, &OnWait);
    Rec.CancelOnWait = 3;

    EXPECT_EQ(c.Exec(kEndlessQuery), DBLIB_E_INTERRUPTED);
    EXPECT_EQ(c.Message(), "Statement interrupted by user");
    EXPECT_EQ(c.State(), "57014");
    EXPECT_EQ(Rec.Waits, 3) << "the wait callback fired repeatedly, and the cancel ended the query at once";
    EXPECT_EQ(Rec.WorkingInWait, 3);
    EXPECT_EQ(Rec.CancelResult, 1);
    EXPECT_EQ(Svc().IsWorking(&c.ca), 0);

    // The connection goes on; a cancelled query leaves the transaction as it was.
    EXPECT_EQ(c.QueryText("select 40 + 2"), "42");
    Lib().Commit(&c.ca);
    Client other(Lib());
    ASSERT_EQ(other.Connect(ConnStr()), 0);
    EXPECT_EQ(other.Count("t"), 1);
    EXPECT_EQ(Rec.Waits, 3) << "short requests do not wait";
}

TEST_P(CallbackTest, CancelledChangeTakesItsTransactionWithIt) {
    Client& c = Main();
    ASSERT_EQ(c.Exec("create table t(a int)"), 0);
    ASSERT_EQ(c.Exec("insert into t values (1)"), 0);
    Svc().RegisterFn(&c.ca, DBLIB_CB_WAIT, &OnWait);
    Rec.CancelOnWait = 1;
    EXPECT_EQ(c.Exec(std::string("insert into t ") + kEndlessQuery), DBLIB_E_INTERRUPTED);
    EXPECT_EQ(Rec.Waits, 1);
    EXPECT_EQ(c.Count("t"), 0) << "a cancelled change rolls back the transaction in progress";
    EXPECT_EQ(c.Exec("insert into t values (2)"), 0);
    Lib().Commit(&c.ca);
    EXPECT_EQ(c.QueryText("select a from t"), "2");
}

TEST_P(CallbackTest, WaitCallbackFiresWhileWaitingForALockAndMayCancelTheWait) {
    Client& c = Main();
    ASSERT_EQ(c.Exec("create table t(a int)"), 0);
    Client holder(Lib());
    ASSERT_EQ(holder.Connect(ConnStr()), 0);
    ASSERT_EQ(holder.Exec("insert into t values (1)"), 0); // holds the write lock
    Svc().RegisterFn(&c.ca, DBLIB_CB_WAIT, &OnWait);
    Rec.CancelOnWait = 2;
    EXPECT_EQ(c.Exec("insert into t values (2)"), DBLIB_E_INTERRUPTED)
        << "blocking is on, without a time limit";
    EXPECT_EQ(Rec.Waits, 2);
    Lib().Commit(&holder.ca);
    EXPECT_EQ(c.Exec("insert into t values (3)"), 0);
    Lib().Commit(&c.ca);
    EXPECT_EQ(c.Count("t"), 2);
}

TEST_P(CallbackTest, CancelEndsACursorsOpenOrFetch) {
    Client& c = Main();
    CursorApi api(Lib());
    Svc().RegisterFn(&c.ca, DBLIB_CB_WAIT, &OnWait);
    // Rows come quickly at first, then only after a long count.
    short stmt =
        c.Prepare("WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c WHERE x < 1000000000000) "
                  "SELECT x FROM c WHERE x < 3 OR x % 1000000000000 = 0");
    ASSERT_NE(stmt, 0) << c.Message();
    api.Declare(&c.ca, "slow", &stmt, 0);
    api.Open(&c.ca, "slow", &stmt, nullptr, 0);
    ASSERT_EQ(c.Code(), 0) << c.Message();
    Block b(Lib(), "i", 5);
    Rec.CancelOnWait = 1;
    api.FetchArray(&c.ca, "slow", 1, 1, b.get(), 5);
    EXPECT_EQ(c.Code(), DBLIB_E_INTERRUPTED) << c.Message();
    EXPECT_EQ(Rec.Waits, 1);
    EXPECT_EQ(c.QueryText("select 'still usable'"), "still usable");
    api.FetchArray(&c.ca, "slow", 1, 1, b.get(), 2);
    EXPECT_EQ(c.Code(), 0) << "rows read before the cancel stay at hand: " << c.Message();
    EXPECT_EQ(b.Ints(2), (std::vector<int>{1, 2}));
    api.Close(&c.ca, "slow");
    EXPECT_EQ(c.Code(), 0);

    // A cancelled open leaves the cursor closed.
    short never =
        c.Prepare("WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c WHERE x < 1000000000000) "
                  "SELECT x FROM c WHERE x = 999999999999");
    ASSERT_NE(never, 0);
    api.Declare(&c.ca, "never", &never, 0);
    Rec.Waits = 0;
    api.Open(&c.ca, "never", &never, nullptr, 0);
    EXPECT_EQ(c.Code(), DBLIB_E_INTERRUPTED);
    api.FetchArray(&c.ca, "never", 1, 1, b.get(), 1);
    EXPECT_EQ(c.Code(), DBLIB_E_CURSOR_NOT_OPEN);
}

TEST_P(CallbackTest, AnotherThreadCancelsTheRunningRequest) {
    Client& c = Main();
    Svc().RegisterFn(&c.ca, DBLIB_CB_START, &OnStart);
    int working = -1, cancelled = -1;
    std::thread canceller([&] {
        Rec.Started.WaitFor(1);
        working = Svc().IsWorking(&c.ca);
        cancelled = Svc().Cancel(&c.ca);
    });
    int code = c.Exec(kEndlessQuery);
    canceller.join();
    EXPECT_EQ(code, DBLIB_E_INTERRUPTED);
    EXPECT_EQ(working, 1);
    EXPECT_EQ(cancelled, 1);

    // Nothing runs now: the cancel answers 0 and leaves the SQLCA (the last outcome) alone, and
    // the next request is not hit by it.
    EXPECT_EQ(Svc().IsWorking(&c.ca), 0);
    EXPECT_EQ(Svc().Cancel(&c.ca), 0);
    EXPECT_EQ(c.Code(), DBLIB_E_INTERRUPTED);
    EXPECT_EQ(c.QueryText("select 7"), "7");
    sqlca stranger{};
    EXPECT_EQ(Svc().Cancel(&stranger), 0);
    EXPECT_EQ(Svc().IsWorking(nullptr), 0);
}

TEST_P(CallbackTest, ServerMessagesOfEachTypeReachTheMessageCallback) {
    Client& c = Main();
    Svc().RegisterFn(&c.ca, DBLIB_CB_MESSAGE, &OnMessage);
    struct Case {
        const char* Sql;
        int Type;
        const char* Text;
    } cases[] = {
        {"MESSAGE 'plain' TO CLIENT", 0, "plain"},
        {"message 'info' type info to client", 0, "info"},
        {"MESSAGE 'careful' TYPE WARNING TO CLIENT", 1, "careful"},
        {"MESSAGE 'do it' TYPE ACTION TO CLIENT", 2, "do it"},
        {"MESSAGE 'half way' TYPE STATUS TO CLIENT", 3, "half way"},
        {"MESSAGE 'either order' TO CLIENT TYPE ACTION", 2, "either order"},
        {"MESSAGE 'a', 1 + 2, NULL, 'b' TO CLIENT", 0, "a3b"},
    };
    for (const Case& k : cases) {
        Rec.Clear();
        EXPECT_EQ(c.Exec(k.Sql), 0) << k.Sql << ": " << c.Message();
        ASSERT_EQ(Rec.Messages.size(), 1u) << k.Sql;
        EXPECT_EQ(Rec.Messages[0].Type, k.Type) << k.Sql;
        EXPECT_EQ(Rec.Messages[0].Text, k.Text) << k.Sql;
        EXPECT_EQ(Rec.Messages[0].Code, 0);
        EXPECT_EQ(Rec.Sqlcas[0], &c.ca);
    }

    // SQL variables take part; other destinations deliver nothing.
    Rec.Clear();
    EXPECT_EQ(c.Exec("CREATE VARIABLE v VARCHAR(20)"), 0);
    EXPECT_EQ(c.Exec("SET v = 'from a variable'"), 0);
    EXPECT_EQ(c.Exec("MESSAGE v TYPE INFO TO CLIENT"), 0);
    EXPECT_EQ(c.Exec("MESSAGE 'to the console' TO CONSOLE"), 0);
    EXPECT_EQ(c.Exec("MESSAGE 'nowhere'"), 0);
    ASSERT_EQ(Rec.Messages.size(), 1u);
    EXPECT_EQ(Rec.Messages[0].Text, "from a variable");

    EXPECT_EQ(c.Exec("MESSAGE TO CLIENT"), DBLIB_E_SYNTAX);
    EXPECT_EQ(c.Exec("MESSAGE 'x' TYPE LOUD TO CLIENT"), DBLIB_E_SYNTAX);
    EXPECT_EQ(c.Exec("MESSAGE nosuchcolumn TO CLIENT"), DBLIB_E_COLUMN_NOT_FOUND);

    // Without a message callback a message is simply not delivered.
    Svc().Register(&c.ca, DBLIB_CB_MESSAGE, nullptr);
    Rec.Clear();
    EXPECT_EQ(c.Exec("MESSAGE 'unheard' TO CLIENT"), 0);
    EXPECT_TRUE(Rec.Messages.empty());
}

TEST_P(CallbackTest, LongMessagesArriveWholeUpToTheLengthCount) {
    Client& c = Main();
    Svc().RegisterFn(&c.ca, DBLIB_CB_MESSAGE, &OnMessage);
    std::string text(40000, 'x');
    for (size_t i = 0; i < text.size(); i += 7)
        text[i] = static_cast<char>('a' + i % 26);
    EXPECT_EQ(c.Exec("MESSAGE '" + text + "' TYPE STATUS TO CLIENT"), 0) << c.Message();

    // The same through a host variable of a prepared statement.
    short stmt = c.Prepare("MESSAGE ? TYPE WARNING TO CLIENT");
    ASSERT_NE(stmt, 0) << c.Message();
    Sqlda in(Lib(), 1);
    in[0].sqltype = DBLIB_T_STRING;
    in[0].sqllen = 0; // read to the NUL
    in[0].sqldata = text.data();
    in->sqld = 1;
    Lib().ExecuteInto(&c.ca, &stmt, in.get(), nullptr);
    EXPECT_EQ(c.Code(), 0) << c.Message();

    std::string huge(70000, 'y');
    in[0].sqldata = huge.data();
    Lib().ExecuteInto(&c.ca, &stmt, in.get(), nullptr);
    EXPECT_EQ(c.Code(), 0) << c.Message();

    ASSERT_EQ(Rec.Messages.size(), 3u);
    EXPECT_EQ(Rec.Messages[0].Type, 3);
    EXPECT_EQ(Rec.Messages[0].Length, 40000u);
    EXPECT_EQ(Rec.Messages[0].Text, text);
    EXPECT_EQ(Rec.Messages[1].Type, 1);
    EXPECT_EQ(Rec.Messages[1].Text, text);
    EXPECT_EQ(Rec.Messages[2].Length, 65535u) << "cut to what the 16-bit length can count";
    EXPECT_EQ(Rec.Messages[2].Text, huge.substr(0, 65535));
}

TEST_P(CallbackTest, StoppingADatabaseUnconditionallyDropsItsConnections) {
    Client& a = Main();
    ASSERT_EQ(a.Disconnect(), 0);
    ASSERT_EQ(a.Connect(ConnStr() + ";con=alpha"), 0) << a.Message();
    Client b(Lib());
    ASSERT_EQ(b.Connect(ConnStr() + ";ConnectionName=beta"), 0) << b.Message();
    Svc().RegisterFn(&a.ca, DBLIB_CB_DROPPED, &OnDropped);
    Svc().RegisterFn(&b.ca, DBLIB_CB_DROPPED, &OnDropped);
    ASSERT_EQ(a.Exec("create table t(a int)"), 0);
    ASSERT_EQ(a.Exec("insert into t values (1)"), 0); // not committed

    Client stopper(Lib()); // no connection of its own
    std::string params = "eng=" + Engine + ";dbn=test";
    Lib().db_stop_database(&stopper.ca, params.data());
    EXPECT_EQ(stopper.Code(), DBLIB_E_START_STOP_DENIED);
    EXPECT_TRUE(Rec.Events.empty()) << "a refused stop drops nobody";

    params += ";Unconditional=yes";
    EXPECT_EQ(Lib().db_stop_database(&stopper.ca, params.data()), 1) << stopper.Message();
    ASSERT_EQ(Rec.Events.size(), 2u) << "both callbacks ran before the stop returned";
    std::vector<std::string> expected{"dropped alpha", "dropped beta"};
    std::vector<sqlca*> cas{&a.ca, &b.ca};
    if (Rec.Events[0] != expected[0]) {
        std::swap(expected[0], expected[1]);
        std::swap(cas[0], cas[1]);
    }
    EXPECT_EQ(Rec.Events, expected);
    EXPECT_EQ(Rec.Sqlcas, cas);
    EXPECT_EQ(Rec.DroppedThread, std::this_thread::get_id()) << "on the stopping thread";

    EXPECT_EQ(a.Exec("select 1"), DBLIB_E_CONNECTION_ENDED);
    EXPECT_EQ(b.Exec("select 1"), DBLIB_E_CONNECTION_ENDED);
    EXPECT_EQ(a.Exec("select 1"), DBLIB_E_CONNECTION_ENDED) << "until the client disconnects";
    a.Disconnect();
    ASSERT_EQ(a.Connect(ConnStr()), 0) << a.Message();
    EXPECT_EQ(a.Count("t"), 0) << "the uncommitted row was rolled back";
}

TEST_P(CallbackTest, StoppingTheEngineAsItsLastConnectionDropsTheCaller) {
    Client& a = Main();
    Svc().RegisterFn(&a.ca, DBLIB_CB_DROPPED, &OnDropped);
    std::string params = "eng=" + Engine;
    EXPECT_EQ(Lib().db_stop_engine(&a.ca, params.data()), 1) << a.Message();
    EXPECT_EQ(Rec.Events, (std::vector<std::string>{"dropped "}));
    EXPECT_EQ(a.Exec("select 1"), DBLIB_E_CONNECTION_ENDED);
}

TEST_P(CallbackTest, ADroppedCallbackMayDisconnectItsOwnClient) {
    Client& a = Main();
    Svc().RegisterFn(&a.ca, DBLIB_CB_DROPPED, &OnDropped);
    Rec.DisconnectInDropped = true;
    Client stopper(Lib());
    std::string params = "eng=" + Engine + ";unc=yes";
    EXPECT_EQ(Lib().db_stop_engine(&stopper.ca, params.data()), 1) << stopper.Message();
    EXPECT_EQ(Rec.DisconnectResult, 1);
    EXPECT_EQ(a.Exec("select 1"), DBLIB_E_NOT_CONNECTED);
}

INSTANTIATE_TEST_SUITE_P(Generations, CallbackTest, ::testing::ValuesIn(BothGenerations()), GenerationName);
