// Describing server types with the library's codes and lengths, values both ways as typed
// parameters, server errors as library codes, and transactions.
#include "PgTestSupport.h"

#include "platform/dblib/pg/PgTypes.h"

#include <gtest/gtest.h>

using namespace tnxdb;
using namespace tnxtest;

namespace {

using PgTypes = PgServerTest;

TEST_F(PgTypes, DescribeGivesCodesAndDeclaredLengths) {
    Exec(*Db, "CREATE TABLE " + Table +
                  " (a smallint, b integer NOT NULL, c bigint, d real, e double precision, f numeric(12,3),"
                  " g numeric, h char(7), i varchar(40), j varchar, k text, l bytea, m date, n time,"
                  " o timestamp, p timestamptz, q boolean)");
    auto s = Db->Prepare("SELECT * FROM " + Table);
    struct Want {
        const char* Name;
        int Type, Len;
    };
    const Want want[] = {{"a", DBLIB_T_SMALLINT, 2},    {"b", DBLIB_T_INT, 4},
                         {"c", DBLIB_T_BIGINT, 8},      {"d", DBLIB_T_FLOAT, 4},
                         {"e", DBLIB_T_DOUBLE, 8},      {"f", DBLIB_T_DECIMAL, 12 | 3 << 8},
                         {"g", DBLIB_T_DECIMAL, 30 | 6 << 8}, {"h", DBLIB_T_FIXCHAR, 7},
                         {"i", DBLIB_T_VARCHAR, 40},    {"j", DBLIB_T_VARCHAR, 32767},
                         {"k", DBLIB_T_LONGVARCHAR, 32767}, {"l", DBLIB_T_LONGBINARY, 32767},
                         {"m", DBLIB_T_DATE, 10},       {"n", DBLIB_T_TIME, 8},
                         {"o", DBLIB_T_TIMESTAMP, 26},  {"p", DBLIB_T_TIMESTAMP, 26},
                         {"q", DBLIB_T_BIT, 1}};
    ASSERT_EQ(s->Columns().size(), std::size(want));
    for (size_t i = 0; i < std::size(want); ++i) {
        SCOPED_TRACE(want[i].Name);
        EXPECT_EQ(s->Columns()[i].Name, want[i].Name);
        EXPECT_EQ(s->Columns()[i].SqlType, want[i].Type);
        EXPECT_EQ(s->Columns()[i].SqlLen, want[i].Len);
    }
    // Values whose server text differs from the library's: a zoned time stamp (shown in UTC,
    // without the zone), bytes (hex on the wire), a boolean and a float's special value.
    auto special = Db->Prepare(
        "SELECT TIMESTAMPTZ '2024-01-02 03:04:05.5+02', '\\x00ff41'::bytea, true, 'NaN'::float8 <> 0");
    TestSqlda sv(4);
    sv.Output(0, DBLIB_T_TIMESTAMP, 27);
    sv.Output(1, DBLIB_T_LONGBINARY, 8);
    sv.Output(2, DBLIB_T_INT, 4);
    sv.Output(3, DBLIB_T_INT, 4);
    bool cut = false;
    ASSERT_EQ(special->Execute(nullptr, sv.Get(), cut), 1);
    EXPECT_EQ(sv.String(0), "2024-01-02 01:04:05.500000");
    EXPECT_EQ(sv.Long(1), std::string("\x00\xff" "A", 3));
    EXPECT_EQ(sv.Int(2), 1);
    EXPECT_EQ(sv.Int(3), 1);
    // Inputs are described as the library describes them: text, named after their markers.
    auto in = Db->Prepare("SELECT a FROM " + Table + " WHERE b = :key AND c = ?");
    ASSERT_EQ(in->Inputs().size(), 2u);
    EXPECT_EQ(in->Inputs()[0].Name, "key");
    EXPECT_EQ(in->Inputs()[1].Name, "");
    EXPECT_EQ(in->Inputs()[0].SqlType, DBLIB_T_STRING);
}

TEST_F(PgTypes, ValuesRoundTripAsTypedParameters) {
    Exec(*Db, "CREATE TABLE " + Table +
                  " (id bigint, name varchar(60), amount numeric(12,2), day date, at timestamp, flag boolean,"
                  " ratio double precision)");
    // A quote and a statement separator in a value stay data; a number beyond 32 bits stays whole.
    const std::string hostile = "O'Brien'); DROP TABLE " + Table + "; --";
    const int64_t big = (int64_t{1} << 31) + 12345;
    auto ins = Db->Prepare("INSERT INTO " + Table + " VALUES (?, ?, ?, ?, ?, ?, ?)");
    TestSqlda in(7);
    in.SetBigint(0, big);
    in.SetString(1, hostile);
    in.SetString(2, "1234.56");
    in.SetString(3, "2024-02-29");
    in.SetString(4, "2024-02-29 13:14:15.250000");
    in.SetInt(5, 1);
    in.SetDouble(6, 0.1);
    bool cut = false;
    EXPECT_EQ(ins->Execute(in.Get(), nullptr, cut), 1);

    auto sel = Db->Prepare("SELECT id, name, amount, day, at, flag, ratio FROM " + Table + " WHERE name = ? AND id = ?");
    TestSqlda key(2);
    key.SetString(0, hostile);
    key.SetBigint(1, big);
    TestSqlda out(7);
    out.Output(0, DBLIB_T_BIGINT, 8);
    out.Output(1, DBLIB_T_STRING, 80);
    out.Output(2, DBLIB_T_STRING, 20);
    out.Output(3, DBLIB_T_DATE, 11);
    out.Output(4, DBLIB_T_TIMESTAMP, 27);
    out.Output(5, DBLIB_T_BIT, 1);
    out.Output(6, DBLIB_T_DOUBLE, 8);
    ASSERT_EQ(sel->Execute(key.Get(), out.Get(), cut), 1);
    EXPECT_FALSE(cut);
    EXPECT_EQ(out.Bigint(0), big);
    EXPECT_EQ(out.String(1), hostile);
    EXPECT_EQ(out.String(2), "1234.56");
    EXPECT_EQ(out.String(3), "2024-02-29");
    EXPECT_EQ(out.String(4), "2024-02-29 13:14:15.250000");
    EXPECT_EQ(*static_cast<unsigned char*>(out.Var(5).sqldata), 1);
    EXPECT_EQ(out.Double(6), 0.1);

    // A NULL goes as NULL; a value too long for its variable is cut and says so.
    TestSqlda nul(7);
    nul.SetBigint(0, 7);
    for (int i = 1; i < 7; ++i) nul.SetNull(i);
    EXPECT_EQ(ins->Execute(nul.Get(), nullptr, cut), 1);
    auto one = Db->Prepare("SELECT name, id FROM " + Table + " WHERE id = 7");
    TestSqlda o2(2);
    o2.Output(0, DBLIB_T_STRING, 10);
    o2.Output(1, DBLIB_T_INT, 4);
    ASSERT_EQ(one->Execute(nullptr, o2.Get(), cut), 1);
    EXPECT_EQ(o2.Indicator(0), -1);
    EXPECT_EQ(o2.Int(1), 7);
    auto longName = Db->Prepare("SELECT name FROM " + Table + " WHERE id = " + std::to_string(big));
    TestSqlda o3(1);
    o3.Output(0, DBLIB_T_STRING, 8);
    ASSERT_EQ(longName->Execute(nullptr, o3.Get(), cut), 1);
    EXPECT_TRUE(cut);
    EXPECT_EQ(o3.String(0), hostile.substr(0, 7));
    EXPECT_EQ(o3.Indicator(0), static_cast<int16_t>(hostile.size()));

    // Too few values for the markers is refused before anything is sent.
    TestSqlda shortIn(1);
    shortIn.SetBigint(0, 1);
    EXPECT_EQ(CodeOf([&] { ins->Execute(shortIn.Get(), nullptr, cut); }), DBLIB_E_TOO_FEW_VALUES);
}

TEST_F(PgTypes, ServerErrorsBecomeLibraryCodes) {
    Exec(*Db, "CREATE TABLE " + Table + " (id int PRIMARY KEY, name text NOT NULL, code int UNIQUE)");
    Exec(*Db, "INSERT INTO " + Table + " VALUES (1, 'a', 10)");
    EXPECT_EQ(CodeOf([&] { Db->Prepare("SELEC 1"); }), DBLIB_E_SYNTAX);
    EXPECT_EQ(CodeOf([&] { Db->Prepare("SELECT * FROM no_such_table_here"); }), DBLIB_E_TABLE_NOT_FOUND);
    EXPECT_EQ(CodeOf([&] { Db->Prepare("SELECT nope FROM " + Table); }), DBLIB_E_COLUMN_NOT_FOUND);
    EXPECT_EQ(CodeOf([&] { Exec(*Db, "INSERT INTO " + Table + " VALUES (1, 'b', 11)"); }), DBLIB_E_PRIMARY_KEY);
    EXPECT_EQ(CodeOf([&] { Exec(*Db, "INSERT INTO " + Table + " VALUES (2, 'b', 10)"); }), DBLIB_E_UNIQUE);
    EXPECT_EQ(CodeOf([&] { Exec(*Db, "INSERT INTO " + Table + " VALUES (3, NULL, 12)"); }), DBLIB_E_NOT_NULL);
    auto s = Db->Prepare("SELECT id FROM " + Table + " WHERE id = ?");
    TestSqlda in(1);
    in.SetString(0, "not a number");
    TestSqlda out(1);
    out.Output(0, DBLIB_T_INT, 4);
    bool cut = false;
    EXPECT_EQ(CodeOf([&] { s->Execute(in.Get(), out.Get(), cut); }), DBLIB_E_CONVERSION);
    in.SetString(0, "42");
    EXPECT_EQ(CodeOf([&] { s->Execute(in.Get(), out.Get(), cut); }), DBLIB_W_NOT_FOUND);
}

TEST_F(PgTypes, FailedStatementKeepsTheTransactionsEarlierWork) {
    Exec(*Db, "CREATE TABLE " + Table + " (id int PRIMARY KEY)");
    Db->Commit();
    Exec(*Db, "INSERT INTO " + Table + " VALUES (1)");
    EXPECT_TRUE(Db->InTransaction());
    EXPECT_EQ(CodeOf([&] { Exec(*Db, "INSERT INTO " + Table + " VALUES (1)"); }), DBLIB_E_PRIMARY_KEY);
    // The transaction goes on with the first row in it, and takes more.
    EXPECT_EQ(Exec(*Db, "INSERT INTO " + Table + " VALUES (2)"), 1);
    Db->Commit();
    auto other = ConnectTestServer();
    EXPECT_EQ(QueryInts(*other, "SELECT count(*) FROM " + Table), std::vector<int32_t>{2});
}

TEST_F(PgTypes, RollbackKeepsNothingAndCommitIsSeenByOthers) {
    Exec(*Db, "CREATE TABLE " + Table + " (id int)");
    Db->Commit();
    auto other = ConnectTestServer();
    auto rows = [&] {
        int32_t n = QueryInts(*other, "SELECT count(*) FROM " + Table)[0];
        other->Commit();
        return n;
    };
    Exec(*Db, "INSERT INTO " + Table + " SELECT generate_series(1, 50)");
    EXPECT_EQ(rows(), 0); // not committed yet: the other connection sees nothing
    Db->Rollback();
    EXPECT_FALSE(Db->InTransaction());
    EXPECT_EQ(rows(), 0);
    Exec(*Db, "INSERT INTO " + Table + " VALUES (1)");
    Db->Commit();
    EXPECT_EQ(rows(), 1);
    // chained OFF: every statement commits on its own.
    Db->SetChained(false);
    Exec(*Db, "INSERT INTO " + Table + " VALUES (2)");
    EXPECT_FALSE(Db->InTransaction());
    Db->Rollback();
    EXPECT_EQ(rows(), 2);
}

TEST_F(PgTypes, IsolationLevelIsApplied) {
    Exec(*Db, "CREATE TABLE " + Table + " (id int)");
    Db->Commit();
    auto level = Db->Prepare("SELECT current_setting('transaction_isolation')");
    TestSqlda out(1);
    out.Output(0, DBLIB_T_STRING, 40);
    bool cut = false;
    const char* names[] = {"read uncommitted", "read committed", "repeatable read", "serializable"};
    for (int l = 0; l < 4; ++l) {
        Db->SetIsolationLevel(l);
        level->Execute(nullptr, out.Get(), cut);
        EXPECT_EQ(out.String(0), names[l]);
        Db->Commit();
    }
    // Repeatable read: a row another connection commits meanwhile stays unseen until commit.
    Db->SetIsolationLevel(2);
    auto count = Db->Prepare("SELECT count(*) FROM " + Table);
    TestSqlda n(1);
    n.Output(0, DBLIB_T_INT, 4);
    count->Execute(nullptr, n.Get(), cut);
    EXPECT_EQ(n.Int(0), 0);
    auto other = ConnectTestServer();
    Exec(*other, "INSERT INTO " + Table + " VALUES (1)");
    other->Commit();
    count->Execute(nullptr, n.Get(), cut);
    EXPECT_EQ(n.Int(0), 0);
    Db->Commit();
    count->Execute(nullptr, n.Get(), cut);
    EXPECT_EQ(n.Int(0), 1);
    EXPECT_EQ(CodeOf([&] { Db->SetIsolationLevel(4); }), DBLIB_E_BAD_OPTION_VALUE);
}

TEST_F(PgTypes, WithoutBlockingALockedRowFailsAtOnce) {
    Exec(*Db, "CREATE TABLE " + Table + " (id int PRIMARY KEY, n int)");
    Exec(*Db, "INSERT INTO " + Table + " VALUES (1, 0)");
    Db->Commit();
    auto other = ConnectTestServer();
    Exec(*other, "UPDATE " + Table + " SET n = 1 WHERE id = 1"); // holds the row's lock
    Db->SetBlocking(false, 0);
    EXPECT_EQ(CodeOf([&] { Exec(*Db, "UPDATE " + Table + " SET n = 2 WHERE id = 1"); }), DBLIB_E_ROW_LOCKED);
    other->Rollback();
    EXPECT_EQ(Exec(*Db, "UPDATE " + Table + " SET n = 2 WHERE id = 1"), 1);
}

} // namespace
