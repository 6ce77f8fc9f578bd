// The statement's prepare and describe: the type mapping, the layout of the fetch block, the calls
// and statement numbers a prepare uses, and what a failed prepare or describe leaves behind.
#include "SqlTestSupport.h"

#include "base/CorvexBlob.h"

#include <cstring>

using namespace tnx;
using namespace asatest;

namespace {

class SqlPrepare : public SqlTest {};

// One described variable, as the library would leave it.
void Describe(sqlda* da, int i, int type, int len, const char* name) {
    sqlvar& v = da->sqlvar[i];
    v.sqltype = static_cast<int16_t>(type);
    v.sqllen = static_cast<int16_t>(len);
    v.sqlname.length = static_cast<int16_t>(std::strlen(name));
    std::memcpy(v.sqlname.data, name, std::strlen(name));
}

} // namespace

TEST_P(SqlPrepare, TypeMappingFillsTheDescriptorAndRewritesTheVariable) {
    auto sql = NewSQL();
    struct Case {
        int Type, Len;
        TCorvexFieldTypes FieldType;
        int ExtType, Size, Length, Decimals;
    };
    // Blob size passed: 104 (a BlobSize of 100 + 4). Length/Decimals -1: not set (left at 77).
    const Case cases[] = {
        {DBLIB_T_VARCHAR, 8192, ntString, 460, 8193, 8192, -1},
        {DBLIB_T_VARCHAR | 1, 8193, ntMemo, 460, 104, -1, -1},
        {DBLIB_T_FIXCHAR, 1, ntString, 460, 2, 1, -1},
        {DBLIB_T_STRING, 30, ntString, 460, 31, 30, -1},
        {DBLIB_T_LONGVARCHAR, 32767, ntMemo, 460, 104, -1, -1},
        {DBLIB_T_DECIMAL, 19 | 4 << 8, ntCurrency, 480, 8, 10, 4},
        {DBLIB_T_DECIMAL, 10 | 2 << 8, ntFloat, 480, 8, 10, 2},
        {DBLIB_T_LONGBINARY, 32767, ntBlob, 460, 104, -1, -1},
        {DBLIB_T_BINARY, 10, ntBinary, 524, 12, 10, -1},
        {DBLIB_T_BINARY, 32767, ntBinary, 524, 32767, 32767, -1},
        {DBLIB_T_BIT, 1, ntBoolean, 624, 1, 5, -1},
        {DBLIB_T_DATE, 10, ntDate, 390, 14, 10, -1},
        {DBLIB_T_TIME, 8, ntTime, 390, 14, 8, -1},
        {DBLIB_T_TIMESTAMP, 26, ntDateTime, 390, 14, 19, -1},
        {DBLIB_T_TIMESTAMP_STRUCT, 14, ntDateTime, 390, 14, 19, -1},
        {DBLIB_T_INT, 4, ntInteger, 496, 4, 10, -1},
        {DBLIB_T_SMALLINT, 2, ntInteger, 496, 4, 10, -1},
        {DBLIB_T_TINYINT, 1, ntInteger, 496, 4, 10, -1},
        {DBLIB_T_UNSINT, 4, ntInteger, 496, 4, 10, -1},
        {DBLIB_T_UNSSMALLINT, 2, ntInteger, 496, 4, 10, -1},
        {DBLIB_T_DOUBLE, 8, ntFloat, 480, 8, 10, -1},
        {DBLIB_T_FLOAT, 4, ntFloat, 480, 8, 10, -1},
        {DBLIB_T_BIGINT, 8, ntFloat, 480, 8, 10, -1},
        {DBLIB_T_UNSBIGINT, 8, ntFloat, 480, 8, 10, -1},
        {998, 4, ntUnknown, 0, 0, -1, -1},
        {DBLIB_T_VARIABLE, 4, ntUnknown, 0, 0, -1, -1},
    };
    sqlda* da = AsaLibrary.Procs.alloc_sqlda(1);
    for (const Case& c : cases) {
        SCOPED_TRACE("type " + std::to_string(c.Type) + " len " + std::to_string(c.Len));
        std::memset(&da->sqlvar[0], 0, sizeof da->sqlvar[0]);
        Describe(da, 0, c.Type | 1, c.Len, "a_column_named_exactly_30_char");
        TCorvexFieldDesc d{};
        d.Length = 77;
        d.Decimals = 77;
        EXPECT_TRUE(sql->InternalSetFieldDef(0, da, d, 104));
        EXPECT_EQ(d.FieldType, c.FieldType);
        EXPECT_EQ(d.ExtType, c.ExtType);
        EXPECT_EQ(d.Size, c.Size);
        EXPECT_EQ(d.Length, c.Length < 0 ? 77 : c.Length);
        EXPECT_EQ(d.Decimals, c.Decimals < 0 ? 77 : c.Decimals);
        EXPECT_TRUE(d.Nulls);
        EXPECT_STREQ(d.Name, "a_column_named_exactly_30_char");
        // The library now converts into the statement's buffer format.
        EXPECT_EQ(da->sqlvar[0].sqltype, c.ExtType | 1);
        EXPECT_EQ(da->sqlvar[0].sqllen, c.Size);
    }
    // Without bit 0 the column takes no NULL and the rewritten type says so too.
    Describe(da, 0, DBLIB_T_INT, 4, "n");
    TCorvexFieldDesc d{};
    sql->InternalSetFieldDef(0, da, d, 104);
    EXPECT_FALSE(d.Nulls);
    EXPECT_EQ(da->sqlvar[0].sqltype, DBLIB_T_INT);
    AsaLibrary.Procs.free_sqlda(da);
}

TEST_P(SqlPrepare, DescribedColumnsOfARealTableMapAndGetBlobStreams) {
    Run("create table m (a varchar(8192), b varchar(8193), c decimal(10,4), d numeric(12,2), e long binary, "
        "f bit not null, g date, h time, i timestamp, j integer, k binary(10), l long varchar, x double)");
    auto sql = NewSQL();
    sql->SetBlobSize(100);
    ASSERT_TRUE(sql->PrepareOpen("select * from m"));
    ASSERT_EQ(sql->GetFieldCount(), 13);
    const TCorvexFieldTypes types[] = {ntString, ntMemo,    ntCurrency, ntFloat,   ntBlob,   ntBoolean, ntDate,
                                       ntTime,   ntDateTime, ntInteger,  ntBinary, ntMemo,   ntFloat};
    const int sizes[] = {8193, 104, 8, 8, 104, 1, 14, 14, 14, 4, 12, 104, 8};
    int record = 0;
    for (int i = 0; i < 13; ++i) {
        SCOPED_TRACE(sql->GetFieldName(i));
        EXPECT_EQ(sql->GetFieldDesc(i).FieldType, types[i]);
        EXPECT_EQ(sql->GetFieldDesc(i).Size, sizes[i]);
        record += sizes[i];
    }
    EXPECT_FALSE(sql->GetFieldDesc(5).Nulls);
    EXPECT_TRUE(sql->GetFieldDesc(0).Nulls);
    EXPECT_EQ(sql->GetRecordSize(), record);
    // One blob stream per long column, named like it.
    EXPECT_EQ(sql->GetBlobManager()->Count(), 3);
    EXPECT_NE(sql->GetBlobManager()->BlobByName("B"), nullptr);
    EXPECT_NE(sql->GetBlobManager()->BlobByName("e"), nullptr);
    EXPECT_NE(sql->GetBlobManager()->BlobByName("l"), nullptr);
}

TEST_P(SqlPrepare, FetchBlockHoldsMaxFetchCountRowsOfVariablesPointingIntoTheBuffer) {
    Run("create table t3 (n integer, s varchar(20), d double)");
    auto sql = NewSQL();
    Record();
    ASSERT_TRUE(sql->PrepareOpen("select n, s, d from t3"));
    const int n = sql->GetOpenStatement();
    const std::string stmt = std::to_string(n);
    EXPECT_EQ(Recorded({"dbpp_"}), (std::vector<std::string>{
                                       "dbpp_prepare(\"TNX\", 0, \"select n, s, d from t3\", 1)",
                                       "dbpp_describe(\"TNX\", " + stmt + ", 9)",
                                       "dbpp_describe(\"TNX\", " + stmt + ", 1)",
                                       "dbpp_describe(\"TNX\", " + stmt + ", 1)",
                                   }));
    EXPECT_EQ(Recorded({"alloc_sqlda"}), (std::vector<std::string>{"alloc_sqlda(0)", "alloc_sqlda(0)",
                                                                    "alloc_sqlda(75)"}));
    EXPECT_EQ(NumbersInUse(), std::vector<int>{n});
    EXPECT_TRUE(sql->GetPrepared());
    EXPECT_FALSE(sql->GetDescribeAfterOpen());

    const sqlda* da = sql->GetOpenSqlda();
    ASSERT_NE(da, nullptr);
    EXPECT_EQ(da->sqln, 75);
    EXPECT_EQ(da->sqld, 75);
    EXPECT_EQ(sql->GetFetchRows(), 25);
    EXPECT_EQ(sql->GetAllocRows(), 25);
    const int record = sql->GetRecordSize();
    EXPECT_EQ(record, 4 + 21 + 8);
    const int offsets[3] = {0, 4, 25};
    for (int r = 0; r < 25; ++r)
        for (int i = 0; i < 3; ++i) {
            const sqlvar& v = da->sqlvar[3 * r + i];
            ASSERT_EQ(v.sqldata, sql->GetFetchBuffer() + r * record + offsets[i]) << r << " " << i;
            EXPECT_EQ(v.sqltype, da->sqlvar[i].sqltype);
            EXPECT_EQ(v.sqllen, da->sqlvar[i].sqllen);
            EXPECT_EQ(std::string(v.sqlname.data, v.sqlname.length),
                      std::string(da->sqlvar[i].sqlname.data, da->sqlvar[i].sqlname.length));
        }

    // Unpreparing hands the number back and drops the statement; the next prepare reuses it.
    Record();
    sql->UnprepareOpen();
    EXPECT_EQ(Recorded({"dbpp_dropstmt"}), std::vector<std::string>{"dbpp_dropstmt(\"TNX\", " + stmt + ")"});
    EXPECT_TRUE(NumbersInUse().empty());
    EXPECT_EQ(sql->GetOpenSqlda(), nullptr);
    auto other = NewSQL();
    Record();
    ASSERT_TRUE(other->PrepareExecute("insert into t3 (n) values (1)"));
    EXPECT_EQ(Recorded({"dbpp_prepare"}),
              std::vector<std::string>{"dbpp_prepare(\"TNX\", " + stmt + ", \"insert into t3 (n) values (1)\", 1)"});
}

TEST_P(SqlPrepare, ManyColumnsKeepTheBlockWithinOneSqlda) {
    std::string columns, select;
    for (int i = 0; i < 200; ++i) {
        columns += (i ? ", c" : "c") + std::to_string(i) + " integer";
        select += (i ? ", c" : "c") + std::to_string(i);
    }
    Run("create table wide200 (" + columns + ")");
    auto sql = NewSQL();
    sql->SetMaxFetchCount(1000);
    ASSERT_TRUE(sql->PrepareOpen("select " + select + " from wide200"));
    EXPECT_EQ(sql->GetFetchRows(), 32767 / 200);
    EXPECT_EQ(sql->GetOpenSqlda()->sqln, 200 * (32767 / 200));
}

TEST_P(SqlPrepare, MoreThan256ColumnsOrHostVariablesIsAClearErrorAndLeavesNothing) {
    std::string columns, markers;
    for (int i = 0; i < 257; ++i) {
        columns += (i ? ", c" : "c") + std::to_string(i) + " integer";
        markers += i ? ", ?" : "?";
    }
    Run("create table wide (" + columns + ")");
    auto sql = NewSQL();
    try {
        sql->PrepareOpen("select * from wide");
        FAIL() << "no error";
    } catch (const ECorvexException& e) {
        EXPECT_STREQ(e.what(), "Too many columns or host variables: 257 (at most 256).");
    }
    EXPECT_FALSE(sql->GetPrepared());
    EXPECT_EQ(sql->GetOpenSqlda(), nullptr);
    EXPECT_EQ(sql->GetFieldCount(), 0);
    EXPECT_TRUE(NumbersInUse().empty());

    // 257 markers: the inputs the library describes are refused before anything is stored.
    EXPECT_THROW(sql->Execute("insert into wide values (" + markers + ")"), ECorvexException);
    EXPECT_EQ(sql->GetExecVariables().Count, 0);
}

TEST_P(SqlPrepare, AFailedPrepareOrDescribeLeavesNothingPreparedAndNoNumberInUse) {
    Run("create table t3 (n integer)");
    auto sql = NewSQL();
    EXPECT_FALSE(sql->PrepareOpen("select * from nosuch"));
    EXPECT_EQ(sql->GetLastErrorCode(), DBLIB_E_TABLE_NOT_FOUND);
    EXPECT_NE(sql->GetLastError().find("nosuch"), std::string::npos) << sql->GetLastError();
    EXPECT_FALSE(sql->GetPrepared());
    EXPECT_TRUE(NumbersInUse().empty());

    // The prepare succeeds, the describe fails: the statement is dropped again.
    Instrument().Inject("dbpp_describe", 1, -300);
    Record();
    EXPECT_FALSE(sql->PrepareOpen("select n from t3"));
    EXPECT_EQ(sql->GetLastErrorCode(), -300);
    const auto calls = Recorded({"dbpp_prepare", "dbpp_describe", "dbpp_dropstmt"});
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[2].rfind("dbpp_dropstmt(\"TNX\", ", 0), 0u);
    EXPECT_FALSE(sql->GetPrepared());
    EXPECT_EQ(sql->GetOpenSqlda(), nullptr);
    EXPECT_TRUE(NumbersInUse().empty());

    // With WantExceptions the library's message is raised, and still nothing stays behind.
    sql->SetWantExceptions(true);
    Instrument().Inject("dbpp_describe", 2, -300);
    try {
        sql->PrepareOpen("select n from t3");
        FAIL() << "no error";
    } catch (const EAsaException& e) {
        EXPECT_EQ(e.ErrorCode(), -300);
    }
    EXPECT_FALSE(sql->GetPrepared());
    EXPECT_TRUE(NumbersInUse().empty());
    EXPECT_EQ(sql->GetFieldCount(), 0);
}

TEST_P(SqlPrepare, ColumnsWithoutADeclaredTypeAreDescribedAfterTheOpen) {
    Run("create table t3 (n integer)");
    auto sql = NewSQL();
    ASSERT_TRUE(sql->PrepareOpen("select n, n * 2 as twice from t3"));
    EXPECT_TRUE(sql->GetDescribeAfterOpen());
    EXPECT_TRUE(sql->GetPrepared());
    EXPECT_EQ(sql->GetFieldCount(), 0);
    EXPECT_EQ(sql->GetOpenSqlda(), nullptr);
}

TEST_P(SqlPrepare, UnprepareFiresTheCloseEventsUnlessTheStatementIsDestroyed) {
    Run("create table t3 (n integer)");
    std::vector<std::string> events;
    {
        auto sql = NewSQL();
        sql->SetBeforeClose([&](vcl::TObject*) { events.push_back("before " + std::to_string(NumbersInUse().size())); });
        sql->SetAfterClose([&](vcl::TObject*) { events.push_back("after " + std::to_string(NumbersInUse().size())); });
        sql->UnprepareOpen(); // not prepared: no events
        ASSERT_TRUE(sql->PrepareOpen("select n from t3"));
        sql->UnprepareOpen();
        EXPECT_EQ(events, (std::vector<std::string>{"before 1", "after 0"}));
        ASSERT_TRUE(sql->PrepareOpen("select n from t3"));
        events.clear();
    }
    EXPECT_TRUE(events.empty());
    EXPECT_TRUE(NumbersInUse().empty()) << "destroying the statement dropped it";
}

INSTANTIATE_TEST_SUITE_P(Generations, SqlPrepare, ::testing::ValuesIn(CurrentGenerations()), GenerationName);
