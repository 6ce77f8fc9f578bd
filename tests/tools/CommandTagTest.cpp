// What follows a statement without rows: a row count for the statements that change rows, the
// command for the others (CREATE TABLE, not "0 rows affected"), nothing after MESSAGE.
#include "tools/tnxsql/CommandTag.h"

#include <gtest/gtest.h>

using tnxsql::CommandTag;

TEST(CommandTag, RowChangingStatementsCountRowsAndTheRestNameTheirCommand) {
    for (const char* sql : {"insert into t values (1)", "  UPDATE t SET a = 1", "delete from t",
                            "with x as (select 1) insert into t select * from x", "-- note\nreplace into t values (1)"})
        EXPECT_EQ(CommandTag(sql), std::nullopt) << sql;
    EXPECT_EQ(CommandTag("create table t(a int)"), "CREATE TABLE");
    EXPECT_EQ(CommandTag("CREATE UNIQUE INDEX i ON t(a)"), "CREATE INDEX");
    EXPECT_EQ(CommandTag("create temporary table if not exists t(a)"), "CREATE TABLE");
    EXPECT_EQ(CommandTag("create or replace view v as select 1"), "CREATE VIEW");
    EXPECT_EQ(CommandTag("/* setup */ drop table t"), "DROP TABLE");
    EXPECT_EQ(CommandTag("alter table t add column b int"), "ALTER TABLE");
    EXPECT_EQ(CommandTag("create variable v int"), "CREATE VARIABLE");
    EXPECT_EQ(CommandTag("set option public.blocking = 'off'"), "SET OPTION");
    EXPECT_EQ(CommandTag("set v = 3"), "SET");
    EXPECT_EQ(CommandTag("grant connect to bob identified by x"), "GRANT");
    EXPECT_EQ(CommandTag("commit"), "COMMIT");
    // MESSAGE prints its text as it runs; nothing more.
    EXPECT_EQ(CommandTag("message 'done' type info to client"), "");
}
