// The comparison harness: the same five works on the same SQLite file through the raw SQLite C
// API, the client-library stand-in called directly, TAsaSQL, Qt SQL and SOCI (and works 1 and 5
// through TAsaDataset), timed with Google Benchmark and printed as one Markdown table; then the
// cost of one edit and post through the dataset.
//
// Every (work, contender) pair is a benchmark of one iteration, repeated --reps times (default 5);
// the repetitions of all pairs run in random interleaved order, so a busy spell of the machine
// spreads over every contender instead of falling on one. The repetitions run in --processes
// processes of this program started afresh (default 6; 1 with --small), because a process's own
// luck (where its memory landed, what the machine did meanwhile) moves all of its runs together:
// one process's median can be a third off another's. Six processes of five runs made two runs of
// the whole table agree within 15% on every ratio; three processes did not. The table shows the
// median real time of all runs of each pair and its ratio to the raw API, paired by process: the
// median over the processes of the pair's median there over the raw API's median there, so that a
// process's pace cancels out of the ratio. Before the timed runs,
// each contender's work 1 runs in a child process of its own (this program, started afresh), which
// reports its peak resident memory; a second child that only connects gives the memory the read
// itself adds.
//
// Usage: bench_compare [--reps=N] [--processes=K] [--data-dir=DIR] [--small] [--asa-row-counts]
//                      [Google Benchmark flags]
//   --reps is per process: each pair runs K * N times in all.
//   --data-dir keeps the database file there and reuses it on later runs (TNX_BENCH_DATA_DIR
//   does the same); otherwise it is made in a temporary folder and removed at the end.
//   --small runs small sizes: a quick check that every contender works, not for publishing.
//   --asa-row-counts runs TAsaSQL with its session's default WantRowCounts (true) instead of false.
//   A --benchmark_filter picks (work, contender) pairs by name: w<work 0-5>/<contender 0-5>; the
//   memory probes and the edit-and-post measure then do not run.
// Progress goes to stderr; the Markdown report (table, notes, machine) goes to stdout.
#include "Contender.h"
#include "Harness.h"
#include "Report.h"
#include "RunCollector.h"

#include <QtCore/QCoreApplication>
#include <benchmark/benchmark.h>
#include <soci/version.h>
#include <sqlite3.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <functional>
#include <iostream>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace {

using namespace cmp;

std::string BenchName(TWork w, std::size_t contender) {
    return "w" + std::to_string(w) + "/" + std::to_string(contender);
}

// Runs one work of one contender as the body of a benchmark: untimed preparation, the timed call,
// untimed checks of what it did.
void RunWork(benchmark::State& state, TWork w, TContender& c, const TDataSet& data) {
    try {
        PrepareWork(w, c, data);
        uint64_t got = 0;
        for (auto _ : state)
            got = PerformWork(w, c, data);
        if (auto failure = VerifyWork(w, got, data)) state.SkipWithError(failure->c_str());
    } catch (const std::exception& e) {
        state.SkipWithError(e.what());
    } catch (...) {
        state.SkipWithError("unknown exception");
    }
}

struct TOptions {
    int Reps = 5;
    std::string DataDir;
    bool Small = false;
    int Probe = -1;            // child mode: the contender whose memory is probed
    bool ProbeRead = false;    // child mode: read (true) or only connect
    bool Filtered = false;     // a benchmark filter picks some works: no memory probes
    bool AsaRowCounts = false; // TAsaSQL's session keeps its default WantRowCounts (true)
    int Processes = 0;         // processes the timed runs are spread over (0: the default)
    bool SamplesOnly = false;  // child mode: run the timed runs, print their samples, no report
    std::vector<std::string> BenchmarkFlags; // passed on to the children
};

// Child mode: connect contender Probe and, when asked, do work 1; prints "peak_kb=<n>" and exits 0
// when the read was right.
int RunProbe(const TOptions& o) {
    try {
        TDataSet data(o.DataDir, TSizes::For(o.Small));
        auto all = AllContenders(TNX_BENCH_LIB_DIR, o.AsaRowCounts);
        TContender& c = *all.at(static_cast<std::size_t>(o.Probe));
        c.Open(data);
        if (o.ProbeRead && c.Read() != data.ExpectedRead()) return 3;
        std::printf("peak_kb=%ld\n", PeakKilobytes());
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "memory probe: %s\n", e.what());
        return 2;
    }
}

// A word for the shell, in single quotes.
std::string Quoted(const std::string& s) {
    std::string q = "'";
    for (char ch : s)
        q += ch == '\'' ? std::string("'\\''") : std::string(1, ch);
    return q + "'";
}

// This program run afresh, on the same database.
std::string SelfCommand(const TOptions& o) {
    return Quoted(std::filesystem::read_symlink("/proc/self/exe")) + " " + Quoted("--data-dir=" + o.DataDir);
}

// Peak resident memory (MB) of this program run afresh in probe mode; negative when it failed.
double ProbeMemory(const TOptions& o, int contender, bool read) {
    std::string command = SelfCommand(o) + " --probe=" + std::to_string(contender);
    if (read) command += " --probe-read";
    if (o.Small) command += " --small";
    if (o.AsaRowCounts) command += " --asa-row-counts";
    std::FILE* child = popen(command.c_str(), "r");
    if (child == nullptr) return -1;
    long kb = -1;
    char line[128];
    while (std::fgets(line, sizeof line, child) != nullptr)
        if (std::strncmp(line, "peak_kb=", 8) == 0) kb = std::atol(line + 8);
    if (pclose(child) != 0 || kb < 0) return -1;
    return kb / 1024.0;
}

// Child mode's output: one line per timed run ("sample", name, real and CPU seconds) and per
// failed pair ("error", name, message), tab-separated.
void PrintSamples(const TRunCollector& collector) {
    for (const auto& [name, real] : collector.Seconds) {
        const std::vector<double>& cpu = collector.CpuSeconds.at(name);
        for (std::size_t i = 0; i < real.size() && i < cpu.size(); ++i)
            std::printf("sample\t%s\t%.9g\t%.9g\n", name.c_str(), real[i], cpu[i]);
    }
    for (const auto& [name, message] : collector.Errors) {
        std::string oneLine = message;
        for (char& ch : oneLine)
            if (ch == '\n' || ch == '\t') ch = ' ';
        std::printf("error\t%s\t%s\n", name.c_str(), oneLine.c_str());
    }
}

// Runs the timed runs in K processes of this program, one after the other, and gathers their
// samples into the collector. A process that fails fails every pair that has no sample at all.
void RunInChildren(const TOptions& o, int processes, TRunCollector& collector) {
    std::string command = SelfCommand(o) + " --samples-only --reps=" + std::to_string(o.Reps);
    if (o.Small) command += " --small";
    if (o.AsaRowCounts) command += " --asa-row-counts";
    for (const std::string& flag : o.BenchmarkFlags)
        command += " " + Quoted(flag);
    for (int p = 1; p <= processes; ++p) {
        std::fprintf(stderr, "timed runs: process %d of %d\n", p, processes);
        std::FILE* child = popen(command.c_str(), "r");
        if (child == nullptr) {
            collector.ProcessFailure = "cannot start a process for the timed runs";
            return;
        }
        char line[4096];
        while (std::fgets(line, sizeof line, child) != nullptr) {
            std::string text(line);
            if (!text.empty() && text.back() == '\n') text.pop_back();
            std::vector<std::string> fields;
            std::size_t from = 0;
            for (std::size_t tab; (tab = text.find('\t', from)) != std::string::npos; from = tab + 1)
                fields.push_back(text.substr(from, tab - from));
            fields.push_back(text.substr(from));
            if (fields.size() == 4 && fields[0] == "sample") {
                collector.Seconds[fields[1]].push_back(std::atof(fields[2].c_str()));
                collector.CpuSeconds[fields[1]].push_back(std::atof(fields[3].c_str()));
                collector.Processes[fields[1]].push_back(p);
            } else if (fields.size() == 3 && fields[0] == "error") {
                collector.Errors.emplace(fields[1], fields[2]);
            }
        }
        if (pclose(child) != 0) collector.ProcessFailure = "a process of the timed runs failed";
    }
}

// Whether the contender can do the work at all (else its cell is n/a).
bool Does(const TContender& c, TWork w) {
    if (w == wScroll && !c.CanScroll()) return false;
    return !c.WalksOnly() || w == wRead || w == wScroll;
}

std::string UtcNow() {
    std::time_t t = std::time(nullptr);
    char buf[64];
    std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M UTC", std::gmtime(&t));
    return buf;
}

} // namespace

int main(int argc, char** argv) {
    TOptions o;
    if (const char* kept = std::getenv("TNX_BENCH_DATA_DIR")) o.DataDir = kept;
    std::vector<char*> rest = {argv[0]};
    std::string command = "bench_compare";
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a.rfind("--reps=", 0) == 0)
            o.Reps = std::max(1, std::atoi(a.c_str() + 7));
        else if (a.rfind("--data-dir=", 0) == 0)
            o.DataDir = a.substr(11);
        else if (a == "--small")
            o.Small = true;
        else if (a.rfind("--probe=", 0) == 0)
            o.Probe = std::atoi(a.c_str() + 8);
        else if (a == "--probe-read")
            o.ProbeRead = true;
        else if (a == "--asa-row-counts")
            o.AsaRowCounts = true;
        else if (a.rfind("--processes=", 0) == 0)
            o.Processes = std::max(1, std::atoi(a.c_str() + 12));
        else if (a == "--samples-only")
            o.SamplesOnly = true;
        else {
            if (a.rfind("--benchmark_filter", 0) == 0) o.Filtered = true;
            rest.push_back(argv[i]);
            o.BenchmarkFlags.push_back(a);
        }
        if (o.Probe < 0 && a.rfind("--data-dir=", 0) != 0) command += " " + a;
    }
    int qtArgc = 1;
    QCoreApplication app(qtArgc, argv);
    if (o.Probe >= 0) return RunProbe(o);

    bool temporary = o.DataDir.empty();
    if (temporary) {
        char tmpl[] = "/tmp/tnxcompare-XXXXXX";
        o.DataDir = mkdtemp(tmpl);
    }
    char interleave[] = "--benchmark_enable_random_interleaving=true";
    rest.push_back(interleave);
    int count = static_cast<int>(rest.size());
    benchmark::Initialize(&count, rest.data());

    std::fprintf(stderr, "preparing the database in %s\n", o.DataDir.c_str());
    const TDataSet data(o.DataDir, TSizes::For(o.Small));
    auto contenders = AllContenders(TNX_BENCH_LIB_DIR, o.AsaRowCounts);
    std::vector<std::string> openErrors(contenders.size());
    for (std::size_t c = 0; c < contenders.size(); ++c) {
        try {
            contenders[c]->Open(data);
        } catch (const std::exception& e) {
            openErrors[c] = e.what();
            std::fprintf(stderr, "%s cannot open: %s\n", contenders[c]->Name().c_str(), e.what());
        }
    }

    // Peak memory of work 1, each contender in a process of its own.
    std::vector<TCell> memory(contenders.size());
    std::vector<double> idle(contenders.size(), -1);
    for (std::size_t c = 0; c < contenders.size(); ++c) {
        if (!openErrors[c].empty() || o.Filtered || o.SamplesOnly) continue;
        std::fprintf(stderr, "memory of %s\n", contenders[c]->Name().c_str());
        idle[c] = ProbeMemory(o, static_cast<int>(c), false);
        const double peak = ProbeMemory(o, static_cast<int>(c), true);
        if (peak < 0)
            memory[c] = TCell{TCell::Failed, 0, 0, "the probe failed"};
        else
            memory[c] = TCell{TCell::Measured, peak, 1, ""};
    }

    for (int w = 0; w < wCount; ++w)
        for (std::size_t c = 0; c < contenders.size(); ++c) {
            if (!openErrors[c].empty() || !Does(*contenders[c], static_cast<TWork>(w))) continue;
            TContender& contender = *contenders[c];
            benchmark::RegisterBenchmark(BenchName(static_cast<TWork>(w), c).c_str(),
                                         [w, &contender, &data](benchmark::State& st) {
                                             RunWork(st, static_cast<TWork>(w), contender, data);
                                         })
                ->Iterations(1)
                ->Repetitions(o.Reps)
                ->ReportAggregatesOnly(false)
                ->Unit(benchmark::kMillisecond);
        }
    TRunCollector collector;
    collector.SetOutputStream(&std::cerr);
    collector.SetErrorStream(&std::cerr);
    const int processes = o.SamplesOnly ? 1 : o.Processes > 0 ? o.Processes : o.Small ? 1 : 6;
    if (processes > 1) {
        RunInChildren(o, processes, collector);
    } else {
        benchmark::RunSpecifiedBenchmarks(&collector);
    }
    if (o.SamplesOnly) {
        PrintSamples(collector);
        contenders.clear();
        return 0;
    }

    // One table of medians per clock: real time (what a user waits) and CPU time (steadier on a
    // machine shared with other work, blind to waits for the disk).
    auto tableOf = [&](std::map<std::string, std::vector<double>>& samples) {
        TTable table;
        for (std::size_t c = 0; c < contenders.size(); ++c) {
            const std::string name = contenders[c]->Name();
            table.Contenders.push_back(name);
            if (name == "TAsaSQL") table.Product = static_cast<int>(c);
            if (name == "Qt SQL" || name == "SOCI") table.Peers.push_back(static_cast<int>(c));
            if (name == "TAsaDataset") table.Dataset = static_cast<int>(c);
        }
        for (int w = 0; w < wCount; ++w) {
            TRow row;
            row.Work = WorkTitle(static_cast<TWork>(w), data.Sizes());
            row.Read = IsRead(static_cast<TWork>(w));
            row.DatasetGoal = w == wRead;
            row.Limit = ProductLimit(static_cast<TWork>(w));
            for (std::size_t c = 0; c < contenders.size(); ++c) {
                const std::string name = BenchName(static_cast<TWork>(w), c);
                std::optional<std::string> failure;
                if (!openErrors[c].empty())
                    failure = "cannot open: " + openErrors[c];
                else if (collector.Errors.count(name))
                    failure = collector.Errors[name];
                else if (collector.ProcessFailure && samples[name].empty())
                    failure = collector.ProcessFailure;
                const bool available = Does(*contenders[c], static_cast<TWork>(w));
                row.Cells.push_back(CellFor(available, samples[name], failure));
                // The ratio to the raw API is taken within each process, then across them.
                const std::string rawName = BenchName(static_cast<TWork>(w), 0);
                if (c > 0 && row.Cells.back().State == TCell::Measured)
                    if (auto r = PairedRatio(samples[name], collector.Processes[name], samples[rawName],
                                             collector.Processes[rawName]))
                        row.Cells.back().Ratio = *r;
            }
            table.Rows.push_back(row);
        }
        return table;
    };
    TTable table = tableOf(collector.Seconds);
    const TTable cpuTable = tableOf(collector.CpuSeconds);
    TRow mem;
    mem.Work = "Peak memory of work 1 (peak RSS of a process of its own)";
    mem.Memory = true;
    mem.Cells = memory;
    table.Rows.push_back(mem);
    TRow growth;
    growth.Work = "of which the read adds (over connected and idle)";
    growth.Memory = true;
    for (std::size_t c = 0; c < contenders.size(); ++c) {
        TCell cell = memory[c];
        if (cell.State == TCell::Measured && idle[c] >= 0)
            cell.Value -= idle[c];
        else if (cell.State == TCell::Measured)
            cell = TCell{TCell::Failed, 0, 0, "the probe failed"};
        growth.Cells.push_back(cell);
    }
    table.Rows.push_back(growth);

    const std::string runs = processes > 1 ? std::to_string(processes * o.Reps) + " runs per cell (" +
                                                 std::to_string(processes) + " processes of " +
                                                 std::to_string(o.Reps) + " interleaved runs each)"
                                           : std::to_string(o.Reps) + " interleaved runs per cell";
    std::printf("Run %s: `%s`, median of %s (real time; ratio to raw SQLite in parentheses, taken within "
                "each process and then the median over the processes).\n\n",
                UtcNow().c_str(), command.c_str(), runs.c_str());
    std::printf("%s\n", MarkdownTable(table).c_str());
    std::printf(
        "The same runs in CPU time (medians; the CPU time of the waits for the disk at commits is not "
        "counted):\n\n%s\n",
        MarkdownTable(cpuTable).c_str());
    // What one edit costs through the dataset: its post re-runs the query.
    if (!o.Filtered) {
        try {
            std::fprintf(stderr, "edit and post through TAsaDataset\n");
            const TEditPostTimes t = MeasureDatasetEditPost(TNX_BENCH_LIB_DIR, data, std::max(o.Reps, 4));
            std::printf("One edit and post through TAsaDataset on the %s-row result of work 5 (median of %zu; "
                        "rows at 1/4 and 3/4 of the result in turn): %s per post, of which the re-run of the "
                        "query that every post makes (a Refresh of the same record, measured alone) is %s.\n\n",
                        Thousands(data.Sizes().ScrollRows).c_str(), t.Post.size(),
                        FormatSeconds(Median(t.Post).value_or(0)).c_str(),
                        FormatSeconds(Median(t.Refresh).value_or(0)).c_str());
        } catch (const std::exception& e) {
            std::printf("One edit and post through TAsaDataset: failed: %s\n\n", e.what());
        }
    }
    std::printf("How each contender was set up:\n\n");
    for (auto& c : contenders)
        std::printf("- %s: %s\n", c->Name().c_str(), c->Setup().c_str());
    std::printf("\nMachine:\n\n%s",
                MachineDescription({std::string("SQLite ") + sqlite3_libversion(),
                                    std::string("Qt ") + qVersion(), std::string("SOCI ") + SOCI_LIB_VERSION,
                                    "Google Benchmark (interleaved repetitions)"})
                    .c_str());
    contenders.clear();
    if (temporary) std::filesystem::remove_all(o.DataDir);
    return 0;
}
