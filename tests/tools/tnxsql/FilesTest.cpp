// The built program and the files it is given: --readonly reads a database without writing to it
// or beside it, also in a folder the user cannot write (where a plain open of a file the user
// cannot write is read-only too); a failed open leaves no log files behind; an empty file is no
// database, with a hint, and --create makes one in it; --create with SQL in place of the file name
// makes nothing.
#include "Program.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

using tnxsqltest::Outcome;
using tnxsqltest::ReadFile;
using tnxsqltest::RunProgram;
using tnxsqltest::RunSetup;

namespace {

namespace fs = std::filesystem;

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

bool SideFiles(const std::string& db) {
    return fs::exists(db + "-wal") || fs::exists(db + "-shm") || fs::exists(db + "-journal");
}

// A database with a table of three rows, closed (no log files beside it).
void MakeDatabase(const std::string& db) {
    Outcome o = RunProgram({"--quiet", "--create", db, "create table t(n int, s varchar(10))",
                            "insert into t values (1, 'one'), (2, 'two'), (3, 'three')"});
    ASSERT_EQ(o.Status, 0) << o.Err;
    ASSERT_FALSE(SideFiles(db));
}

// Runs as a user who may read the folder of `db` but not write it: the test runs as root, whom no
// permission stops, so the program runs as nobody then; otherwise the folder is made read-only.
class ReadOnlyFolder {
public:
    explicit ReadOnlyFolder(const tnxtest::TempDir& dir) : FFolder(dir.File("ro")) {
        fs::create_directory(FFolder);
        chmod(dir.Path().c_str(), 0755);
    }
    ~ReadOnlyFolder() { chmod(FFolder.c_str(), 0755); }
    std::string File(const std::string& name) const { return FFolder + "/" + name; }
    // Call when the folder holds what it should.
    // Its files are readable and not writable for that user.
    RunSetup Lock() {
        RunSetup setup;
        const bool root = geteuid() == 0;
        if (root) setup.User = 65534; // nobody
        for (const auto& entry : fs::directory_iterator(FFolder))
            chmod(entry.path().c_str(), root ? 0644 : 0444);
        chmod(FFolder.c_str(), 0555);
        return setup;
    }

private:
    std::string FFolder;
};

// A database in a folder that the program's user will not be able to write.
class ReadOnlyFiles : public ::testing::Test {
protected:
    void SetUp() override { MakeDatabase(Db); }
    tnxtest::TempDir Dir;
    ReadOnlyFolder Folder{Dir};
    std::string Db = Folder.File("kept.db");
};

} // namespace

TEST(Files, ReadOnlyReadsAndNeverWritesNotEvenBesideTheFile) {
    tnxtest::TempDir dir;
    const std::string db = dir.File("shop.db");
    MakeDatabase(db);
    const std::string before = ReadFile(db);
    Outcome o = RunProgram({"--readonly", "-F", "csv", db, "select count(*) as n from t", "insert into t values (4, 'four')",
                            "select s from t where n = 2"});
    EXPECT_EQ(o.Status, 0) << o.Err;
    EXPECT_EQ(o.Out, "n\r\n3\r\n\r\ns\r\ntwo\r\n");
    EXPECT_TRUE(Contains(o.Err, "Error -757: Modifications not permitted for read-only database")) << o.Err;
    EXPECT_EQ(ReadFile(db), before);
    EXPECT_FALSE(SideFiles(db));
}

TEST_F(ReadOnlyFiles, AReadOnlyFolderOpensForReading) {
    const std::string& db = Db;
    const RunSetup user = Folder.Lock();
    // With --readonly, and without it (the file cannot be written: it is served read-only).
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--readonly", db}, std::vector<std::string>{db}}) {
        std::vector<std::string> run = args;
        run.insert(run.begin(), {"-F", "csv"});
        run.push_back("select s from t order by n");
        Outcome o = RunProgram(run, "", "/nonexistent", user);
        EXPECT_EQ(o.Status, 0) << o.Err;
        EXPECT_EQ(o.Out, "s\r\none\r\ntwo\r\nthree\r\n") << o.Err;
        EXPECT_FALSE(SideFiles(db));
    }
}

TEST_F(ReadOnlyFiles, AFailedOpenLeavesNoLogFilesBehind) {
    const std::string& db = Db;
    const tnxtest::TempDir& dir = Dir;
    RunSetup user = Folder.Lock();
    // The folder is writable again, the file is not: a wrong password ends the open.
    chmod(dir.File("ro").c_str(), 0777);
    chmod(db.c_str(), 0444);
    std::ofstream(dir.File("pw")) << "wrong\n";
    chmod(dir.File("pw").c_str(), 0644);
    Outcome o = RunProgram({"-u", "DBA", "--password-file", dir.File("pw"), db, "select 1"}, "", "/nonexistent", user);
    EXPECT_EQ(o.Status, 3);
    EXPECT_TRUE(Contains(o.Err, "Error -103")) << o.Err;
    EXPECT_FALSE(SideFiles(db));
}

TEST(Files, AnEmptyFileIsNoDatabaseUntilCreateMakesOne) {
    tnxtest::TempDir dir;
    const std::string db = dir.File("empty.db");
    std::ofstream(db).close();
    Outcome o = RunProgram({db, "select 1"});
    EXPECT_EQ(o.Status, 3);
    EXPECT_TRUE(Contains(o.Err, "(an empty file, not a database)")) << o.Err;
    EXPECT_TRUE(Contains(o.Err, "tnxsql: " + db + " is an empty file; to make a new database in it, run with --create"))
        << o.Err;
    EXPECT_EQ(fs::file_size(db), 0u);
    EXPECT_FALSE(SideFiles(db));

    Outcome made = RunProgram({"--create", db, "create table t(a int)"});
    EXPECT_EQ(made.Status, 0) << made.Err;
    EXPECT_EQ(RunProgram({"-F", "csv", db, "select count(*) as n from t"}).Out, "n\r\n0\r\n");
}

TEST(Files, CreateWithSqlInPlaceOfTheFileNameMakesNothing) {
    tnxtest::TempDir dir;
    const std::string cwd = fs::current_path();
    fs::current_path(dir.Path());
    Outcome o = RunProgram({"--create", "SELECT 1"});
    fs::current_path(cwd);
    EXPECT_EQ(o.Status, 2);
    EXPECT_TRUE(Contains(o.Err, "looks like SQL, not a file name")) << o.Err;
    EXPECT_TRUE(fs::is_empty(dir.Path()));
}
