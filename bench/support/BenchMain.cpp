// Program start and ratio reporter of the comparing benchmarks (see BenchMain.h).
#include "bench/support/BenchMain.h"

#include <cstdio>

namespace tnxbench {

namespace {

void Keep(std::map<std::string, double>& m, const std::string& name, double t) {
    auto it = m.find(name);
    if (it == m.end() || t < it->second) m[name] = t;
}

} // namespace

void InitializeInterleaved(int argc, char** argv) {
    // Kept for the life of the program, as argv itself is.
    static std::vector<char*> args;
    args.assign(argv, argv + argc);
    static char interleave[] = "--benchmark_enable_random_interleaving=true";
    args.push_back(interleave);
    int count = static_cast<int>(args.size());
    benchmark::Initialize(&count, args.data());
}

void RatioReporter::ReportRuns(const std::vector<Run>& runs) {
    for (const Run& r : runs) {
        if (r.iterations <= 0 || r.run_type != Run::RT_Iteration) continue;
        const std::string& name = r.run_name.function_name;
        Keep(Times, name, r.GetAdjustedRealTime());
        Keep(CpuTimes, name, r.GetAdjustedCPUTime());
    }
    ConsoleReporter::ReportRuns(runs);
}

void RatioReporter::PrintRatio(const char* what, const char* mine, const char* raw) {
    if (Times.count(mine) && Times.count(raw))
        std::printf("ratio %s: %.2f real time, %.2f CPU time\n", what, Times[mine] / Times[raw],
                    CpuTimes[mine] / CpuTimes[raw]);
}

} // namespace tnxbench
