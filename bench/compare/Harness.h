// One run of one work by one contender, in three steps, so that only the middle one is timed:
// PrepareWork (empty the table written, hand the long value over), PerformWork (the work itself),
// VerifyWork (the result against the expected one). A run that throws or gives another result
// than expected is a failure with a reason, never a time. Also the cells of the table made from
// the runs, and the process's peak memory.
#pragma once

#include "Contender.h"
#include "Report.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace cmp {

enum TWork { wRead, wLookup, wInsert, wWriteLong, wReadLong, wScroll, wCount };

// The row title of a work for the data set's sizes ("1. Forward read of 1,000,000 rows").
std::string WorkTitle(TWork Work, const TSizes& Sizes);
// Whether the work reads (the product's read limit applies to it).
bool IsRead(TWork Work);
// The product's limit on a work, in times the raw API: 1.5 for the reads and the positions, 1.15
// for the lookups and the inserts, 1.05 for writing the long value.
double ProductLimit(TWork Work);
// n with thousands separators: 1000000 -> "1,000,000".
std::string Thousands(long long n);

void PrepareWork(TWork Work, TContender& Contender, const TDataSet& Data);
// Returns the fold of what a read read (0 for writes).
uint64_t PerformWork(TWork Work, TContender& Contender, const TDataSet& Data);
// Why the run is not right (nullopt when it is): another fold than expected, or a table that
// does not hold what was written.
std::optional<std::string> VerifyWork(TWork Work, uint64_t Got, const TDataSet& Data);

// The peak resident memory of this process's own address space, in kB (VmHWM); -1 if unknown.
long PeakKilobytes();

} // namespace cmp
