// The engine's own tables (users with their password hashes, permanent options) are out of reach
// of SQL sent by clients, whoever the user: no statement may read, change, drop, shadow or hook
// them. Passwords compare exactly: letter case and blanks count.
#include "DbLibFixture.h"

using namespace dbtest;

namespace {

class SystemTableTest : public DbTest {
protected:
    void SetUp() override {
        DbTest::SetUp();
        ASSERT_EQ(Main().Exec("GRANT CONNECT TO joe IDENTIFIED BY 'Zq9Secret'"), 0) << Main().Message();
        ASSERT_EQ(Main().Exec("create table notes(id int)"), 0) << Main().Message();
        ASSERT_EQ(Main().Exec("commit"), 0);
    }
};

} // namespace

TEST_P(SystemTableTest, NoStatementReachesTheSystemTables) {
    Client joe(Lib());
    ASSERT_EQ(joe.Connect(ConnStr("joe", "Zq9Secret")), 0) << joe.Message();
    const std::string attach = "attach database '" + DbFile + "' as twin";
    const char* const attempts[] = {
        "select * from tnx_sysuser",
        "select hash from main.tnx_sysuser where user_name = 'DBA'",
        "select count(*) from TNX_SYSUSER",
        "select * from tnx_sysoption",
        "update tnx_sysuser set is_dba = 1 where user_name = 'joe'",
        "insert into tnx_sysuser(user_name, is_dba) values ('mallory', 1)",
        "delete from tnx_sysuser",
        "delete from tnx_sysoption",
        "drop table tnx_sysuser",
        "alter table tnx_sysuser rename to old_users",
        "alter table tnx_sysuser add column note text",
        "create index hashes on tnx_sysuser(hash)",
        "create trigger spy after update on tnx_sysuser begin insert into notes values (1); end",
        "create temp table tnx_sysuser(user_name text, salt blob, hash blob, is_dba int)",
        "create table notes2 as select * from tnx_sysuser",
        "pragma writable_schema = 1",
    };
    for (const char* sql : attempts) {
        EXPECT_EQ(joe.Exec(sql), DBLIB_E_PERMISSION) << sql << ": " << joe.Message();
        EXPECT_EQ(joe.Message().find("Zq9"), std::string::npos);
    }
    // A view or a trigger on a table of one's own does not open a way round: both are judged when
    // they are used.
    if (joe.Exec("create view peek as select * from tnx_sysuser") == 0)
        EXPECT_EQ(joe.Exec("select * from peek"), DBLIB_E_PERMISSION) << joe.Message();
    else
        EXPECT_EQ(joe.Code(), DBLIB_E_PERMISSION) << joe.Message();
    if (joe.Exec("create trigger lift after insert on notes begin "
                 "update tnx_sysuser set is_dba = 1 where user_name = 'joe'; end") == 0)
        EXPECT_EQ(joe.Exec("insert into notes values (2)"), DBLIB_E_PERMISSION) << joe.Message();
    else
        EXPECT_EQ(joe.Code(), DBLIB_E_PERMISSION) << joe.Message();
    // The same file under another name is the same file.
    ASSERT_EQ(joe.Exec(attach), 0) << joe.Message();
    EXPECT_EQ(joe.Exec("select * from twin.tnx_sysuser"), DBLIB_E_PERMISSION) << joe.Message();
    EXPECT_EQ(joe.Exec("update twin.tnx_sysuser set is_dba = 1"), DBLIB_E_PERMISSION) << joe.Message();
    // The DBA is held to the same rule: users change through GRANT and REVOKE only.
    EXPECT_EQ(Main().Exec("select * from tnx_sysuser"), DBLIB_E_PERMISSION) << Main().Message();
    EXPECT_EQ(Main().Exec("update tnx_sysuser set is_dba = 1"), DBLIB_E_PERMISSION) << Main().Message();

    // joe has not become DBA: what only a DBA may do is still refused, and after a new connect too.
    EXPECT_EQ(joe.Exec("GRANT DBA TO joe"), DBLIB_E_PERMISSION);
    joe.Disconnect();
    ASSERT_EQ(joe.Connect(ConnStr("joe", "Zq9Secret")), 0) << joe.Message();
    EXPECT_EQ(joe.Exec("GRANT CONNECT TO eve IDENTIFIED BY x"), DBLIB_E_PERMISSION);

    // The engine's own use of the tables goes on: users are granted, checked and revoked.
    ASSERT_EQ(Main().Exec("GRANT CONNECT TO eve IDENTIFIED BY 'Ev3Pw'"), 0) << Main().Message();
    Client eve(Lib());
    EXPECT_EQ(eve.Connect(ConnStr("eve", "Ev3Pw")), 0) << eve.Message();
    eve.Disconnect();
    ASSERT_EQ(Main().Exec("REVOKE CONNECT FROM eve"), 0) << Main().Message();
    EXPECT_EQ(eve.Connect(ConnStr("eve", "Ev3Pw")), DBLIB_E_BAD_USER);
}

TEST_P(SystemTableTest, PasswordsCompareExactly) {
    Client joe(Lib());
    const std::string base = "eng=" + Engine + ";dbn=test;uid=joe;pwd=";
    for (const char* wrong : {"zq9secret", "ZQ9SECRET", "Zq9SECRET", "'Zq9Secret '", "\" Zq9Secret\"", "Zq9Secre"}) {
        EXPECT_EQ(joe.Connect(base + wrong), DBLIB_E_BAD_USER) << wrong;
        if (joe.Code() == 0) joe.Disconnect();
    }
    EXPECT_EQ(joe.Connect(base + "Zq9Secret"), 0) << joe.Message();
    joe.Disconnect();

    // A password may hold blanks at either end, and they count.
    ASSERT_EQ(Main().Exec("GRANT CONNECT TO ann IDENTIFIED BY ' padded '"), 0) << Main().Message();
    Client ann(Lib());
    const std::string annBase = "eng=" + Engine + ";dbn=test;uid=ann;pwd=";
    EXPECT_EQ(ann.Connect(annBase + "padded"), DBLIB_E_BAD_USER);
    EXPECT_EQ(ann.Connect(annBase + "' padded'"), DBLIB_E_BAD_USER);
    EXPECT_EQ(ann.Connect(annBase + "' padded '"), 0) << ann.Message();
}

INSTANTIATE_TEST_SUITE_P(Generations, SystemTableTest, ::testing::ValuesIn(BothGenerations()), GenerationName);
