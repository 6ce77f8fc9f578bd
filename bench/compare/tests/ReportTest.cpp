// The report's medians, goal verdicts and table cells.
#include "Harness.h"
#include "Report.h"

#include <gtest/gtest.h>

namespace {

using namespace cmp;

TEST(ReportTest, MedianOfOddAndEvenCounts) {
    EXPECT_EQ(Median({3.0, 1.0, 2.0}), 2.0);
    EXPECT_EQ(Median({4.0, 1.0, 3.0, 2.0}), 2.5);
    EXPECT_EQ(Median({7.0}), 7.0);
    EXPECT_FALSE(Median({}).has_value());
}

TEST(ReportTest, SecondsInAUnitThatSuits) {
    EXPECT_EQ(FormatSeconds(0.412), "412 ms");
    EXPECT_EQ(FormatSeconds(1.372), "1.37 s");
    EXPECT_EQ(FormatSeconds(0.0000852), "85.2 us");
    EXPECT_EQ(FormatSeconds(0.0456), "45.6 ms");
}

TCell At(double seconds) {
    return TCell{TCell::Measured, seconds, 5, ""};
}

// raw, product, Qt, SOCI
TTable Table() {
    TTable t;
    t.Contenders = {"raw", "mine", "Qt SQL", "SOCI"};
    t.Product = 1;
    t.Peers = {2, 3};
    return t;
}

TEST(ReportTest, VerdictNamesEveryPeerAheadAndTheReadLimit) {
    TTable t = Table();
    TRow read{"read", false, true, {At(1.0), At(3.0), At(2.0), At(4.0)}};
    EXPECT_EQ(GoalVerdict(t, read), "**behind Qt SQL; 3.00x raw > 2.5x**");
    TRow write{"write", false, false, {At(1.0), At(3.0), At(4.0), At(5.0)}};
    EXPECT_EQ(GoalVerdict(t, write), "met"); // the read limit does not apply to writes
    TRow close{"read", false, true, {At(1.0), At(2.5), At(2.6), At(2.7)}};
    EXPECT_EQ(GoalVerdict(t, close), "met"); // exactly at the limit is within it
}

TEST(ReportTest, ARowsOwnLimitReplacesTheReadLimitAndAppliesToWritesToo) {
    TTable t = Table();
    TRow lookup{"lookup", false, true, {At(1.0), At(1.2), At(2.0), At(3.0)}, false, 1.15};
    EXPECT_EQ(GoalVerdict(t, lookup), "**1.20x raw > 1.15x**");
    TRow insert{"insert", false, false, {At(1.0), At(1.1), At(2.0), At(3.0)}, false, 1.15};
    EXPECT_EQ(GoalVerdict(t, insert), "met");
    TRow write{"write", false, false, {At(1.0), At(1.06), At(1.2), At(1.3)}, false, 1.05};
    EXPECT_EQ(GoalVerdict(t, write), "**1.06x raw > 1.05x**");
    EXPECT_EQ(ProductLimit(wLookup), 1.15);
    EXPECT_EQ(ProductLimit(wWriteLong), 1.05);
    EXPECT_EQ(ProductLimit(wRead), 1.5);
}

TEST(ReportTest, VerdictIgnoresPeersThatCannotDoTheWork) {
    TTable t = Table();
    TRow scroll{"scroll", false, true, {At(1.0), At(2.0), At(3.0), TCell{}}};
    EXPECT_EQ(GoalVerdict(t, scroll), "met");
    TRow failed{"read", false, true, {At(1.0), TCell{TCell::Failed, 0, 0, "wrong result"}, At(2.0), At(3.0)}};
    EXPECT_EQ(GoalVerdict(t, failed), "");
}

TEST(ReportTest, DatasetVerdictComparesWithTheProductAndThePeersOnItsRowsOnly) {
    TTable t = Table();
    t.Contenders.push_back("set");
    t.Dataset = 4;
    TRow walk{"walk", false, true, {At(1.0), At(2.0), At(2.5), At(4.0), At(2.6)}, true};
    EXPECT_EQ(GoalVerdict(t, walk), "met") << "the dataset is no peer of the product";
    EXPECT_EQ(DatasetVerdict(t, walk), "**behind Qt SQL**");
    walk.Cells[4] = At(2.4);
    EXPECT_EQ(DatasetVerdict(t, walk), "met") << "1.2x the product and ahead of both peers";
    walk.Cells[4] = At(2.7);
    walk.Cells[2] = At(3.0);
    EXPECT_EQ(DatasetVerdict(t, walk), "**1.35x mine > 1.3x**");
    TRow other = walk;
    other.DatasetGoal = false;
    EXPECT_EQ(DatasetVerdict(t, other), "");
    walk.Cells[1] = TCell{};
    EXPECT_EQ(DatasetVerdict(t, walk), "") << "no verdict without the product's time";
    t.Rows.push_back(other);
    EXPECT_NE(MarkdownTable(t).find("| set goals |"), std::string::npos);
}

TEST(ReportTest, TableShowsRatiosToRawAndWhatWasNotMeasured) {
    TTable t = Table();
    t.Rows.push_back(TRow{"1. read", false, true, {At(0.5), At(1.0), At(2.0), TCell{}}});
    t.Rows.push_back(
        TRow{"memory", true, false, {At(10.0), At(12.5), At(30.0), TCell{TCell::Failed, 0, 0, "x"}}});
    const std::string md = MarkdownTable(t);
    EXPECT_NE(md.find("| Work | raw | mine | Qt SQL | SOCI | mine goals |"), std::string::npos) << md;
    EXPECT_NE(md.find("| 1. read | 500 ms (1.00x) | 1.00 s (2.00x) | 2.00 s (4.00x) | n/a | met |"),
              std::string::npos)
        << md;
    EXPECT_NE(md.find("| memory | 10.0 MB | 12.5 MB | 30.0 MB | failed: x | met |"), std::string::npos) << md;
}

TEST(ReportTest, RatiosArePairedByProcessSoAProcesssPaceCancels) {
    // Process 2 ran everything 1.5 times slower; the pair is 2x raw in both. The pooled medians
    // (raw 12.5, pair 30) would say 2.4x.
    const std::vector<double> raw = {10, 10, 15, 15};
    const std::vector<int> rawProcesses = {1, 1, 2, 2};
    const std::vector<double> mine = {20, 30, 30, 30};
    const std::vector<int> myProcesses = {1, 2, 2, 2};
    EXPECT_DOUBLE_EQ(*PairedRatio(mine, myProcesses, raw, rawProcesses), 2.0);
    // A process the raw API has no runs in is left out; with none in common there is no ratio.
    EXPECT_DOUBLE_EQ(*PairedRatio({20, 99}, {1, 3}, raw, rawProcesses), 2.0);
    EXPECT_FALSE(PairedRatio({20}, {3}, raw, rawProcesses).has_value());
    // One process: the ratio of the medians.
    EXPECT_DOUBLE_EQ(*PairedRatio({3, 1, 2}, {0, 0, 0}, {2, 1}, {0, 0}), 2.0 / 1.5);

    // The table and the verdicts use the paired ratio where a cell has one.
    TTable t = Table();
    TCell product = At(1.3);
    product.Ratio = 1.6;
    TCell qt = At(1.2); // faster by the pooled times, slower by its paired ratio
    qt.Ratio = 1.7;
    TRow read{"1. read", false, true, {At(1.0), product, qt, TCell{}}, false, 1.5};
    EXPECT_EQ(GoalVerdict(t, read), "**1.60x raw > 1.5x**");
    t.Rows.push_back(read);
    EXPECT_NE(MarkdownTable(t).find("| 1.30 s (1.60x) | 1.20 s (1.70x) |"), std::string::npos) << MarkdownTable(t);
}

TEST(ReportTest, AFailureCannotBreakTheTable) {
    TTable t = Table();
    const std::string why = "near 'a|b'\n" + std::string(200, 'x');
    t.Rows.push_back(
        TRow{"1. read", false, true, {At(0.5), TCell{TCell::Failed, 0, 0, why}, At(2.0), At(1.0)}});
    const std::string md = MarkdownTable(t);
    const std::string line = md.substr(md.rfind("| 1. read"));
    // Every row has the header's number of cells: no '|' of the message splits one.
    std::size_t bars = 0;
    for (std::size_t i = 0; i < line.size(); ++i)
        bars += line[i] == '|' && (i == 0 || line[i - 1] != '\\');
    EXPECT_EQ(bars, 7u) << line;
    EXPECT_EQ(line.find('\n'), line.size() - 1) << line;
    EXPECT_LT(line.size(), 200u);
}

TEST(ReportTest, MachineListsWhatTheNumbersDependOn) {
    const std::string m = MachineDescription({"SQLite 3.x"});
    for (const char* label : {"- CPU: ", " logical cores",
                              "- Memory: ", "- OS: ", "- Compiler: ", "- Load average", "- SQLite 3.x"})
        EXPECT_NE(m.find(label), std::string::npos) << label << "\n" << m;
    // Memory read from the system, not a parse that failed.
    EXPECT_EQ(m.find("- Memory: 0.0 GB"), std::string::npos) << m;
}

} // namespace
