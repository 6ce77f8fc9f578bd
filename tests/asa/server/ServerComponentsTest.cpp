// The components against the in-process engine and against a database server, asserting the same
// outcomes: the session connects and disconnects, the statement executes, reads, carries long
// values and changes rows through its cursor, the dataset walks, edits, posts, deletes and keeps
// bookmarks. Then what only a server has: a second client process on the same database, a server
// stopped under an open cursor, a cancel of a long request, and server notices.
#include "AsaTestSupport.h"
#include "asa/dataset/TnxAsaDS.h"
#include "support/PgTestServer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#ifndef TNX_TNXSQL_PATH
#error "TNX_TNXSQL_PATH must name the tnxsql program (the second client process)"
#endif

using namespace tnx;
using namespace asatest;
using vcl::Variant;

namespace {

// "engine/<library>" or "server/<library>".
bool OnServer(const std::string& param) { return param.rfind("server/", 0) == 0; }
std::string LibraryOf(const std::string& param) { return param.substr(param.find('/') + 1); }

// Points a session at the test program's server.
void UseServer(TAsaSession& s) {
    const auto& p = tnxtest::PgTestServer::Instance().Params();
    s.SetServerType(stClient);
    s.SetClientParams("links=tcpip(host=" + p.Host + ";port=" + std::to_string(p.Port) + ")");
    s.SetLoginDatabase(p.Database);
    s.SetLoginUser(p.User);
    s.SetLoginPassword(p.Password);
}

class Components : public ::testing::TestWithParam<std::string> {
protected:
    void SetUp() override {
        if (OnServer(GetParam())) TNX_REQUIRE_PG_SERVER();
        FSession = NewSession();
        FSession->SetConnected(true);
        ASSERT_TRUE(FSession->GetConnected());
        Table = tnxtest::UniqueName("c");
    }
    void TearDown() override { FSession.reset(); }

    vcl::TOwned<TAsaSession> NewSession() {
        auto s = asatest::NewSession(LibraryOf(GetParam()));
        if (OnServer(GetParam())) {
            UseServer(*s);
        } else {
            if (DbFile.empty()) {
                Engine = tnxtest::UniqueName("eng");
                DbFile = CreateDatabaseFile(Dir.File("parity.db"));
            }
            UseDatabase(*s, Engine, DbFile);
        }
        return s;
    }
    TAsaSession& S() { return *FSession; }
    void Run(const std::string& sql) { ASSERT_EQ(Exec(S(), sql), 0) << sql; }
    std::string BlobType() const { return OnServer(GetParam()) ? "bytea" : "long binary"; }
    // The table (n integer primary key, s varchar(20)) with rows 0 .. rows-1, "row <n>"; committed.
    void MakeRows(int rows) {
        Run("create table " + Table + " (n integer primary key, s varchar(20))");
        auto sql = vcl::New<TAsaSQL>();
        sql->SetSession(&S());
        for (int n = 0; n < rows; ++n)
            ASSERT_TRUE(sql->Execute("insert into " + Table + " values (?, ?)",
                                     {int32_t(n), Variant("row " + std::to_string(n))}));
        Run("commit");
    }
    vcl::TOwned<TAsaSQL> NewSQL() {
        auto sql = vcl::New<TAsaSQL>();
        sql->SetSession(&S());
        return sql;
    }
    vcl::TOwned<TAsaDataset> NewDataset(const std::string& text, bool readOnly) {
        auto ds = vcl::New<TAsaDataset>();
        ds->SetSession(&S());
        ds->SetReadOnly(readOnly);
        ds->GetSQL()->SetText(text);
        return ds;
    }
    static std::vector<std::string> Column(TAsaDataset& ds, const char* field) {
        std::vector<std::string> values;
        for (ds.First(); !ds.GetEof(); ds.Next()) values.push_back(ds.FieldByName(field)->GetAsString());
        return values;
    }

    tnxtest::TempDir Dir;
    std::string Engine, DbFile, Table;

private:
    vcl::TOwned<TAsaSession> FSession;
};

TEST_P(Components, SessionConnectsDisconnectsAndKeepsWhatWasCommitted) {
    MakeRows(3);
    EXPECT_EQ(QueryInt(S(), "select count(*) from " + Table), 3);
    Run("insert into " + Table + " values (10, 'ten')");
    Run("rollback");
    EXPECT_EQ(QueryInt(S(), "select count(*) from " + Table), 3);
    S().SetConnected(false);
    EXPECT_FALSE(S().GetConnected());
    S().SetConnected(true);
    ASSERT_TRUE(S().GetConnected());
    EXPECT_EQ(QueryInt(S(), "select max(n) from " + Table), 2);
}

TEST_P(Components, StatementExecutesReadsAndScrolls) {
    MakeRows(60);
    auto sql = NewSQL();
    ASSERT_TRUE(sql->Execute("update " + Table + " set s = ? where n >= ?", {Variant("big"), int32_t(50)}));
    EXPECT_EQ(sql->GetRowsProcessed(), 10);
    sql->SetUniDirectional(false);
    ASSERT_TRUE(sql->OpenRead("select n, s from " + Table + " where n >= ? order by n", {int32_t(5)}));
    std::vector<long> rows;
    while (!sql->GetEOF()) {
        rows.push_back(TCorvexSQL::SetVarToInt(sql->GetFieldValue(int32_t(0))));
        sql->Next();
    }
    ASSERT_EQ(rows.size(), 55u);
    EXPECT_EQ(rows.front(), 5);
    EXPECT_EQ(rows.back(), 59);
    ASSERT_TRUE(sql->First());
    EXPECT_EQ(vcl::VarToStr(sql->GetFieldValue("s")), "row 5");
    ASSERT_TRUE(sql->Last());
    EXPECT_EQ(vcl::VarToStr(sql->GetFieldValue("s")), "big");
    // A failing statement reports the library's code and leaves the connection usable.
    sql->SetWantExceptions(false);
    EXPECT_FALSE(sql->Execute("insert into " + Table + " values (?, ?)", {int32_t(5), Variant("dup")}));
    EXPECT_EQ(sql->GetLastErrorCode(), DBLIB_E_PRIMARY_KEY);
    EXPECT_EQ(QueryInt(S(), "select count(*) from " + Table), 60);
}

TEST_P(Components, LongBinaryValuesGoInAndComeBackWhole) {
    Run("create table " + Table + " (id integer primary key, v " + BlobType() + ")");
    for (const int32_t size : {100, 32768, 300001}) {
        std::string bytes(static_cast<size_t>(size), '\0');
        for (int32_t i = 0; i < size; ++i) bytes[static_cast<size_t>(i)] = static_cast<char>((i * 131) ^ (i >> 9));
        auto sql = NewSQL();
        ASSERT_TRUE(sql->Execute("insert into " + Table + " values (?, ?)",
                                 {size, TCorvexSQL::StrToVarByte(bytes.data(), size)}));
        ASSERT_TRUE(sql->OpenRead("select v from " + Table + " where id = ?", {size}));
        const Variant back = sql->GetFieldValue(int32_t(0));
        ASSERT_EQ(vcl::VarArrayHighBound(back, 1) + 1, size);
        EXPECT_EQ(std::memcmp(vcl::VarArrayLock(back), bytes.data(), bytes.size()), 0) << size;
        vcl::VarArrayUnlock(back);
    }
    Run("commit");
}

TEST_P(Components, StatementChangesRowsThroughItsCursor) {
    MakeRows(5);
    auto sql = NewSQL();
    sql->SetUniDirectional(false);
    ASSERT_TRUE(sql->OpenWrite("select n, s from " + Table + " order by n"));
    ASSERT_TRUE(sql->Next());
    sql->SetFieldValue("s", Variant("changed"));
    ASSERT_TRUE(sql->Modify());
    EXPECT_EQ(vcl::VarToStr(sql->GetFieldValue("s")), "changed");
    ASSERT_TRUE(sql->Next());
    ASSERT_TRUE(sql->Delete());
    Run("commit");
    EXPECT_EQ(QueryInt(S(), "select count(*) from " + Table + " where n = 1 and s = 'changed'"), 1);
    EXPECT_EQ(QueryInt(S(), "select count(*) from " + Table), 4);
}

TEST_P(Components, DatasetWalksEditsPostsDeletesAndKeepsBookmarks) {
    MakeRows(20);
    auto ds = NewDataset("select n, s from " + Table + " order by n", false);
    ds->Open();
    EXPECT_EQ(ds->GetRecordCount(), 20);
    ds->MoveBy(3);
    const vcl::TBookmark fourth = ds->GetBookmark();
    ds->MoveBy(5);
    EXPECT_EQ(ds->FieldByName("N")->GetAsInteger(), 8);
    ds->Edit();
    ds->FieldByName("S")->SetAsString("edited");
    ds->Post();
    EXPECT_EQ(ds->FieldByName("S")->GetAsString(), "edited");
    EXPECT_EQ(ds->GetRecNo(), 9);
    ds->GotoBookmark(fourth);
    EXPECT_EQ(ds->FieldByName("N")->GetAsInteger(), 3);
    ds->Delete();
    EXPECT_EQ(ds->FieldByName("N")->GetAsInteger(), 4) << "the record after the deleted one";
    ds->Append();
    ds->FieldByName("N")->SetAsInteger(100);
    ds->FieldByName("S")->SetAsString("appended");
    ds->Post();
    EXPECT_EQ(ds->GetRecordCount(), 20);
    const std::vector<std::string> n = Column(*ds, "N");
    ASSERT_EQ(n.size(), 20u);
    EXPECT_EQ(n[2], "2");
    EXPECT_EQ(n[3], "4");
    EXPECT_EQ(n.back(), "100");
    ds->Close();
    Run("commit");
    EXPECT_EQ(QueryInt(S(), "select count(*) from " + Table + " where s = 'edited' and n = 8"), 1);
    EXPECT_EQ(QueryInt(S(), "select count(*) from " + Table + " where n = 3"), 0);
}

INSTANTIATE_TEST_SUITE_P(Targets, Components,
                         ::testing::Values("engine/libdblib7.so", "server/libdblib7.so", "server/libdblib6.so"),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                             return std::string(OnServer(info.param) ? "server" : "engine") +
                                    (info.param.find("dblib7") != std::string::npos ? "7" : "6");
                         });

// ---- Only on a server ---------------------------------------------------------------------------

class ServerOnly : public ::testing::Test {
protected:
    void SetUp() override {
        TNX_REQUIRE_PG_SERVER();
        FSession = asatest::NewSession("libdblib7.so");
        UseServer(*FSession);
        FSession->SetConnected(true);
        ASSERT_TRUE(FSession->GetConnected());
        Table = tnxtest::UniqueName("s");
    }
    void TearDown() override { FSession.reset(); }
    TAsaSession& S() { return *FSession; }
    void Run(const std::string& sql) { ASSERT_EQ(Exec(S(), sql), 0) << sql; }
    // Runs statements in a separate client process (tnxsql); returns what it printed.
    static std::string OtherProcess(const std::vector<std::string>& statements) {
        std::string command = std::string("'") + TNX_TNXSQL_PATH + "' -c '" +
                              tnxtest::PgTestServer::Instance().ConnectionString() + "'";
        for (const auto& s : statements) command += " \"" + s + "\"";
        command += " 2>&1";
        std::string out;
        if (FILE* p = ::popen(command.c_str(), "r")) {
            char buf[512];
            while (size_t n = std::fread(buf, 1, sizeof buf, p)) out.append(buf, n);
            ::pclose(p);
        }
        return out;
    }
    std::string Table;

private:
    vcl::TOwned<TAsaSession> FSession;
};

TEST_F(ServerOnly, TwoClientProcessesShareOneDatabase) {
    Run("create table " + Table + " (n integer primary key, s varchar(20))");
    Run("insert into " + Table + " values (1, 'from the session')");
    // Not committed yet: the other process does not see it.
    EXPECT_NE(OtherProcess({"select count(*) as rows_seen from " + Table}).find(" 0 |"), std::string::npos);
    Run("commit");
    const std::string seen = OtherProcess({"select s from " + Table + " where n = 1"});
    EXPECT_NE(seen.find("from the session"), std::string::npos) << seen;
    // What the other process commits, the session sees.
    const std::string inserted = OtherProcess({"insert into " + Table + " values (2, 'from tnxsql')"});
    EXPECT_NE(inserted.find("1 row"), std::string::npos) << inserted;
    EXPECT_EQ(QueryInt(S(), "select count(*) from " + Table), 2);
}

TEST_F(ServerOnly, ServerStoppedUnderAnOpenCursorEndsTheSessionAndKeepsWhatWasCommitted) {
    auto& server = tnxtest::PgTestServer::Instance();
    if (!server.Owned()) GTEST_SKIP() << "the server was not started by this program";
    Run("create table " + Table + " (n integer primary key)");
    Run("insert into " + Table + " select g from generate_series(1, 200) g");
    Run("commit");
    auto sql = vcl::New<TAsaSQL>();
    sql->SetSession(&S());
    sql->SetWantExceptions(false);
    ASSERT_TRUE(sql->OpenRead("select n from " + Table + " order by n"));
    // The server comes back whatever happens below: the other tests need it.
    struct Restart {
        tnxtest::PgTestServer& Server;
        bool Needed = true;
        ~Restart() {
            if (Needed) {
                EXPECT_TRUE(Server.Start()) << Server.LastError();
            }
        }
    } restart{server};
    ASSERT_TRUE(server.Stop()) << server.LastError();
    // Walking on reaches the end of the first block and asks the server for more.
    try {
        for (int i = 0; i < 200; ++i)
            if (!sql->Next()) break;
    } catch (const EAsaException&) {
        // A statement whose connection ended is closed: moving on raises.
    }
    EXPECT_EQ(S().GetLastErrorCode(), DBLIB_E_CONNECTION_ENDED);
    EXPECT_FALSE(S().GetConnected()) << "the session disconnects on a lost connection";
    sql.reset();
    restart.Needed = false;
    ASSERT_TRUE(server.Start()) << server.LastError();
    S().SetConnected(true);
    ASSERT_TRUE(S().GetConnected());
    EXPECT_EQ(QueryInt(S(), "select count(*) from " + Table), 200);
}

TEST_F(ServerOnly, CancelOfALongRequestReturnsPromptly) {
    auto sql = vcl::New<TAsaSQL>();
    sql->SetSession(&S());
    sql->SetWantExceptions(false);
    std::atomic<bool> done{false};
    // Asked again only when a cancel did not take within a second (one that reached the server
    // before the query started there is lost). Asked every few milliseconds, a second cancel could
    // still be on its way when the request ends and stop the next query instead.
    std::thread canceller([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        while (!done.load()) {
            S().Stop();
            for (int i = 0; i < 20 && !done.load(); ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    });
    const auto start = std::chrono::steady_clock::now();
    const bool ran = sql->Execute("select pg_sleep(30)");
    done = true;
    canceller.join();
    EXPECT_FALSE(ran);
    EXPECT_EQ(sql->GetLastErrorCode(), DBLIB_E_INTERRUPTED);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_EQ(QueryInt(S(), "select 3"), 3) << "code " << S().GetSqlca()->sqlcode;
}

TEST_F(ServerOnly, ServerNoticesReachTheSessionsMessageEvent) {
    std::vector<std::string> messages;
    S().SetOnServerMessage([&](vcl::TObject*, TServerMessageType type, int32_t, const vcl::AnsiString& msg) {
        messages.push_back(std::to_string(static_cast<int>(type)) + ":" + std::string(msg));
    });
    // The session registers its callbacks as it connects.
    S().SetConnected(false);
    S().SetConnected(true);
    Run("do $$ begin raise notice 'hello %', 'there'; raise warning 'careful'; end $$");
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0], std::to_string(static_cast<int>(smtInfo)) + ":hello there");
    EXPECT_EQ(messages[1], std::to_string(static_cast<int>(smtWarning)) + ":careful");
}

} // namespace
