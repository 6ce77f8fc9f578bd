// Values as stored, through the statement: exact 64-bit integers under LargeIntegers (bound and
// read, every integer column, the default mapping left as it was), whole column names under
// LongColumnNames, fractions of a second kept both ways, and a stored value that cannot be read
// failing only its own row with its column named.
#include "SqlTestSupport.h"

#include "platform/vcl/DateTime.h"

#include <sqlite3.h>

using namespace tnx;
using namespace asatest;

namespace {

class SqlValues : public SqlTest {};

} // namespace

TEST_P(SqlValues, LargeIntegersBindAndReadSixtyFourBitsExactly) {
    Run("create table w (k integer, v bigint, u unsigned int, x)");
    Run("insert into w values (1, 9223372036854775807, 4294967295, 123456789012345678)");
    Run("insert into w values (2, -9223372036854775808, 0, null)");
    auto sql = NewSQL();

    // By default 64-bit columns are doubles: the last digits are lost (what the option is for).
    ASSERT_TRUE(sql->OpenRead("select v from w where k = 1"));
    EXPECT_EQ(sql->GetFieldType(int32_t(0)), ntFloat);
    EXPECT_EQ(vcl::VarType(sql->GetFieldValue(int32_t(0))), vcl::varDouble);
    sql->Close();

    sql->SetLargeIntegers(true);
    ASSERT_TRUE(sql->OpenRead("select k, v, u, x from w order by k"));
    for (int32_t i = 0; i < 4; ++i) {
        EXPECT_EQ(sql->GetFieldType(i), ntInteger) << i;
        EXPECT_EQ(sql->GetFieldSize(i), 8) << i;
    }
    EXPECT_EQ(sql->GetFieldValue(int32_t(1)).AsInt64(), INT64_MAX);
    EXPECT_EQ(vcl::VarType(sql->GetFieldValue(int32_t(1))), vcl::varInt64);
    EXPECT_EQ(sql->GetFieldValue(int32_t(2)).AsInt64(), 4294967295LL) << "an unsigned int beyond 31 bits";
    EXPECT_EQ(sql->GetFieldValue(int32_t(3)).AsInt64(), 123456789012345678LL) << "an expression column";
    ASSERT_TRUE(sql->Next());
    EXPECT_EQ(sql->GetFieldValue(int32_t(1)).AsInt64(), INT64_MIN);
    sql->Close();

    // Bound as 64-bit integers: found by equality in a column of no declared type, stored exactly.
    ASSERT_TRUE(sql->OpenRead("select k from w where x = ?", {vcl::Variant(int64_t(123456789012345678LL))}));
    EXPECT_FALSE(sql->GetEOF());
    EXPECT_EQ(sql->GetFieldValue(int32_t(0)).AsInt64(), 1);
    sql->Close();
    ASSERT_TRUE(sql->Execute("insert into w (k, v, x) values (?, ?, ?)",
                             {int32_t(3), vcl::Variant(int64_t(9007199254740993LL)), vcl::Variant(int64_t(-3000000000LL))}));
    EXPECT_EQ(sql->GetExecVariables().Items[1].Size, 8);
    EXPECT_EQ(QueryInt(S(), "select count(*) from w where k = 3 and v = 9007199254740993 and x = -3000000000"), 1);
}

TEST_P(SqlValues, LongColumnNamesAreWhole) {
    const std::string alias = "julianday_invoice_date_minus_julianday_due_date";
    auto sql = NewSQL();
    ASSERT_TRUE(sql->OpenRead("select 1 as " + alias + ", 2 as n"));
    EXPECT_EQ(std::string(sql->GetFieldDesc(0).Name), alias.substr(0, 30)) << "30 characters by default";
    sql->Close();
    sql->UnprepareOpen();

    sql->SetLongColumnNames(true);
    ASSERT_TRUE(sql->OpenRead("select 1 as " + alias + ", 2 as n"));
    EXPECT_EQ(std::string(sql->GetFieldLongName(0)), alias);
    EXPECT_EQ(std::string(sql->GetFieldDesc(0).Name), alias);
    EXPECT_EQ(std::string(sql->GetFieldLongName(1)), "n");
    EXPECT_EQ(sql->GetFieldValue(alias).AsInteger(), 1) << "found by its whole name";
    sql->Close();
    // Longer than the field table holds (and than the first describe's room): whole still.
    const std::string huge(300, 'q');
    ASSERT_TRUE(sql->OpenRead("select 7 as " + huge));
    EXPECT_EQ(std::string(sql->GetFieldLongName(0)), huge);
    EXPECT_EQ(std::string(sql->GetFieldDesc(0).Name), huge.substr(0, 128));
}

TEST_P(SqlValues, FractionsOfASecondAreKeptBothWays) {
    Run("create table d (k integer, ts timestamp, t time)");
    Run("insert into d values (1, '2024-01-02 13:45:56.789', '08:15:30.5')");
    auto sql = NewSQL();
    ASSERT_TRUE(sql->OpenRead("select ts, t from d"));
    int y, mo, day, h, mi, s, ms;
    vcl::DecodeDateTime(sql->GetFieldValue(int32_t(0)).AsDateTime(), y, mo, day, h, mi, s, ms);
    EXPECT_EQ(std::vector<int>({y, mo, day, h, mi, s, ms}), std::vector<int>({2024, 1, 2, 13, 45, 56, 789}));
    vcl::DecodeTime(sql->GetFieldValue(int32_t(1)).AsDateTime(), h, mi, s, ms);
    EXPECT_EQ(std::vector<int>({h, mi, s, ms}), std::vector<int>({8, 15, 30, 500}));
    sql->Close();

    const vcl::TDateTime stamp(vcl::EncodeDate(2023, 12, 31).Value + vcl::EncodeTime(23, 59, 59, 250).Value);
    ASSERT_TRUE(sql->Execute("insert into d (k, ts) values (?, ?)", {int32_t(2), vcl::Variant(stamp)}));
    // As the library stores it.
    ASSERT_TRUE(sql->OpenRead("select ts || '' from d where k = 2"));
    EXPECT_EQ(vcl::VarToStr(sql->GetFieldValue(int32_t(0))), "2023-12-31 23:59:59.250000");
}

TEST_P(SqlValues, AStoredValueThatCannotBeReadFailsItsOwnRowNamingTheColumn) {
    Run("create table f (id int, a int)");
    S().Commit();
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(DbFile.c_str(), &db), SQLITE_OK);
    sqlite3_busy_timeout(db, 5000);
    ASSERT_EQ(sqlite3_exec(db, "insert into f values (1, 10), (2, 20), (3, 4294967296), (4, 40)", nullptr, nullptr,
                           nullptr),
              SQLITE_OK);
    sqlite3_close(db);

    auto sql = NewSQL();
    sql->SetWantExceptions(false);
    ASSERT_TRUE(sql->OpenRead("select id, a from f order by id")) << S().GetLastError();
    EXPECT_EQ(sql->GetFieldValue("a").AsInteger(), 10);
    ASSERT_TRUE(sql->Next());
    EXPECT_EQ(sql->GetFieldValue("a").AsInteger(), 20);
    EXPECT_FALSE(sql->Next());
    EXPECT_EQ(S().GetLastErrorCode(), -158);
    EXPECT_NE(S().GetLastError().find("(column \"a\", row 3)"), std::string::npos) << S().GetLastError();
}

INSTANTIATE_TEST_SUITE_P(Generations, SqlValues, ::testing::ValuesIn(CurrentGenerations()), GenerationName);
