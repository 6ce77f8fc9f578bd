// The harness never times a wrong run as a right one, and never hides a failure behind the times
// of other runs.
#include "Harness.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <stdexcept>

namespace {

using namespace cmp;

TSizes Tiny() {
    TSizes s;
    s.Rows = 500;
    s.Lookups = 50;
    s.Inserts = 40;
    s.LongBytes = 3000;
    s.ScrollRows = 100;
    s.Positions = 20;
    return s;
}

// A contender that does the works through the raw API, then spoils what the test asks it to.
class TSpoiling : public TContender {
public:
    enum Fault { None, OffByOne, SkipLastInsert, ShortLongValue };
    explicit TSpoiling(Fault f) : FFault(f), FRaw(NewRawContender()) {}
    std::string Name() const override { return "spoiling"; }
    std::string Setup() const override { return ""; }
    void Open(const TDataSet& Data) override { FRaw->Open(Data); }
    uint64_t Read() override { return FRaw->Read() + (FFault == OffByOne); }
    uint64_t Lookup(std::span<const int32_t> Keys) override {
        return FRaw->Lookup(Keys) + (FFault == OffByOne);
    }
    void Insert(int32_t Count) override { FRaw->Insert(FFault == SkipLastInsert ? Count - 1 : Count); }
    void PrepareLong(std::span<const uint8_t> Value) override {
        FRaw->PrepareLong(FFault == ShortLongValue ? Value.first(Value.size() - 1) : Value);
    }
    void WriteLong() override { FRaw->WriteLong(); }
    uint64_t ReadLong() override { return FRaw->ReadLong() + (FFault == OffByOne); }
    uint64_t Scroll(std::span<const int32_t> Positions) override {
        return FRaw->Scroll(Positions) + (FFault == OffByOne);
    }

private:
    Fault FFault;
    std::unique_ptr<TContender> FRaw;
};

std::optional<std::string> RunOnce(TWork w, TContender& c, const TDataSet& data) {
    PrepareWork(w, c, data);
    return VerifyWork(w, PerformWork(w, c, data), data);
}

TEST(HarnessTest, EveryWorkOfARightContenderPasses) {
    tnxtest::TempDir dir;
    TDataSet data(dir.Path(), Tiny());
    TSpoiling right(TSpoiling::None);
    right.Open(data);
    for (int w = 0; w < wCount; ++w) {
        // Twice: the preparation empties what the first run wrote.
        EXPECT_EQ(RunOnce(static_cast<TWork>(w), right, data), std::nullopt) << w;
        EXPECT_EQ(RunOnce(static_cast<TWork>(w), right, data), std::nullopt) << w;
    }
}

TEST(HarnessTest, WrongReadsAndIncompleteWritesFail) {
    tnxtest::TempDir dir;
    TDataSet data(dir.Path(), Tiny());
    TSpoiling offByOne(TSpoiling::OffByOne);
    offByOne.Open(data);
    for (TWork w : {wRead, wLookup, wReadLong, wScroll})
        EXPECT_EQ(RunOnce(w, offByOne, data), "wrong result") << w;
    TSpoiling skips(TSpoiling::SkipLastInsert);
    skips.Open(data);
    EXPECT_EQ(RunOnce(wInsert, skips, data), "the inserted rows differ");
    TSpoiling shortValue(TSpoiling::ShortLongValue);
    shortValue.Open(data);
    EXPECT_EQ(RunOnce(wWriteLong, shortValue, data), "the value written differs");
}

TEST(HarnessTest, AFailureOutweighsTheTimesOfOtherRuns) {
    const TCell failed = CellFor(true, {0.1, 0.2, 0.3}, std::string("wrong result"));
    EXPECT_EQ(failed.State, TCell::Failed);
    EXPECT_EQ(failed.Why, "wrong result");
    const TCell measured = CellFor(true, {0.3, 0.1, 0.2, 0.9}, std::nullopt);
    EXPECT_EQ(measured.State, TCell::Measured);
    EXPECT_DOUBLE_EQ(measured.Value, 0.25);
    EXPECT_EQ(measured.Runs, 4);
    EXPECT_EQ(CellFor(false, {0.1}, std::nullopt).State, TCell::NotAvailable);
    EXPECT_EQ(CellFor(true, {}, std::nullopt).State, TCell::NotAvailable); // filtered out: not zero
}

TEST(HarnessTest, TitlesFollowTheSizes) {
    TSizes s;
    EXPECT_EQ(WorkTitle(wRead, s), "1. Forward read of 1,000,000 rows");
    EXPECT_EQ(WorkTitle(wWriteLong, s), "4. Long binary of 100 MB: write");
    EXPECT_EQ(WorkTitle(wScroll, s), "5. 10,000 random absolute positions over 100,000 rows");
    EXPECT_EQ(Thousands(0), "0");
    EXPECT_EQ(Thousands(999), "999");
    EXPECT_EQ(Thousands(1000), "1,000");
    EXPECT_EQ(Thousands(-1234567), "-1,234,567");
}

// The resident memory of this process now, in kB.
long ResidentKilobytes() {
    std::FILE* f = std::fopen("/proc/self/status", "r");
    char line[256];
    long kb = -1;
    while (f != nullptr && std::fgets(line, sizeof line, f) != nullptr)
        if (std::strncmp(line, "VmRSS:", 6) == 0) kb = std::atol(line + 6);
    if (f != nullptr) std::fclose(f);
    return kb;
}

TEST(HarnessTest, PeakMemoryCountsWhatThisProcessTouches) {
    const long before = ResidentKilobytes();
    ASSERT_GT(before, 0);
    ASSERT_GE(PeakKilobytes(), before);
    constexpr std::size_t kBytes = 64 << 20;
    auto block = std::make_unique<char[]>(kBytes);
    std::memset(block.get(), 1, kBytes);
    volatile char sink = block[kBytes - 1];
    (void)sink;
    EXPECT_GE(PeakKilobytes(), before + 60 * 1024);
}

} // namespace
