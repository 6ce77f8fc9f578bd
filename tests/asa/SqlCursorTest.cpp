// Cursors: open options and names, block fetches with the position fields, the moves (First, Last,
// Next, Prev, MoveTo) landing on the right rows across short blocks, update cursors fetching one
// row per call, further result sets, the plan text, and closing.
#include "SqlTestSupport.h"

#include "base/TnxConsts.h"

#include <algorithm>

using namespace tnx;
using namespace asatest;

namespace {

class SqlCursor : public SqlTest {
protected:
    // The row number the statement's current row holds (column n is 0 .. rows-1), -1 for none.
    static long RowOf(TTestableSQL& sql) {
        if (sql.IsFieldNull(int32_t(0))) return -1;
        return TCorvexSQL::SetVarToInt(sql.GetFieldValue(int32_t(0)));
    }
    std::string Cursor(TTestableSQL& sql) { return "\"TNX-" + std::to_string(sql.GetOpenStatement()) + "\""; }
};

} // namespace

TEST_P(SqlCursor, SixtyRowsAreFetchedInBlocksOf25AndNextPastTheEndSetsEOF) {
    MakeRows(60);
    auto sql = NewSQL();
    sql->SetUniDirectional(false);
    ASSERT_TRUE(sql->PrepareOpen("select n, s from t order by n"));
    const std::string cursor = Cursor(*sql);
    const std::string stmt = std::to_string(sql->GetOpenStatement());
    Record();
    ASSERT_TRUE(sql->OpenReadPrepared());
    EXPECT_EQ(Recorded({"dbpp_declare", "dbpp_open", "dbpp_fetch"}),
              (std::vector<std::string>{
                  "dbpp_declare(" + cursor + ", \"TNX\", " + stmt + ", 2)",
                  "dbpp_open(" + cursor + ", \"TNX\", " + stmt + ", sqlda(0), 2)",
                  "dbpp_fetch_array(" + cursor + ", 1, 1, sqlda(50), 25)",
              }));
    EXPECT_EQ(sql->GetCursorName(), "TNX-" + stmt);
    EXPECT_EQ(sql->GetRecordCount(), 60);
    EXPECT_EQ(sql->GetBufferedRows(), 25);
    EXPECT_EQ(sql->GetFetchRows(), 25);
    EXPECT_FALSE(sql->GetBOF());
    EXPECT_FALSE(sql->GetEOF());

    // Rows 1 .. 59: the library is asked for a block only on reaching rows 25 and 50.
    Record();
    for (int row = 1; row < 60; ++row) {
        ASSERT_TRUE(sql->Next()) << row;
        ASSERT_EQ(sql->GetCurrentRow(), row);
        ASSERT_EQ(RowOf(*sql), row);
        ASSERT_EQ(sql->GetBufferRow(), row % 25);
        ASSERT_EQ(vcl::VarToStr(sql->GetFieldValue("s")), "row " + std::to_string(row));
    }
    EXPECT_EQ(Recorded(), (std::vector<std::string>{
                              "dbpp_fetch_array(" + cursor + ", 2, 1, sqlda(50), 25)",
                              "dbpp_fetch_array(" + cursor + ", 2, 1, sqlda(50), 25)",
                          }));
    EXPECT_EQ(sql->GetBufferedRows(), 10) << "the third block delivers 10 rows";
    EXPECT_FALSE(sql->GetEOF());

    EXPECT_FALSE(sql->Next());
    EXPECT_TRUE(sql->GetEOF());
    EXPECT_EQ(sql->GetCurrentRow(), 60);
    EXPECT_EQ(sql->GetBufferedRows(), 0);
    EXPECT_TRUE(sql->IsFieldNull(int32_t(0))) << "a move that found no row shows NULLs";

    Record();
    sql->Close();
    EXPECT_EQ(Recorded(), std::vector<std::string>{"dbpp_close(" + cursor + ")"});
    EXPECT_FALSE(sql->GetActive());
    EXPECT_TRUE(sql->GetPrepared()) << "closing does not unprepare";
    // The next open reuses the statement: no prepare, no describe.
    Record();
    ASSERT_TRUE(sql->OpenReadPrepared());
    EXPECT_TRUE(Recorded({"dbpp_prepare", "dbpp_describe(\"TNX\", " + stmt + ", 1)"}).empty());
    EXPECT_EQ(RowOf(*sql), 0);
}

TEST_P(SqlCursor, ShortResultsShrinkTheBlockAndEmptyResultsOpenWithoutARow) {
    MakeRows(3);
    auto sql = NewSQL();
    sql->SetUniDirectional(false);
    ASSERT_TRUE(sql->OpenRead("select n from t order by n"));
    EXPECT_EQ(sql->GetFetchRows(), 3);
    EXPECT_EQ(sql->GetAllocRows(), 25);

    // No row: the open returns false although the cursor is open, BOF and EOF set.
    ASSERT_FALSE(sql->OpenRead("select n from t where n > 100"));
    EXPECT_TRUE(sql->GetActive());
    EXPECT_EQ(sql->GetLastErrorCode(), DBLIB_W_NOT_FOUND);
    EXPECT_TRUE(sql->GetBOF());
    EXPECT_TRUE(sql->GetEOF());
    EXPECT_EQ(sql->GetCurrentRow(), -1);
    EXPECT_EQ(sql->GetFetchRows(), 1);
    sql->Close();
    // A forward-only cursor counts the attempt: CurrentRow 0.
    sql->SetUniDirectional(true);
    ASSERT_FALSE(sql->OpenRead("select n from t where n > 100"));
    EXPECT_EQ(sql->GetCurrentRow(), 0);
    EXPECT_TRUE(sql->GetEOF());
}

TEST_P(SqlCursor, LastMoveToAndTheEndsRefillTheBlock) {
    MakeRows(60);
    auto sql = NewSQL();
    sql->SetUniDirectional(false);
    ASSERT_TRUE(sql->OpenRead("select n from t order by n"));
    const std::string cursor = Cursor(*sql);

    Record();
    ASSERT_TRUE(sql->Last());
    EXPECT_EQ(Recorded(),
              std::vector<std::string>{"dbpp_fetch_array(" + cursor + ", 1, -25, sqlda(25), 25)"});
    EXPECT_EQ(sql->GetCurrentRow(), 59);
    EXPECT_EQ(sql->GetCurrentRow(), sql->GetRecordCount() - 1);
    EXPECT_EQ(sql->GetBufferRow(), 24);
    EXPECT_EQ(RowOf(*sql), 59);
    // The block holds rows 35 .. 59.
    for (int expect = 58; expect >= 35; --expect) {
        ASSERT_TRUE(sql->Prev());
        ASSERT_EQ(RowOf(*sql), expect);
    }
    EXPECT_EQ(sql->GetBufferRow(), 0);

    // A block from row 40 holds only 20 rows: from then on blocks are of 20.
    ASSERT_TRUE(sql->MoveTo(40));
    EXPECT_EQ(RowOf(*sql), 40);
    EXPECT_EQ(sql->GetBufferedRows(), 20);
    EXPECT_EQ(sql->GetFetchRows(), 20);
    Record();
    ASSERT_TRUE(sql->MoveTo(0));
    const auto calls = Recorded();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].rfind("dbpp_fetch(" + cursor + ", 2, -", 0), 0u) << calls[0];
    EXPECT_EQ(calls[1], "dbpp_fetch_array(" + cursor + ", 2, 0, sqlda(25), 20)");
    EXPECT_EQ(sql->GetCurrentRow(), 0);
    EXPECT_EQ(sql->GetBufferedRows(), 20);
    for (int row = 0; row < 25; ++row) {
        ASSERT_EQ(RowOf(*sql), row);
        sql->Next();
    }

    // Past the end: the result of Last.
    Record();
    EXPECT_TRUE(sql->MoveTo(1000));
    EXPECT_EQ(Recorded({"dbpp_fetch_array"}),
              std::vector<std::string>{"dbpp_fetch_array(" + cursor + ", 1, -20, sqlda(25), 20)"});
    EXPECT_EQ(RowOf(*sql), 59);
    EXPECT_EQ(sql->GetCurrentRow(), 59);
    // Before the beginning: the result of First.
    EXPECT_TRUE(sql->MoveTo(-5));
    EXPECT_EQ(RowOf(*sql), 0);
    EXPECT_EQ(sql->GetCurrentRow(), 0);
    ASSERT_TRUE(sql->First());
    EXPECT_EQ(RowOf(*sql), 0);
    EXPECT_FALSE(sql->Prev());
    EXPECT_TRUE(sql->GetBOF());
    EXPECT_EQ(sql->GetCurrentRow(), -1);
}

TEST_P(SqlCursor, AMoveAForwardOnlyCursorRefusesLeavesTheFetchedRowsAsTheyWere) {
    MakeRows(60);
    auto sql = NewSQL();
    sql->SetUniDirectional(true);
    ASSERT_TRUE(sql->OpenRead("select n, s from t order by n"));
    for (int i = 0; i < 5; ++i)
        ASSERT_TRUE(sql->Next());
    ASSERT_EQ(RowOf(*sql), 5);
    EXPECT_FALSE(sql->MoveTo(2)) << "a forward-only cursor does not go back";
    EXPECT_EQ(sql->GetLastErrorCode(), DBLIB_E_CURSOR_FORWARD_ONLY);
    // The block fetched before the refusal still holds its rows.
    EXPECT_EQ(RowOf(*sql), 5);
    for (int expect = 6; expect < 60; ++expect) {
        ASSERT_TRUE(sql->Next()) << expect;
        ASSERT_EQ(RowOf(*sql), expect);
        ASSERT_EQ(vcl::VarToStr(sql->GetFieldValue(int32_t(1))), "row " + std::to_string(expect));
    }
    EXPECT_FALSE(sql->Next());
}

TEST_P(SqlCursor, WalkingBackAndForthAcrossAShortLastBlockLandsOnTheRightRows) {
    MakeRows(60);
    auto sql = NewSQL();
    sql->SetUniDirectional(false);
    ASSERT_TRUE(sql->OpenRead("select n from t order by n"));
    while (sql->GetCurrentRow() < 59)
        ASSERT_TRUE(sql->Next());
    ASSERT_EQ(sql->GetBufferedRows(), 10);
    ASSERT_EQ(sql->GetFetchRows(), 25);

    // Back from the short block's first row into the block before it, and on to row 20.
    for (int expect = 58; expect >= 20; --expect) {
        ASSERT_TRUE(sql->Prev()) << expect;
        ASSERT_EQ(sql->GetCurrentRow(), expect);
        ASSERT_EQ(RowOf(*sql), expect);
    }
    // Forward again to the end and past it, then back from after the end.
    for (int expect = 21; expect <= 59; ++expect) {
        ASSERT_TRUE(sql->Next()) << expect;
        ASSERT_EQ(RowOf(*sql), expect);
    }
    ASSERT_FALSE(sql->Next());
    EXPECT_EQ(sql->GetCurrentRow(), 60);
    // Further steps past the end stay after the last row.
    ASSERT_FALSE(sql->Next());
    EXPECT_EQ(sql->GetCurrentRow(), 60);
    ASSERT_TRUE(sql->Prev());
    EXPECT_EQ(sql->GetCurrentRow(), 59);
    EXPECT_EQ(RowOf(*sql), 59);
    EXPECT_FALSE(sql->GetEOF());

    // MoveTo from a short block, from after the end, and Prev right after each.
    const int targets[] = {52, 55, 3, 57, 30, 59, 49, 50, 0, 58};
    for (int target : targets) {
        ASSERT_TRUE(sql->MoveTo(target)) << target;
        ASSERT_EQ(RowOf(*sql), target) << "MoveTo " << target;
        ASSERT_EQ(sql->GetCurrentRow(), target);
        if (target > 0) {
            ASSERT_TRUE(sql->Prev());
            ASSERT_EQ(RowOf(*sql), target - 1) << "Prev after MoveTo " << target;
            ASSERT_TRUE(sql->Next());
            ASSERT_EQ(RowOf(*sql), target) << "Next after Prev after MoveTo " << target;
        }
    }
    while (sql->Next()) {
    }
    ASSERT_TRUE(sql->GetEOF());
    sql->Next();
    ASSERT_TRUE(sql->MoveTo(45));
    EXPECT_EQ(RowOf(*sql), 45);
    ASSERT_TRUE(sql->MoveTo(58));
    ASSERT_TRUE(sql->Next());
    ASSERT_FALSE(sql->Next());
    ASSERT_TRUE(sql->MoveTo(59));
    EXPECT_EQ(RowOf(*sql), 59);
}

TEST_P(SqlCursor, MoveToAfterLastLandsOnTheRightRowWhenTheCountIsAnEstimate) {
    MakeRows(60);
    auto sql = NewSQL();
    sql->SetUniDirectional(false);
    // 50 rows; without exact row counts the library estimates the count from the table (more than
    // the filter lets through).
    S().SetWantRowCounts(false);
    ASSERT_TRUE(sql->OpenRead("select n from t where n >= 10 order by n"));
    ASSERT_GT(sql->GetRecordCount(), 50) << "the stand-in reports an estimate here";
    ASSERT_TRUE(sql->Last());
    EXPECT_EQ(RowOf(*sql), 59);
    ASSERT_TRUE(sql->Prev());
    EXPECT_EQ(RowOf(*sql), 58);
    for (int target : {40, 0, 49, 25}) {
        ASSERT_TRUE(sql->MoveTo(target)) << target;
        EXPECT_EQ(RowOf(*sql), target + 10) << "MoveTo " << target;
        EXPECT_EQ(sql->GetCurrentRow(), target);
        ASSERT_TRUE(sql->Last());
    }
    EXPECT_TRUE(sql->MoveTo(-3));
    EXPECT_EQ(RowOf(*sql), 10);
    ASSERT_TRUE(sql->Last());
    EXPECT_TRUE(sql->MoveTo(500));
    EXPECT_EQ(RowOf(*sql), 59);
}

TEST_P(SqlCursor, OptionWordsFollowTheCursorTypeAndOpenForUpdateFetchesOneRowAtATime) {
    MakeRows(30);
    auto sql = NewSQL();
    struct Case {
        bool Uni;
        TAsaCursorType Type;
        bool ReadOnly;
        int Options;
    } cases[] = {
        {true, actInsensitive, true, 2 + 4},
        {true, actDefault, false, 0x1000 + 4},
        {false, actDefault, true, 2},
        {false, actFixedScroll, true, 2 + 0x80},
        {false, actInsensitive, true, 2 + 0x400},
        {false, actFixedScroll, false, 0x1000 + 0x80},
    };
    for (const Case& c : cases) {
        sql->SetUniDirectional(c.Uni);
        sql->SetCursorType(c.Type);
        Record();
        ASSERT_TRUE(c.ReadOnly ? sql->OpenRead("select n, s from t") : sql->OpenWrite("select n, s from t"));
        const auto declared = Recorded({"dbpp_declare", "dbpp_open"});
        ASSERT_EQ(declared.size(), 2u);
        const std::string suffix = ", " + std::to_string(c.Options) + ")";
        EXPECT_TRUE(declared[0].ends_with(suffix)) << declared[0];
        EXPECT_TRUE(declared[1].ends_with(suffix)) << declared[1];
        EXPECT_EQ(sql->GetFetchRows(), c.ReadOnly ? 25 : 1);
        sql->Close();
    }

    // An update cursor asks for one row per call.
    sql->SetUniDirectional(false);
    ASSERT_TRUE(sql->OpenWrite("select n, s from t order by n"));
    Record();
    for (int row = 1; row <= 3; ++row) {
        ASSERT_TRUE(sql->Next());
        EXPECT_EQ(RowOf(*sql), row);
    }
    const auto fetches = Recorded({"dbpp_fetch_array"});
    ASSERT_EQ(fetches.size(), 3u);
    EXPECT_TRUE(fetches[0].ends_with(", 1)")) << fetches[0];
    ASSERT_TRUE(sql->Prev());
    EXPECT_EQ(RowOf(*sql), 2);
    ASSERT_TRUE(sql->MoveTo(20));
    EXPECT_EQ(RowOf(*sql), 20);
}

TEST_P(SqlCursor, OptionsAreTakenBeforeBeforeOpenAndTheNameFollowsTheStatementNumber) {
    MakeRows(5);
    // Eleven statements first: the query gets statement number 12.
    std::vector<vcl::TOwned<TTestableSQL>> others;
    for (int i = 0; i < 11; ++i) {
        others.push_back(NewSQL());
        ASSERT_TRUE(others.back()->PrepareExecute("update t set s = s where n = " + std::to_string(i)));
    }
    auto sql = NewSQL();
    sql->SetUniDirectional(true);
    int fired = 0;
    sql->SetBeforeOpen([&](vcl::TObject*) {
        ++fired;
        sql->SetUniDirectional(false);
    });
    int after = 0;
    sql->SetAfterOpen([&](vcl::TObject*) { ++after; });
    Record();
    ASSERT_TRUE(sql->OpenRead("select n from t"));
    EXPECT_EQ(sql->GetOpenStatement(), 12);
    EXPECT_STREQ(sql->GetCursorName(), "TNX-12");
    EXPECT_EQ(Recorded({"dbpp_declare"}),
              std::vector<std::string>{"dbpp_declare(\"TNX-12\", \"TNX\", 12, 6)"});
    EXPECT_EQ(fired, 1);
    EXPECT_EQ(after, 1);
    sql->SetBeforeOpen(nullptr);
    Record();
    ASSERT_TRUE(sql->OpenRead("select n from t"));
    EXPECT_EQ(Recorded({"dbpp_declare"}),
              std::vector<std::string>{"dbpp_declare(\"TNX-12\", \"TNX\", 12, 2)"});
}

TEST_P(SqlCursor, ResumeWalksThroughResultSetsAndStopsAt105) {
    auto sql = NewSQL();
    ASSERT_TRUE(
        sql->OpenRead("select 1 as a; select 'x' as b, 2.5 as c union all select 'y', 3.5; select 7 as d"));
    EXPECT_EQ(sql->GetFieldCount(), 1);
    EXPECT_EQ(TCorvexSQL::SetVarToInt(sql->GetFieldValue(int32_t(0))), 1);
    ASSERT_TRUE(sql->Resume());
    // Text of no declared type is described as a long string (a memo): read at the library's
    // row, so that result set is fetched one row at a time.
    EXPECT_EQ(sql->GetFieldType("b"), ntMemo);
    EXPECT_EQ(sql->GetFetchRows(), 1);
    EXPECT_EQ(sql->GetFieldCount(), 2);
    EXPECT_EQ(sql->GetFieldName(0), "b");
    EXPECT_EQ(sql->GetCurrentRow(), 0);
    EXPECT_EQ(vcl::VarToStr(sql->GetFieldValue("b")), "x");
    ASSERT_TRUE(sql->Next());
    EXPECT_EQ(vcl::VarToStr(sql->GetFieldValue("b")), "y");
    EXPECT_DOUBLE_EQ(TCorvexSQL::SetVarToFloat(sql->GetFieldValue("c")), 3.5);
    ASSERT_TRUE(sql->Resume());
    EXPECT_EQ(sql->GetFieldName(0), "d");
    EXPECT_EQ(TCorvexSQL::SetVarToInt(sql->GetFieldValue(int32_t(0))), 7);
    // At the end: false, code 105, the position and the row as they were.
    EXPECT_FALSE(sql->Resume());
    EXPECT_EQ(sql->GetLastErrorCode(), DBLIB_W_NO_MORE_RESULTS);
    EXPECT_EQ(sql->GetCurrentRow(), 0);
    EXPECT_EQ(TCorvexSQL::SetVarToInt(sql->GetFieldValue(int32_t(0))), 7);
    EXPECT_TRUE(sql->GetActive());
}

TEST_P(SqlCursor, ExplainGivesThePlanAndClosedCursorsRefuseToMove) {
    MakeRows(5);
    Run("create index t_s on t (s)");
    auto sql = NewSQL();
    EXPECT_THROW(sql->Next(), EAsaException);
    ASSERT_TRUE(sql->OpenRead("select n from t where s = 'row 3'"));
    const vcl::AnsiString plan = sql->Explain();
    EXPECT_NE(plan.find("t_s"), std::string::npos) << plan;
    sql->Close();
    for (auto move : {&TAsaSQL::First, &TAsaSQL::Last, &TAsaSQL::Next, &TAsaSQL::Prev, &TAsaSQL::Resume}) {
        try {
            ((*sql).*move)();
            ADD_FAILURE() << "a closed cursor moved";
        } catch (const EAsaException& e) {
            EXPECT_EQ(std::string(e.Message()), "The cursor is not opened.");
        }
    }
    EXPECT_THROW(sql->MoveTo(1), EAsaException);
    EXPECT_THROW(sql->Explain(), EAsaException);
}

TEST_P(SqlCursor, AFailingFetchIsReportedAndAFailedOpenLeavesNoCursorOpen) {
    MakeRows(60);
    auto sql = NewSQL();
    sql->SetUniDirectional(false);
    ASSERT_TRUE(sql->OpenRead("select n from t order by n"));
    for (int i = 0; i < 24; ++i)
        ASSERT_TRUE(sql->Next());
    Instrument().Inject("dbpp_fetch_array", 1, DBLIB_E_DISK_FULL);
    EXPECT_FALSE(sql->Next());
    EXPECT_EQ(sql->GetLastErrorCode(), DBLIB_E_DISK_FULL);
    Instrument().ClearInjections();
    sql->SetWantExceptions(true);
    Instrument().Inject("dbpp_fetch_array", 1, DBLIB_E_DISK_FULL);
    EXPECT_THROW(sql->First(), EAsaException);
    Instrument().ClearInjections();
    sql->SetWantExceptions(false);
    sql->Close();

    // A failing open reports the library's message; the statement can be opened again.
    Instrument().Inject("dbpp_open", 1, DBLIB_E_DISK_FULL);
    EXPECT_FALSE(sql->OpenRead("select n from t order by n"));
    EXPECT_FALSE(sql->GetActive());
    EXPECT_EQ(sql->GetLastErrorCode(), DBLIB_E_DISK_FULL);
    Instrument().ClearInjections();
    ASSERT_TRUE(sql->OpenRead("select n from t order by n"));
    EXPECT_EQ(RowOf(*sql), 0);
}

TEST_P(SqlCursor, ReOpeningAPreparedQueryWithSameShapedValuesNeitherDescribesNorBinds) {
    MakeRows(40);
    // With a parameter: the first open binds, every later one only opens, fetches and closes.
    auto lookup = NewSQL();
    ASSERT_TRUE(lookup->PrepareOpen("select n, s from t where n = ?"));
    ASSERT_TRUE(lookup->OpenReadPrepared({int32_t(3)}));
    Record();
    for (int32_t key : {5, 17, 39}) {
        ASSERT_TRUE(lookup->OpenReadPrepared({key}));
        EXPECT_EQ(RowOf(*lookup), key);
        EXPECT_EQ(lookup->GetFieldValue(int32_t(1)), vcl::Variant("row " + std::to_string(key)));
    }
    EXPECT_EQ(Recorded({"dbpp_describe", "alloc_sqlda", "dbpp_prepare"}), std::vector<std::string>{});
    // Another shape (text where an integer was) binds again, once.
    Record();
    ASSERT_TRUE(lookup->OpenReadPrepared({"7"}));
    ASSERT_TRUE(lookup->OpenReadPrepared({"8"}));
    EXPECT_EQ(RowOf(*lookup), 8);
    EXPECT_EQ(Recorded({"dbpp_describe"}).size(), 2u) << "inputs counted, then described";

    // Without parameters: OpenRead with the same text and OpenReadPrepared both re-open only.
    auto all = NewSQL();
    ASSERT_TRUE(all->OpenRead("select n, s from t order by n"));
    Record();
    ASSERT_TRUE(all->OpenRead("select n, s from t order by n"));
    EXPECT_EQ(RowOf(*all), 0);
    ASSERT_TRUE(all->OpenReadPrepared());
    ASSERT_TRUE(all->Next());
    EXPECT_EQ(RowOf(*all), 1);
    EXPECT_EQ(Recorded({"dbpp_describe", "alloc_sqlda", "dbpp_prepare"}), std::vector<std::string>{});
    // A value given after all binds it (as NULL: the query has no marker for it) and still reads.
    ASSERT_TRUE(all->OpenRead("select n, s from t order by n", {int32_t(1)}));
    EXPECT_EQ(RowOf(*all), 0);
}

INSTANTIATE_TEST_SUITE_P(Generations, SqlCursor, ::testing::ValuesIn(CurrentGenerations()), GenerationName);

// A statement moved to another session, prepared and with the same text, works on that session's
// connection from then on: it gives up what it prepared on the old one (whose statement numbers
// mean nothing, or another statement, on the new connection), also when it was unlinked between.
TEST_P(SqlCursor, AStatementMovedToAnotherSessionUsesThatSessionsConnection) {
    auto other = Another();
    other->SetConnected(true);
    ASSERT_TRUE(other->GetConnected());
    // A temporary table is the connection's own: each session sees its own row.
    Run("create temporary table side(n integer)");
    Run("insert into side values (1)");
    Run("commit"); // the other connection's statements wait for this one's transaction
    ASSERT_EQ(Exec(*other, "create temporary table side(n integer)"), 0);
    ASSERT_EQ(Exec(*other, "insert into side values (2)"), 0);
    ASSERT_EQ(Exec(*other, "commit"), 0);

    auto sql = NewSQL();
    ASSERT_TRUE(sql->OpenRead("select n from side"));
    EXPECT_EQ(TCorvexSQL::SetVarToInt(sql->GetFieldValue(int32_t(0))), 1);
    sql->Close();
    ASSERT_TRUE(sql->GetPrepared());
    sql->SetSession(other.get());
    EXPECT_FALSE(sql->GetPrepared());
    ASSERT_TRUE(sql->OpenRead("select n from side")) << other->GetLastError().c_str();
    EXPECT_EQ(TCorvexSQL::SetVarToInt(sql->GetFieldValue(int32_t(0))), 2);
    sql->Close();
    sql->SetSession(&S());
    ASSERT_TRUE(sql->OpenRead("select n from side"));
    EXPECT_EQ(TCorvexSQL::SetVarToInt(sql->GetFieldValue(int32_t(0))), 1);
    // Unlinked first and then linked to the other session: the same.
    sql->Close();
    ASSERT_TRUE(sql->PrepareExecute("insert into side values (3)"));
    sql->SetSession(nullptr);
    EXPECT_FALSE(sql->GetPrepared());
    EXPECT_FALSE(sql->GetExecPrepared());
    sql->SetSession(other.get());
    ASSERT_TRUE(sql->OpenRead("select n from side")) << other->GetLastError().c_str();
    EXPECT_EQ(TCorvexSQL::SetVarToInt(sql->GetFieldValue(int32_t(0))), 2);
}
