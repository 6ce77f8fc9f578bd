// Statements: numbers, markers, describe, execute, engine errors as codes, chained transactions,
// locks and deadlocks.
#include "DbLibFixture.h"

#include <cstdio>
#include <cstring>

using namespace dbtest;

namespace {

std::string Name(const sqlvar& v) { return std::string(v.sqlname.data, static_cast<size_t>(v.sqlname.length)); }

// Binds a NUL-terminated text input.
void SetText(sqlvar& v, const char* text) {
    v.sqltype = DBLIB_T_STRING;
    v.sqllen = static_cast<int16_t>(std::strlen(text) + 1);
    v.sqldata = const_cast<char*>(text);
}

void SetInt(sqlvar& v, int32_t* value) {
    v.sqltype = DBLIB_T_INT;
    v.sqllen = 4;
    v.sqldata = value;
}

} // namespace

class StatementTest : public DbTest {};

TEST_P(StatementTest, StatementNumbersAreChosenReusedAndReplaced) {
    Client& c = Main();
    short a = c.Prepare("select 1");
    short b = c.Prepare("select 2");
    EXPECT_EQ(a, 1);
    EXPECT_EQ(b, 2);
    EXPECT_EQ(c.Prepare("select 7", 7), 7);
    EXPECT_EQ(c.QueryText("select 3"), "3");
    Lib().DropStmt(&c.ca, &a);
    EXPECT_EQ(c.Prepare("select 4"), 1) << "a dropped number is free again";

    // Re-preparing under a number replaces the statement; a failed prepare keeps the old one.
    short seven = 7;
    EXPECT_EQ(c.Prepare("select 'replaced'", 7), 7);
    EXPECT_EQ(c.Prepare("selec broken", 7), 0);
    EXPECT_EQ(c.Code(), DBLIB_E_SYNTAX);
    Sqlda out(Lib(), 1);
    char buf[32];
    out[0].sqltype = DBLIB_T_STRING;
    out[0].sqllen = sizeof buf;
    out[0].sqldata = buf;
    out->sqld = 1;
    Lib().ExecuteInto(&c.ca, &seven, nullptr, out.get());
    EXPECT_EQ(c.Code(), 0) << c.Message();
    EXPECT_STREQ(buf, "replaced");

    Lib().DropStmt(&c.ca, &seven);
    Lib().Describe(&c.ca, &seven, out.get(), 1);
    EXPECT_EQ(c.Code(), DBLIB_E_BAD_STATEMENT);
    Lib().ExecuteInto(&c.ca, &seven, nullptr, nullptr);
    EXPECT_EQ(c.Code(), DBLIB_E_BAD_STATEMENT);
}

TEST_P(StatementTest, MarkersAreInputsInOrderOutsideLiteralsAndComments) {
    Client& c = Main();
    short s = c.Prepare("select ?, :first || ':lit', \"col:umn\", :first -- :c ?\n"
                        "/* :d ? */ // :e\n from (select 1 as \"col:umn\")");
    ASSERT_NE(s, 0) << c.Message();
    Sqlda in(Lib(), 2); // fewer than the three markers
    Lib().Describe(&c.ca, &s, in.get(), 2);
    ASSERT_EQ(c.Code(), 0) << c.Message();
    EXPECT_EQ(in->sqld, 3) << "sqld counts every marker even when sqln is smaller";
    EXPECT_EQ(Name(in[0]), "");
    EXPECT_EQ(Name(in[1]), "first");

    Sqlda vars(Lib(), 3);
    Lib().Describe(&c.ca, &s, vars.get(), 2);
    EXPECT_EQ(Name(vars[2]), "first") << "a repeated name is a second input";
    SetText(vars[0], "A");
    SetText(vars[1], "B");
    SetText(vars[2], "C");
    vars->sqld = 3;
    Sqlda out(Lib(), 4);
    char b[4][40];
    for (int i = 0; i < 4; ++i) {
        out[i].sqltype = DBLIB_T_STRING | 1;
        out[i].sqllen = 40;
        out[i].sqldata = b[i];
    }
    out->sqld = 4;
    Lib().ExecuteInto(&c.ca, &s, vars.get(), out.get());
    ASSERT_EQ(c.Code(), 0) << c.Message();
    EXPECT_STREQ(b[0], "A");
    EXPECT_STREQ(b[1], "B:lit");
    EXPECT_STREQ(b[2], "1");
    EXPECT_STREQ(b[3], "C");

    vars->sqld = 2;
    Lib().ExecuteInto(&c.ca, &s, vars.get(), out.get());
    EXPECT_EQ(c.Code(), DBLIB_E_TOO_FEW_VALUES);
    EXPECT_EQ(c.Exec("select ?"), DBLIB_E_TOO_FEW_VALUES);
}

TEST_P(StatementTest, DescribeMapsDeclaredTypesAndReportsUntypedColumns) {
    Client& c = Main();
    ASSERT_EQ(c.Exec("create table typed(i integer not null primary key, s smallint, t tinyint, b bigint, "
                     "u unsigned int, us unsigned smallint, ub unsigned bigint, bt bit, d double, f float, "
                     "m decimal(10,4), n numeric, da date, ti time, ts timestamp, ch char(8), vc varchar(20), "
                     "lv long varchar, bi binary(10), lb long binary, x text not null)"),
              0)
        << c.Message();
    short s = c.Prepare("select * from typed");
    ASSERT_NE(s, 0) << c.Message();
    Sqlda small(Lib(), 2);
    Lib().Describe(&c.ca, &s, small.get(), 9);
    ASSERT_EQ(c.Code(), 0) << c.Message();
    EXPECT_EQ(small->sqld, 21);
    EXPECT_EQ(c.ca.sqlerrd[2], 1) << "every column has a declared type";
    EXPECT_EQ(Name(small[1]), "s");

    Sqlda da(Lib(), 21);
    Lib().Describe(&c.ca, &s, da.get(), 1);
    struct Expect {
        int Type, Len;
        bool Nullable;
    };
    const Expect expect[] = {
        {496, 4, false}, {500, 2, true},  {604, 1, true},  {608, 8, true},      {612, 4, true},
        {616, 2, true},  {620, 8, true},  {624, 1, true},  {480, 8, true},      {482, 4, true},
        {484, 10 | 4 << 8, true}, {484, 30 | 6 << 8, true}, {384, 10, true}, {388, 8, true}, {392, 26, true},
        {452, 8, true},  {448, 20, true}, {456, 32767, true}, {524, 10, true}, {528, 32767, true},
        {456, 32767, false}};
    for (int i = 0; i < 21; ++i) {
        SCOPED_TRACE(Name(da[i]));
        EXPECT_EQ(da[i].sqltype & ~1, expect[i].Type);
        EXPECT_EQ(da[i].sqllen, expect[i].Len);
        EXPECT_EQ((da[i].sqltype & 1) != 0, expect[i].Nullable);
    }

    short e = c.Prepare("select i, i + 1 as next from typed");
    Lib().Describe(&c.ca, &e, da.get(), 9);
    EXPECT_EQ(da->sqld, 2);
    EXPECT_EQ(c.ca.sqlerrd[2], 0) << "an expression is known only from its values";
    EXPECT_EQ(Name(da[1]), "next");

    // Statements without results describe no columns and count as fixed.
    short ins = c.Prepare("insert into typed(i, x) values (?, ?)");
    Lib().Describe(&c.ca, &ins, da.get(), 9);
    EXPECT_EQ(da->sqld, 0);
    EXPECT_EQ(c.ca.sqlerrd[2], 1);
    Lib().Describe(&c.ca, &ins, da.get(), 5);
    EXPECT_EQ(c.Code(), DBLIB_E_BAD_ARGUMENT);
}

TEST_P(StatementTest, ExecuteCountsRowsAndDeliversTheFirstRow) {
    Client& c = Main();
    ASSERT_EQ(c.Exec("create table t(id int primary key, name varchar(20))"), 0);
    short ins = c.Prepare("insert into t values (?, ?)");
    Sqlda in(Lib(), 2);
    int32_t id = 0;
    char name[20];
    SetInt(in[0], &id);
    in[1].sqltype = DBLIB_T_STRING;
    in[1].sqllen = sizeof name;
    in[1].sqldata = name;
    in->sqld = 2;
    for (id = 1; id <= 10; ++id) {
        std::snprintf(name, sizeof name, "n%d", id);
        Lib().ExecuteInto(&c.ca, &ins, in.get(), nullptr);
        ASSERT_EQ(c.Code(), 0) << c.Message();
        EXPECT_EQ(c.ca.sqlerrd[2], 1);
    }
    EXPECT_EQ(c.Exec("update t set name = 'x' where id <= 7"), 0);
    EXPECT_EQ(c.ca.sqlerrd[2], 7);
    EXPECT_EQ(c.Exec("delete from t where id > 100"), 0);
    EXPECT_EQ(c.ca.sqlerrd[2], 0);

    short sel = c.Prepare("select id, name from t where id >= ? order by id");
    Sqlda out(Lib(), 2);
    int32_t gotId = 0;
    char gotName[20];
    int16_t ind[2];
    SetInt(out[0], &gotId);
    out[0].sqlind = &ind[0];
    out[1].sqltype = DBLIB_T_STRING | 1;
    out[1].sqllen = sizeof gotName;
    out[1].sqldata = gotName;
    out[1].sqlind = &ind[1];
    out->sqld = 2;
    Sqlda arg(Lib(), 1);
    int32_t from = 8;
    SetInt(arg[0], &from);
    arg->sqld = 1;
    Lib().ExecuteInto(&c.ca, &sel, arg.get(), out.get());
    ASSERT_EQ(c.Code(), 0) << c.Message();
    EXPECT_EQ(gotId, 8);
    EXPECT_STREQ(gotName, "n8");
    EXPECT_EQ(c.ca.sqlerrd[2], 1);
    from = 11;
    Lib().ExecuteInto(&c.ca, &sel, arg.get(), out.get());
    EXPECT_EQ(c.Code(), DBLIB_W_NOT_FOUND);
    EXPECT_EQ(c.State(), "02000");
    EXPECT_EQ(c.Message(), "Row not found");
}

TEST_P(StatementTest, EngineErrorsBecomeCodesStatesAndMessages) {
    Client& c = Main();
    ASSERT_EQ(c.Exec("create table parent(id int primary key, code varchar(5) unique, v int check (v > 0))"), 0);
    ASSERT_EQ(c.Exec("create table child(id int primary key, pid int not null references parent(id))"), 0);
    ASSERT_EQ(c.Exec("insert into parent values (1, 'a', 1)"), 0);
    ASSERT_EQ(c.Exec("insert into child values (1, 1)"), 0);
    struct Case {
        const char* Sql;
        int Code;
        const char* State;
        const char* InMessage;
    };
    const Case cases[] = {
        {"selec 1", DBLIB_E_SYNTAX, "42W04", "selec"},
        {"select * from nowhere", DBLIB_E_TABLE_NOT_FOUND, "42W33", "nowhere"},
        {"select nocol from parent", DBLIB_E_COLUMN_NOT_FOUND, "52003", "nocol"},
        {"insert into parent values (1, 'b', 1)", DBLIB_E_PRIMARY_KEY, "23W01", "parent"},
        {"insert into parent values (2, 'a', 1)", DBLIB_E_UNIQUE, "23505", "code"},
        {"insert into child values (2, 99)", DBLIB_E_FOREIGN_KEY, "23503", "child"},
        {"delete from parent where id = 1", DBLIB_E_REFERENCED, "23503", "referenced"},
        {"insert into child(id) values (3)", DBLIB_E_NOT_NULL, "23502", "pid"},
        {"insert into parent values (3, 'c', -1)", DBLIB_E_CHECK, "23510", "Invalid value"},
        {"create table parent(x int)", DBLIB_E_ALREADY_EXISTS, "52010", "parent"},
        {"select nofunc(1)", DBLIB_E_FUNCTION_NOT_FOUND, "42W20", "nofunc"},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.Sql);
        EXPECT_EQ(c.Exec(k.Sql), k.Code);
        EXPECT_EQ(c.State(), k.State);
        EXPECT_NE(c.Message().find(k.InMessage), std::string::npos) << c.Message();
        EXPECT_EQ(c.Exec("select 1"), 0) << "the connection stays usable";
    }
    EXPECT_EQ(c.Count("parent"), 1);
}

TEST_P(StatementTest, ChainedTransactionsCommitRollBackAndEndAtDisconnect) {
    Client& c = Main();
    ASSERT_EQ(c.Exec("create table t(x int)"), 0);
    ASSERT_EQ(c.Exec("insert into t values (1)"), 0);
    Lib().Rollback(&c.ca);
    EXPECT_EQ(c.Count("t"), 0);
    ASSERT_EQ(c.Exec("insert into t values (2)"), 0);
    Client other(Lib());
    ASSERT_EQ(other.Connect(ConnStr()), 0);
    EXPECT_EQ(other.Count("t"), 0) << "uncommitted work is not seen by others";
    Lib().Commit(&c.ca);
    EXPECT_EQ(c.Code(), 0);
    EXPECT_EQ(other.Count("t"), 1) << "a reader outside a transaction sees the latest commit";

    // Data definition commits the work before it.
    ASSERT_EQ(c.Exec("insert into t values (3)"), 0);
    ASSERT_EQ(c.Exec("create table u(y int)"), 0);
    Lib().Rollback(&c.ca);
    EXPECT_EQ(c.Count("t"), 2);

    // Work not committed is gone when the client disconnects.
    ASSERT_EQ(c.Exec("insert into t values (4)"), 0);
    c.Disconnect();
    EXPECT_EQ(other.Count("t"), 2);
    // Commit and rollback as statements; nothing to end is no error.
    ASSERT_EQ(other.Exec("insert into t values (5)"), 0);
    EXPECT_EQ(other.Exec("ROLLBACK WORK"), 0);
    EXPECT_EQ(other.Exec("commit"), 0);
    EXPECT_EQ(other.Count("t"), 2);
}

TEST_P(StatementTest, WritersWaitFailOnLocksAndDetectConflicts) {
    Client& a = Main();
    ASSERT_EQ(a.Exec("create table t(x int)"), 0);
    Client b(Lib());
    ASSERT_EQ(b.Connect(ConnStr()), 0);
    ASSERT_EQ(a.Exec("insert into t values (1)"), 0); // a holds the write lock

    ASSERT_EQ(b.Exec("set temporary option blocking = 'OFF'"), 0) << b.Message();
    EXPECT_EQ(b.Exec("insert into t values (2)"), DBLIB_E_ROW_LOCKED);
    EXPECT_EQ(b.State(), "42W18");
    ASSERT_EQ(b.Exec("set temporary option blocking = 'ON'"), 0);
    ASSERT_EQ(b.Exec("set temporary option blocking_timeout = 20"), 0) << b.Message();
    EXPECT_EQ(b.Exec("insert into t values (2)"), DBLIB_E_ROW_LOCKED);
    Lib().Commit(&a.ca);
    EXPECT_EQ(b.Exec("insert into t values (2)"), 0) << b.Message();
    Lib().Commit(&b.ca);

    // At isolation level 2 a transaction reads from its snapshot; writing after another
    // connection committed a change is a conflict.
    ASSERT_EQ(b.Exec("set temporary option isolation_level = 2"), 0);
    EXPECT_EQ(b.Count("t"), 2);
    ASSERT_EQ(a.Exec("insert into t values (3)"), 0);
    Lib().Commit(&a.ca);
    EXPECT_EQ(b.Count("t"), 2) << "reads repeat inside the transaction";
    EXPECT_EQ(b.Exec("insert into t values (4)"), DBLIB_E_DEADLOCK);
    EXPECT_EQ(b.State(), "40001");
    Lib().Rollback(&b.ca);
    EXPECT_EQ(b.Count("t"), 3);
}

TEST_P(StatementTest, SeveralStatementsInOneText) {
    Client& c = Main();
    EXPECT_EQ(c.Exec("create table m(x int); insert into m values (1); insert into m values (2);"), 0) << c.Message();
    EXPECT_EQ(c.Count("m"), 2);
    short s = c.Prepare("insert into m values (?); insert into m values (? + 10)");
    ASSERT_NE(s, 0) << c.Message();
    Sqlda in(Lib(), 2);
    int32_t v1 = 5, v2 = 6;
    SetInt(in[0], &v1);
    SetInt(in[1], &v2);
    in->sqld = 2;
    Lib().ExecuteInto(&c.ca, &s, in.get(), nullptr);
    EXPECT_EQ(c.Code(), 0) << c.Message();
    EXPECT_EQ(c.QueryText("select sum(x) from m"), "24");
}

INSTANTIATE_TEST_SUITE_P(Generations, StatementTest, ::testing::ValuesIn(BothGenerations()), GenerationName);
