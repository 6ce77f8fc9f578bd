// The server benchmark: the same three works over a local database server that the program starts
// itself, by five ways a C++ program reaches it: the server's own client library called directly
// (the limit), the client library's entry points, TAsaSQL, Qt SQL (QPSQL) and SOCI (postgresql),
// printed as a Markdown table in the shape of the in-process comparison (bench/compare), with the
// verdict on TAsaSQL's goals per row: ahead of both peers on every work, the forward read within
// 1.5 times the raw client library.
//
// Every (work, contender) pair is a benchmark of one iteration, repeated --reps times (default 5)
// in random interleaved order, so a busy spell of the machine spreads over every contender. A run
// whose result is wrong (a read's fold that differs from the raw client library's, an insert that
// left other rows than it wrote) is a failure with its reason, never a time.
//
// Usage: bench_server [--reps=N] [Google Benchmark flags]
// Progress goes to stderr; the Markdown report (table, set-up, machine) goes to stdout.
#include "Report.h"
#include "RunCollector.h"
#include "ServerContender.h"
#include "ServerFixture.h"

#include <QtCore/QCoreApplication>
#include <benchmark/benchmark.h>
#include <libpq-fe.h>
#include <soci/version.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <iostream>
#include <map>
#include <optional>
#include <string>
#include <vector>

#ifndef TNX_BENCH_LIB_DIR
#error "TNX_BENCH_LIB_DIR must name the folder of the client-library builds"
#endif

namespace {

using namespace srv;

enum TWork { wRead, wLookup, wInsert, wCount };

const char* WorkTitle(TWork w) {
    switch (w) {
    case wRead:
        return "1. Forward read of 100,000 rows";
    case wLookup:
        return "2. 2,000 point lookups by primary key";
    case wInsert:
        return "3. 2,000 prepared inserts in one transaction";
    case wCount:
        break;
    }
    return "";
}

std::string BenchName(int w, std::size_t contender) {
    return "w" + std::to_string(w) + "/" + std::to_string(contender);
}

// The folds a right read reaches, from the raw client library.
struct TExpected {
    uint64_t Read = 0;
    uint64_t Lookup = 0;
};

void RunWork(benchmark::State& state, TWork w, TServerContender& c, const TServer& server,
             const TExpected& expected) {
    try {
        if (w == wInsert) server.EmptyInserts();
        uint64_t got = 0;
        for (auto _ : state) {
            switch (w) {
            case wRead:
                got = c.Read();
                break;
            case wLookup:
                got = c.Lookup();
                break;
            case wInsert:
                c.Insert();
                break;
            case wCount:
                break;
            }
        }
        if (w == wRead && got != expected.Read) state.SkipWithError("the read's fold differs from raw libpq's");
        if (w == wLookup && got != expected.Lookup)
            state.SkipWithError("the lookups' fold differs from raw libpq's");
        if (w == wInsert && !server.InsertsAreRight()) state.SkipWithError("ins does not hold the rows written");
    } catch (const std::exception& e) {
        state.SkipWithError(e.what());
    } catch (...) {
        state.SkipWithError("unknown exception");
    }
}

std::string UtcNow() {
    std::time_t t = std::time(nullptr);
    char buf[64];
    std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M UTC", std::gmtime(&t));
    return buf;
}

struct TEntry {
    std::string Name;
    std::function<std::unique_ptr<TServerContender>(const TServer&)> Make;
};

} // namespace

int main(int argc, char** argv) {
    int reps = 5;
    std::vector<char*> rest = {argv[0]};
    std::string command = "bench_server";
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a.rfind("--reps=", 0) == 0)
            reps = std::max(1, std::atoi(a.c_str() + 7));
        else
            rest.push_back(argv[i]);
        command += " " + a;
    }
    int qtArgc = 1;
    QCoreApplication app(qtArgc, argv);
    char interleave[] = "--benchmark_enable_random_interleaving=true";
    rest.push_back(interleave);
    int count = static_cast<int>(rest.size());
    benchmark::Initialize(&count, rest.data());

    try {
        std::fprintf(stderr, "starting a server and filling t\n");
        const TServer server;
        const std::string libDir = TNX_BENCH_LIB_DIR;
        const std::vector<TEntry> entries = {
            {"raw libpq", [](const TServer& s) { return MakeRawContender(s); }},
            {"client library", [&libDir](const TServer& s) { return MakeDbLibContender(s, libDir); }},
            {"TAsaSQL", [&libDir](const TServer& s) { return MakeAsaContender(s, libDir); }},
            {"Qt SQL", [](const TServer& s) { return MakeQtContender(s); }},
            {"SOCI", [](const TServer& s) { return MakeSociContender(s); }},
        };
        std::vector<std::unique_ptr<TServerContender>> contenders(entries.size());
        std::vector<std::string> openErrors(entries.size());
        for (std::size_t c = 0; c < entries.size(); ++c) {
            try {
                contenders[c] = entries[c].Make(server);
            } catch (const std::exception& e) {
                openErrors[c] = e.what();
                std::fprintf(stderr, "%s cannot connect: %s\n", entries[c].Name.c_str(), e.what());
            }
        }
        Check(contenders[0] != nullptr, "raw libpq cannot connect: nothing to measure against");
        TExpected expected;
        expected.Read = contenders[0]->Read();
        expected.Lookup = contenders[0]->Lookup();

        for (int w = 0; w < wCount; ++w)
            for (std::size_t c = 0; c < contenders.size(); ++c) {
                if (!contenders[c]) continue;
                TServerContender& contender = *contenders[c];
                benchmark::RegisterBenchmark(BenchName(w, c).c_str(),
                                             [w, &contender, &server, &expected](benchmark::State& st) {
                                                 RunWork(st, static_cast<TWork>(w), contender, server, expected);
                                             })
                    ->Iterations(1)
                    ->Repetitions(reps)
                    ->ReportAggregatesOnly(false)
                    ->Unit(benchmark::kMillisecond)
                    ->UseRealTime();
            }
        cmp::TRunCollector collector;
        collector.SetOutputStream(&std::cerr);
        collector.SetErrorStream(&std::cerr);
        benchmark::RunSpecifiedBenchmarks(&collector);

        cmp::TTable table;
        for (std::size_t c = 0; c < entries.size(); ++c) table.Contenders.push_back(entries[c].Name);
        table.Product = 2;
        table.Peers = {3, 4};
        table.ReadLimit = 1.5;
        for (int w = 0; w < wCount; ++w) {
            cmp::TRow row;
            row.Work = WorkTitle(static_cast<TWork>(w));
            row.Read = w == wRead;
            for (std::size_t c = 0; c < contenders.size(); ++c) {
                const std::string name = BenchName(w, c);
                std::optional<std::string> failure;
                if (!openErrors[c].empty())
                    failure = "cannot connect: " + openErrors[c];
                else if (collector.Errors.count(name))
                    failure = collector.Errors[name];
                row.Cells.push_back(cmp::CellFor(true, collector.Seconds[name], failure));
            }
            table.Rows.push_back(row);
        }

        std::printf("Run %s: `%s`, median of %d interleaved runs per cell (real time; ratio to raw libpq "
                    "in parentheses), over a server on this machine reached through its loopback TCP port.\n\n",
                    UtcNow().c_str(), command.c_str(), reps);
        std::printf("%s\n", cmp::MarkdownTable(table).c_str());
        std::printf("How each contender was set up:\n\n");
        for (std::size_t c = 0; c < contenders.size(); ++c)
            if (contenders[c]) std::printf("- %s: %s\n", entries[c].Name.c_str(), contenders[c]->Setup().c_str());
        std::printf("\nMachine:\n\n%s",
                    cmp::MachineDescription({"PostgreSQL server " + server.Version(),
                                             "libpq " + std::to_string(PQlibVersion()),
                                             std::string("Qt ") + qVersion(),
                                             std::string("SOCI ") + SOCI_LIB_VERSION,
                                             "Google Benchmark (interleaved repetitions)"})
                        .c_str());
        contenders.clear(); // every connection closes before the server stops
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_server: %s\n", e.what());
        benchmark::Shutdown();
        return 1;
    }
    benchmark::Shutdown();
    return 0;
}
