// Cursors: block fetches over 60 rows in blocks of 25 (forward, backward, absolute from both ends,
// the short last block), where the cursor stands after every kind of fetch, moves past either
// end, the product's own walk (Next, Prev, Last, MoveTo arithmetic) across the short block,
// forward-only cursors, row counts, what cursors see of later changes, describe, and misuse.
#include "CursorFixture.h"

#include <algorithm>
#include <list>

using namespace dbtest;

namespace {

constexpr unsigned kReadOnly = 0x2, kForwardOnly = 0x4, kFixedScroll = 0x80, kInsensitive = 0x400;

// Fills table n with the integers 0 .. count-1 (column i), each with its text (column s).
void FillNumbers(Client& c, int count, const std::string& table = "n") {
    ASSERT_EQ(c.Exec("create table " + table + "(i integer, s varchar(20))"), 0) << c.Message();
    ASSERT_EQ(c.Exec("with recursive k(x) as (select 0 union all select x + 1 from k where x < " +
                     std::to_string(count - 1) + ") insert into " + table + " select x, 'row ' || x from k"),
              0)
        << c.Message();
    c.Lib().Commit(&c.ca);
}

class CursorTest : public DbTest {
protected:
    void SetUp() override {
        DbTest::SetUp();
        Api = std::make_unique<CursorApi>(Lib());
    }
    // Prepares, declares and opens a cursor; returns sqlerrd[2] of the open.
    int OpenCursor(const char* name, const std::string& sql, unsigned options, Client* on = nullptr) {
        Client& c = on ? *on : Main();
        short stmt = c.Prepare(sql);
        EXPECT_NE(stmt, 0) << c.Message();
        Api->Declare(&c.ca, name, &stmt, options);
        EXPECT_EQ(c.Code(), 0) << c.Message();
        Api->Open(&c.ca, name, &stmt, nullptr, options);
        EXPECT_EQ(c.Code(), 0) << c.Message();
        return c.ca.sqlerrd[2];
    }
    // Fetches a block; returns the integers of column 0 delivered (empty on 100).
    std::vector<int> FetchInts(Block& b, const char* name, unsigned kind, int offset, unsigned rows) {
        Client& c = Main();
        Api->FetchArray(&c.ca, name, kind, offset, b.get(), rows);
        if (c.Code() == 100) {
            EXPECT_EQ(c.ca.sqlerrd[2], 0);
            return {};
        }
        EXPECT_EQ(c.Code(), 0) << c.Message();
        return b.Ints(c.ca.sqlerrd[2]);
    }
    // The row the cursor stands on, read with a one-row fetch at relative offset 0 (-1: none).
    int Current(Block& b, const char* name) {
        auto rows = FetchInts(b, name, 2, 0, 1);
        return rows.empty() ? -1 : rows[0];
    }
    std::unique_ptr<CursorApi> Api;
};

// ---- Blocks and positions ---------------------------------------------------------------------

TEST_P(CursorTest, BlocksOfTwentyFiveOverSixtyRowsForwardBackwardAndAbsolute) {
    Client& c = Main();
    FillNumbers(c, 60);
    for (unsigned options : {kReadOnly, kReadOnly | kFixedScroll, kReadOnly | kInsensitive}) {
        SCOPED_TRACE(options);
        OpenCursor("C1", "select i from n order by i", options);
        Block b(Lib(), "i", 25);
        // Forward: two full blocks, then the short last block, then nothing.
        EXPECT_EQ(FetchInts(b, "C1", 1, 1, 25), Range(0, 25));
        EXPECT_EQ(FetchInts(b, "C1", 2, 1, 25), Range(25, 25));
        EXPECT_EQ(FetchInts(b, "C1", 2, 1, 25), Range(50, 10));
        EXPECT_EQ(FetchInts(b, "C1", 2, 1, 25), std::vector<int>{});
        // Backward from after the end, and from inside.
        EXPECT_EQ(FetchInts(b, "C1", 2, -25, 25), Range(35, 25));
        EXPECT_EQ(FetchInts(b, "C1", 2, -25, 25), Range(34, 25)) << "from row 59, the last one delivered";
        EXPECT_EQ(FetchInts(b, "C1", 2, -40, 25), Range(18, 25));
        // Absolute from the start and from the end.
        EXPECT_EQ(FetchInts(b, "C1", 1, 51, 25), Range(50, 10));
        EXPECT_EQ(FetchInts(b, "C1", 1, -25, 25), Range(35, 25));
        EXPECT_EQ(FetchInts(b, "C1", 1, -1, 25), Range(59, 1));
        EXPECT_EQ(FetchInts(b, "C1", 1, -60, 25), Range(0, 25));
        EXPECT_EQ(FetchInts(b, "C1", 1, 60, 25), Range(59, 1));
        EXPECT_EQ(FetchInts(b, "C1", 1, 61, 25), std::vector<int>{});
        EXPECT_EQ(FetchInts(b, "C1", 1, -61, 25), std::vector<int>{});
        EXPECT_EQ(FetchInts(b, "C1", 2, 1, 3), Range(0, 3))
            << "after passing the beginning, the first row is next";
        // Fewer rows than asked for when the SQLDA holds fewer: 3 variables, 25 rows asked.
        Sqlda three(Lib(), 3);
        int32_t v[3];
        for (int k = 0; k < 3; ++k) {
            three[k].sqltype = DBLIB_T_INT;
            three[k].sqllen = 4;
            three[k].sqldata = &v[k];
        }
        three->sqld = 3;
        Api->FetchArray(&c.ca, "C1", 1, 11, three.get(), 25);
        EXPECT_EQ(c.ca.sqlerrd[2], 3);
        EXPECT_EQ(std::vector<int>(v, v + 3), Range(10, 3));
        Api->Close(&c.ca, "C1");
        EXPECT_EQ(c.Code(), 0);
    }
}

TEST_P(CursorTest, CursorStandsOnTheLastRowDeliveredAfterEveryKindOfFetch) {
    Client& c = Main();
    FillNumbers(c, 60);
    OpenCursor("C", "select i from n order by i", kReadOnly);
    Block b(Lib(), "i", 25);
    EXPECT_EQ(Current(b, "C"), -1) << "before the first row after the open";
    Api->Fetch(&c.ca, "C", 2, 0);
    EXPECT_EQ(c.Code(), 100);
    EXPECT_LT(c.ca.sqlerrd[2], 0) << "before the first row, relative 0 passes the beginning";

    FetchInts(b, "C", 1, 1, 25);
    EXPECT_EQ(Current(b, "C"), 24) << "full block: on its last row";
    FetchInts(b, "C", 1, 51, 25);
    EXPECT_EQ(Current(b, "C"), 59) << "short block: on its last row, not after it";
    EXPECT_EQ(FetchInts(b, "C", 2, -1, 1), std::vector<int>{58});
    FetchInts(b, "C", 1, 58, 25);
    FetchInts(b, "C", 2, 1, 25);
    EXPECT_EQ(Current(b, "C"), -1) << "a fetch that found nothing forward: after the last row";
    EXPECT_EQ(FetchInts(b, "C", 2, -1, 1), std::vector<int>{59});
    FetchInts(b, "C", 2, -100, 25);
    EXPECT_EQ(FetchInts(b, "C", 2, 1, 1), std::vector<int>{0})
        << "one that found nothing backward: before the first";

    // dbpp_fetch moves without data and says which end it passed.
    Api->Fetch(&c.ca, "C", 1, 30);
    EXPECT_EQ(c.Code(), 0);
    EXPECT_EQ(Current(b, "C"), 29);
    Api->Fetch(&c.ca, "C", 2, 31);
    EXPECT_EQ(c.Code(), 100);
    EXPECT_GT(c.ca.sqlerrd[2], 0) << "passed the end";
    EXPECT_EQ(FetchInts(b, "C", 2, -1, 1), std::vector<int>{59});
    Api->Fetch(&c.ca, "C", 2, -60);
    EXPECT_EQ(c.Code(), 100);
    EXPECT_LT(c.ca.sqlerrd[2], 0) << "passed the beginning";
    Api->Fetch(&c.ca, "C", 1, 0);
    EXPECT_EQ(c.Code(), 100);
    EXPECT_LT(c.ca.sqlerrd[2], 0) << "absolute 0 is before the first row";
    Api->Fetch(&c.ca, "C", 1, -1);
    EXPECT_EQ(c.Code(), 0);
    EXPECT_EQ(Current(b, "C"), 59);
}

// The product's statement keeps BufferRow, BufferedRows, CurrentRow and FetchRows and computes
// its library calls from them. This walker does the same arithmetic, call for call.
class ProductWalker {
public:
    ProductWalker(CursorApi& api, Client& c, const char* name, int allocRows, int recordCount)
        : FetchRows(allocRows), RecordCount(recordCount), FApi(api), FC(c), FName(name),
          FBuf(c.Lib(), "i", allocRows) {}

    bool First() { return FetchFirst(false); }
    bool FetchFirst(bool adjust) {
        Array(1, 1);
        BOF = EOF_ = Code() == 100;
        BufferedRows = BOF ? 0 : Count();
        if (adjust) FetchRows = std::max(1, std::min(FetchRows, BufferedRows));
        BufferRow = 0;
        CurrentRow = BufferedRows > 0 ? 0 : -1;
        return BufferedRows > 0;
    }
    bool Next() {
        if (BufferRow < BufferedRows - 1) {
            ++BufferRow;
            ++CurrentRow;
        } else {
            Array(2, 1);
            EOF_ = Code() == 100;
            ++CurrentRow;
            BufferedRows = EOF_ ? 0 : Count();
            if (BufferedRows > 0) BOF = false;
            BufferRow = 0;
        }
        return BufferedRows > 0;
    }
    bool Last() {
        Array(1, -FetchRows);
        BOF = EOF_ = Code() == 100;
        BufferedRows = EOF_ ? 0 : Count();
        BufferRow = std::max(0, BufferedRows - 1);
        if (BufferedRows > 0) CurrentRow = RecordCount - 1;
        return BufferedRows > 0;
    }
    bool Prev() {
        if (BufferRow > 0) {
            --BufferRow;
            --CurrentRow;
            return BufferedRows > 0;
        }
        if (!BOF) {
            Array(2, -FetchRows);
            BOF = Code() == 100;
            --CurrentRow;
        }
        if (!BOF) {
            int m = BufferedRows, k = Count();
            BufferRow = m >= FetchRows ? 0 : (m > 0 ? k - m : k - m - 1);
            BufferRow = std::max(0, BufferRow);
            BufferedRows = k;
        }
        if (BOF) {
            BufferRow = 0;
            BufferedRows = 0;
        }
        if (BufferedRows > 0) EOF_ = false;
        return BufferedRows > 0;
    }
    // literalShortBlock: take the cursor to stand one row beyond a short block, as the
    // statement's arithmetic does when not adjusted to the library.
    bool MoveTo(int recNo, bool literalShortBlock = false) {
        int p = CurrentRow - BufferRow;
        if (literalShortBlock && BufferedRows < FetchRows)
            p += BufferedRows;
        else
            p += BufferedRows > 0 ? BufferedRows - 1 : 0;
        int delta = recNo - p;
        FApi.Fetch(&FC.ca, FName, 2, delta);
        if (Code() < 0) return false;
        if (Code() == 100) {
            if (Count() > 0 || delta > 0) return Last();
            if (Count() < 0 || delta < 0) return First();
            return false;
        }
        Array(2, 0);
        if (BOF) BOF = Code() == 100;
        if (EOF_) EOF_ = Code() == 100;
        if (Code() == 100) {
            BufferedRows = 0;
        } else {
            BufferedRows = Count();
            FetchRows = std::max(1, std::min(FetchRows, BufferedRows));
        }
        BufferRow = 0;
        if (BufferedRows > 0) CurrentRow = recNo;
        return BufferedRows > 0;
    }
    // The value of the buffered row the statement takes as current.
    int Row() const { return FBuf.Int(BufferRow, 0); }

    int FetchRows, BufferedRows = 0, BufferRow = 0, CurrentRow = -1, RecordCount;
    bool BOF = true, EOF_ = true;
    int Calls = 0;

private:
    int Code() const { return FC.ca.sqlcode; }
    int Count() const { return FC.ca.sqlerrd[2]; }
    void Array(unsigned kind, int offset) {
        FApi.FetchArray(&FC.ca, FName, kind, offset, FBuf.get(), static_cast<unsigned>(FetchRows));
        ++Calls;
        EXPECT_GE(Code(), 0) << FC.Message();
    }
    CursorApi& FApi;
    Client& FC;
    const char* FName;
    Block FBuf;
};

TEST_P(CursorTest, TheProductsWalkLandsOnTheRightRowsAcrossTheShortBlock) {
    Client& c = Main();
    FillNumbers(c, 60);
    ASSERT_EQ(c.Exec("set temporary option row_counts = 'ON'"), 0);
    std::list<std::string> names; // the walkers keep pointers to their cursor's name
    // A fresh cursor and a fresh walker on it, after the open's first block.
    auto fresh = [&]() {
        names.push_back("W" + std::to_string(names.size()));
        const char* name = names.back().c_str();
        int count = OpenCursor(name, "select i from n order by i", kReadOnly);
        EXPECT_EQ(count, 60);
        auto w = std::make_unique<ProductWalker>(*Api, c, name, 25, count);
        EXPECT_TRUE(w->FetchFirst(true));
        EXPECT_EQ(w->FetchRows, 25);
        return w;
    };
    auto nextTo = [&](ProductWalker& w, int row) {
        while (w.CurrentRow < row)
            ASSERT_TRUE(w.Next());
    };

    // Forward over everything, one step back and forth right after entering the short block.
    {
        auto w = fresh();
        for (int row = 1; row < 60; ++row) {
            ASSERT_TRUE(w->Next()) << row;
            ASSERT_EQ(w->CurrentRow, row);
            ASSERT_EQ(w->Row(), row);
            if (row == 50) {
                EXPECT_EQ(w->BufferedRows, 10) << "the third block is the short one";
                EXPECT_EQ(w->FetchRows, 25);
                ASSERT_TRUE(w->Prev()) << "the backward step from the start of the short block";
                EXPECT_EQ(w->CurrentRow, 49);
                EXPECT_EQ(w->Row(), 49);
                ASSERT_TRUE(w->Next());
                EXPECT_EQ(w->Row(), 50);
            }
        }
        EXPECT_FALSE(w->Next());
        EXPECT_TRUE(w->EOF_);
        EXPECT_EQ(w->CurrentRow, 60);
        // Back over the whole result: from after the end to the first row.
        for (int row = 59; row >= 0; --row) {
            ASSERT_TRUE(w->Prev()) << row;
            ASSERT_EQ(w->CurrentRow, row);
            ASSERT_EQ(w->Row(), row);
        }
        EXPECT_FALSE(w->Prev());
        EXPECT_TRUE(w->BOF);
    }
    // MoveTo from the short block, the cursor standing on row 59 (the last delivered).
    for (int target : {20, 3, 55, 59}) {
        auto w = fresh();
        nextTo(*w, 50);
        ASSERT_LT(w->BufferedRows, w->FetchRows);
        ASSERT_TRUE(w->MoveTo(target)) << target;
        EXPECT_EQ(w->CurrentRow, target);
        EXPECT_EQ(w->Row(), target);
        if (target < 59) {
            ASSERT_TRUE(w->Next());
            EXPECT_EQ(w->Row(), target + 1);
            ASSERT_TRUE(w->Prev());
            EXPECT_EQ(w->Row(), target);
        }
        if (target == 20) {
            // Taking the cursor to stand one row beyond a short block lands one row early.
            auto literal = fresh();
            nextTo(*literal, 50);
            ASSERT_TRUE(literal->MoveTo(20, true));
            EXPECT_EQ(literal->CurrentRow, 20);
            EXPECT_EQ(literal->Row(), 19);
        }
    }
    // Last, MoveTo in both directions, and beyond either end.
    {
        auto w = fresh();
        ASSERT_TRUE(w->Last());
        EXPECT_EQ(w->CurrentRow, 59);
        EXPECT_EQ(w->Row(), 59);
        for (int target : {10, 0, 33, 58}) {
            ASSERT_TRUE(w->MoveTo(target)) << target;
            EXPECT_EQ(w->Row(), target);
            ASSERT_TRUE(w->Next());
            EXPECT_EQ(w->Row(), target + 1);
            ASSERT_TRUE(w->Prev());
            ASSERT_TRUE(w->Prev() || target == 0);
            if (target > 0) {
                EXPECT_EQ(w->Row(), target - 1);
            }
        }
        ASSERT_TRUE(w->MoveTo(100)) << "beyond the end: the last row";
        EXPECT_EQ(w->Row(), 59);
        ASSERT_TRUE(w->MoveTo(-10)) << "before the start: the first row";
        EXPECT_EQ(w->Row(), 0);
    }
}

TEST_P(CursorTest, ForwardOnlyCursorMovesOnlyForward) {
    Client& c = Main();
    FillNumbers(c, 60);
    OpenCursor("F", "select i, s from n order by i", kReadOnly | kForwardOnly);
    Block b(Lib(), "is", 25);
    EXPECT_EQ(FetchInts(b, "F", 2, 1, 25), Range(0, 25));
    EXPECT_EQ(FetchInts(b, "F", 2, 1, 25), Range(25, 25));
    Api->FetchArray(&c.ca, "F", 2, -1, b.get(), 1);
    EXPECT_EQ(c.Code(), DBLIB_E_CURSOR_FORWARD_ONLY);
    Api->FetchArray(&c.ca, "F", 1, -5, b.get(), 1);
    EXPECT_EQ(c.Code(), DBLIB_E_CURSOR_FORWARD_ONLY);
    Api->FetchArray(&c.ca, "F", 1, 3, b.get(), 1);
    EXPECT_EQ(c.Code(), DBLIB_E_CURSOR_FORWARD_ONLY);
    EXPECT_EQ(Current(b, "F"), 49) << "a refused move leaves the cursor where it was";
    // Skip ahead, then the short last block: its last row stays at hand after the end was seen.
    Api->Fetch(&c.ca, "F", 2, 3);
    EXPECT_EQ(c.Code(), 0);
    EXPECT_EQ(FetchInts(b, "F", 2, 1, 25), Range(53, 7));
    EXPECT_EQ(FetchInts(b, "F", 2, 0, 2), std::vector<int>{59});
    EXPECT_EQ(b.Text(0, 1), "row 59");
    Api->FetchArray(&c.ca, "F", 1, 61, b.get(), 1);
    EXPECT_EQ(c.Code(), 100);
    Api->FetchArray(&c.ca, "F", 2, 1, b.get(), 1);
    EXPECT_EQ(c.Code(), 100) << "after the end it stays after the end";
    Api->FetchArray(&c.ca, "F", 2, -1, b.get(), 1);
    EXPECT_EQ(c.Code(), DBLIB_E_CURSOR_FORWARD_ONLY);

    // The product's forward walk over a forward-only cursor.
    OpenCursor("F2", "select i from n order by i", kReadOnly | kForwardOnly);
    ProductWalker w(*Api, c, "F2", 25, 0);
    ASSERT_TRUE(w.Next());
    for (int row = 1; row < 60; ++row) {
        ASSERT_TRUE(w.Next());
        ASSERT_EQ(w.Row(), row);
    }
    EXPECT_FALSE(w.Next());
    EXPECT_EQ(w.Calls, 4) << "three blocks and the fetch that finds the end";
}

// ---- Row counts -------------------------------------------------------------------------------

TEST_P(CursorTest, RowCountsAreExactWithTheOptionOnAndAnEstimateOtherwise) {
    Client& c = Main();
    FillNumbers(c, 60);
    struct Case {
        const char* Sql;
        unsigned Options;
        int Exact;
    } cases[] = {
        {"select i from n", kReadOnly, 60},
        {"select i from n where i >= 45", kReadOnly, 15},
        {"select i from n where i >= 45", kReadOnly | kForwardOnly, 15},
        {"select a.i from n a, n b where a.i < 3 and b.i < 4", kReadOnly, 12},
        {"select i from n where i > 1000", kReadOnly, 0},
    };
    for (const char* on : {"ON", "OFF"}) {
        ASSERT_EQ(c.Exec(std::string("set temporary option row_counts = '") + on + "'"), 0);
        for (const Case& k : cases) {
            SCOPED_TRACE(std::string(on) + ": " + k.Sql);
            int report = OpenCursor("R", k.Sql, k.Options);
            if (std::string(on) == "ON" || k.Exact == 0) {
                EXPECT_EQ(report, k.Exact);
            } else {
                EXPECT_LT(report, 0) << "an estimate is negative";
                EXPECT_GE(-report, 1);
            }
            // Reading is the same whatever was reported.
            Block b(Lib(), "i", 25);
            int seen = 0;
            for (Api->FetchArray(&c.ca, "R", 2, 1, b.get(), 25); c.Code() == 0;
                 Api->FetchArray(&c.ca, "R", 2, 1, b.get(), 25))
                seen += c.ca.sqlerrd[2];
            EXPECT_EQ(c.Code(), 100);
            EXPECT_EQ(seen, k.Exact);
            Api->Close(&c.ca, "R");
        }
    }
    // A whole table's estimate is its size; an insensitive cursor knows its count anyway.
    EXPECT_EQ(OpenCursor("E", "select * from n", kReadOnly), -60);
    EXPECT_EQ(OpenCursor("I", "select * from n where i < 7", kReadOnly | kInsensitive), 7);
}

// The row report of one prepared query opened again and again follows the table, counted
// (row_counts ON) or estimated: rows this connection inserts and rolls back, rows another
// connection commits, and the table dropped and created again under the same name, also as a
// table without row identifiers (no estimate: the report says at least one row) and back.
TEST_P(CursorTest, TheRowReportOfAReopenedQueryFollowsTheTable) {
    Client& c = Main();
    Client other(Lib());
    ASSERT_EQ(other.Connect(ConnStr()), 0) << other.Message();
    for (bool counted : {false, true}) {
        SCOPED_TRACE(counted ? "row_counts ON" : "row_counts OFF");
        ASSERT_EQ(c.Exec(std::string("set temporary option row_counts = '") + (counted ? "ON" : "OFF") + "'"), 0);
        ASSERT_EQ(c.Exec("drop table if exists n"), 0) << c.Message();
        FillNumbers(c, 60);
        short stmt = c.Prepare("select i from n where i >= ?");
        ASSERT_NE(stmt, 0) << c.Message();
        Vars from(Lib(), 1);
        from.Int(0, "from", 0);
        auto reopen = [&]() {
            Api->Declare(&c.ca, "P", &stmt, kReadOnly | kForwardOnly);
            Api->Open(&c.ca, "P", &stmt, from.get(), kReadOnly | kForwardOnly);
            EXPECT_EQ(c.Code(), 0) << c.Message();
            int report = c.ca.sqlerrd[2];
            Api->Close(&c.ca, "P");
            return report;
        };
        // The report for a whole table of `rows` rows numbered from 1.
        auto whole = [&](int rows) { return counted ? rows : -rows; };
        EXPECT_EQ(reopen(), whole(60));
        EXPECT_EQ(reopen(), whole(60));
        ASSERT_EQ(c.Exec("insert into n values (60, 'x'), (61, 'y')"), 0) << c.Message();
        EXPECT_EQ(reopen(), whole(62)) << "rows inserted in the open transaction";
        c.Lib().Rollback(&c.ca);
        EXPECT_EQ(reopen(), whole(60)) << "the insert was rolled back";
        ASSERT_EQ(other.Exec("insert into n values (70, 'z')"), 0) << other.Message();
        other.Lib().Commit(&other.ca);
        EXPECT_EQ(reopen(), whole(61)) << "a row another connection committed";

        ASSERT_EQ(c.Exec("drop table n"), 0) << c.Message();
        ASSERT_EQ(c.Exec("create table n(i integer, s varchar(20))"), 0) << c.Message();
        ASSERT_EQ(c.Exec("insert into n values (1, 'a'), (2, 'b'), (3, 'c')"), 0) << c.Message();
        c.Lib().Commit(&c.ca);
        EXPECT_EQ(reopen(), whole(3)) << "the table created again";

        ASSERT_EQ(c.Exec("drop table n"), 0) << c.Message();
        ASSERT_EQ(c.Exec("create table n(i integer primary key, s varchar(20)) without rowid"), 0)
            << c.Message();
        ASSERT_EQ(c.Exec("insert into n values (1, 'a'), (2, 'b')"), 0) << c.Message();
        c.Lib().Commit(&c.ca);
        EXPECT_EQ(reopen(), counted ? 2 : -1) << "without row identifiers there is no estimate";

        ASSERT_EQ(c.Exec("drop table n"), 0) << c.Message();
        FillNumbers(c, 7);
        EXPECT_EQ(reopen(), whole(7)) << "row identifiers again";
        from.Int(0, "from", 5);
        EXPECT_EQ(reopen(), counted ? 2 : -7) << "the count follows the input; the estimate is the table's";
        // Reading through the reopened query sees the new table.
        Api->Declare(&c.ca, "P", &stmt, kReadOnly | kForwardOnly);
        Api->Open(&c.ca, "P", &stmt, from.get(), kReadOnly | kForwardOnly);
        Block b(Lib(), "i", 25);
        EXPECT_EQ(FetchInts(b, "P", 2, 1, 25), Range(5, 2));
        Api->Close(&c.ca, "P");
    }
}

// ---- What cursors see of later changes --------------------------------------------------------

TEST_P(CursorTest, CursorsSeeTheDatabaseAsOfTheirOpen) {
    Client& c = Main();
    FillNumbers(c, 60);
    Client other(Lib());
    ASSERT_EQ(other.Connect(ConnStr()), 0) << other.Message();
    for (unsigned options :
         {kReadOnly, kReadOnly | kFixedScroll, kReadOnly | kInsensitive, kReadOnly | kForwardOnly}) {
        SCOPED_TRACE(options);
        OpenCursor("S", "select i from n order by i", options);
        Block b(Lib(), "i", 25);
        EXPECT_EQ(FetchInts(b, "S", 2, 1, 25), Range(0, 25));
        // Another connection changes rows behind and ahead of the cursor and commits.
        ASSERT_EQ(other.Exec("update n set i = i + 1000 where i in (3, 40)"), 0) << other.Message();
        ASSERT_EQ(other.Exec("delete from n where i = 45"), 0);
        ASSERT_EQ(other.Exec("insert into n values (30, 'new')"), 0);
        other.Lib().Commit(&other.ca);
        // This connection writes too: its snapshot is older than the other's commit, so the
        // cursors read their rest first and go on showing the rows as of their open.
        ASSERT_EQ(c.Exec("insert into n values (-1, 'mine')"), 0) << c.Message();
        std::vector<int> rest;
        for (Api->FetchArray(&c.ca, "S", 2, 1, b.get(), 25); c.Code() == 0;
             Api->FetchArray(&c.ca, "S", 2, 1, b.get(), 25)) {
            auto part = b.Ints(c.ca.sqlerrd[2]);
            rest.insert(rest.end(), part.begin(), part.end());
        }
        EXPECT_EQ(c.Code(), 100) << c.Message();
        EXPECT_EQ(rest, Range(25, 35));
        if (!(options & kForwardOnly)) {
            EXPECT_EQ(FetchInts(b, "S", 1, 4, 1), std::vector<int>{3});
        }
        Api->Close(&c.ca, "S");
        c.Lib().Rollback(&c.ca);
        ASSERT_EQ(other.Exec("delete from n"), 0);
        ASSERT_EQ(other.Exec("with recursive k(x) as (select 0 union all select x + 1 from k where x < 59) "
                             "insert into n select x, 'row ' || x from k"),
                  0);
        other.Lib().Commit(&other.ca);
    }
}

TEST_P(CursorTest, InsensitiveCursorIgnoresItsOwnConnectionsChanges) {
    Client& c = Main();
    FillNumbers(c, 60);
    // Without ORDER BY the engine reads the table as the cursor goes (a sort would read it all
    // at the first row).
    OpenCursor("I", "select i from n", kReadOnly | kInsensitive);
    OpenCursor("D", "select i from n", kReadOnly);
    Block b(Lib(), "i", 25);
    EXPECT_EQ(FetchInts(b, "I", 2, 1, 1), Range(0, 1));
    EXPECT_EQ(FetchInts(b, "D", 2, 1, 1), Range(0, 1));
    ASSERT_EQ(c.Exec("delete from n where i between 10 and 19"), 0);
    ASSERT_EQ(c.Exec("update n set i = -i where i = 20"), 0);
    EXPECT_EQ(FetchInts(b, "I", 1, 11, 1), std::vector<int>{10});
    EXPECT_EQ(FetchInts(b, "I", 1, -1, 1), std::vector<int>{59});
    // A default cursor reads rows it has not reached yet as they are now on its connection.
    EXPECT_EQ(FetchInts(b, "D", 1, 11, 2), (std::vector<int>{-20, 21}));
    c.Lib().Rollback(&c.ca);
}

TEST_P(CursorTest, CursorsStayOpenAcrossCommitAndRollback) {
    Client& c = Main();
    FillNumbers(c, 60);
    OpenCursor("T", "select i from n order by i", kReadOnly | kForwardOnly);
    Block b(Lib(), "i", 25);
    EXPECT_EQ(FetchInts(b, "T", 2, 1, 25), Range(0, 25));
    ASSERT_EQ(c.Exec("insert into n values (100, 'x')"), 0);
    c.Lib().Commit(&c.ca);
    EXPECT_EQ(FetchInts(b, "T", 2, 1, 25), Range(25, 25));
    ASSERT_EQ(c.Exec("insert into n values (101, 'y')"), 0);
    c.Lib().Rollback(&c.ca);
    EXPECT_EQ(FetchInts(b, "T", 2, 1, 10), Range(50, 10));
}

// ---- Describe ---------------------------------------------------------------------------------

TEST_P(CursorTest, DescribeGivesUndeclaredColumnsTheTypeOfTheirValues) {
    Client& c = Main();
    ASSERT_EQ(c.Exec("create table d(a integer not null, b varchar(12), c long binary)"), 0);
    ASSERT_EQ(c.Exec("insert into d values (1, 'x', x'00ff')"), 0);
    short s = c.Prepare("select a, b, c, a + 1 as n, a * 0.5 as r, b || 'y' as t, x'0102' as bl, "
                        "null as z, 5000000000 as big from d");
    Sqlda before(Lib(), 9);
    Lib().Describe(&c.ca, &s, before.get(), 9);
    EXPECT_EQ(c.ca.sqlerrd[2], 0) << "the expressions are known only after the open";
    Api->Declare(&c.ca, "D", &s, kReadOnly);
    Api->Open(&c.ca, "D", &s, nullptr, kReadOnly);
    ASSERT_EQ(c.Code(), 0) << c.Message();
    Sqlda da(Lib(), 9);
    Api->Describe(&c.ca, "D", da.get());
    ASSERT_EQ(c.Code(), 0) << c.Message();
    ASSERT_EQ(da->sqld, 9);
    const int types[] = {DBLIB_T_INT,     DBLIB_T_VARCHAR, DBLIB_T_LONGBINARY,  DBLIB_T_INT,   DBLIB_T_DOUBLE,
                         DBLIB_T_VARCHAR, DBLIB_T_BINARY,  DBLIB_T_LONGVARCHAR, DBLIB_T_BIGINT};
    const int lens[] = {4, 12, 32767, 4, 8, 32767, 32767, 32767, 8};
    for (int i = 0; i < 9; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(da[i].sqltype & ~1, types[i]);
        EXPECT_EQ(da[i].sqllen, lens[i]);
    }
    EXPECT_EQ(da[0].sqltype & 1, 0) << "a NOT NULL column";
    EXPECT_EQ(std::string(da[3].sqlname.data, static_cast<size_t>(da[3].sqlname.length)), "n");
    // The describe left the first row in place.
    Block b(Lib(), "i", 1);
    EXPECT_EQ(FetchInts(b, "D", 2, 1, 1), std::vector<int>{1});

    // A forward-only cursor described after it moved on gives the types of the first row.
    ASSERT_EQ(c.Exec("insert into d values (2, 'y', null), (3, 'z', null)"), 0);
    short f = c.Prepare("select a + 1 as n, b || '' as t from d order by a");
    Api->Declare(&c.ca, "DF", &f, kReadOnly | kForwardOnly);
    Api->Open(&c.ca, "DF", &f, nullptr, kReadOnly | kForwardOnly);
    Block two(Lib(), "is", 2);
    EXPECT_EQ(FetchInts(two, "DF", 2, 1, 2), (std::vector<int>{2, 3}));
    Api->Describe(&c.ca, "DF", da.get());
    ASSERT_EQ(c.Code(), 0) << c.Message();
    EXPECT_EQ(da->sqld, 2);
    EXPECT_EQ(da[0].sqltype & ~1, DBLIB_T_INT);
    EXPECT_EQ(da[1].sqltype & ~1, DBLIB_T_VARCHAR);
}

// ---- Misuse -----------------------------------------------------------------------------------

TEST_P(CursorTest, MisusedCursorsGetClearErrors) {
    Client& c = Main();
    FillNumbers(c, 5);
    Block b(Lib(), "i", 1);
    Api->FetchArray(&c.ca, "NOPE", 2, 1, b.get(), 1);
    EXPECT_EQ(c.Code(), DBLIB_E_CURSOR_NOT_DECLARED);
    EXPECT_NE(c.Message().find("NOPE"), std::string::npos) << c.Message();
    short s = c.Prepare("select i from n");
    Api->Open(&c.ca, "NOPE", &s, nullptr, kReadOnly);
    EXPECT_EQ(c.Code(), DBLIB_E_CURSOR_NOT_DECLARED);
    short none = 999;
    Api->Declare(&c.ca, "X", &none, kReadOnly);
    EXPECT_EQ(c.Code(), DBLIB_E_BAD_STATEMENT);
    Api->Declare(&c.ca, "C", &s, kReadOnly);
    Api->FetchArray(&c.ca, "C", 2, 1, b.get(), 1);
    EXPECT_EQ(c.Code(), DBLIB_E_CURSOR_NOT_OPEN);
    Api->Open(&c.ca, "C", &s, nullptr, kReadOnly);
    ASSERT_EQ(c.Code(), 0) << c.Message();
    Api->Open(&c.ca, "c", &s, nullptr, kReadOnly);
    EXPECT_EQ(c.Code(), DBLIB_E_CURSOR_ALREADY_OPEN) << "names compare without regard to case";
    Api->Declare(&c.ca, "C", &s, kReadOnly);
    EXPECT_EQ(c.Code(), DBLIB_E_CURSOR_ALREADY_OPEN);
    Api->Declare(&c.ca, "C2", &s, kReadOnly);
    Api->Open(&c.ca, "C2", &s, nullptr, kReadOnly);
    EXPECT_EQ(c.Code(), DBLIB_E_CURSOR_ALREADY_OPEN) << "one statement runs one open cursor";
    Lib().ExecuteInto(&c.ca, &s, nullptr, nullptr);
    EXPECT_EQ(c.Code(), DBLIB_E_CURSOR_ALREADY_OPEN) << "nor is it executed meanwhile";
    Api->FetchArray(&c.ca, "C", 3, 1, b.get(), 1);
    EXPECT_EQ(c.Code(), DBLIB_E_BAD_ARGUMENT);
    Api->FetchArray(&c.ca, "C", 2, 1, nullptr, 1);
    EXPECT_EQ(c.Code(), DBLIB_E_BAD_SQLDA);
    Api->FetchArray(&c.ca, nullptr, 2, 1, b.get(), 1);
    EXPECT_EQ(c.Code(), DBLIB_E_BAD_ARGUMENT);
    EXPECT_EQ(FetchInts(b, "C", 2, 1, 1).size(), 1u) << "the errors changed nothing";

    // Dropping the statement closes its cursor; the name stays declared.
    Lib().DropStmt(&c.ca, &s);
    Api->FetchArray(&c.ca, "C", 2, 1, b.get(), 1);
    EXPECT_EQ(c.Code(), DBLIB_E_CURSOR_NOT_OPEN);
    Api->Close(&c.ca, "C");
    EXPECT_EQ(c.Code(), DBLIB_E_CURSOR_NOT_OPEN);
    // A cursor over a statement that returns no rows is refused before anything runs.
    short ins = c.Prepare("insert into n values (1, 'z')");
    Api->Declare(&c.ca, "INS", &ins, kReadOnly);
    Api->Open(&c.ca, "INS", &ins, nullptr, kReadOnly);
    EXPECT_EQ(c.Code(), DBLIB_E_NOT_A_QUERY);
    EXPECT_EQ(c.Count("n"), 5);
    // Inputs: too few values is refused; the values are copied at the open.
    short q = c.Prepare("select i from n where i >= ? order by i");
    Api->Declare(&c.ca, "Q", &q, kReadOnly);
    Api->Open(&c.ca, "Q", &q, nullptr, kReadOnly);
    EXPECT_EQ(c.Code(), DBLIB_E_TOO_FEW_VALUES);
    {
        Sqlda in(Lib(), 1);
        std::vector<char> text(8, '\0');
        text[0] = '3';
        in[0].sqltype = DBLIB_T_STRING;
        in[0].sqllen = 8;
        in[0].sqldata = text.data();
        in->sqld = 1;
        Api->Open(&c.ca, "Q", &q, in.get(), kReadOnly);
        ASSERT_EQ(c.Code(), 0) << c.Message();
        text[0] = '0'; // the open copied the value: this changes nothing
    }
    EXPECT_EQ(FetchInts(b, "Q", 1, 2, 1), std::vector<int>{4});
    // A failing query fails at the open.
    short bad = c.Prepare("select abs(-9223372036854775807 - 1) from n");
    Api->Declare(&c.ca, "BAD", &bad, kReadOnly);
    Api->Open(&c.ca, "BAD", &bad, nullptr, kReadOnly);
    EXPECT_LT(c.Code(), 0);
    Api->FetchArray(&c.ca, "BAD", 2, 1, b.get(), 1);
    EXPECT_EQ(c.Code(), DBLIB_E_CURSOR_NOT_OPEN);
}

TEST_P(CursorTest, NamesThatExtendEachOtherNameTheirOwnCursors) {
    // The cursor named last is recognised without a lookup; a name that extends it, or that it
    // extends, names another cursor.
    Client& c = Main();
    FillNumbers(c, 30);
    OpenCursor("P", "select i from n where i < 10 order by i", kReadOnly);
    OpenCursor("PQ", "select i from n where i >= 20 order by i", kReadOnly);
    Block b(Lib(), "i", 1);
    EXPECT_EQ(FetchInts(b, "P", 1, 1, 1), std::vector<int>{0});
    EXPECT_EQ(FetchInts(b, "PQ", 1, 1, 1), std::vector<int>{20}) << "a name extending the last one";
    EXPECT_EQ(FetchInts(b, "P", 2, 1, 1), std::vector<int>{1}) << "a name the last one extends";
    EXPECT_EQ(FetchInts(b, "pq", 2, 1, 1), std::vector<int>{21}) << "another case of a known name";
    EXPECT_EQ(FetchInts(b, "Pq", 2, 1, 1), std::vector<int>{22});
    Api->FetchArray(&c.ca, "PQR", 2, 1, b.get(), 1);
    EXPECT_EQ(c.Code(), DBLIB_E_CURSOR_NOT_DECLARED);
    Api->FetchArray(&c.ca, "", 2, 1, b.get(), 1);
    EXPECT_EQ(c.Code(), DBLIB_E_BAD_ARGUMENT);
    Api->Close(&c.ca, "P");
    EXPECT_EQ(c.Code(), 0) << c.Message();
    EXPECT_EQ(FetchInts(b, "PQ", 2, 1, 1), std::vector<int>{23}) << "closing P left PQ open";
}

TEST_P(CursorTest, CursorCallsAreRecordedWithTheirArguments) {
    Client& c = Main();
    FillNumbers(c, 3);
    auto probe = Lib().Instrument();
    short s = c.Prepare("select i from n");
    Block b(Lib(), "i", 2);
    probe.Clear();
    probe.Record(true);
    Api->Declare(&c.ca, "TNX-1", &s, kReadOnly);
    Api->Open(&c.ca, "TNX-1", &s, nullptr, kReadOnly);
    Api->FetchArray(&c.ca, "TNX-1", 1, 1, b.get(), 2);
    Api->Fetch(&c.ca, "TNX-1", 2, -1);
    Api->Close(&c.ca, "TNX-1");
    probe.Record(false);
    auto lines = probe.Lines();
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0], "dbpp_declare(\"TNX-1\", \"TNX\", " + std::to_string(s) + ", 2)");
    EXPECT_EQ(lines[2], "dbpp_fetch_array(\"TNX-1\", 1, 1, sqlda(2), 2)");
    EXPECT_EQ(lines[3], "dbpp_fetch(\"TNX-1\", 2, -1)");
    EXPECT_EQ(lines[4], "dbpp_close(\"TNX-1\")");
    // An injected failure replaces the call.
    probe.Inject("dbpp_fetch_array", 1, -308);
    Api->Open(&c.ca, "TNX-1", &s, nullptr, kReadOnly);
    Api->FetchArray(&c.ca, "TNX-1", 1, 1, b.get(), 2);
    EXPECT_EQ(c.Code(), -308);
    probe.ClearInjections();
}

INSTANTIATE_TEST_SUITE_P(Generations, CursorTest, ::testing::ValuesIn(BothGenerations()), GenerationName);

} // namespace
