// Which connection strings name a network server, the control calls a server refuses, and how a
// connection attempt that cannot succeed is reported.
#include "PgTestSupport.h"

#include "platform/dblib/Backend.h"
#include "platform/dblib/pg/PgStatement.h"

#include <gtest/gtest.h>

using namespace tnxdb;
using namespace tnxtest;

namespace {

std::optional<ServerTarget> TargetOf(const std::string& text) { return FindServerTarget(ParseConnectionString(text)); }

TEST(PgTarget, LinksAndHostNameTheServer) {
    auto t = TargetOf("links=tcpip(host=db.example;port=5433);dbn=sales;uid=ann;pwd=x");
    ASSERT_TRUE(t);
    EXPECT_EQ(t->Host, "db.example");
    EXPECT_EQ(t->Port, 5433);
    EXPECT_EQ(t->Tls, ServerTls::None);
    // The short form, the other link brackets, and another link before the TCP/IP one.
    t = TargetOf("Host=10.0.0.7:6000;Encryption=tls");
    ASSERT_TRUE(t);
    EXPECT_EQ(t->Host, "10.0.0.7");
    EXPECT_EQ(t->Port, 6000);
    EXPECT_EQ(t->Tls, ServerTls::Require);
    t = TargetOf("CommLinks=shmem,TCPIP{HOST=[::1]:7000};sslmode=verify-full");
    ASSERT_TRUE(t);
    EXPECT_EQ(t->Host, "::1");
    EXPECT_EQ(t->Port, 7000);
    EXPECT_EQ(t->Tls, ServerTls::VerifyFull);
    // The parameters after a link still count.
    ConnParams p = ParseConnectionString("links=tcpip(host=h;port=1);uid=bob;pwd='a;b'");
    EXPECT_EQ(p.Get(ConnKey::UserId), "bob");
    EXPECT_EQ(p.Get(ConnKey::Password), "a;b");
}

TEST(PgTarget, LinksWithoutHostKeepTheEngineInProcess) {
    EXPECT_FALSE(TargetOf("eng=e1;links=tcpip"));
    EXPECT_FALSE(TargetOf("eng=e1;links=all"));
    EXPECT_FALSE(TargetOf("eng=e1;dbf=x.db"));
    // Text that never closes its parenthesis parses as it always did.
    ConnParams p = ParseConnectionString("links=tcpip(x;uid=ann");
    EXPECT_EQ(p.Get(ConnKey::UserId), "ann");
}

TEST(PgTarget, PasswordsWithParenthesesStayMasked) {
    // A password may now hold a ';' inside parentheses; no piece of it survives masking.
    ConnParams p = ParseConnectionString("uid=ann;pwd=ab(cd;efgh)");
    EXPECT_EQ(p.Get(ConnKey::Password), "ab(cd;efgh)");
    EXPECT_EQ(MaskPasswords("uid=ann;pwd=ab(cd;efgh)").find("efgh"), std::string::npos);
    EXPECT_EQ(MaskPasswords("links=tcpip(host=h;pwd=inner1)").find("inner1"), std::string::npos);
}

TEST(PgTarget, MalformedLinksAreParseErrors) {
    for (const char* bad : {"links=tcpip(host=h;port=0)", "links=tcpip(host=h;port=70000)", "host=h:12x",
                            "host=:5432", "links=tcpip(host=h;port)", "host=h;encryption=maybe",
                            "host=[::1"}) {
        SCOPED_TRACE(bad);
        EXPECT_EQ(CodeOf([&] { TargetOf(bad); }), DBLIB_E_PARSE);
    }
}

TEST(PgTarget, MarkersBecomeNumberedParametersAndCastsStayCasts) {
    size_t markers = 0;
    EXPECT_EQ(pg::ServerText("SELECT a::text, ':x', \"?\" FROM t WHERE b = :key AND c = ? -- :no\n;", markers),
              "SELECT a::text, ':x', \"?\" FROM t WHERE b = $1 AND c = $2 -- :no");
    EXPECT_EQ(markers, 2u);
}

TEST(PgTarget, ControlCallsAreRefusedWithTheirCodes) {
    EXPECT_EQ(CodeOf([] { RefuseOnServer(ServerControl::StartEngine); }), DBLIB_E_START_STOP_DENIED);
    EXPECT_EQ(CodeOf([] { RefuseOnServer(ServerControl::StopEngine); }), DBLIB_E_START_STOP_DENIED);
    EXPECT_EQ(CodeOf([] { RefuseOnServer(ServerControl::StartDatabase); }), DBLIB_E_START_STOP_DENIED);
    EXPECT_EQ(CodeOf([] { RefuseOnServer(ServerControl::StopDatabase); }), DBLIB_E_START_STOP_DENIED);
    EXPECT_EQ(CodeOf([] { RefuseOnServer(ServerControl::Backup); }), DBLIB_E_PERMISSION);
}

TEST(PgConnect, FailedConnectionsSayWhy) {
    TNX_REQUIRE_PG_SERVER();
    const PgServerParams& s = PgTestServer::Instance().Params();
    const std::string at = "links=tcpip(host=" + s.Host + ";port=" + std::to_string(s.Port) + ")";
    auto connect = [](const std::string& text) {
        ConnParams p = ParseConnectionString(text);
        pg::PgBackend::Connect(*FindServerTarget(p), p);
    };
    EXPECT_EQ(CodeOf([&] { connect(at + ";dbn=" + s.Database + ";uid=" + s.User + ";pwd=wrong"); }), DBLIB_E_BAD_USER);
    EXPECT_EQ(CodeOf([&] { connect(at + ";dbn=" + s.Database + ";uid=nobody_here;pwd=x"); }), DBLIB_E_BAD_USER);
    EXPECT_EQ(CodeOf([&] { connect(at + ";dbn=no_such_db;uid=" + s.User + ";pwd=" + s.Password); }),
              DBLIB_E_DB_NOT_FOUND);
    // A loopback port where no server listens: port 1 is privileged and unused here.
    EXPECT_EQ(CodeOf([&] { connect("host=127.0.0.1:1;uid=a;pwd=b"); }), DBLIB_E_ENGINE_NOT_FOUND);
    // The password never shows in what is reported.
    try {
        connect(at + ";dbn=" + s.Database + ";uid=" + s.User + ";pwd=Secret-Word-77");
    } catch (const DbError& e) {
        EXPECT_EQ(FormatMessage(e.Code(), e.P1(), e.P2()).find("Secret-Word-77"), std::string::npos);
    }
    ConnParams ok = ParseConnectionString(PgTestServer::Instance().ConnectionString());
    EXPECT_NO_THROW(pg::PgBackend::PingServer(*FindServerTarget(ok), ok, true));
    ConnParams closed = ParseConnectionString("host=127.0.0.1:1");
    EXPECT_EQ(CodeOf([&] { pg::PgBackend::PingServer(*FindServerTarget(closed), closed, false); }),
              DBLIB_E_ENGINE_NOT_FOUND);
}

} // namespace
