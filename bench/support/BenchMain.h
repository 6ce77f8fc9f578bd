// The start and the report of a benchmark program that compares two sides: repetitions run
// interleaved (a busy spell of the machine does not fall on one side only), and the reporter
// keeps the best time per iteration of each benchmark for the ratios.
#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

namespace tnxbench {

// benchmark::Initialize with --benchmark_enable_random_interleaving=true added to the arguments.
void InitializeInterleaved(int argc, char** argv);

class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override;
    // Best real and CPU time per iteration, by benchmark name.
    std::map<std::string, double> Times, CpuTimes;
    // Prints "ratio WHAT: real, CPU" of mine over raw when both ran.
    void PrintRatio(const char* what, const char* mine, const char* raw);
};

} // namespace tnxbench
