// A Google Benchmark reporter that keeps what the comparison tables are made of: the real and CPU
// time of every timed run per benchmark name (one sample per repetition) with the process it ran in,
// and the first failure of each name. It prints the usual console lines as well.
#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace cmp {

class TRunCollector : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs) {
            if (r.run_type != Run::RT_Iteration) continue;
            const std::string name = r.run_name.function_name;
            if (r.error_occurred) {
                Errors.emplace(name, r.error_message);
                continue;
            }
            if (r.iterations > 0) {
                Seconds[name].push_back(r.real_accumulated_time / static_cast<double>(r.iterations));
                CpuSeconds[name].push_back(r.cpu_accumulated_time / static_cast<double>(r.iterations));
                Processes[name].push_back(0); // this process (the children's are numbered from 1)
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, std::vector<double>> Seconds;
    std::map<std::string, std::vector<double>> CpuSeconds;
    std::map<std::string, std::vector<int>> Processes; // the process of each sample
    std::map<std::string, std::string> Errors;
    // Set when a process of the timed runs (--processes) failed: it fails every pair with no sample.
    std::optional<std::string> ProcessFailure;
};

} // namespace cmp
