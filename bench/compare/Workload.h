// The data set every contender works on, and the results each work must produce.
//
// One SQLite file holds the tables of the five works:
//   t    (a integer primary key, b double, c varchar(30), d timestamp)  Rows rows      works 1, 2
//   s    the same columns, ScrollRows rows                                              work 5
//   ins  the same columns, emptied before every run of work 3                           work 3
//   big  (id integer primary key, v long binary): row 1 holds LongBytes bytes           work 4
//        (work 4 writes row 2, deleted before every run)
// Row i of t, s and ins holds a = i, b = i / 4, c = "row number <i>" and the time stamp
// 2024-<1+i%12>-<1+i%28> <i%24>:<i%60>:<(i/60)%60>. Every contender folds each row it reads into
// RowSum(a, b, length of c, seconds of d), so a contender that reads a column wrongly (or not at
// all) gives another total than the one expected here and its time is not reported.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace cmp {

// How much each work does. Full() is the published comparison; tests use small sizes.
struct TSizes {
    int32_t Rows = 1000000;            // work 1: rows read; also the key range of work 2
    int32_t Lookups = 100000;          // work 2: point lookups
    int32_t Inserts = 100000;          // work 3: rows inserted in one transaction
    std::size_t LongBytes = 100 << 20; // work 4: bytes of the long binary value
    int32_t ScrollRows = 100000;       // work 5: rows of the scrolled result
    int32_t Positions = 10000;         // work 5: absolute positions visited

    // The published sizes, or the small ones of --small (a quick check that every contender
    // works, not for publishing).
    static TSizes For(bool Small) {
        TSizes s;
        if (Small) {
            s.Rows = 20000;
            s.Lookups = 2000;
            s.Inserts = 2000;
            s.LongBytes = 4 << 20;
            s.ScrollRows = 5000;
            s.Positions = 1000;
        }
        return s;
    }
};

// A time stamp as its parts (Month 1..12).
struct TStamp {
    int Year, Month, Day, Hour, Minute, Second;
};

// The values of row i.
inline double RowDouble(int32_t i) {
    return i * 0.25;
}
// Writes "row number <i>" into buf (NUL-terminated); returns its length.
int RowText(int32_t i, char (&buf)[32]);
TStamp RowStamp(int32_t i);
// "YYYY-MM-DD HH:MM:SS" into buf (NUL-terminated, 19 characters).
void StampText(const TStamp& s, char (&buf)[32]);

// The fold of one row. b is a multiple of 1/4, so b * 4 is exact.
inline uint64_t RowSum(int64_t a, double b, std::size_t textLength, int second) {
    return static_cast<uint64_t>(a) + static_cast<uint64_t>(b * 4.0) + textLength +
           static_cast<uint64_t>(second);
}
uint64_t ExpectedRowSum(int32_t i);

// Order-sensitive checksum of bytes (position-weighted words), so a value cut short, shifted or
// read twice does not pass.
uint64_t BytesChecksum(const void* data, std::size_t n);

// The seconds of a "YYYY-MM-DD HH:MM:SS" text (the raw API's own form of a time stamp).
inline int SecondsOfText(const unsigned char* s) {
    return (s[17] - '0') * 10 + (s[18] - '0');
}

// The database file and the inputs and expected results of every work.
class TDataSet {
public:
    // Creates the file in Folder (or reuses it when it exists and was made with the same sizes).
    TDataSet(std::string Folder, const TSizes& Sizes);

    const std::string& File() const { return FFile; }
    const TSizes& Sizes() const { return FSizes; }
    // Work 2: the keys looked up, in order (uniform over 0 .. Rows-1, fixed seed).
    std::span<const int32_t> Keys() const { return FKeys; }
    // Work 5: the 0-based positions visited, in order (uniform over 0 .. ScrollRows-1, fixed seed).
    std::span<const int32_t> Positions() const { return FPositions; }
    // Work 4: the value written (the same bytes as row 1 of big); made on first use, so that a
    // process that does not write it never holds it.
    std::span<const uint8_t> LongValue() const;

    uint64_t ExpectedRead() const { return FExpectedRead; }
    uint64_t ExpectedLookups() const { return FExpectedLookups; }
    uint64_t ExpectedScroll() const { return FExpectedScroll; }
    uint64_t ExpectedLong() const;

    // Before a run of work 3 / work 4's write: empties ins / deletes row 2 of big.
    void ResetInserts() const;
    void ResetLongWrite() const;
    // After a run of work 3: whether ins holds exactly rows 0 .. Inserts-1 with their values.
    bool InsertsComplete() const;
    // After a run of work 4's write: whether row 2 of big holds LongValue().
    bool LongWritten() const;

private:
    void Create() const;
    void Exec(const char* sql) const;

    std::string FFile;
    TSizes FSizes;
    std::vector<int32_t> FKeys;
    std::vector<int32_t> FPositions;
    uint64_t FExpectedRead = 0;
    uint64_t FExpectedLookups = 0;
    uint64_t FExpectedScroll = 0;
    // The long value's bytes and checksum, empty / 0 until LongValue() first runs.
    mutable std::vector<uint8_t> FLong;
    mutable uint64_t FExpectedLong = 0;
};

} // namespace cmp
