// Connection strings taken apart and merged with the options into the session's login properties:
// quoting, which keys become properties, who wins, the defaults, and refusals that never quote the
// password.
#include "tools/tnxsql/LoginPlan.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace tnxsql {
namespace {

ConnectSettings WithText(std::string text) {
    ConnectSettings s;
    s.ConnectionString = std::move(text);
    return s;
}

std::string RefusalOf(const ConnectSettings& s) {
    try {
        PlanLogin(s);
    } catch (const BackendError& e) {
        EXPECT_EQ(e.Code(), 0);
        return e.what();
    }
    ADD_FAILURE() << "not refused";
    return {};
}

TEST(LoginPlan, SplitsPartsKeepingQuotedSemicolonsAndDoubledQuotes) {
    auto parts = SplitConnectionString(" eng = sales ;; pwd='a;b''c' ; dbf=\"/x y/s.db\";links=tcpip ");
    ASSERT_EQ(parts.size(), 4u);
    EXPECT_EQ(parts[0].Key, "eng");
    EXPECT_EQ(parts[0].Value, "sales");
    EXPECT_EQ(parts[1].Value, "a;b'c");
    EXPECT_EQ(parts[2].Value, "/x y/s.db");
    EXPECT_EQ(parts[3].Text, "links=tcpip");
    EXPECT_TRUE(SplitConnectionString("  ; ;").empty());
}

TEST(LoginPlan, MalformedTextIsRefusedWithoutQuotingIt) {
    for (const char* text : {"uid=dba;pwd='Sekr3t!", "uid=dba;Sekr3t!", "=Sekr3t!"}) {
        try {
            SplitConnectionString(text);
            ADD_FAILURE() << text << " was accepted";
        } catch (const BackendError& e) {
            EXPECT_EQ(std::string(e.what()).find("Sekr3t"), std::string::npos) << e.what();
            EXPECT_EQ(e.Code(), 0);
        }
    }
}

TEST(LoginPlan, KeysOfTheSessionBecomePropertiesAndTheRestStays) {
    LoginPlan p =
        PlanLogin(WithText("EngineName=e1;links=tcpip;DBF=shop.db;UserID=ann;Password=pw;astop=no"));
    EXPECT_EQ(p.Engine, "e1");
    EXPECT_EQ(p.User, "ann");
    EXPECT_EQ(p.Password.View(), "pw");
    EXPECT_TRUE(p.StartEngine);
    // The password never rides along in the extra parameters, which keep their order and text.
    EXPECT_EQ(p.ClientParams, "links=tcpip;astop=no");
    // A relative file becomes absolute: the session changes folders around connecting.
    EXPECT_EQ(p.Database, (std::filesystem::current_path() / "shop.db").lexically_normal().string());
}

TEST(LoginPlan, OptionsWinOverTheConnectionString) {
    ConnectSettings s = WithText("eng=text;dbf=/a/text.db;uid=text;pwd=text");
    s.EngineName = "opt";
    s.DatabaseFile = "/b/opt.db";
    s.User = "optuser";
    s.Password = Secret("optpw");
    LoginPlan p = PlanLogin(s);
    EXPECT_EQ(p.Engine, "opt");
    EXPECT_EQ(p.Database, "/b/opt.db");
    EXPECT_EQ(p.User, "optuser");
    EXPECT_EQ(p.Password.View(), "optpw");
}

TEST(LoginPlan, DefaultsOnlyWhenNeitherUserNorPasswordIsGiven) {
    ConnectSettings file;
    file.DatabaseFile = "/d/sales.db";
    LoginPlan d = PlanLogin(file);
    EXPECT_EQ(d.User, "DBA");
    EXPECT_EQ(d.Password.View(), "SQL");

    // A user without a password does not get the administrator's password.
    file.User = "ann";
    LoginPlan u = PlanLogin(file);
    EXPECT_EQ(u.User, "ann");
    EXPECT_TRUE(u.Password.Empty());
    LoginPlan t = PlanLogin(WithText("dbf=/d/sales.db;pwd=x"));
    EXPECT_EQ(t.User, "");
    EXPECT_EQ(t.Password.View(), "x");
}

TEST(LoginPlan, DatabaseNamesAgainstFiles) {
    // Without a file the name selects a running database; the engine is not started.
    ConnectSettings byName = WithText("eng=e;dbn=sales");
    LoginPlan n = PlanLogin(byName);
    EXPECT_EQ(n.Database, "sales");
    EXPECT_FALSE(n.StartEngine);
    // With a file the name must be the file's (letter case aside); another is refused.
    ConnectSettings s;
    s.DatabaseFile = "/d/Sales.db";
    s.DatabaseName = "SALES";
    EXPECT_EQ(PlanLogin(s).Database, "/d/Sales.db");
    s.DatabaseName = "other";
    EXPECT_NE(RefusalOf(s).find("named after it ('Sales')"), std::string::npos);
    // A name the session would read as a file is refused.
    EXPECT_NE(RefusalOf(WithText("dbn=sales.db")).find("'.', '/' or '\\'"), std::string::npos);
    // Nothing named: the engine's first database.
    LoginPlan none = PlanLogin(WithText("eng=e"));
    EXPECT_EQ(none.Database, "");
    EXPECT_FALSE(none.StartEngine);
}

TEST(LoginPlan, FilePrefixReadsBothDelimiters) {
    EXPECT_EQ(FilePrefix("/data/sales.db"), "sales");
    EXPECT_EQ(FilePrefix("C:\\data\\sales.db"), "sales");
    EXPECT_EQ(FilePrefix("/data.d/sales"), "sales");
    EXPECT_EQ(FilePrefix("archive.2026.db"), "archive.2026");
}

} // namespace
} // namespace tnxsql
