// The comparison's report: medians of the timed runs, the Markdown table with the ratio of every
// contender to the raw API (the first column), the product's goals checked row by row, and the
// machine the numbers came from.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace cmp {

// The median of the samples (the mean of the middle two for an even count); nullopt when empty.
std::optional<double> Median(std::vector<double> Samples);

// "412 ms", "1.37 s", "85.2 us": three significant digits in a unit that suits.
std::string FormatSeconds(double Seconds);

// One cell of the table: the median time (or peak memory), "n/a" when the contender cannot do the
// work, or why the work failed (an error, or a result that differs from the expected one).
struct TCell {
    enum Kind { Measured, NotAvailable, Failed } State = NotAvailable;
    double Value = 0; // seconds, or megabytes for a memory row
    int Runs = 0;     // timed runs the median is taken over
    std::string Why;  // for Failed
    double Ratio = 0; // to the raw API, paired by process (PairedRatio); 0: Value over the raw Value
};

// The table cell of a (work, contender) pair from its timed samples: Failed with the reason when
// any run failed (a failure is never hidden by other runs' times), n/a when the contender cannot
// do the work or nothing ran, else the median.
TCell CellFor(bool Available, const std::vector<double>& Samples, const std::optional<std::string>& Failure);

// The ratio of a pair's runs to the raw API's, paired by process: each process's median divided by
// the raw API's median in the same process, then the median of those quotients. A process's own
// pace (what the machine did while it ran) moves all of its runs together and cancels out here;
// with one process it is the ratio of the two medians. Processes[i] is the process of Samples[i].
// nullopt when no process has runs of both.
std::optional<double> PairedRatio(const std::vector<double>& Samples, const std::vector<int>& Processes,
                                  const std::vector<double>& Raw, const std::vector<int>& RawProcesses);

struct TRow {
    std::string Work;
    bool Memory = false;      // Value is megabytes, no ratio
    bool Read = false;        // a read: the product must stay within ReadLimit times the raw API
    std::vector<TCell> Cells; // one per contender, in column order
    bool DatasetGoal = false; // the dataset's goal applies to this row (its walk, work 1)
    // The product's own limit on this row, in times the raw API (0: none of its own, so a read
    // takes the table's ReadLimit and anything else has no limit).
    double Limit = 0;
};

struct TTable {
    std::vector<std::string> Contenders; // column names; [0] is the raw API
    int Product = -1;                    // column of the product
    std::vector<int> Peers;              // columns of the peer libraries it must be ahead of
    double ReadLimit = 2.5;
    // The dataset's column (-1: none) and its goal on the rows marked DatasetGoal: at most
    // DatasetLimit times the product's time, and ahead of the peers.
    int Dataset = -1;
    double DatasetLimit = 1.3;
    std::vector<TRow> Rows;
};

// The verdict on the product's goals for one row: "met", or what is missed ("behind Qt SQL",
// "3.1x raw > 2.5x"), joined by "; ". Empty when the product's cell is not measured. Cells are
// compared by their ratios to the raw API (by their times when the raw API has none).
std::string GoalVerdict(const TTable& Table, const TRow& Row);

// The verdict on the dataset's goal for one row: "met", or what is missed ("behind Qt SQL",
// "1.45x TAsaSQL > 1.3x"). Empty when the row has no dataset goal or the cells it needs are not
// measured.
std::string DatasetVerdict(const TTable& Table, const TRow& Row);

// The Markdown table: a header, one line per row, each timed cell "<time> (<ratio>x)" (the cell's
// Ratio when it has one, else its time over the raw API's), memory
// cells "<MB> MB", and a last column with the goal verdict (and one for the dataset's goal when the
// table has a dataset column).
std::string MarkdownTable(const TTable& Table);

// The machine: CPU model, cores, memory, OS and kernel, compiler, the load average, and the
// versions of the libraries compared, as Markdown list lines.
std::string MachineDescription(const std::vector<std::string>& LibraryVersions);

} // namespace cmp
