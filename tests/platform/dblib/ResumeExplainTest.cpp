// dbpp_resume (a cursor's next result set; 105 at the end, the cursor staying as it was) and
// dbpp_explain (the query plan, cut to the variable).
#include "CursorFixture.h"
#include "ServicesFixture.h"

using namespace dbtest;

namespace {

class ResumeExplainTest : public DbTest {
protected:
    void SetUp() override {
        DbTest::SetUp();
        Api = std::make_unique<CursorApi>(Lib());
        FResume = Lib().Symbol("dbpp_resume");
        FExplain = Lib().Symbol("dbpp_explain");
        ASSERT_NE(FResume, nullptr);
        ASSERT_NE(FExplain, nullptr);
    }
    void Resume(const char* cursor) {
        Client& c = Main();
        if (Lib().Generation() == 7)
            reinterpret_cast<dbpp_resume_fn>(FResume)(&c.ca, const_cast<char*>(cursor));
        else
            reinterpret_cast<dbpp_resume_legacy_fn>(FResume)(&c.ca, Lib().Descriptor,
                                                             const_cast<char*>(cursor));
    }
    void Explain(const char* cursor, sqlda* da) {
        Client& c = Main();
        if (Lib().Generation() == 7)
            reinterpret_cast<dbpp_explain_fn>(FExplain)(&c.ca, const_cast<char*>(cursor), nullptr, da);
        else
            reinterpret_cast<dbpp_explain_legacy_fn>(FExplain)(&c.ca, Lib().Descriptor,
                                                               const_cast<char*>(cursor), nullptr, da);
    }
    void Open(const char* name, const std::string& sql) {
        Client& c = Main();
        short stmt = c.Prepare(sql);
        ASSERT_NE(stmt, 0) << c.Message();
        Api->Declare(&c.ca, name, &stmt, 0);
        Api->Open(&c.ca, name, &stmt, nullptr, 0);
        ASSERT_EQ(c.Code(), 0) << c.Message();
    }
    // The column names the open cursor describes now.
    std::vector<std::string> Columns(const char* cursor) {
        Sqlda da(Lib(), 4);
        Api->Describe(&Main().ca, cursor, da.get(), 1);
        EXPECT_EQ(Main().Code(), 0) << Main().Message();
        std::vector<std::string> names;
        for (int i = 0; i < da->sqld && i < 4; ++i)
            names.emplace_back(da[i].sqlname.data, static_cast<size_t>(da[i].sqlname.length));
        return names;
    }
    // All rows of column 0 from the start of the current result set, as text.
    std::vector<std::string> Rows(const char* cursor) {
        Block b(Lib(), "s", 10);
        Api->FetchArray(&Main().ca, cursor, 1, 1, b.get(), 10);
        std::vector<std::string> out;
        if (Main().Code() == 100) return out;
        EXPECT_EQ(Main().Code(), 0) << Main().Message();
        for (int r = 0; r < Main().ca.sqlerrd[2]; ++r)
            out.push_back(b.Text(r, 0));
        return out;
    }

    std::unique_ptr<CursorApi> Api;

private:
    void* FResume = nullptr;
    void* FExplain = nullptr;
};

using Strings = std::vector<std::string>;

} // namespace

TEST_P(ResumeExplainTest, ResumeWalksThreeResultSetsAndStopsAt105) {
    Client& c = Main();
    ASSERT_EQ(c.Exec("create table t(a int)"), 0);
    ASSERT_EQ(c.Exec("insert into t values (10)"), 0);
    Lib().Commit(&c.ca);
    ASSERT_EQ(c.Exec("SET TEMPORARY OPTION row_counts = 'ON'"), 0);
    Open("multi", "select 'one' as first union all select 'two';"
                  " insert into t values (20);"
                  " select 'x' as second, 'y' as other;"
                  " select a as third from t order by a");
    EXPECT_EQ(Columns("multi"), (Strings{"first"}));
    EXPECT_EQ(Rows("multi"), (Strings{"one", "two"}));

    Resume("multi");
    EXPECT_EQ(c.Code(), 0) << c.Message();
    EXPECT_EQ(c.ca.sqlerrd[2], 1) << "the row count of the new result set";
    EXPECT_EQ(Columns("multi"), (Strings{"second", "other"}));
    EXPECT_EQ(Rows("multi"), (Strings{"x"}));

    Resume("multi");
    EXPECT_EQ(c.Code(), 0) << c.Message();
    EXPECT_EQ(c.ca.sqlerrd[2], 2) << "the insert between the queries ran";
    EXPECT_EQ(Columns("multi"), (Strings{"third"}));
    Block b(Lib(), "s", 1);
    Api->FetchArray(&c.ca, "multi", 1, 1, b.get(), 1);
    ASSERT_EQ(c.Code(), 0);
    EXPECT_EQ(b.Text(0, 0), "10");

    // No fourth result set: 105, and the cursor stays on the third, where it stood.
    Resume("multi");
    EXPECT_EQ(c.Code(), DBLIB_W_NO_MORE_RESULTS);
    EXPECT_EQ(c.State(), "01W05");
    EXPECT_EQ(c.Message(), "Procedure has completed");
    EXPECT_EQ(Columns("multi"), (Strings{"third"}));
    Api->FetchArray(&c.ca, "multi", 2, 1, b.get(), 1);
    ASSERT_EQ(c.Code(), 0) << c.Message();
    EXPECT_EQ(b.Text(0, 0), "20") << "the next row after the one it stood on";
    Resume("multi");
    EXPECT_EQ(c.Code(), DBLIB_W_NO_MORE_RESULTS);

    Api->Close(&c.ca, "multi");
    Resume("multi");
    EXPECT_EQ(c.Code(), DBLIB_E_CURSOR_NOT_OPEN);
    Resume("nosuch");
    EXPECT_EQ(c.Code(), DBLIB_E_CURSOR_NOT_DECLARED);
}

TEST_P(ResumeExplainTest, ASingleQueryHasNoSecondResultSet) {
    Client& c = Main();
    Open("one", "select 1 as a union all select 2");
    EXPECT_EQ(Rows("one"), (Strings{"1", "2"}));
    Resume("one");
    EXPECT_EQ(c.Code(), DBLIB_W_NO_MORE_RESULTS);
    EXPECT_EQ(Rows("one"), (Strings{"1", "2"}));
}

TEST_P(ResumeExplainTest, ExplainGivesThePlanCutToTheVariable) {
    Client& c = Main();
    ASSERT_EQ(c.Exec("create table t(id int primary key, name varchar(20))"), 0);
    ASSERT_EQ(c.Exec("create index t_name on t(name)"), 0);
    Open("q", "select id from t where name = 'x'; select count(*) from t");

    char text[301];
    Sqlda da(Lib(), 1);
    da[0].sqltype = DBLIB_T_STRING;
    da[0].sqllen = 300;
    da[0].sqldata = text;
    da->sqld = 1;
    Explain("q", da.get());
    ASSERT_EQ(c.Code(), 0) << c.Message();
    std::string plan = text;
    EXPECT_NE(plan.find("SEARCH t USING"), std::string::npos) << plan;
    EXPECT_NE(plan.find("t_name"), std::string::npos) << plan;

    // The plan follows the cursor to its next result set.
    Resume("q");
    ASSERT_EQ(c.Code(), 0);
    Explain("q", da.get());
    ASSERT_EQ(c.Code(), 0) << c.Message();
    EXPECT_NE(std::string(text), plan);
    EXPECT_EQ(std::string(text).find("t_name"), std::string::npos) << text;

    // A short variable gets the start of the plan, flagged as cut.
    int16_t ind = 0;
    da[0].sqllen = 7;
    da[0].sqlind = &ind;
    Explain("q", da.get());
    EXPECT_EQ(c.Code(), 0);
    EXPECT_EQ(std::string(text).size(), 6u);
    EXPECT_GT(ind, 6);
    EXPECT_EQ(c.ca.sqlwarn[1], 'W');

    Api->Close(&c.ca, "q");
    Explain("q", da.get());
    EXPECT_EQ(c.Code(), DBLIB_E_CURSOR_NOT_OPEN);
    Explain("q", nullptr);
    EXPECT_EQ(c.Code(), DBLIB_E_BAD_SQLDA);
}

INSTANTIATE_TEST_SUITE_P(Generations, ResumeExplainTest, ::testing::ValuesIn(BothGenerations()),
                         GenerationName);
