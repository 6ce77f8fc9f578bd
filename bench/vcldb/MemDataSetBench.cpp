// The framework's own cost per row: 1,000,000 rows of four columns (integer, double, a short text,
// a date-time) read through TMemDataSet with Next and Fields[i]->AsXxx, against the same rows in a
// plain std::vector of structs read member by member. Both loops fold every value into a checksum
// so neither can be optimised away. After the runs the program prints the ratio dataset/vector
// (best time of each over interleaved repetitions).
#include "bench/support/BenchMain.h"
#include "platform/vcl/db/DB.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

constexpr int kRows = 1000000;

struct TRowStruct {
    std::int32_t Id;
    double Amount;
    std::string Name;
    vcl::TDateTime When;
};

const std::vector<TRowStruct>& Rows() {
    static const std::vector<TRowStruct> rows = [] {
        std::vector<TRowStruct> v;
        v.reserve(kRows);
        for (int i = 0; i < kRows; ++i)
            v.push_back({i, i * 0.25, "name" + std::to_string(i % 100000), vcl::TDateTime(40000.0 + i / 1440.0)});
        return v;
    }();
    return rows;
}

vcl::TMemDataSet* TheDataSet() {
    static vcl::TOwned<vcl::TMemDataSet> dataSet = [] {
        auto ds = vcl::New<vcl::TMemDataSet>();
        ds->GetFieldDefs()->Add("ID", vcl::ftInteger);
        ds->GetFieldDefs()->Add("AMOUNT", vcl::ftFloat);
        ds->GetFieldDefs()->Add("NAME", vcl::ftString, 20);
        ds->GetFieldDefs()->Add("WHEN", vcl::ftDateTime);
        ds->Open();
        ds->DisableControls();
        for (const TRowStruct& r : Rows())
            ds->AppendRecord({r.Id, r.Amount, r.Name, r.When});
        ds->EnableControls();
        return ds;
    }();
    return dataSet.get();
}

void VectorRead(benchmark::State& state) {
    const std::vector<TRowStruct>& rows = Rows();
    for (auto _ : state) {
        double sum = 0;
        std::size_t chars = 0;
        for (const TRowStruct& r : rows) {
            sum += r.Id;
            sum += r.Amount;
            chars += std::string(r.Name).size(); // a copy, as AsString gives one
            sum += r.When;
        }
        benchmark::DoNotOptimize(sum);
        benchmark::DoNotOptimize(chars);
    }
    state.SetItemsProcessed(state.iterations() * kRows);
}

void DataSetRead(benchmark::State& state) {
    vcl::TMemDataSet* ds = TheDataSet();
    vcl::TFields* fields = ds->GetFields();
    for (auto _ : state) {
        double sum = 0;
        std::size_t chars = 0;
        ds->First();
        while (!ds->GetEof()) {
            sum += fields->GetField(0)->GetAsInteger();
            sum += fields->GetField(1)->GetAsFloat();
            chars += fields->GetField(2)->GetAsString().size();
            sum += fields->GetField(3)->GetAsDateTime();
            ds->Next();
        }
        benchmark::DoNotOptimize(sum);
        benchmark::DoNotOptimize(chars);
    }
    state.SetItemsProcessed(state.iterations() * kRows);
}

BENCHMARK(VectorRead)->Unit(benchmark::kMillisecond)->MinTime(1.0)->Repetitions(5);
BENCHMARK(DataSetRead)->Unit(benchmark::kMillisecond)->MinTime(1.0)->Repetitions(5);

// The console output, plus the best CPU time per iteration of each benchmark for the ratio.
class BestTimeReporter : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> Best;
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration || run.iterations <= 0) continue;
            double& best = Best.try_emplace(run.run_name.function_name, run.GetAdjustedCPUTime()).first->second;
            if (run.GetAdjustedCPUTime() < best) best = run.GetAdjustedCPUTime();
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

} // namespace

int main(int argc, char** argv) {
    tnxbench::InitializeInterleaved(argc, argv);
    Rows();
    TheDataSet();
    BestTimeReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    if (reporter.Best.count("DataSetRead") && reporter.Best.count("VectorRead")) {
        const double mine = reporter.Best["DataSetRead"], plain = reporter.Best["VectorRead"];
        std::printf("1,000,000 rows x 4 columns: TMemDataSet %.1f ms, vector of structs %.1f ms (CPU); "
                    "ratio dataset/vector %.2f; framework cost %.1f ns per row\n",
                    mine, plain, mine / plain, (mine - plain) * 1e6 / kRows);
    }
    return 0;
}
