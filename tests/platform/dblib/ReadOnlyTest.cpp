// Read-only databases (the start-line switch -r, or -r among the database switches): read as they
// are, never written, no file made beside them, every change refused; a file made by another
// program without the library's catalogue opens as a new database's DBA. An empty file is no
// database and is left as it is.
#include "DbLibFixture.h"

#include <sqlite3.h>

#include <filesystem>
#include <fstream>
#include <sstream>

using namespace dbtest;

namespace {

std::string Bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

bool Exists(const std::string& path) {
    return std::filesystem::exists(path);
}

bool SideFiles(const std::string& db) {
    return Exists(db + "-wal") || Exists(db + "-shm") || Exists(db + "-journal");
}

class ReadOnly : public ::testing::TestWithParam<std::string> {
protected:
    void SetUp() override {
        Lib = std::make_unique<DbLib>(GetParam());
        Engine = tnxtest::UniqueName("ro");
        Db = CreateDatabase(*Lib, Dir.File("kept.db"));
        Client c(*Lib);
        ASSERT_EQ(c.Connect(ConnectString(Engine, Db)), 0) << c.Message();
        ASSERT_EQ(c.Exec("create table t(n int, s varchar(10))"), 0) << c.Message();
        ASSERT_EQ(c.Exec("insert into t values (1, 'one'), (2, 'two')"), 0) << c.Message();
        Lib->Commit(&c.ca);
        c.Disconnect(); // the engine stops with its last connection and closes the file
        ASSERT_FALSE(SideFiles(Db));
    }
    tnxtest::TempDir Dir;
    std::unique_ptr<DbLib> Lib;
    std::string Engine;
    std::string Db;
};

} // namespace

TEST_P(ReadOnly, AReadOnlyDatabaseIsReadAndNeverWritten) {
    const std::string before = Bytes(Db);
    {
        Client c(*Lib);
        ASSERT_EQ(c.Connect(ConnectString(Engine, Db) + ";dbs=-r"), 0) << c.Message();
        EXPECT_EQ(c.Count("t"), 2);
        EXPECT_FALSE(SideFiles(Db)) << "nothing is made beside the file";
        EXPECT_EQ(c.Exec("insert into t values (3, 'three')"), -757);
        EXPECT_EQ(c.Exec("create table u(a int)"), -757);
        EXPECT_EQ(c.Count("t"), 2);
        c.Disconnect();
    }
    // Started with -r on the engine's start line, as a session started on a file does.
    {
        Client c(*Lib);
        std::string start = "start=dbeng6.exe -r;dbf=" + Db + ";eng=" + Engine;
        Lib->db_start_engine(&c.ca, start.data());
        ASSERT_EQ(c.Code(), 0) << c.Message();
        ASSERT_EQ(c.Connect("eng=" + Engine + ";dbn=kept;uid=DBA;pwd=SQL"), 0) << c.Message();
        EXPECT_EQ(c.QueryText("select s from t where n = 2"), "two");
        EXPECT_EQ(c.Exec("update t set s = 'x'"), -757);
        c.Disconnect();
        std::string stop = "eng=" + Engine;
        Lib->db_stop_engine(&c.ca, stop.data());
    }
    EXPECT_FALSE(SideFiles(Db));
    EXPECT_EQ(Bytes(Db), before) << "the file is exactly as it was";
}

TEST_P(ReadOnly, AFileOfAnotherProgramOpensAsANewDatabasesDbaAndStaysAsItIs) {
    const std::string foreign = Dir.File("foreign.db");
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(foreign.c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, "create table album(id integer primary key, title text); "
                               "insert into album(title) values ('Wave'), ('Stone Flower');",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(db);
    const std::string before = Bytes(foreign);

    Client wrong(*Lib);
    EXPECT_EQ(wrong.Connect(ConnectString(tnxtest::UniqueName("fr"), foreign, "DBA", "nope") + ";dbs=-r"), -103);
    EXPECT_FALSE(SideFiles(foreign)) << "a failed open leaves nothing behind";

    Client c(*Lib);
    ASSERT_EQ(c.Connect(ConnectString(tnxtest::UniqueName("fr"), foreign) + ";dbs=-r"), 0) << c.Message();
    EXPECT_EQ(c.QueryText("select title from album where id = 2"), "Stone Flower");
    c.Disconnect();
    EXPECT_EQ(Bytes(foreign), before) << "no catalogue was added";
    EXPECT_FALSE(SideFiles(foreign));
}

TEST_P(ReadOnly, AnEmptyFileIsNoDatabase) {
    const std::string empty = Dir.File("empty.db");
    std::ofstream(empty).close();
    for (const std::string& extra : {std::string(), std::string(";dbs=-r")}) {
        Client c(*Lib);
        EXPECT_EQ(c.Connect(ConnectString(tnxtest::UniqueName("em"), empty) + extra), -82);
        EXPECT_NE(c.Message().find("an empty file, not a database"), std::string::npos) << c.Message();
        EXPECT_EQ(std::filesystem::file_size(empty), 0u);
        EXPECT_FALSE(SideFiles(empty));
    }
}

INSTANTIATE_TEST_SUITE_P(Generations, ReadOnly, ::testing::ValuesIn(BothGenerations()), GenerationName);
