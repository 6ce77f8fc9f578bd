// A contender: one way a C++ program reaches the data set, doing the same five works as every
// other. The harness times each work call alone; whatever a call needs before it starts (a
// connection, emptied tables, the long value in the library's own type) happens outside the timed
// call.
//
// Every read returns the fold of what it read (RowSum per row, BytesChecksum for the long value),
// and every column is read as the library's own value type (the raw API's own are int, double and
// text), so a contender that skips a column or reads it wrongly is caught, not timed.
#pragma once

#include "Workload.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace cmp {

class TContender {
public:
    virtual ~TContender() = default;

    // The name in the table.
    virtual std::string Name() const = 0;
    // How the contender is set up for speed (one line for the notes under the table).
    virtual std::string Setup() const = 0;
    // Connects to the data set's file. Called once, before any work.
    virtual void Open(const TDataSet& Data) = 0;

    // Work 1: reads every row of t, forward only.
    virtual uint64_t Read() = 0;
    // Work 2: for every key, runs the prepared lookup of t by primary key and reads the row.
    virtual uint64_t Lookup(std::span<const int32_t> Keys) = 0;
    // Work 3: inserts rows 0 .. Count-1 into ins with one prepared statement, in one transaction.
    virtual void Insert(int32_t Count) = 0;
    // Work 4: turns the value into the library's own type (not timed), then writes it as row 2
    // of big (timed).
    virtual void PrepareLong(std::span<const uint8_t> Value) = 0;
    virtual void WriteLong() = 0;
    // Work 4: reads row 1 of big whole, into the library's own type.
    virtual uint64_t ReadLong() = 0;
    // Work 5: on one scrollable result over s (ordered by a), visits the 0-based positions in
    // order and reads the row at each.
    virtual bool CanScroll() const { return true; }
    virtual uint64_t Scroll(std::span<const int32_t> Positions) = 0;
    // Whether the contender does works 1 and 5 only (a dataset shows one query's rows; it runs no
    // lookups, inserts or long values): the other works are n/a for it.
    virtual bool WalksOnly() const { return false; }
};

// The contenders, in table order.
std::unique_ptr<TContender> NewRawContender();
// Loads libdblib7.so from LibDir.
std::unique_ptr<TContender> NewDbLibContender(std::string LibDir);
// Loads libdblib7.so from LibDir through the product's session. WantRowCounts: the session's
// property (its default is true; the comparison runs with false, as a program tuned for speed).
std::unique_ptr<TContender> NewAsaContender(std::string LibDir, bool WantRowCounts = false);
std::unique_ptr<TContender> NewQtContender();
// The product's dataset (TAsaDataset) over libdblib7.so from LibDir: works 1 and 5.
std::unique_ptr<TContender> NewDatasetContender(std::string LibDir);
std::unique_ptr<TContender> NewSociContender();

// Every contender in table order; the first is the raw API, which the ratios divide by.
std::vector<std::unique_ptr<TContender>> AllContenders(const std::string& LibDir, bool AsaRowCounts = false);

// One edit and post through TAsaDataset on the result of work 5 (ScrollRows rows, the session
// counting rows): the seconds of each post (Edit, one field written, Post, which re-runs the query
// and returns to the record), and of a Refresh of the same record right after it (the re-run
// alone). Rows in the back and the front half take turns.
struct TEditPostTimes {
    std::vector<double> Post;
    std::vector<double> Refresh;
};
TEditPostTimes MeasureDatasetEditPost(const std::string& LibDir, const TDataSet& Data, int Runs);

} // namespace cmp
