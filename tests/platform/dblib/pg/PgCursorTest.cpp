// Server-side cursors: block fetches and scrolling, row counts, positioned changes, and long
// values read in pieces.
#include "PgTestSupport.h"

#include "platform/dblib/SqlVariables.h"

#include <gtest/gtest.h>

#include <chrono>

using namespace tnxdb;
using namespace tnxtest;

namespace {

class PgCursors : public PgServerTest {
protected:
    void SetUp() override {
        PgServerTest::SetUp();
        if (IsSkipped()) return;
        Exec(*Db, "CREATE TABLE " + Table + " (id int PRIMARY KEY, name varchar(20))");
        Exec(*Db, "INSERT INTO " + Table + " SELECT g, 'row ' || g FROM generate_series(1, 60) g");
        Db->Commit();
        Query = Db->Prepare("SELECT id, name FROM " + Table + " ORDER BY id");
    }
    // A block of up to 25 rows: the ids delivered.
    std::vector<int> Block(BackendCursor& c, FetchKind kind, int offset, FetchOutcome* outcome = nullptr) {
        TestSqlda da(50);
        for (int r = 0; r < 25; ++r) {
            da.Output(2 * r, DBLIB_T_INT, 4);
            da.Output(2 * r + 1, DBLIB_T_STRING, 21);
        }
        FetchOutcome o = c.Fetch(kind, offset, da.Get(), 25);
        if (outcome) *outcome = o;
        std::vector<int> ids;
        for (unsigned r = 0; r < o.Rows; ++r) {
            ids.push_back(da.Int(2 * static_cast<int>(r)));
            EXPECT_EQ(da.String(2 * static_cast<int>(r) + 1), "row " + std::to_string(ids.back()));
        }
        return ids;
    }
    static std::vector<int> Range(int from, int to) {
        std::vector<int> v;
        for (int i = from; i <= to; ++i) v.push_back(i);
        return v;
    }
    std::unique_ptr<BackendStatement> Query;
};

TEST_F(PgCursors, BlocksAndScrollingFollowTheLibrarysPositions) {
    auto c = Query->Open("Blocks", nullptr, 0);
    FetchOutcome o;
    EXPECT_EQ(Block(*c, FetchKind::Absolute, 1), Range(1, 25));
    EXPECT_EQ(Block(*c, FetchKind::Relative, 1), Range(26, 50));
    EXPECT_EQ(Block(*c, FetchKind::Relative, 1, &o), Range(51, 60));
    EXPECT_EQ(o.Rows, 10u);
    EXPECT_TRUE(Block(*c, FetchKind::Relative, 1, &o).empty());
    EXPECT_EQ(o.Beyond, 1);
    EXPECT_EQ(Block(*c, FetchKind::Relative, -25), Range(36, 60)); // from after the last row
    EXPECT_EQ(Block(*c, FetchKind::Relative, -25), Range(35, 59)); // from row 60
    EXPECT_EQ(Block(*c, FetchKind::Absolute, -25), Range(36, 60));
    EXPECT_TRUE(Block(*c, FetchKind::Absolute, 61, &o).empty());
    EXPECT_EQ(o.Beyond, 1);
    EXPECT_TRUE(Block(*c, FetchKind::Absolute, -61, &o).empty());
    EXPECT_EQ(o.Beyond, -1);
    EXPECT_EQ(Block(*c, FetchKind::Relative, 1), Range(1, 25)); // from before the first row
    c->Close();
    EXPECT_EQ(CodeOf([&] { Block(*c, FetchKind::Relative, 1); }), DBLIB_E_CURSOR_NOT_OPEN);
    // The name is free again once closed.
    auto again = Query->Open("blocks", nullptr, 0);
    EXPECT_EQ(Block(*again, FetchKind::Absolute, 60), std::vector<int>{60});
}

TEST_F(PgCursors, ForwardOnlyRefusesToGoBackAndCursorsOutliveCommit) {
    auto c = Query->Open("fwd", nullptr, kBackendForwardOnly);
    EXPECT_EQ(Block(*c, FetchKind::Relative, 1), Range(1, 25));
    EXPECT_EQ(CodeOf([&] { Block(*c, FetchKind::Relative, -1); }), DBLIB_E_CURSOR_FORWARD_ONLY);
    EXPECT_EQ(CodeOf([&] { Block(*c, FetchKind::Absolute, 3); }), DBLIB_E_CURSOR_FORWARD_ONLY);
    // A refused move changed nothing; a read-only cursor stays open across commit and rollback.
    Db->Commit();
    EXPECT_EQ(Block(*c, FetchKind::Relative, 1), Range(26, 50));
    Db->Rollback();
    EXPECT_EQ(Block(*c, FetchKind::Absolute, 55), Range(55, 60));
}

TEST_F(PgCursors, OpenReportsExactCountOrAnEstimate) {
    auto input = Db->Prepare("SELECT id FROM " + Table + " WHERE id > ?");
    TestSqlda in(1);
    in.SetInt(0, 40);
    Db->SetRowCounts(true);
    auto c = input->Open("counted", in.Get(), 0);
    EXPECT_EQ(c->RowReport(), 20);
    // Counting moved to the end and back: the first row is still the first.
    TestSqlda one(1);
    one.Output(0, DBLIB_T_INT, 4);
    ASSERT_EQ(c->Fetch(FetchKind::Relative, 1, one.Get(), 1).Rows, 1u);
    EXPECT_EQ(one.Int(0), 41);
    Db->SetRowCounts(false);
    auto e = Query->Open("estimated", nullptr, 0);
    EXPECT_LE(e->RowReport(), -1);
    // A statement that gives no rows cannot be a cursor.
    auto upd = Db->Prepare("UPDATE " + Table + " SET name = name");
    EXPECT_EQ(CodeOf([&] { upd->Open("nothing", nullptr, 0); }), DBLIB_E_NOT_A_QUERY);
}

TEST_F(PgCursors, PositionedUpdateAndDeleteChangeTheCurrentRow) {
    auto c = Query->Open("chg", nullptr, kBackendForUpdate);
    TestSqlda row(2);
    row.Output(0, DBLIB_T_INT, 4);
    row.Output(1, DBLIB_T_STRING, 21);
    ASSERT_EQ(c->Fetch(FetchKind::Absolute, 3, row.Get(), 1).Rows, 1u);
    TestSqlda set(1);
    set.SetString(0, "changed's");
    set.SetName(0, "NAME");
    c->Update(set.Get());
    ASSERT_EQ(c->Fetch(FetchKind::Absolute, 5, row.Get(), 1).Rows, 1u);
    c->Delete();
    EXPECT_EQ(CodeOf([&] { c->Delete(); }), DBLIB_E_NO_CURRENT_ROW);
    TestSqlda bad(1);
    bad.SetString(0, "x");
    bad.SetName(0, "no_column");
    ASSERT_EQ(c->Fetch(FetchKind::Absolute, 6, row.Get(), 1).Rows, 1u);
    EXPECT_EQ(CodeOf([&] { c->Update(bad.Get()); }), DBLIB_E_COLUMN_NOT_FOUND);
    Db->Commit();
    // A cursor opened for update ends with its transaction.
    EXPECT_EQ(CodeOf([&] { c->Fetch(FetchKind::Relative, 1, row.Get(), 1); }), DBLIB_E_CURSOR_NOT_OPEN);

    EXPECT_EQ(QueryInts(*Db, "SELECT count(*), count(*) FILTER (WHERE id = 3 AND name = 'changed''s') FROM " + Table),
              (std::vector<int32_t>{59, 1}));
    // Without the update option the cursor refuses changes.
    auto ro = Query->Open("ro", nullptr, 0);
    ASSERT_EQ(ro->Fetch(FetchKind::Absolute, 1, row.Get(), 1).Rows, 1u);
    EXPECT_EQ(CodeOf([&] { ro->Update(set.Get()); }), DBLIB_E_CURSOR_READ_ONLY);
    EXPECT_EQ(CodeOf([&] { ro->Delete(); }), DBLIB_E_CURSOR_READ_ONLY);
}

TEST_F(PgCursors, LongBinaryValueTravelsInPiecesByteExact) {
    // 10 MB with every byte value, written by appending pieces to an SQL variable and sent as one
    // typed parameter, then read back in pieces of 1 MB.
    constexpr size_t kSize = 10 * 1024 * 1024, kPiece = 1024 * 1024;
    std::string data(kSize, '\0');
    for (size_t i = 0; i < kSize; ++i) data[i] = static_cast<char>((i * 2654435761u) >> 13);
    Exec(*Db, "CREATE TABLE " + Table + "_blob (id int, b bytea)");
    VariableStore vars;
    vars.Create("blob_v", "LONG BINARY");
    for (size_t at = 0; at < kSize; at += kPiece)
        vars.Get("blob_v").Append(Value::MakeBlob(data.data() + at, kPiece));
    Db->SetVariables(&vars);
    auto ins = Db->Prepare("INSERT INTO " + Table + "_blob VALUES (1, ?)");
    TestSqlda in(1);
    in.SetVariable(0, "blob_v");
    bool cut = false;
    ASSERT_EQ(ins->Execute(in.Get(), nullptr, cut), 1);
    Db->Commit();

    auto sel = Db->Prepare("SELECT b, length(b) FROM " + Table + "_blob WHERE id = 1");
    auto c = sel->Open("blob", nullptr, 0);
    TestSqlda row(2);
    row.Output(0, DBLIB_T_LONGBINARY, 16);
    row.Output(1, DBLIB_T_INT, 4);
    ASSERT_EQ(c->Fetch(FetchKind::Relative, 1, row.Get(), 1).Rows, 1u);
    EXPECT_EQ(row.Int(1), static_cast<int32_t>(kSize));
    std::string back;
    TestSqlda piece(1);
    piece.Output(0, DBLIB_T_LONGBINARY, static_cast<int>(kPiece));
    for (;;) {
        PieceOutcome p = c->GetData(1, back.size(), piece.Var(0));
        back += piece.Long(0);
        if (!p.More) break;
        EXPECT_EQ(p.Length, kPiece);
        ASSERT_LT(back.size(), kSize);
    }
    ASSERT_EQ(back.size(), kSize);
    EXPECT_TRUE(back == data);
    // Pieces in any order: the last 3 bytes, then an offset past the end gives an empty last piece.
    piece.Output(0, DBLIB_T_LONGBINARY, 3);
    EXPECT_FALSE(c->GetData(1, kSize - 3, piece.Var(0)).More);
    EXPECT_EQ(piece.Long(0), data.substr(kSize - 3));
    PieceOutcome past = c->GetData(1, kSize + 10, piece.Var(0));
    EXPECT_EQ(past.Length, 0u);
    EXPECT_FALSE(past.More);
}


TEST_F(PgCursors, CursorOpenedForUpdateShowsItsOwnChanges) {
    auto c = Query->Open("own", nullptr, kBackendForUpdate);
    TestSqlda row(2);
    row.Output(0, DBLIB_T_INT, 4);
    row.Output(1, DBLIB_T_STRING, 21);
    ASSERT_EQ(c->Fetch(FetchKind::Absolute, 5, row.Get(), 1).Rows, 1u);
    TestSqlda set(1);
    set.SetString(0, "five");
    set.SetName(0, "name");
    c->Update(set.Get());
    // The current row, read again, and its long-value piece show the new value.
    ASSERT_EQ(c->Fetch(FetchKind::Relative, 0, row.Get(), 1).Rows, 1u);
    EXPECT_EQ(row.Int(0), 5);
    EXPECT_EQ(row.String(1), "five");
    TestSqlda piece(1);
    piece.Output(0, DBLIB_T_LONGVARCHAR, 10);
    c->GetData(2, 0, piece.Var(0));
    EXPECT_EQ(piece.Long(0), "five");
    // A deleted row leaves the cursor, which stands between its neighbours.
    ASSERT_EQ(c->Fetch(FetchKind::Absolute, 6, row.Get(), 1).Rows, 1u);
    c->Delete();
    ASSERT_EQ(c->Fetch(FetchKind::Relative, 1, row.Get(), 1).Rows, 1u);
    EXPECT_EQ(row.Int(0), 7);
    ASSERT_EQ(c->Fetch(FetchKind::Absolute, 6, row.Get(), 1).Rows, 1u);
    EXPECT_EQ(row.Int(0), 7);
    ASSERT_EQ(c->Fetch(FetchKind::Absolute, 5, row.Get(), 1).Rows, 1u);
    EXPECT_EQ(row.String(1), "five");
}

TEST_F(PgCursors, InsertThroughCursorDeliversTheStoredRow) {
    Exec(*Db, "CREATE TABLE " + Table + "_p (id int PRIMARY KEY, name varchar(20) DEFAULT 'dflt', n int)");
    auto q = Db->Prepare("SELECT id, name, n * 2 AS twice FROM " + Table + "_p");
    auto c = q->Open("put", nullptr, kBackendForUpdate);
    TestSqlda put(3);
    put.SetInt(0, 7);
    put.SetName(0, "id");
    put.SetNull(1);
    put.SetName(1, "twice"); // a NULL for an expression column is passed over
    put.SetInt(2, 4);
    put.SetName(2, "n");
    TestSqlda into(3);
    into.Output(0, DBLIB_T_INT, 4);
    into.Output(1, DBLIB_T_STRING, 21);
    into.Output(2, DBLIB_T_INT, 4);
    bool cut = false;
    c->PutInto(put.Get(), into.Get(), cut);
    EXPECT_EQ(into.Int(0), 7);
    EXPECT_EQ(into.String(1), "dflt");
    EXPECT_FALSE(cut);
    // A value for an expression column is refused; a read-only cursor refuses inserts.
    put.SetInt(1, 3);
    EXPECT_EQ(CodeOf([&] { c->PutInto(put.Get(), nullptr, cut); }), DBLIB_E_NOT_UPDATABLE);
    auto ro = q->Open("put_ro", nullptr, 0);
    EXPECT_EQ(CodeOf([&] { ro->PutInto(put.Get(), nullptr, cut); }), DBLIB_E_CURSOR_READ_ONLY);
    EXPECT_EQ(QueryInts(*Db, "SELECT count(*), sum(n) FROM " + Table + "_p"), (std::vector<int32_t>{1, 4}));
    EXPECT_NE(q->Plan().find("Scan"), std::string::npos) << q->Plan();
}

// A block with a value its variable cannot take: the rows before it are delivered, and the
// next fetch reports the row; nothing is skipped.
void CheckCutBlock(BackendCursor& c) {
    TestSqlda da(5);
    for (int r = 0; r < 5; ++r) da.Output(r, DBLIB_T_INT, 4);
    FetchOutcome o = c.Fetch(FetchKind::Relative, 1, da.Get(), 5);
    ASSERT_EQ(o.Rows, 2u);
    EXPECT_EQ(da.Int(0), 1);
    EXPECT_EQ(da.Int(1), 2);
    EXPECT_EQ(CodeOf([&] { c.Fetch(FetchKind::Relative, 1, da.Get(), 5); }), DBLIB_E_OUT_OF_RANGE);
    // The cursor stands on the failing row: the next block starts after it.
    o = c.Fetch(FetchKind::Relative, 1, da.Get(), 5);
    ASSERT_EQ(o.Rows, 2u);
    EXPECT_EQ(da.Int(0), 4);
    EXPECT_EQ(da.Int(1), 5);
}

TEST_F(PgCursors, UndeliverableValueFailsItsOwnRowOnly) {
    Exec(*Db, "CREATE TABLE " + Table + "_big (v bigint)");
    Exec(*Db, "INSERT INTO " + Table + "_big VALUES (1), (2), (30000000000), (4), (5)");
    auto ordered = Db->Prepare("SELECT v FROM " + Table + "_big ORDER BY CASE WHEN v > 5 THEN 3 ELSE v END");
    {
        SCOPED_TRACE("scrollable");
        auto scroll = ordered->Open("cut_s", nullptr, 0);
        CheckCutBlock(*scroll);
    }
    {
        SCOPED_TRACE("forward-only");
        auto forward = ordered->Open("cut_f", nullptr, kBackendForwardOnly);
        CheckCutBlock(*forward);
    }
}

TEST_F(PgCursors, BlockingOffSurvivesARollback) {
    Exec(*Db, "UPDATE " + Table + " SET name = name WHERE id = 1"); // a transaction is open
    Db->SetBlocking(false, 0);
    Db->Rollback();
    auto other = ConnectTestServer();
    Exec(*other, "UPDATE " + Table + " SET name = 'held' WHERE id = 2"); // holds the row's lock
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(CodeOf([&] { Exec(*Db, "UPDATE " + Table + " SET name = 'mine' WHERE id = 2"); }), DBLIB_E_ROW_LOCKED);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
    other->Rollback();
}


TEST_F(PgCursors, ForwardOnlyCursorPastTheEndFindsNothingAgain) {
    auto c = Query->Open("fwd_end", nullptr, kBackendForwardOnly);
    FetchOutcome o;
    EXPECT_EQ(Block(*c, FetchKind::Absolute, 50), Range(50, 60));
    for (int i = 0; i < 2; ++i) {
        EXPECT_TRUE(Block(*c, FetchKind::Relative, 1, &o).empty());
        EXPECT_EQ(o.Beyond, 1);
    }
    EXPECT_TRUE(Block(*c, FetchKind::Absolute, 70, &o).empty());
    EXPECT_EQ(o.Beyond, 1);
    EXPECT_EQ(CodeOf([&] { Block(*c, FetchKind::Relative, -1); }), DBLIB_E_CURSOR_FORWARD_ONLY);
}

} // namespace
