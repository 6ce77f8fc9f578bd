// bench_floor: the least the product's forward read, point lookups, inserts and long-value write
// can cost, measured beside the raw engine, the client library and TAsaSQL in one process.
//
// The "floor" does only what the interfaces between the layers require, each step as cheaply as it
// can be written, with no dispatch, no request bookkeeping, no checks of the values against their
// columns and no kept copy of the current row:
//
//   forward read, per block of 25 rows (TAsaSQL's default fetch count):
//     - the engine's step and the column values (as the raw engine reads them);
//     - each value stored into its host variable of the block: a 32-bit integer, a double, the
//       text NUL-terminated in its 31 bytes, the time stamp parsed into the 14-byte date-time
//       record (the client library's own inline conversions);
//   and per row, as the statement must present it:
//     - the row copied from the block into the current record and from there into the old record
//       (the copy dirty checks compare against), the null flags set from the indicators and copied;
//     - the four fields read as the framework's Variants (varInteger, varDouble, varString, and
//       varDate from the date-time record), folded exactly as the comparison's TAsaSQL contender
//       folds them.
//
//   point lookup, per key: the key as a Variant put into its 32-bit host variable and bound from
//     there; the engine's single-row query; the row stored into four output variables as above and
//     read back as four Variants.
//
//   insert, per row: the four Variants the caller makes (as the TAsaSQL contender makes them) put
//     into their host variables (the time stamp into the date-time record), then read from there
//     and bound, the time stamp as the engine keeps it ("YYYY-MM-DD HH:MM:SS"); one transaction.
//
//   long write: the value goes to the database through a connection-level SQL variable in pieces
//     of 32,765 bytes, each piece a binary host variable (a 16-bit length, then the bytes); so each
//     piece is copied from the caller's array into that variable and appended from it to the SQL
//     variable's block (the client library's growing block), and the insert then binds the block.
//     The floor makes exactly these two copies, then runs the raw engine's insert on the block.
//
// The comparison (bench_compare) times the product against its peers; this program answers how far
// the product is from the least its interfaces allow. Each round runs every variant once, in an
// order that rotates from round to round; the ratios are taken within each round and their median
// is reported, so that a slow spell of the machine weighs on all variants of a round alike.
//
// Usage: bench_floor [--rounds=N] [--data-dir=DIR] [--small] [--work=read|lookups|inserts|write|all]
//   The database file is kept in DIR (default: TNX_BENCH_DATA_DIR, else a folder under the
//   temporary directory) and reused when it was made with the same sizes.
#include "Contender.h"
#include "RawDb.h"
#include "VariantFold.h"
#include "Report.h"
#include "Workload.h"

#include "asa/AsaTimeStamp.h"
#include "platform/dblib/ByteBuffer.h"
#include "platform/dblib/Convert.h"
#include "platform/vcl/DateTime.h"
#include "platform/vcl/Variant.h"

#include <sqlite3.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

// The client library's row path (Convert.h) reports an engine value it could not get for lack of
// memory through this; the library defines it in its own file, which this program does not link.
namespace tnxdb {
[[noreturn]] void ThrowOutOfMemory() {
    throw std::runtime_error("floor: the engine had no memory for a value");
}
} // namespace tnxdb

namespace cmp {
namespace {

using vcl::Variant;

class TFloor {
public:
    explicit TFloor(const TDataSet& Data) {
        FDb.Open(Data.File());
        FRead = Prepare("select a, b, c, d from t");
        FWriteLong = Prepare("insert into big values (2, ?)");
        FLookup = Prepare("select a, b, c, d from t where a = ?");
        FInsert = Prepare("insert into ins values (?, ?, ?, ?)");
        // The block's host variables: row r's four variables point into row r of the fetch block.
        for (int r = 0; r < kBlockRows; ++r) {
            uint8_t* row = FFetch.data() + static_cast<std::size_t>(r) * kRecordSize;
            for (int c = 0; c < kColumns; ++c) {
                sqlvar& v = FVars[static_cast<std::size_t>(r * kColumns + c)];
                v.sqltype = static_cast<int16_t>(kTypes[c] | 1);
                v.sqllen = static_cast<int16_t>(kSizes[c]);
                v.sqldata = row + kOffsets[c];
                v.sqlind = &FIndicators[static_cast<std::size_t>(r * kColumns + c)];
            }
        }
    }
    TFloor(const TFloor&) = delete;
    TFloor& operator=(const TFloor&) = delete;

    uint64_t Read() {
        uint64_t sum = 0;
        for (;;) {
            // The block fetch: up to 25 rows into the host variables.
            int rows = 0;
            while (rows < kBlockRows && sqlite3_step(FRead) == SQLITE_ROW) {
                StoreRow(FRead, rows);
                ++rows;
            }
            // The statement's rows, one after the other.
            for (int r = 0; r < rows; ++r) {
                std::memcpy(FRecord.data(), FFetch.data() + static_cast<std::size_t>(r) * kRecordSize, kRecordSize);
                std::memcpy(FOldRecord.data(), FRecord.data(), kRecordSize);
                for (int c = 0; c < kColumns; ++c)
                    FNullFlags[static_cast<std::size_t>(c)] =
                        FIndicators[static_cast<std::size_t>(r * kColumns + c)] == -1 ? 1 : 0;
                std::memcpy(FOldNullFlags.data(), FNullFlags.data(), kColumns);
                sum += FieldsSum(FRecord.data());
            }
            if (rows < kBlockRows) break;
        }
        if (sqlite3_reset(FRead) != SQLITE_OK) Fail("step");
        return sum;
    }

    uint64_t Lookup(std::span<const int32_t> Keys) {
        uint64_t sum = 0;
        for (int32_t key : Keys) {
            // The key as the caller's Variant, put into its 32-bit host variable, read from there
            // by the library and bound.
            const Variant value(key);
            const int32_t slot = value.AsInteger();
            int32_t input;
            std::memcpy(&input, &slot, sizeof input);
            sqlite3_bind_int64(FLookup, 1, input);
            if (sqlite3_step(FLookup) == SQLITE_ROW) {
                // The row into the four output variables (row 0 of the block's variables), read
                // back as Variants.
                StoreRow(FLookup, 0);
                sum += FieldsSum(FFetch.data());
            }
            if (sqlite3_reset(FLookup) != SQLITE_OK) Fail("lookup");
        }
        return sum;
    }

    void Insert(int32_t Count) {
        Exec("BEGIN");
        char text[32];
        for (int32_t i = 0; i < Count; ++i) {
            // The caller's four Variants, made as the TAsaSQL contender makes them.
            const int n = RowText(i, text);
            const TStamp s = RowStamp(i);
            const Variant values[kColumns] = {
                Variant(i), Variant(RowDouble(i)), Variant(std::string_view(text, static_cast<std::size_t>(n))),
                Variant(vcl::EncodeDateTime(s.Year, s.Month, s.Day, s.Hour, s.Minute, s.Second, 0))};
            // Put into their host variables: a 32-bit integer, a double, NUL-terminated text and
            // the date-time record.
            const int32_t a = values[0].AsInteger();
            const double b = values[1].AsDouble();
            const std::string& c = values[2].TextRef();
            std::memcpy(FInsertText.data(), c.data(), c.size());
            FInsertText[c.size()] = '\0';
            sqldatetime rec;
            tnx::PutAsaTimeStamp(values[3].AsDateTime(), rec);
            // Read from the variables by the library: the text as it stands, the time stamp
            // written as the engine keeps it ("YYYY-MM-DD HH:MM:SS"), every value bound.
            sqlite3_bind_int64(FInsert, 1, a);
            sqlite3_bind_double(FInsert, 2, b);
            sqlite3_bind_text(FInsert, 3, FInsertText.data(), static_cast<int>(std::strlen(FInsertText.data())),
                              SQLITE_STATIC);
            char stamp[20];
            sqlite3_bind_text(FInsert, 4, stamp,
                              static_cast<int>(tnxdb::fast::FormatCanonicalStamp(rec, stamp)), SQLITE_STATIC);
            if (sqlite3_step(FInsert) != SQLITE_DONE) Fail("insert");
            sqlite3_reset(FInsert);
        }
        Exec("COMMIT");
    }

    void WriteLong(std::span<const uint8_t> Value) {
        // The SQL variable's block, made afresh for every value as the variable is.
        tnxdb::ByteBuffer block;
        std::array<uint8_t, 2 + kPiece> piece;
        std::size_t offset = 0;
        do {
            const std::size_t chunk = std::min(Value.size() - offset, kPiece);
            const auto n = static_cast<uint16_t>(chunk);
            std::memcpy(piece.data(), &n, sizeof n);
            std::memcpy(piece.data() + 2, Value.data() + offset, chunk);
            block.append(reinterpret_cast<const char*>(piece.data()) + 2, n);
            offset += chunk;
        } while (offset < Value.size());
        sqlite3_bind_blob64(FWriteLong, 1, block.data(), block.size(), SQLITE_STATIC);
        if (sqlite3_step(FWriteLong) != SQLITE_DONE) Fail("insert long");
        sqlite3_reset(FWriteLong);
        sqlite3_clear_bindings(FWriteLong);
    }

private:
    static constexpr int kBlockRows = 25;
    static constexpr int kColumns = 4;
    static constexpr std::size_t kPiece = 32765;
    // a integer, b double, c varchar(30), d timestamp: the statement's column layout.
    static constexpr int kTypes[kColumns] = {DBLIB_T_INT, DBLIB_T_DOUBLE, DBLIB_T_STRING,
                                             DBLIB_T_TIMESTAMP_STRUCT};
    static constexpr int kSizes[kColumns] = {4, 8, 31, static_cast<int>(sizeof(sqldatetime))};
    static constexpr int kOffsets[kColumns] = {0, 4, 12, 43};
    static constexpr std::size_t kRecordSize = 43 + sizeof(sqldatetime);

    // The engine's current row into the host variables of row `row` of the block, with the client
    // library's inline conversions.
    void StoreRow(sqlite3_stmt* Stmt, int row) {
        for (int c = 0; c < kColumns; ++c) {
            sqlvar& var = FVars[static_cast<std::size_t>(row * kColumns + c)];
            const tnxdb::Value v = tnxdb::ColumnValue(Stmt, c);
            if (v.K == tnxdb::Value::Null)
                *var.sqlind = -1;
            else if (!tnxdb::fast::StoreCommon(v, var, kTypes[c]))
                throw std::runtime_error("floor: a value the host variables do not take");
        }
    }

    // The four fields of a record laid out as the statement's columns, read as Variants the way
    // the driver makes them and folded as the TAsaSQL contender folds them.
    static uint64_t FieldsSum(const uint8_t* p) {
        return VariantRowSum([p](int32_t i) -> Variant {
            switch (i) {
            case 0: {
                int32_t a;
                std::memcpy(&a, p + kOffsets[0], sizeof a);
                return Variant(a);
            }
            case 1: {
                double b;
                std::memcpy(&b, p + kOffsets[1], sizeof b);
                return Variant(b);
            }
            case 2: {
                const char* text = reinterpret_cast<const char*>(p + kOffsets[2]);
                return Variant(std::string_view(text, strnlen(text, static_cast<std::size_t>(kSizes[2]))));
            }
            default: {
                sqldatetime rec;
                std::memcpy(&rec, p + kOffsets[3], sizeof rec);
                return Variant(tnx::GetAsaTimeStamp(rec));
            }
            }
        });
    }

    void Exec(const char* sql) { FDb.Exec(sql); }
    sqlite3_stmt* Prepare(const char* sql) { return FDb.Prepare(sql); }
    [[noreturn]] void Fail(const std::string& what) { FDb.Fail(what); }

    TRawDb FDb{"floor"}; // before the statements below, which it finalizes
    sqlite3_stmt* FRead = nullptr;
    sqlite3_stmt* FWriteLong = nullptr;
    sqlite3_stmt* FLookup = nullptr;
    sqlite3_stmt* FInsert = nullptr;
    std::array<char, 256> FInsertText{}; // the text's host variable of an insert
    std::array<uint8_t, kBlockRows * kRecordSize> FFetch{};
    std::array<sqlvar, kBlockRows * kColumns> FVars{};
    std::array<int16_t, kBlockRows * kColumns> FIndicators{};
    std::array<uint8_t, kRecordSize> FRecord{};
    std::array<uint8_t, kRecordSize> FOldRecord{};
    std::array<uint8_t, kColumns> FNullFlags{};
    std::array<uint8_t, kColumns> FOldNullFlags{};
};

struct TVariant {
    std::string Name;
    std::function<uint64_t()> Run;     // timed
    std::function<bool(uint64_t)> Right; // untimed: whether the run's result (and effect) is right
    std::vector<double> Ms;
};

// Runs every variant once per round in a rotating order; prints medians and the median per-round
// ratio of each variant to the first.
void Measure(const char* Title, std::vector<TVariant>& Variants, int Rounds) {
    std::printf("\n%s (%d rounds)\n\n| Variant | median ms | ratio to %s |\n|---|---:|---:|\n", Title, Rounds,
                Variants.front().Name.c_str());
    const std::size_t k = Variants.size();
    for (int round = 0; round < Rounds; ++round) {
        for (std::size_t j = 0; j < k; ++j) {
            TVariant& v = Variants[(j + static_cast<std::size_t>(round)) % k];
            const auto start = std::chrono::steady_clock::now();
            const uint64_t result = v.Run();
            const auto end = std::chrono::steady_clock::now();
            if (!v.Right(result)) throw std::runtime_error(v.Name + " gave a wrong result");
            v.Ms.push_back(std::chrono::duration<double, std::milli>(end - start).count());
        }
    }
    for (const TVariant& v : Variants) {
        std::vector<double> ratios;
        for (int round = 0; round < Rounds; ++round)
            ratios.push_back(v.Ms[static_cast<std::size_t>(round)] /
                             Variants.front().Ms[static_cast<std::size_t>(round)]);
        std::printf("| %s | %.1f | %.2f |\n", v.Name.c_str(), *Median(v.Ms), *Median(ratios));
    }
    std::fflush(stdout);
}

int Main(int argc, char** argv) {
    int rounds = 9;
    const char* kept = std::getenv("TNX_BENCH_DATA_DIR");
    std::string dataDir = kept ? kept : (std::filesystem::temp_directory_path() / "tnx-bench-floor").string();
    bool small = false;
    std::string work = "all";
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a.rfind("--rounds=", 0) == 0)
            rounds = std::max(1, std::stoi(a.substr(9)));
        else if (a.rfind("--data-dir=", 0) == 0)
            dataDir = a.substr(11);
        else if (a == "--small")
            small = true;
        else if (a.rfind("--work=", 0) == 0 && (a.substr(7) == "read" || a.substr(7) == "lookups" ||
                                                 a.substr(7) == "inserts" || a.substr(7) == "write" ||
                                                 a.substr(7) == "all"))
            work = a.substr(7);
        else {
            std::fprintf(stderr,
                         "usage: bench_floor [--rounds=N] [--data-dir=DIR] [--small] [--work=read|lookups|inserts|write|all]\n");
            return 2;
        }
    }
    std::filesystem::create_directories(dataDir);
    const TDataSet data(dataDir, TSizes::For(small));

    auto raw = NewRawContender();
    auto lib = NewDbLibContender(TNX_BENCH_LIB_DIR);
    auto asa = NewAsaContender(TNX_BENCH_LIB_DIR);
    for (TContender* c : {raw.get(), lib.get(), asa.get()})
        c->Open(data);
    TFloor floor(data);

    if (work == "all" || work == "read") {
        auto right = [&](uint64_t sum) { return sum == data.ExpectedRead(); };
        std::vector<TVariant> read{
            {"raw SQLite", [&] { return raw->Read(); }, right, {}},
            {"client library", [&] { return lib->Read(); }, right, {}},
            {"floor", [&] { return floor.Read(); }, right, {}},
            {"TAsaSQL", [&] { return asa->Read(); }, right, {}},
        };
        Measure("Forward read", read, rounds);
    }
    if (work == "all" || work == "lookups") {
        auto right = [&](uint64_t sum) { return sum == data.ExpectedLookups(); };
        std::vector<TVariant> lookups{
            {"raw SQLite", [&] { return raw->Lookup(data.Keys()); }, right, {}},
            {"client library", [&] { return lib->Lookup(data.Keys()); }, right, {}},
            {"floor", [&] { return floor.Lookup(data.Keys()); }, right, {}},
            {"TAsaSQL", [&] { return asa->Lookup(data.Keys()); }, right, {}},
        };
        Measure("Point lookups", lookups, rounds);
    }
    if (work == "all" || work == "inserts") {
        // Checks the rows and empties the table again for the next run, outside the timed call.
        auto right = [&](uint64_t) {
            const bool complete = data.InsertsComplete();
            data.ResetInserts();
            return complete;
        };
        const int32_t count = data.Sizes().Inserts;
        data.ResetInserts();
        std::vector<TVariant> inserts{
            {"raw SQLite", [&] { raw->Insert(count); return uint64_t{0}; }, right, {}},
            {"client library", [&] { lib->Insert(count); return uint64_t{0}; }, right, {}},
            {"floor", [&] { floor.Insert(count); return uint64_t{0}; }, right, {}},
            {"TAsaSQL", [&] { asa->Insert(count); return uint64_t{0}; }, right, {}},
        };
        Measure("Inserts", inserts, rounds);
    }
    if (work == "all" || work == "write") {
        const std::span<const uint8_t> value = data.LongValue();
        for (TContender* c : {raw.get(), asa.get()})
            c->PrepareLong(value);
        // Checks the row and deletes it again for the next run, outside the timed call.
        auto right = [&](uint64_t) {
            const bool written = data.LongWritten();
            data.ResetLongWrite();
            return written;
        };
        data.ResetLongWrite();
        std::vector<TVariant> write{
            {"raw SQLite", [&] { raw->WriteLong(); return uint64_t{0}; }, right, {}},
            {"floor", [&] { floor.WriteLong(value); return uint64_t{0}; }, right, {}},
            {"TAsaSQL", [&] { asa->WriteLong(); return uint64_t{0}; }, right, {}},
        };
        Measure("Long write", write, rounds);
    }
    return 0;
}

} // namespace
} // namespace cmp

int main(int argc, char** argv) {
    try {
        return cmp::Main(argc, argv);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_floor: %s\n", e.what());
        return 1;
    }
}
