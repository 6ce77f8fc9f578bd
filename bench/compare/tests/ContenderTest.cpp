// Every contender does every work right on a small data set: the folds of what it read equal the
// ones computed from the rows' formulas, and what it wrote is in the file. A contender that reads
// a column wrongly, skips rows, leaves a statement unreset (a second run then sees nothing) or
// writes the long value short would otherwise be timed as if it did the work.
#include "Contender.h"

#include "support/TempDir.h"

#include <QtCore/QCoreApplication>
#include <gtest/gtest.h>

#include <sqlite3.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <utility>

namespace {

using namespace cmp;

TSizes Small() {
    TSizes s;
    s.Rows = 3000;
    s.Lookups = 500;
    s.Inserts = 700;
    s.LongBytes = (1 << 20) + 5; // several pieces, and a tail that is not a whole word
    s.ScrollRows = 1200;
    s.Positions = 300;
    return s;
}

// Qt's SQL plugins are found through the application object.
QCoreApplication& App() {
    static int argc = 1;
    static char name[] = "bench_compare_test";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    return app;
}

class ContenderTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override { App(); }
    std::unique_ptr<TContender> Make() {
        auto all = AllContenders(tnxtest::BuildLibDir());
        return std::move(all.at(static_cast<std::size_t>(GetParam())));
    }
    tnxtest::TempDir Dir;
};

TEST_P(ContenderTest, ReadsWhatTheRowsHoldTwiceOver) {
    TDataSet data(Dir.Path(), Small());
    auto c = Make();
    c->Open(data);
    for (int run = 0; run < 2; ++run) {
        SCOPED_TRACE(run);
        EXPECT_EQ(c->Read(), data.ExpectedRead());
        if (!c->WalksOnly()) {
            EXPECT_EQ(c->Lookup(data.Keys()), data.ExpectedLookups());
            EXPECT_EQ(c->ReadLong(), data.ExpectedLong());
        }
        if (c->CanScroll()) {
            EXPECT_EQ(c->Scroll(data.Positions()), data.ExpectedScroll());
        }
    }
}

// Moves back, to both ends and to the same row twice; a missing key adds nothing (and does not
// repeat the row looked up before it).
TEST_P(ContenderTest, ScrollsBackAndForthAndMissesNothing) {
    TDataSet data(Dir.Path(), Small());
    auto c = Make();
    c->Open(data);
    const int32_t last = data.Sizes().ScrollRows - 1;
    if (c->CanScroll()) {
        const int32_t positions[] = {last, 0, last, last / 2, 1, 1, 0, last - 1};
        uint64_t want = 0;
        for (int32_t p : positions)
            want += ExpectedRowSum(p);
        EXPECT_EQ(c->Scroll(positions), want);
    }
    if (c->WalksOnly()) return;
    const int32_t keys[] = {5, -1, data.Sizes().Rows, 7, 7};
    EXPECT_EQ(c->Lookup(keys), ExpectedRowSum(5) + 2 * ExpectedRowSum(7));
}

TEST_P(ContenderTest, WritesEveryRowAndTheWholeLongValue) {
    TDataSet data(Dir.Path(), Small());
    auto c = Make();
    if (c->WalksOnly()) GTEST_SKIP() << "the dataset writes nothing in the comparison";
    c->Open(data);
    for (int run = 0; run < 2; ++run) {
        SCOPED_TRACE(run);
        data.ResetInserts();
        EXPECT_FALSE(data.InsertsComplete());
        c->Insert(data.Sizes().Inserts);
        EXPECT_TRUE(data.InsertsComplete());
        data.ResetLongWrite();
        EXPECT_FALSE(data.LongWritten());
        c->PrepareLong(data.LongValue());
        c->WriteLong();
        EXPECT_TRUE(data.LongWritten());
    }
}

std::string ContenderName(const ::testing::TestParamInfo<int>& info) {
    static const char* const names[] = {"Raw", "ClientLibrary", "TAsaSQL", "Qt", "Soci", "TAsaDataset"};
    return names[info.param];
}

INSTANTIATE_TEST_SUITE_P(All, ContenderTest, ::testing::Range(0, 6), ContenderName);

// One edit and post through the dataset comes back to the record, and the result still folds as
// before (the text changes case only).
TEST(DatasetEditPost, PostsComeBackToTheRecordAndKeepTheFolds) {
    App();
    tnxtest::TempDir dir;
    TDataSet data(dir.Path(), Small());
    const TEditPostTimes t = MeasureDatasetEditPost(tnxtest::BuildLibDir(), data, 3);
    EXPECT_EQ(t.Post.size(), 3u);
    EXPECT_EQ(t.Refresh.size(), 3u);
    auto all = AllContenders(tnxtest::BuildLibDir());
    all.front()->Open(data);
    EXPECT_EQ(all.front()->Scroll(data.Positions()), data.ExpectedScroll());
}

// The checks the harness relies on tell a right result from a wrong one.
TEST(DataSetTest, ChecksCatchWrongWrites) {
    tnxtest::TempDir dir;
    TDataSet data(dir.Path(), Small());
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(data.File().c_str(), &db), SQLITE_OK);
    // One row short, then one value off, then complete.
    sqlite3_exec(db, "insert into ins select * from t where a < 699", nullptr, nullptr, nullptr);
    EXPECT_FALSE(data.InsertsComplete());
    sqlite3_exec(db, "insert into ins select a, b + 1, c, d from t where a = 699", nullptr, nullptr, nullptr);
    EXPECT_FALSE(data.InsertsComplete());
    sqlite3_exec(db, "update ins set b = b - 1 where a = 699", nullptr, nullptr, nullptr);
    EXPECT_TRUE(data.InsertsComplete());
    // A long value cut short by one byte, then the whole of it.
    sqlite3_exec(db, "insert into big select 2, substr(v, 1, length(v) - 1) from big where id = 1", nullptr,
                 nullptr, nullptr);
    EXPECT_FALSE(data.LongWritten());
    sqlite3_exec(db, "update big set v = (select v from big where id = 1) where id = 2", nullptr, nullptr,
                 nullptr);
    EXPECT_TRUE(data.LongWritten());
    sqlite3_close(db);
}

TEST(DataSetTest, AFileMadeForOtherSizesIsMadeAgain) {
    tnxtest::TempDir dir;
    TSizes small = Small();
    { TDataSet first(dir.Path(), small); }
    small.Rows += 10;
    TDataSet second(dir.Path(), small);
    auto raw = NewRawContender();
    raw->Open(second);
    EXPECT_EQ(raw->Read(), second.ExpectedRead());
}

// The expected folds agree with the file as SQL sees it, the inputs stay in range, and the same
// sizes give the same inputs in every process (the memory probes rebuild them).
TEST(DataSetTest, FileInputsAndExpectationsAgree) {
    tnxtest::TempDir dir;
    TDataSet data(dir.Path(), Small());
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(data.File().c_str(), &db), SQLITE_OK);
    sqlite3_stmt* s = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db,
                                 "select sum(a) + sum(cast(b * 4 as integer)) + sum(length(c)) + "
                                 "sum(cast(substr(d, 18, 2) as integer)) from t",
                                 -1, &s, nullptr),
              SQLITE_OK);
    ASSERT_EQ(sqlite3_step(s), SQLITE_ROW);
    EXPECT_EQ(static_cast<uint64_t>(sqlite3_column_int64(s, 0)), data.ExpectedRead());
    sqlite3_finalize(s);
    sqlite3_close(db);

    // Made with the same sizes: reused, not made again.
    const auto made = std::filesystem::last_write_time(data.File());
    TDataSet again(dir.Path(), Small());
    EXPECT_EQ(std::filesystem::last_write_time(again.File()), made);
    EXPECT_TRUE(std::equal(data.Keys().begin(), data.Keys().end(), again.Keys().begin(), again.Keys().end()));
    EXPECT_TRUE(std::equal(data.Positions().begin(), data.Positions().end(), again.Positions().begin(),
                           again.Positions().end()));
    for (int32_t k : data.Keys())
        ASSERT_TRUE(k >= 0 && k < data.Sizes().Rows) << k;
    for (int32_t p : data.Positions())
        ASSERT_TRUE(p >= 0 && p < data.Sizes().ScrollRows) << p;
}

TEST(DataSetTest, ChecksumSeesOrderAndLength) {
    const unsigned char a[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17};
    unsigned char b[sizeof a];
    std::memcpy(b, a, sizeof a);
    std::swap(b[0], b[8]); // two words swapped in place
    EXPECT_NE(BytesChecksum(a, sizeof a), BytesChecksum(b, sizeof b));
    EXPECT_NE(BytesChecksum(a, sizeof a), BytesChecksum(a, sizeof a - 1));
    const unsigned char zeros[16] = {};
    EXPECT_NE(BytesChecksum(zeros, 8), BytesChecksum(zeros, 16));
}

} // namespace
