// Requests a cursor costs on a server connection: a forward-only cursor's first rows travel with
// its DECLARE, a CLOSE rides with the connection's next request, and neither changes what a
// caller sees: codes, rows, and what a failed request undoes.
#include "PgTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace tnxdb;
using namespace tnxtest;

namespace {

class PgRequests : public PgServerTest {
protected:
    void SetUp() override {
        PgServerTest::SetUp();
        if (IsSkipped()) return;
        Exec(*Db, "CREATE TABLE " + Table + " (id int PRIMARY KEY, name varchar(20))");
        Exec(*Db, "INSERT INTO " + Table + " SELECT g, 'row ' || g FROM generate_series(1, 300) g");
        Db->Commit();
        Lookup = Db->Prepare("SELECT id FROM " + Table + " WHERE id = ?");
    }
    // Opens the lookup of `key` forward-only, fetches a block of up to 10 rows and closes: the ids
    // delivered.
    std::vector<int> LookUp(int key, const char* name = "lookup") {
        TestSqlda in(1);
        in.SetInt(0, key);
        auto c = Lookup->Open(name, in.Get(), kBackendForwardOnly | kBackendReadOnly);
        std::vector<int> ids = Fetch(*c, FetchKind::Absolute, 1, 10);
        c->Close();
        return ids;
    }
    static std::vector<int> Fetch(BackendCursor& c, FetchKind kind, int offset, unsigned rows,
                                  FetchOutcome* outcome = nullptr) {
        TestSqlda da(static_cast<int>(rows));
        for (unsigned r = 0; r < rows; ++r) da.Output(static_cast<int>(r), DBLIB_T_INT, 4);
        // One column per row: the id.
        FetchOutcome o = c.Fetch(kind, offset, da.Get(), rows);
        if (outcome) *outcome = o;
        std::vector<int> ids;
        for (unsigned r = 0; r < o.Rows; ++r) ids.push_back(da.Int(static_cast<int>(r)));
        return ids;
    }
    // The cursors this test opens that the server holds open for this connection.
    int OpenCursors() {
        return QueryInts(*Db, "SELECT count(*)::int FROM pg_cursors WHERE name IN ('lookup', 'again', 'other')")[0];
    }

    std::unique_ptr<BackendStatement> Lookup;
};

TEST_F(PgRequests, ALookupCostsOneRequestAndItsCloseRidesWithTheNext) {
    EXPECT_EQ(LookUp(7), std::vector<int>{7}); // the first open also asks for the row estimate
    const uint64_t before = Db->Requests();
    for (int key : {8, 9, 400, 10}) EXPECT_EQ(LookUp(key), key == 400 ? std::vector<int>{} : std::vector<int>{key});
    EXPECT_EQ(Db->Requests() - before, 4u);
    // The last close was sent with the count's request: nothing is left open on the server.
    EXPECT_EQ(OpenCursors(), 0);
}

TEST_F(PgRequests, ForwardOnlyReadDeliversEveryRowInOrderAndStopsAskingAtTheEnd) {
    auto all = Db->Prepare("SELECT id FROM " + Table + " ORDER BY id");
    auto c = all->Open("walk", nullptr, kBackendForwardOnly | kBackendReadOnly);
    std::vector<int> seen;
    FetchOutcome o;
    for (std::vector<int> ids = Fetch(*c, FetchKind::Absolute, 1, 7, &o); !ids.empty();
         ids = Fetch(*c, FetchKind::Relative, 1, 7, &o))
        seen.insert(seen.end(), ids.begin(), ids.end());
    EXPECT_EQ(o.Beyond, 1);
    ASSERT_EQ(seen.size(), 300u);
    for (int i = 0; i < 300; ++i) EXPECT_EQ(seen[static_cast<size_t>(i)], i + 1);
    // Past the end the server is not asked again, and the answer stays "nothing".
    const uint64_t before = Db->Requests();
    EXPECT_TRUE(Fetch(*c, FetchKind::Relative, 1, 7, &o).empty());
    EXPECT_EQ(o.Beyond, 1);
    EXPECT_EQ(Db->Requests(), before);
    // An absolute move forward skips rows already fetched as well as rows still on the server.
    auto skip = all->Open("skip", nullptr, kBackendForwardOnly | kBackendReadOnly);
    EXPECT_EQ(Fetch(*skip, FetchKind::Absolute, 3, 2), (std::vector<int>{3, 4}));
    EXPECT_EQ(Fetch(*skip, FetchKind::Absolute, 250, 3), (std::vector<int>{250, 251, 252}));
    EXPECT_EQ(CodeOf([&] { Fetch(*skip, FetchKind::Absolute, 100, 1); }), DBLIB_E_CURSOR_FORWARD_ONLY);
    EXPECT_EQ(Fetch(*skip, FetchKind::Relative, 48, 5), (std::vector<int>{300}));
}

TEST_F(PgRequests, AFailingRequestStillClosesAndUndoesOnlyItself) {
    Exec(*Db, "INSERT INTO " + Table + " VALUES (1000, 'kept')");
    EXPECT_EQ(LookUp(5), std::vector<int>{5}); // its close waits for the next request
    const std::string duplicate = "INSERT INTO " + Table + " VALUES (1001, 'x'), (1, 'duplicate')";
    const int failing = CodeOf([&] { Exec(*Db, duplicate); });
    EXPECT_LT(failing, 0);
    EXPECT_EQ(CodeOf([&] { Exec(*Db, duplicate); }), failing); // the same code with no close riding
    // The close went through although its request failed; the transaction's earlier work stays,
    // the failed statement's rows do not.
    EXPECT_EQ(OpenCursors(), 0);
    EXPECT_EQ(QueryInts(*Db, "SELECT count(*)::int FROM " + Table + " WHERE id >= 1000")[0], 1);
    // The same cursor name opens again right after a close that is still waiting.
    EXPECT_EQ(LookUp(6, "again"), std::vector<int>{6});
    EXPECT_EQ(LookUp(7, "again"), std::vector<int>{7});
    Db->Commit();
    EXPECT_EQ(QueryInts(*Db, "SELECT count(*)::int FROM " + Table + " WHERE id >= 1000")[0], 1);
}

TEST_F(PgRequests, ACloseWaitingAtRollbackOrCommitDoesNotFailWhatFollows) {
    // A cursor declared in the transaction is dropped by its rollback: its close goes first.
    EXPECT_EQ(LookUp(11), std::vector<int>{11});
    Db->Rollback();
    EXPECT_EQ(OpenCursors(), 0);
    EXPECT_EQ(LookUp(12), std::vector<int>{12});
    Db->Commit();
    EXPECT_EQ(OpenCursors(), 0);
    // A close after another request ran is sent at once; the cursor is gone either way.
    TestSqlda in(1);
    in.SetInt(0, 13);
    auto c = Lookup->Open("other", in.Get(), kBackendForwardOnly | kBackendReadOnly);
    EXPECT_EQ(OpenCursors(), 1);
    c->Close();
    EXPECT_EQ(OpenCursors(), 0);
}

TEST_F(PgRequests, RowsThatFailArriveAtTheFirstFetchNotAtTheOpen) {
    auto failing = Db->Prepare("SELECT 1 / (id - 3) FROM " + Table + " WHERE id <= ? ORDER BY id");
    const int direct = CodeOf([&] { Exec(*Db, "SELECT 1 / (id - 3) FROM " + Table + " WHERE id <= 5"); });
    ASSERT_LT(direct, 0);
    Exec(*Db, "INSERT INTO " + Table + " VALUES (2000, 'kept')");
    TestSqlda in(1);
    in.SetInt(0, 5);
    std::unique_ptr<BackendCursor> c;
    EXPECT_EQ(CodeOf([&] { c = failing->Open("div", in.Get(), kBackendForwardOnly | kBackendReadOnly); }), 0);
    ASSERT_TRUE(c);
    EXPECT_EQ(CodeOf([&] { Fetch(*c, FetchKind::Absolute, 1, 10); }), direct);
    // The failed fetch undid only itself.
    EXPECT_EQ(QueryInts(*Db, "SELECT count(*)::int FROM " + Table + " WHERE id = 2000")[0], 1);
    // A DECLARE the server refuses (a name already open) still fails the open, and leaves the
    // cursor of that name as it was.
    in.SetInt(0, 2);
    auto first = failing->Open("twice", in.Get(), kBackendForwardOnly | kBackendReadOnly);
    EXPECT_LT(CodeOf([&] { failing->Open("twice", in.Get(), kBackendForwardOnly | kBackendReadOnly); }), 0);
    EXPECT_EQ(Fetch(*first, FetchKind::Absolute, 1, 10).size(), 2u);
    EXPECT_EQ(QueryInts(*Db, "SELECT count(*)::int FROM " + Table + " WHERE id = 2000")[0], 1);
}

TEST_F(PgRequests, ValuesThatCannotBeDeliveredLoseNoRowReadAhead) {
    // Rows whose value is not a number fail their own fetch, wherever they fall among the rows
    // fetched with the open and read ahead; every other row arrives once, in order.
    const std::vector<int> bad = {99, 100, 101, 250};
    auto q = Db->Prepare("SELECT CASE WHEN id IN (99, 100, 101, 250) THEN 'x' || id ELSE CAST(id AS varchar(10)) END AS v FROM " +
                         Table + " ORDER BY " + Table + ".id");
    auto c = q->Open("walk", nullptr, kBackendForwardOnly | kBackendReadOnly);
    std::vector<int> seen;
    size_t refusals = 0;
    FetchOutcome o;
    FetchKind kind = FetchKind::Absolute; // the first block, then each next one
    for (int guard = 0; guard < 200; ++guard) {
        std::vector<int> ids;
        const int code = CodeOf([&] { ids = Fetch(*c, kind, 1, 7, &o); });
        kind = FetchKind::Relative;
        if (code == DBLIB_E_CONVERSION) {
            ++refusals;
            continue;
        }
        ASSERT_EQ(code, 0);
        if (ids.empty()) break;
        seen.insert(seen.end(), ids.begin(), ids.end());
    }
    EXPECT_EQ(o.Beyond, 1);
    std::vector<int> expected;
    for (int i = 1; i <= 300; ++i)
        if (std::find(bad.begin(), bad.end(), i) == bad.end()) expected.push_back(i);
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(refusals, bad.size());
}

} // namespace
