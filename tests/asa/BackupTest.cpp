// Online backup through the session: a copy of a database that is being written to, renaming the
// log without writing a copy, a target that cannot be written, a page that cannot be read (the
// backup ends there, and the previous copy stays), the -242 retry, and the events.
#include "AsaTestSupport.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

using namespace tnx;
using namespace asatest;

namespace {

class AsaBackup : public AsaTest {
protected:
    // Connects and commits `rows` rows into t (ids 1..rows).
    void Fill(int rows) {
        S().SetConnected(true);
        ASSERT_EQ(Exec(S(), "create table t(id int primary key, pad varchar(300))"), 0);
        for (int i = 1; i <= rows; ++i)
            ASSERT_EQ(Exec(S(), "insert into t values (" + std::to_string(i) + ", '" + std::string(250, 'p') +
                                    "')"),
                      0);
        ASSERT_TRUE(S().Commit());
    }

    // The db_backup lines of the call record as (operation, file) pairs.
    static std::vector<std::pair<int, int>> Operations(const tnxdb::TestInstrument& probe) {
        std::vector<std::pair<int, int>> ops;
        for (const std::string& line : Calls(probe, "db_backup(")) {
            int op = 0, file = 0;
            std::sscanf(line.c_str(), "db_backup(%d, %d", &op, &file);
            ops.emplace_back(op, file);
        }
        return ops;
    }

    static std::string FileBytes(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    static std::vector<std::string> FilesIn(const std::string& folder) {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(folder))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
};

} // namespace

TEST_P(AsaBackup, ACopyOfADatabaseBeingWrittenToOpensWithTheCommittedData) {
    Fill(200);
    // Another connection commits a row per transaction, on a thread of its own, while the backup runs.
    auto writer = Another();
    writer->SetConnected(true);
    std::atomic<bool> stop{false};
    EventCount committed;
    std::thread writing([&] {
        for (int id = 201; !stop.load(); ++id) {
            if (Exec(*writer, "insert into t values (" + std::to_string(id) + ", 'meanwhile')") != 0) break;
            if (!writer->Commit()) break;
            committed.Add();
        }
    });
    committed.WaitFor(3);

    struct Progress {
        std::string File;
        int32_t Pages, Page;
    };
    std::vector<Progress> progress;
    S().SetOnBackup([&](vcl::TObject* sender, const AnsiString& file, int32_t pages, int32_t page) {
        EXPECT_EQ(sender, &S());
        progress.push_back({file, pages, page});
    });
    tnxtest::TempDir target;
    const bool ok = S().Backup(target.Path(), btFull);
    stop = true;
    writing.join();
    ASSERT_TRUE(ok) << S().GetLastError();
    EXPECT_GE(committed.Get(), 3);

    EXPECT_EQ(FilesIn(target.Path()), (std::vector<std::string>{"test.db", "test.log"}));
    // The database file's pages were reported 1..n, in order, under the target name.
    std::vector<int32_t> dbPages;
    for (const Progress& p : progress)
        if (p.File == target.Path() + "/test.db") {
            dbPages.push_back(p.Page);
            EXPECT_EQ(p.Pages, progress.front().Pages);
        }
    ASSERT_FALSE(dbPages.empty());
    for (std::size_t i = 0; i < dbPages.size(); ++i)
        EXPECT_EQ(dbPages[i], static_cast<int32_t>(i + 1));
    EXPECT_EQ(static_cast<int32_t>(dbPages.size()), progress.front().Pages);

    // The copy opens as a database of its own with every row committed before the backup began,
    // and no torn transaction.
    auto copy = NewSession(GetParam());
    UseDatabase(*copy, tnxtest::UniqueName("copy"), target.Path() + "/test.db");
    copy->SetConnected(true);
    const auto count = QueryInt(*copy, "select count(*) from t");
    ASSERT_TRUE(count.has_value()) << copy->GetLastError();
    EXPECT_GE(*count, 200);
    EXPECT_EQ(QueryInt(*copy, "select max(id) from t"), count) << "rows 1..n without gaps";
}

TEST_P(AsaBackup, RenameLogReadsEveryFileWithoutWritingAndRenamesWithOperationSix) {
    Fill(20);
    auto probe = Instrument();
    probe.Record(true);
    int errors = 0;
    S().SetOnError([&](vcl::TObject*) { ++errors; });
    S().SetWantExceptions(true); // a numbered file that cannot be opened still raises nothing
    tnxtest::TempDir target;
    EXPECT_TRUE(S().Backup(target.Path(), btRenameLog)) << S().GetLastError();
    EXPECT_TRUE(FilesIn(target.Path()).empty()) << "nothing is written";
    EXPECT_EQ(errors, 1) << "file 1 cannot be opened: the numbered files stop there";

    const auto ops = Operations(probe);
    ASSERT_GE(ops.size(), 8u);
    EXPECT_EQ(ops.front(), std::make_pair(1, 0));
    EXPECT_EQ(ops.back(), std::make_pair(5, 0));
    std::vector<int> opened;
    for (const auto& [op, file] : ops) {
        if (op == 2) opened.push_back(file);
        if (op == 3) {
            EXPECT_TRUE(file == 0 || file == -1) << "read " << file;
        }
        if (op == 6) {
            EXPECT_EQ(file, -2);
        }
    }
    EXPECT_EQ(opened, (std::vector<int>{0, 1, -1, -2}));
    EXPECT_NE(std::find(ops.begin(), ops.end(), std::make_pair(6, -2)), ops.end());
    EXPECT_EQ(std::count(ops.begin(), ops.end(), std::make_pair(4, 1)), 0)
        << "a file that did not open is not closed";
}

TEST_P(AsaBackup, ATargetThatCannotBeWrittenRaisesAndTheBackupIsStillEnded) {
    Fill(5);
    tnxtest::TempDir target;
    std::filesystem::create_directory(target.Path() + "/test.db"); // the copy's name is taken by a folder
    auto probe = Instrument();
    probe.Record(true);
    try {
        S().Backup(target.Path() + "/", btFull);
        FAIL() << "wrote a page into a folder";
    } catch (const ECorvexException& e) {
        EXPECT_STREQ(e.what(), "Not able to backup to the selected media.");
        EXPECT_EQ(e.ErrorCode(), 0);
        EXPECT_EQ(dynamic_cast<const EAsaException*>(&e), nullptr);
    }
    EXPECT_EQ(S().GetLastError(), "Not able to backup to the selected media.");
    const auto ops = Operations(probe);
    ASSERT_GE(ops.size(), 2u);
    EXPECT_EQ(ops[ops.size() - 2], std::make_pair(4, 0)) << "the file is closed";
    EXPECT_EQ(ops.back(), std::make_pair(5, 0)) << "and the backup ended";
    // The session goes on: a second backup elsewhere works.
    tnxtest::TempDir again;
    EXPECT_TRUE(S().Backup(again.Path(), btFull)) << S().GetLastError();
}

TEST_P(AsaBackup, APageTheLibraryCannotDeliverYetIsAskedForAgain) {
    Fill(5);
    auto probe = Instrument();
    probe.Record(true);
    probe.Inject("db_backup", 3, -242); // begin, open 0, then the first page read
    tnxtest::TempDir target;
    EXPECT_TRUE(S().Backup(target.Path(), btFull)) << S().GetLastError();
    const auto lines = Calls(probe, "db_backup(3, 0, 0,");
    EXPECT_EQ(lines.size(), 2u) << "the same read, repeated";
    EXPECT_TRUE(std::filesystem::exists(target.Path() + "/test.db"));
    EXPECT_GT(std::filesystem::file_size(target.Path() + "/test.db"), 0u);
}

TEST_P(AsaBackup, AFailedPageEndsTheBackupWithItsErrorAndKeepsThePreviousCopy) {
    Fill(60);
    tnxtest::TempDir target;
    ASSERT_TRUE(S().Backup(target.Path(), btFull)) << S().GetLastError();
    const std::string copy = target.Path() + "/test.db";
    const std::string good = FileBytes(copy);
    ASSERT_GT(good.size(), 8192u) << "several pages";
    ASSERT_EQ(Exec(S(), "insert into t values (1000, 'later')"), 0);
    ASSERT_TRUE(S().Commit());

    // Calls: begin, open file 0, page 0, page 1: the second page fails, with an ordinary error and
    // with a lost connection, and once more with WantExceptions.
    for (int code : {-210, -308, -209}) {
        SCOPED_TRACE(code);
        if (!S().GetConnected()) S().SetConnected(true);
        S().SetWantExceptions(code == -209);
        auto probe = Instrument();
        probe.Clear();
        probe.Record(true);
        probe.Inject("db_backup", 4, code);
        if (code == -209) {
            try {
                S().Backup(target.Path(), btFull);
                ADD_FAILURE() << "a failed page raised nothing";
            } catch (const EAsaException& e) {
                EXPECT_EQ(e.ErrorCode(), code);
            }
        } else {
            EXPECT_FALSE(S().Backup(target.Path(), btFull));
        }
        probe.Record(false);
        EXPECT_EQ(S().GetLastErrorCode(), code) << S().GetLastError();
        EXPECT_EQ(S().GetConnected(), code != -308);
        const auto ops = Operations(probe);
        EXPECT_EQ(std::count(ops.begin(), ops.end(), std::make_pair(3, 0)), 2) << "no page read after the failed one";
        EXPECT_EQ(std::count(ops.begin(), ops.end(), std::make_pair(2, -1)), 0) << "nothing copied after it";
        EXPECT_EQ(FilesIn(target.Path()), (std::vector<std::string>{"test.db", "test.log"})) << "nothing left behind";
        EXPECT_TRUE(FileBytes(copy) == good) << "the previous copy is untouched";
    }

    // A backup that completes replaces the copy.
    S().SetWantExceptions(false);
    ASSERT_TRUE(S().Backup(target.Path(), btFull)) << S().GetLastError();
    EXPECT_EQ(FilesIn(target.Path()), (std::vector<std::string>{"test.db", "test.log"}));
    auto restored = NewSession(GetParam());
    UseDatabase(*restored, tnxtest::UniqueName("copy"), copy);
    restored->SetConnected(true);
    EXPECT_EQ(QueryInt(*restored, "select count(*) from t"), 61);
}

TEST_P(AsaBackup, WithoutAConnectionBeginFailsAndNothingElseIsCalled) {
    S().GetLibraryVersion();
    auto probe = Instrument();
    probe.Record(true);
    tnxtest::TempDir target;
    EXPECT_FALSE(S().Backup(target.Path(), btFull));
    EXPECT_EQ(S().GetLastErrorCode(), -101);
    EXPECT_EQ(Operations(probe), (std::vector<std::pair<int, int>>{{1, 0}}));
    S().SetWantExceptions(true);
    EXPECT_THROW(S().Backup(target.Path(), btFull), EAsaException);
}

TEST_P(AsaBackup, PagesTooLargeForTheBufferAreRefusedRatherThanCut) {
    const std::string big = CreateDatabaseFile(Dir.File("big.db"), " PAGE SIZE 65536");
    S().SetLoginDatabase(big);
    S().SetConnected(true);
    ASSERT_EQ(Exec(S(), "create table t(a int)"), 0);
    S().Commit();
    auto probe = Instrument();
    probe.Record(true);
    tnxtest::TempDir target;
    try {
        S().Backup(target.Path(), btFull);
        FAIL() << "backed up pages it could only cut";
    } catch (const EAsaException& e) {
        EXPECT_STREQ(e.what(), "Database pages of 65536 bytes are too large to back up.");
        EXPECT_EQ(e.ErrorCode(), 0);
    }
    EXPECT_EQ(Operations(probe), (std::vector<std::pair<int, int>>{{1, 0}, {5, 0}})) << "begun, then ended";
    EXPECT_TRUE(FilesIn(target.Path()).empty());
}

INSTANTIATE_TEST_SUITE_P(Generations, AsaBackup, ::testing::ValuesIn(CurrentGenerations()), GenerationName);
