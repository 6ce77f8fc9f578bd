// One run of one work by one contender, and the table cells made from the runs (see Harness.h).
#include "Harness.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace cmp {

std::string Thousands(long long n) {
    const bool negative = n < 0;
    std::string digits = std::to_string(negative ? -(n + 1) + 1ULL : static_cast<unsigned long long>(n));
    std::string out;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
        out += digits[i];
    }
    return negative ? "-" + out : out;
}

std::string WorkTitle(TWork Work, const TSizes& s) {
    const std::string mb = Thousands(static_cast<long long>(s.LongBytes >> 20));
    switch (Work) {
    case wRead:
        return "1. Forward read of " + Thousands(s.Rows) + " rows";
    case wLookup:
        return "2. " + Thousands(s.Lookups) + " prepared point lookups";
    case wInsert:
        return "3. " + Thousands(s.Inserts) + " prepared inserts, one transaction";
    case wWriteLong:
        return "4. Long binary of " + mb + " MB: write";
    case wReadLong:
        return "4. Long binary of " + mb + " MB: read back";
    case wScroll:
        return "5. " + Thousands(s.Positions) + " random absolute positions over " + Thousands(s.ScrollRows) +
               " rows";
    case wCount:
        break;
    }
    return "";
}

bool IsRead(TWork Work) {
    return Work == wRead || Work == wLookup || Work == wReadLong || Work == wScroll;
}

double ProductLimit(TWork Work) {
    switch (Work) {
    case wLookup:
    case wInsert:
        return 1.15;
    case wWriteLong:
        return 1.05;
    case wRead:
    case wReadLong:
    case wScroll:
        return 1.5;
    case wCount:
        break;
    }
    return 0;
}

void PrepareWork(TWork Work, TContender& Contender, const TDataSet& Data) {
    if (Work == wInsert) Data.ResetInserts();
    if (Work == wWriteLong) {
        Data.ResetLongWrite();
        Contender.PrepareLong(Data.LongValue());
    }
}

uint64_t PerformWork(TWork Work, TContender& Contender, const TDataSet& Data) {
    switch (Work) {
    case wRead:
        return Contender.Read();
    case wLookup:
        return Contender.Lookup(Data.Keys());
    case wInsert:
        Contender.Insert(Data.Sizes().Inserts);
        return 0;
    case wWriteLong:
        Contender.WriteLong();
        return 0;
    case wReadLong:
        return Contender.ReadLong();
    case wScroll:
        return Contender.Scroll(Data.Positions());
    case wCount:
        break;
    }
    return 0;
}

std::optional<std::string> VerifyWork(TWork Work, uint64_t Got, const TDataSet& Data) {
    uint64_t want = 0;
    switch (Work) {
    case wRead:
        want = Data.ExpectedRead();
        break;
    case wLookup:
        want = Data.ExpectedLookups();
        break;
    case wReadLong:
        want = Data.ExpectedLong();
        break;
    case wScroll:
        want = Data.ExpectedScroll();
        break;
    case wInsert:
        if (Data.InsertsComplete()) return std::nullopt;
        return "the inserted rows differ";
    case wWriteLong:
        if (Data.LongWritten()) return std::nullopt;
        return "the value written differs";
    case wCount:
        return "no such work";
    }
    if (Got == want) return std::nullopt;
    return "wrong result";
}

long PeakKilobytes() {
    std::FILE* f = std::fopen("/proc/self/status", "r");
    if (f == nullptr) return -1;
    char line[256];
    long kb = -1;
    while (std::fgets(line, sizeof line, f) != nullptr)
        if (std::strncmp(line, "VmHWM:", 6) == 0) kb = std::atol(line + 6);
    std::fclose(f);
    return kb;
}

} // namespace cmp
