// The comparison's report (see Report.h).
#include "Report.h"

#include <sys/utsname.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>
#include <thread>

namespace cmp {

std::optional<double> Median(std::vector<double> Samples) {
    if (Samples.empty()) return std::nullopt;
    std::sort(Samples.begin(), Samples.end());
    const std::size_t n = Samples.size();
    return n % 2 == 1 ? Samples[n / 2] : (Samples[n / 2 - 1] + Samples[n / 2]) / 2;
}

TCell CellFor(bool Available, const std::vector<double>& Samples, const std::optional<std::string>& Failure) {
    if (!Available) return TCell{TCell::NotAvailable, 0, 0, ""};
    if (Failure) return TCell{TCell::Failed, 0, 0, *Failure};
    if (auto m = Median(Samples)) return TCell{TCell::Measured, *m, static_cast<int>(Samples.size()), ""};
    return TCell{TCell::NotAvailable, 0, 0, ""};
}

std::optional<double> PairedRatio(const std::vector<double>& Samples, const std::vector<int>& Processes,
                                  const std::vector<double>& Raw, const std::vector<int>& RawProcesses) {
    std::map<int, std::vector<double>> mine, raw;
    for (std::size_t i = 0; i < Samples.size() && i < Processes.size(); ++i)
        mine[Processes[i]].push_back(Samples[i]);
    for (std::size_t i = 0; i < Raw.size() && i < RawProcesses.size(); ++i)
        raw[RawProcesses[i]].push_back(Raw[i]);
    std::vector<double> quotients;
    for (const auto& [process, samples] : mine) {
        auto other = raw.find(process);
        if (other == raw.end()) continue;
        const double base = *Median(other->second);
        if (base > 0) quotients.push_back(*Median(samples) / base);
    }
    return Median(quotients);
}

std::string FormatSeconds(double Seconds) {
    const char* unit = "s";
    double v = Seconds;
    if (v < 1e-3) {
        v *= 1e6;
        unit = "us";
    } else if (v < 1.0) {
        v *= 1e3;
        unit = "ms";
    }
    char buf[32];
    // Three significant digits.
    const int decimals = v >= 100 ? 0 : v >= 10 ? 1 : 2;
    std::snprintf(buf, sizeof buf, "%.*f %s", decimals, v, unit);
    return buf;
}

namespace {

bool RawMeasured(const TRow& row) {
    return !row.Cells.empty() && row.Cells.front().State == TCell::Measured && row.Cells.front().Value > 0;
}

// A timed cell's standing in its row: its ratio to the raw API (paired by process when the cell
// has one), or its time when the raw API was not measured.
double Standing(const TRow& row, const TCell& cell) {
    if (cell.Ratio > 0) return cell.Ratio;
    return RawMeasured(row) ? cell.Value / row.Cells.front().Value : cell.Value;
}

// Text fit for a table cell: '|' escaped, line breaks as blanks, cut to 80 characters.
std::string Escaped(const std::string& text) {
    std::string out;
    for (char ch : text.substr(0, 80))
        out += ch == '|' ? std::string("\\|") : std::string(1, ch == '\n' || ch == '\r' ? ' ' : ch);
    return text.size() > 80 ? out + "..." : out;
}

std::string CellText(const TRow& row, const TCell& cell) {
    switch (cell.State) {
    case TCell::NotAvailable:
        return "n/a";
    case TCell::Failed:
        return "failed: " + Escaped(cell.Why);
    case TCell::Measured:
        break;
    }
    if (row.Memory) {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%.1f MB", cell.Value);
        return buf;
    }
    std::string text = FormatSeconds(cell.Value);
    if (RawMeasured(row)) {
        char buf[32];
        std::snprintf(buf, sizeof buf, " (%.2fx)", Standing(row, cell));
        text += buf;
    }
    return text;
}

} // namespace

std::string GoalVerdict(const TTable& Table, const TRow& Row) {
    if (Table.Product < 0 || static_cast<std::size_t>(Table.Product) >= Row.Cells.size()) return "";
    const TCell& mine = Row.Cells[static_cast<std::size_t>(Table.Product)];
    if (mine.State != TCell::Measured) return "";
    std::vector<std::string> missed;
    for (int peer : Table.Peers) {
        const TCell& other = Row.Cells[static_cast<std::size_t>(peer)];
        if (other.State == TCell::Measured && Standing(Row, other) < Standing(Row, mine))
            missed.push_back("behind " + Table.Contenders[static_cast<std::size_t>(peer)]);
    }
    const double limit = Row.Limit > 0 ? Row.Limit : Row.Read ? Table.ReadLimit : 0;
    if (limit > 0 && !Row.Memory && RawMeasured(Row) && Standing(Row, mine) > limit) {
        char buf[64];
        std::snprintf(buf, sizeof buf, "%.2fx raw > %gx", Standing(Row, mine), limit);
        missed.push_back(buf);
    }
    if (missed.empty()) return "met";
    std::string out;
    for (const std::string& m : missed)
        out += (out.empty() ? "" : "; ") + m;
    return "**" + out + "**";
}

namespace {

std::string Emphasised(const std::vector<std::string>& missed) {
    if (missed.empty()) return "met";
    std::string out;
    for (const std::string& m : missed)
        out += (out.empty() ? "" : "; ") + m;
    return "**" + out + "**";
}

} // namespace

std::string DatasetVerdict(const TTable& Table, const TRow& Row) {
    if (!Row.DatasetGoal || Table.Dataset < 0 || Table.Product < 0) return "";
    const auto at = [&Row](int column) -> const TCell* {
        return static_cast<std::size_t>(column) < Row.Cells.size() ? &Row.Cells[static_cast<std::size_t>(column)]
                                                                   : nullptr;
    };
    const TCell* mine = at(Table.Dataset);
    const TCell* product = at(Table.Product);
    if (mine == nullptr || product == nullptr || mine->State != TCell::Measured ||
        product->State != TCell::Measured || product->Value <= 0)
        return "";
    std::vector<std::string> missed;
    for (int peer : Table.Peers) {
        const TCell* other = at(peer);
        if (other != nullptr && other->State == TCell::Measured && Standing(Row, *other) < Standing(Row, *mine))
            missed.push_back("behind " + Table.Contenders[static_cast<std::size_t>(peer)]);
    }
    const double toProduct = Standing(Row, *mine) / Standing(Row, *product);
    if (toProduct > Table.DatasetLimit) {
        char buf[96];
        std::snprintf(buf, sizeof buf, "%.2fx %s > %.1fx", toProduct,
                      Table.Contenders[static_cast<std::size_t>(Table.Product)].c_str(), Table.DatasetLimit);
        missed.push_back(buf);
    }
    return Emphasised(missed);
}

std::string MarkdownTable(const TTable& Table) {
    std::string out = "| Work |";
    std::string rule = "|---|";
    for (const std::string& name : Table.Contenders) {
        out += " " + name + " |";
        rule += "---:|";
    }
    const bool goals = Table.Product >= 0;
    if (goals) {
        out += " " + Table.Contenders[static_cast<std::size_t>(Table.Product)] + " goals |";
        rule += "---|";
    }
    const bool datasetGoals = goals && Table.Dataset >= 0;
    if (datasetGoals) {
        out += " " + Table.Contenders[static_cast<std::size_t>(Table.Dataset)] + " goals |";
        rule += "---|";
    }
    out += "\n" + rule + "\n";
    for (const TRow& row : Table.Rows) {
        out += "| " + row.Work + " |";
        for (const TCell& cell : row.Cells)
            out += " " + CellText(row, cell) + " |";
        if (goals) out += " " + GoalVerdict(Table, row) + " |";
        if (datasetGoals) out += " " + DatasetVerdict(Table, row) + " |";
        out += "\n";
    }
    return out;
}

namespace {

// The value after "key:" on the first line of a /proc file that starts with key.
std::string ProcField(const char* file, const std::string& key) {
    std::ifstream in(file);
    std::string line;
    while (std::getline(in, line))
        if (line.compare(0, key.size(), key) == 0) {
            std::size_t colon = line.find(':');
            if (colon == std::string::npos) continue;
            std::size_t start = line.find_first_not_of(" \t", colon + 1);
            return start == std::string::npos ? "" : line.substr(start);
        }
    return "unknown";
}

std::string OsName() {
    std::ifstream in("/etc/os-release");
    std::string line;
    while (std::getline(in, line))
        if (line.compare(0, 12, "PRETTY_NAME=") == 0) {
            std::string v = line.substr(12);
            if (v.size() >= 2 && v.front() == '"') v = v.substr(1, v.size() - 2);
            return v;
        }
    return "Linux";
}

} // namespace

std::string MachineDescription(const std::vector<std::string>& LibraryVersions) {
    std::string out;
    out += "- CPU: " + ProcField("/proc/cpuinfo", "model name") + ", " +
           std::to_string(std::thread::hardware_concurrency()) + " logical cores\n";
    const std::string mem = ProcField("/proc/meminfo", "MemTotal");
    long kb = std::atol(mem.c_str());
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.1f GB", kb / 1024.0 / 1024.0);
    out += std::string("- Memory: ") + buf + "\n";
    utsname u{};
    uname(&u);
    out += "- OS: " + OsName() + ", kernel " + u.release + " (" + u.machine + ")\n";
#if defined(__clang__)
    out += "- Compiler: clang " __clang_version__ "\n";
#elif defined(__GNUC__)
    out += "- Compiler: g++ " __VERSION__ "\n";
#endif
    // Other work on the machine moves the numbers: say how busy it was.
    std::ifstream load("/proc/loadavg");
    double l1 = 0, l5 = 0, l15 = 0;
    if (load >> l1 >> l5 >> l15) {
        std::snprintf(buf, sizeof buf, "%.2f, %.2f, %.2f", l1, l5, l15);
        out += std::string("- Load average (1, 5, 15 minutes) when the report was made: ") + buf + "\n";
    }
    for (const std::string& v : LibraryVersions)
        out += "- " + v + "\n";
    return out;
}

} // namespace cmp
