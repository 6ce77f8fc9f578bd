// The harness program end to end, on small sizes: a filtered run prints the Markdown report with
// the cells it measured and n/a for the rest, and the memory probe mode reports a peak.
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

// Runs the program with the arguments; returns its standard output, and its exit status in Status.
std::string RunProgram(const std::string& args, int& Status, const char* Program = TNX_BENCH_COMPARE_PROGRAM) {
    const std::string command = std::string(Program) + " " + args + " 2>/dev/null";
    std::FILE* p = popen(command.c_str(), "r");
    if (p == nullptr) {
        Status = -1;
        return "";
    }
    std::string out;
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0)
        out.append(buf, n);
    Status = pclose(p);
    return out;
}

// The table line that starts with the row's title.
std::string Row(const std::string& report, const std::string& title) {
    const std::size_t at = report.find("| " + title);
    if (at == std::string::npos) return "";
    return report.substr(at, report.find('\n', at) - at);
}

TEST(ProgramTest, AFilteredRunReportsWhatItMeasured) {
    tnxtest::TempDir dir;
    int status = 0;
    // Work 1 through the raw API and the client library, twice each.
    const std::string report =
        RunProgram("--small --reps=2 --data-dir=" + dir.Path() + " --benchmark_filter='w0/[01]/'", status);
    ASSERT_EQ(status, 0) << report;
    EXPECT_NE(report.find("median of 2 interleaved runs"), std::string::npos) << report;
    const std::string read = Row(report, "1. Forward read of 20,000 rows");
    // raw, client library measured (the raw column is the ratio's base); the others not run.
    EXPECT_NE(read.find("(1.00x) |"), std::string::npos) << read;
    EXPECT_EQ(read.find("failed"), std::string::npos) << read;
    int notRun = 0;
    for (std::size_t at = read.find("| n/a |"); at != std::string::npos; at = read.find("| n/a |", at + 1))
        ++notRun;
    EXPECT_EQ(notRun, 4) << read; // TAsaSQL, Qt SQL, SOCI and TAsaDataset
    // Memory probes do not run under a filter.
    EXPECT_NE(Row(report, "Peak memory").find("| n/a | n/a | n/a | n/a | n/a |"), std::string::npos)
        << report;
    EXPECT_NE(report.find("- CPU: "), std::string::npos);
}

TEST(ProgramTest, RunsSpreadOverProcessesAreGatheredIntoOneMedian) {
    tnxtest::TempDir dir;
    int status = 0;
    const std::string report = RunProgram(
        "--small --reps=1 --processes=2 --data-dir=" + dir.Path() + " --benchmark_filter='w0/[01]/'", status);
    ASSERT_EQ(status, 0) << report;
    EXPECT_NE(report.find("median of 2 runs per cell (2 processes of 1 interleaved runs each)"), std::string::npos)
        << report;
    // Both processes' samples reached the table: the cells are measured, not failed or empty.
    const std::string read = Row(report, "1. Forward read of 20,000 rows");
    EXPECT_NE(read.find("(1.00x) |"), std::string::npos) << read;
    EXPECT_EQ(read.find("failed"), std::string::npos) << read;
}

TEST(ProgramTest, TheProbeReportsThePeakOfItsOwnRead) {
    tnxtest::TempDir dir;
    int status = 0;
    // The data set first (a filtered run that measures nothing), then a probe of the raw API.
    RunProgram("--small --reps=1 --data-dir=" + dir.Path() + " --benchmark_filter=none", status);
    ASSERT_EQ(status, 0);
    const std::string out = RunProgram("--small --probe=0 --probe-read --data-dir=" + dir.Path(), status);
    ASSERT_EQ(status, 0) << out;
    ASSERT_EQ(out.rfind("peak_kb=", 0), 0u) << out;
    EXPECT_GT(std::stol(out.substr(8)), 1000); // a program with its libraries takes megabytes
}

// The floor program checks every variant's result after each timed run (the read's and the
// lookups' sums, the inserted rows, the long value written) and exits 1 naming the variant when
// one is wrong; so a clean exit with a floor row in every table says the floor did the whole work.
TEST(ProgramTest, TheFloorDoesEveryWorkRight) {
    tnxtest::TempDir dir;
    int status = 0;
    const std::string report =
        RunProgram("--small --rounds=2 --data-dir=" + dir.Path(), status, TNX_BENCH_FLOOR_PROGRAM);
    EXPECT_EQ(status, 0) << report;
    for (const char* title : {"Forward read", "Point lookups", "Inserts", "Long write"}) {
        const std::size_t at = report.find(title);
        ASSERT_NE(at, std::string::npos) << title;
        const std::string table = report.substr(at, report.find("\n\n", report.find("|", at)) - at);
        EXPECT_NE(Row(table, "floor |"), "") << table;
        EXPECT_NE(Row(table, "raw SQLite | "), "") << table;
    }
    RunProgram("--work=sideways", status, TNX_BENCH_FLOOR_PROGRAM);
    EXPECT_NE(status, 0);
}

} // namespace
