// Online backup: the copy of the database is the snapshot of begin while a writer goes on, the
// copied log brings that copy forward, renaming the log waits for other transactions (-242),
// and the operations check their arguments.
#include "ServicesFixture.h"

#include <dirent.h>
#include <sys/stat.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

using namespace dbtest;

namespace {

struct OpenedFile {
    int Code = 0;
    int Pages = 0;
    std::string Name;
};

class BackupTest : public DbTest {
protected:
    void SetUp() override {
        DbTest::SetUp();
        FSvc = std::make_unique<Services>(Lib());
        FPage.resize(4096 + 2);
    }
    Services& Svc() { return *FSvc; }

    int Op(Client& c, int op, int file = 0, unsigned long page = 0, sqlda* da = nullptr) {
        Svc().Backup(&c.ca, op, file, page, da);
        return c.Code();
    }

    // Copies file n as the product does: open, read every page with `readOp` into a 524
    // variable of page size + 2 bytes, append the page bytes to `out` (when given), close.
    OpenedFile CopyFile(Client& c, int n, const std::string& out, int readOp = 3) {
        OpenedFile f;
        f.Code = Op(c, 2, n);
        if (f.Code != 0) return f;
        f.Pages = c.ca.sqlerrd[2];
        f.Name = c.ca.sqlerrmc;
        std::ofstream file;
        if (!out.empty()) file.open(out, std::ios::binary | std::ios::trunc);
        Sqlda da(Lib(), 1);
        da[0].sqltype = DBLIB_T_BINARY;
        da[0].sqllen = static_cast<int16_t>(FPage.size());
        da[0].sqldata = FPage.data();
        da->sqld = 1;
        for (int p = 0; p < f.Pages; ++p) {
            int code = Op(c, readOp, n, static_cast<unsigned long>(p), da.get());
            EXPECT_EQ(code, 0) << "file " << n << " page " << p << ": " << c.Message();
            uint16_t len = 0;
            std::memcpy(&len, FPage.data(), 2);
            if (!out.empty()) file.write(FPage.data() + 2, len);
        }
        EXPECT_EQ(Op(c, 4, n), 0) << c.Message();
        return f;
    }

    // Opens a database file afresh under an engine of its own and counts the rows of t; also
    // checks they are exactly 1..count.
    long CountCopy(const std::string& file) {
        Client c(Lib());
        std::string engine = tnxtest::UniqueName("copy");
        EXPECT_EQ(c.Connect(ConnectString(engine, file)), 0) << c.Message();
        long n = c.Count("t");
        auto max = c.QueryText("select coalesce(max(id), 0) from t");
        EXPECT_EQ(max, std::to_string(n)) << "rows 1.." << n << " without gaps";
        return n;
    }

    // Creates t and commits `rows` rows.
    void Fill(Client& c, int rows) {
        ASSERT_EQ(c.Exec("create table t(id int primary key, pad varchar(300))"), 0);
        for (int i = 1; i <= rows; ++i)
            ASSERT_EQ(
                c.Exec("insert into t values (" + std::to_string(i) + ", '" + std::string(250, 'p') + "')"),
                0);
        Lib().Commit(&c.ca);
    }

    std::vector<char> FPage;

private:
    std::unique_ptr<Services> FSvc;
};

// A second connection that commits one row per transaction (ids counting up from `first`) until
// told to stop; Committed counts the transactions it finished.
class Writer {
public:
    Writer(DbLib& lib, const std::string& conn, int first) : FClient(lib) {
        EXPECT_EQ(FClient.Connect(conn), 0) << FClient.Message();
        FThread = std::thread([this, first] {
            for (int id = first; !FStop.load(); ++id) {
                if (FClient.Exec("insert into t values (" + std::to_string(id) + ", 'written meanwhile')") !=
                    0)
                    break;
                FClient.Lib().Commit(&FClient.ca);
                if (FClient.Code() != 0) break;
                Committed.Add();
            }
        });
    }
    ~Writer() { Stop(); }
    void Stop() {
        FStop.store(true);
        if (FThread.joinable()) FThread.join();
    }
    EventCount Committed;

private:
    Client FClient;
    std::atomic<bool> FStop{false};
    std::thread FThread;
};

Services* gSvc = nullptr;
void CancelAtStart(sqlca* ca) {
    gSvc->Cancel(ca);
}

std::vector<std::string> FilesIn(const std::string& dir) {
    std::vector<std::string> names;
    if (DIR* d = opendir(dir.c_str())) {
        while (dirent* e = readdir(d))
            if (e->d_name[0] != '.' || std::string(e->d_name).find("backup") != std::string::npos)
                names.push_back(e->d_name);
        closedir(d);
    }
    return names;
}

long FileSize(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 ? static_cast<long>(st.st_size) : -1;
}

} // namespace

TEST_P(BackupTest, CopyIsTheSnapshotOfBeginWhileAWriterGoesOnAndTheLogBringsItForward) {
    Client& c = Main();
    Fill(c, 20);
    ASSERT_EQ(mkdir(Dir.File("copy").c_str(), 0755), 0);
    ASSERT_EQ(mkdir(Dir.File("withlog").c_str(), 0755), 0);

    Writer writer(Lib(), ConnStr(), 21);
    writer.Committed.WaitFor(3);
    long lo = 20 + writer.Committed.Get();
    ASSERT_EQ(Op(c, 1), 0) << c.Message();
    long hi = 20 + writer.Committed.Get();
    EXPECT_EQ(c.ca.sqlerrd[2], 4096) << "the page size";
    // The source moves on before a single page of the copy is read.
    writer.Committed.WaitFor(hi - 20 + 5);

    OpenedFile db = CopyFile(c, 0, Dir.File("copy/test.db"));
    ASSERT_EQ(db.Code, 0) << c.Message();
    EXPECT_GT(db.Pages, 1);
    EXPECT_EQ(db.Name, DbFile) << "the full path fits in sqlerrmc";
    CopyFile(c, 0, Dir.File("withlog/test.db"));
    EXPECT_EQ(CopyFile(c, 1, "").Code, DBLIB_E_DB_NOT_FOUND) << "there is no second database file";
    EXPECT_EQ(c.Message(), "Specified database not found: test has no database file 1");

    long logLo = 20 + writer.Committed.Get();
    OpenedFile log = CopyFile(c, -1, Dir.File("withlog/test.db-wal"));
    long logHi = 20 + writer.Committed.Get();
    ASSERT_EQ(log.Code, 0) << c.Message();
    EXPECT_EQ(log.Name, Dir.File("test.log"));
    EXPECT_GT(log.Pages, 0);
    OpenedFile renamed = CopyFile(c, -2, Dir.File("copy/test.log"));
    EXPECT_EQ(renamed.Code, 0) << c.Message();
    EXPECT_EQ(renamed.Name, log.Name) << "the log to be renamed is the same log";
    EXPECT_EQ(Op(c, 5), 0) << c.Message();
    writer.Stop();

    long k = CountCopy(Dir.File("copy/test.db"));
    EXPECT_GE(k, lo);
    EXPECT_LE(k, hi + 1) << "a commit may land between the counter and the snapshot";
    EXPECT_GE(c.Count("t"), hi + 5) << "the source went on meanwhile";
    long m = CountCopy(Dir.File("withlog/test.db"));
    EXPECT_GE(m, logLo) << "the copy of the database with the copied log as its write-ahead log";
    EXPECT_LE(m, logHi + 1);
    EXPECT_GE(m, k);
}

TEST_P(BackupTest, UncommittedAndLaterWorkStayOutOfTheCopy) {
    Client& c = Main();
    Fill(c, 3);
    Client other(Lib());
    ASSERT_EQ(other.Connect(ConnStr()), 0);
    ASSERT_EQ(other.Exec("insert into t values (100, 'not committed at begin')"), 0);
    ASSERT_EQ(Op(c, 1), 0) << c.Message();
    Lib().Commit(&other.ca);
    ASSERT_EQ(c.Exec("insert into t values (4, 'after begin')"), 0);
    Lib().Commit(&c.ca);
    ASSERT_EQ(CopyFile(c, 0, Dir.File("copy.db")).Code, 0);
    EXPECT_EQ(Op(c, 5), 0);
    EXPECT_EQ(CountCopy(Dir.File("copy.db")), 3);
    EXPECT_EQ(c.Count("t"), 5);
}

TEST_P(BackupTest, RenamingTheLogWaitsForOtherTransactions) {
    Client& c = Main();
    Fill(c, 30);
    Client other(Lib());
    ASSERT_EQ(other.Connect(ConnStr()), 0);
    ASSERT_EQ(other.Exec("insert into t values (1000, 'holding a transaction')"), 0);

    ASSERT_EQ(Op(c, 1), 0);
    ASSERT_EQ(Op(c, 2, -2), 0) << c.Message();
    int pages = c.ca.sqlerrd[2];
    ASSERT_GT(pages, 1);
    Sqlda da(Lib(), 1);
    da[0].sqltype = DBLIB_T_BINARY;
    da[0].sqllen = static_cast<int16_t>(FPage.size());
    da[0].sqldata = FPage.data();
    da->sqld = 1;
    for (int p = 0; p + 1 < pages; ++p)
        EXPECT_EQ(Op(c, 6, -2, static_cast<unsigned long>(p), da.get()), 0);
    EXPECT_EQ(Op(c, 6, -2, static_cast<unsigned long>(pages - 1), da.get()), DBLIB_E_LOG_NOT_RENAMED);
    EXPECT_EQ(c.Message(), "Transactions in progress prevent renaming the transaction log of test");
    EXPECT_GT(FileSize(DbFile + "-wal"), 0);

    // Its own transaction would never end by waiting: that is another error.
    Lib().Rollback(&other.ca);
    ASSERT_EQ(c.Exec("insert into t values (2000, 'mine')"), 0);
    EXPECT_EQ(Op(c, 6, -2, static_cast<unsigned long>(pages - 1), da.get()), DBLIB_E_RUNTIME);
    Lib().Commit(&c.ca);

    EXPECT_EQ(Op(c, 6, -2, static_cast<unsigned long>(pages - 1), da.get()), 0) << c.Message();
    EXPECT_EQ(FileSize(DbFile + "-wal"), 0) << "the log starts empty";
    EXPECT_EQ(Op(c, 4, -2), 0);
    EXPECT_EQ(Op(c, 5), 0);
    EXPECT_EQ(c.Count("t"), 31) << "the renamed log's work is in the database";
    Client fresh(Lib());
    ASSERT_EQ(fresh.Connect(ConnStr()), 0);
    EXPECT_EQ(fresh.Count("t"), 31);
}

TEST_P(BackupTest, AnInjectedMinus242IsRetriedByRepeatingTheCall) {
    Client& c = Main();
    Fill(c, 5);
    tnxdb::TestInstrument probe = Lib().Instrument();
    ASSERT_EQ(Op(c, 1), 0);
    ASSERT_EQ(Op(c, 2, -2), 0);
    int pages = c.ca.sqlerrd[2];
    ASSERT_GT(pages, 0);
    Sqlda da(Lib(), 1);
    da[0].sqltype = DBLIB_T_BINARY;
    da[0].sqllen = static_cast<int16_t>(FPage.size());
    da[0].sqldata = FPage.data();
    da->sqld = 1;
    for (int p = 0; p + 1 < pages; ++p)
        Op(c, 6, -2, static_cast<unsigned long>(p), da.get());
    probe.Inject("db_backup", 1, DBLIB_E_LOG_NOT_RENAMED);
    probe.Record(true);
    probe.Clear();
    int tries = 0;
    while (Op(c, 6, -2, static_cast<unsigned long>(pages - 1), da.get()) == DBLIB_E_LOG_NOT_RENAMED)
        ++tries;
    probe.Record(false);
    probe.ClearInjections();
    EXPECT_EQ(tries, 1);
    EXPECT_EQ(c.Code(), 0);
    std::string line = "db_backup(6, -2, " + std::to_string(pages - 1) + ", sqlda(1))";
    EXPECT_EQ(probe.Lines(), (std::vector<std::string>{line, line}));
    EXPECT_EQ(FileSize(DbFile + "-wal"), 0) << "the injected failure did nothing; the retry renamed";
    EXPECT_EQ(Op(c, 5), 0);
}

TEST_P(BackupTest, OperationsCheckTheirArgumentsAndAuthority) {
    Client& c = Main();
    Fill(c, 2);
    Sqlda da(Lib(), 1);
    da[0].sqltype = DBLIB_T_BINARY;
    da[0].sqllen = static_cast<int16_t>(FPage.size());
    da[0].sqldata = FPage.data();
    da->sqld = 1;
    EXPECT_EQ(Op(c, 2, 0), DBLIB_E_BAD_ARGUMENT) << "no backup begun";
    EXPECT_EQ(Op(c, 5), DBLIB_E_BAD_ARGUMENT);
    ASSERT_EQ(Op(c, 1), 0);
    EXPECT_EQ(FilesIn(Dir.Path()).size(), 3u) << "the snapshot leaves no file behind";
    EXPECT_EQ(Op(c, 3, 0, 0, da.get()), DBLIB_E_BAD_ARGUMENT) << "file 0 is not open";
    EXPECT_EQ(Op(c, 7), DBLIB_E_BAD_ARGUMENT);
    EXPECT_EQ(Op(c, 2, 13), DBLIB_E_BAD_ARGUMENT);
    EXPECT_EQ(Op(c, 2, 12), DBLIB_E_DB_NOT_FOUND);
    ASSERT_EQ(Op(c, 2, 0), 0);
    int pages = c.ca.sqlerrd[2];
    EXPECT_EQ(Op(c, 3, 0, static_cast<unsigned long>(pages), da.get()), DBLIB_E_BAD_ARGUMENT)
        << "past the last page";
    EXPECT_EQ(Op(c, 6, 0, 0, da.get()), DBLIB_E_BAD_ARGUMENT) << "only the log to be renamed is renamed";
    EXPECT_EQ(Op(c, 3, 0, 0, nullptr), DBLIB_E_BAD_SQLDA);

    // A variable too small for a page gets what fits, flagged as truncated.
    int16_t ind = 0;
    da[0].sqllen = 102;
    da[0].sqlind = &ind;
    EXPECT_EQ(Op(c, 3, 0, 0, da.get()), 0);
    EXPECT_EQ(ind, 4096);
    EXPECT_EQ(c.ca.sqlwarn[1], 'W');
    EXPECT_EQ(std::string(FPage.data() + 2, 15), std::string("SQLite format 3", 15));

    // Once the log to be renamed is open the snapshot is gone.
    ASSERT_EQ(Op(c, 2, -2), 0);
    EXPECT_EQ(Op(c, 2, 0), DBLIB_E_BAD_ARGUMENT);
    EXPECT_EQ(Op(c, 5), 0);

    // A new begin replaces a backup in progress; a backup ends with its connection.
    ASSERT_EQ(Op(c, 1), 0);
    ASSERT_EQ(Op(c, 1), 0);
    ASSERT_EQ(Op(c, 2, 0), 0);
    c.Disconnect();
    EXPECT_EQ(Op(c, 1), DBLIB_E_NOT_CONNECTED);
    ASSERT_EQ(c.Connect(ConnStr()), 0);
    EXPECT_EQ(Op(c, 3, 0, 0, da.get()), DBLIB_E_BAD_ARGUMENT) << "no backup in progress any more";

    // Backing up takes DBA authority, and utility_db has nothing to back up.
    ASSERT_EQ(c.Exec("GRANT CONNECT TO joe IDENTIFIED BY pw"), 0);
    Client joe(Lib());
    ASSERT_EQ(joe.Connect(ConnStr("joe", "pw")), 0);
    EXPECT_EQ(Op(joe, 1), DBLIB_E_PERMISSION);
    Client util(Lib());
    ASSERT_EQ(util.Connect("eng=" + Engine + ";dbn=utility_db;uid=DBA;pwd=SQL"), 0);
    EXPECT_EQ(Op(util, 1), DBLIB_E_BAD_ARGUMENT);
}

TEST_P(BackupTest, BeginCanBeCancelled) {
    Client& c = Main();
    Fill(c, 2);
    gSvc = &Svc();
    Svc().RegisterFn(&c.ca, DBLIB_CB_START, &CancelAtStart);
    EXPECT_EQ(Op(c, 1), DBLIB_E_INTERRUPTED);
    Svc().Register(&c.ca, DBLIB_CB_START, nullptr);
    EXPECT_EQ(Op(c, 2, 0), DBLIB_E_BAD_ARGUMENT) << "no backup was begun";
    EXPECT_EQ(FilesIn(Dir.Path()).size(), 3u) << "the cancelled snapshot left no file behind";
    EXPECT_EQ(Op(c, 1), 0);
    EXPECT_EQ(Op(c, 5), 0);
}

INSTANTIATE_TEST_SUITE_P(Generations, BackupTest, ::testing::ValuesIn(BothGenerations()), GenerationName);
